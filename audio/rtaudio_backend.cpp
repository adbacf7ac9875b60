// SPDX-License-Identifier: GPL-3.0-or-later
// The RtAudio backend: ALSA "default" on Linux (the native PulseAudio backend comes first there), the
// platform's own API elsewhere. RtAudio 5 reports errors as exceptions from its calls and, from its own
// thread, through an error callback without user data; both stop here. RtAudio 6 throws nothing: its calls
// return an error code and every error goes to a callback given to the constructor (the shim below).
#include <RtAudio.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "audio/audio_backend.h"
#include "core/threads.h"

#ifdef __linux__
#include <alsa/asoundlib.h>
#include <dirent.h>
#endif

namespace {

constexpr int kCallbackPriority = 70;

struct RtStream {
  std::unique_ptr<RtAudio> rt;
  AudioFillFunction fill = nullptr;
  void* user = nullptr;
  AudioStreamReports* reports = nullptr;
  int channels = 0;
};

// The error callback has no user data; one RtAudio stream is open at a time.
std::atomic<AudioStreamReports*> errorReports{nullptr};

int StreamCallback(void* output, void* /*input*/, unsigned int frames, double /*streamTime*/,
                   RtAudioStreamStatus status, void* user) {
  auto* s = static_cast<RtStream*>(user);
  if (s->reports->deviceThreadId.load(std::memory_order_relaxed) == 0) {
    s->reports->deviceThreadId.store(CurrentThreadId(), std::memory_order_relaxed);
  }
  if (status & RTAUDIO_OUTPUT_UNDERFLOW) s->reports->underflows.fetch_add(1, std::memory_order_relaxed);
  s->fill(static_cast<float*>(output), static_cast<int>(frames), s->channels, s->user);
  return 0;
}

void MarkStreamFailed() {
  if (AudioStreamReports* reports = errorReports.load()) reports->failed.store(1, std::memory_order_release);
}

// ---- RtAudio 5 / 6 shim: the error callback, where it is given, and the probed flag ----------------------
#if defined(RTAUDIO_VERSION_MAJOR) && RTAUDIO_VERSION_MAJOR >= 6
void StreamError(RtAudioErrorType type, const std::string& /*text*/) {
  if (type != RTAUDIO_NO_ERROR && type != RTAUDIO_WARNING) MarkStreamFailed();
}
std::unique_ptr<RtAudio> MakeRtAudio(RtAudio::Api api) {
  return std::make_unique<RtAudio>(api, &StreamError);
}
// RtAudio 6 lists only devices it could probe.
bool WasProbed(const RtAudio::DeviceInfo& /*info*/) {
  return true;
}
void OpenRtStream(RtAudio& rt, RtAudio::StreamParameters& params, unsigned int rate, unsigned int& frames,
                  RtAudioCallback callback, void* user, RtAudio::StreamOptions& options) {
  rt.openStream(&params, nullptr, RTAUDIO_FLOAT32, rate, &frames, callback, user, &options);
}
#else
void StreamError(RtAudioError::Type type, const std::string& /*text*/) {
  if (type != RtAudioError::WARNING && type != RtAudioError::DEBUG_WARNING) MarkStreamFailed();
}
std::unique_ptr<RtAudio> MakeRtAudio(RtAudio::Api api) {
  return std::make_unique<RtAudio>(api);
}
bool WasProbed(const RtAudio::DeviceInfo& info) {
  return info.probed;
}
void OpenRtStream(RtAudio& rt, RtAudio::StreamParameters& params, unsigned int rate, unsigned int& frames,
                  RtAudioCallback callback, void* user, RtAudio::StreamOptions& options) {
  rt.openStream(&params, nullptr, RTAUDIO_FLOAT32, rate, &frames, callback, user, &options, &StreamError);
}
#endif

// ALSA's PulseAudio plugin moves the data through libpulse's own I/O thread ("threaded-ml"), and the
// callback waits on it: left at normal priority a busy machine starves it although the callback runs
// real-time.
void RaisePulsePluginThreads() {
#ifdef __linux__
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return;
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    std::string commPath = std::string("/proc/self/task/") + entry->d_name + "/comm";
    FILE* comm = std::fopen(commPath.c_str(), "r");
    if (!comm) continue;
    char name[32] = {};
    bool read = std::fgets(name, sizeof name, comm) != nullptr;
    std::fclose(comm);
    if (read && std::strcmp(name, "threaded-ml\n") == 0) {
      RequestRealtimePriorityFor(std::atoll(entry->d_name), kCallbackPriority, ThreadRole::kOther);
    }
  }
  closedir(tasks);
#endif
}

#ifdef __linux__
// ALSA prints every failed probe to stderr; while a sound server is away the audio thread retries every
// second, and the log would fill with the same lines.
void IgnoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                       const char* /*format*/, ...) {}
#endif

RtAudio::Api PreferredApi() {
#ifdef __linux__
  return RtAudio::LINUX_ALSA;
#else
  return RtAudio::UNSPECIFIED;
#endif
}

bool TryOpen(RtStream& s, AudioStream& opened, const AudioStreamConfig& config, bool realtime) {
  const RtAudio::Api api = PreferredApi();
  s.rt = MakeRtAudio(api);
  if (api != RtAudio::UNSPECIFIED && s.rt->getCurrentApi() != api) return false;
  s.rt->showWarnings(false);
  if (s.rt->getDeviceCount() == 0) return false;
  const unsigned int id = s.rt->getDefaultOutputDevice();
  RtAudio::DeviceInfo info = s.rt->getDeviceInfo(id);
  if (!WasProbed(info) || info.outputChannels == 0) return false;
  unsigned int rate = static_cast<unsigned int>(config.sampleRateHz);
  if (std::find(info.sampleRates.begin(), info.sampleRates.end(), rate) == info.sampleRates.end() &&
      info.preferredSampleRate > 0) {
    rate = info.preferredSampleRate;
  }
  RtAudio::StreamParameters params;
  params.deviceId = id;
  params.nChannels = std::min<unsigned int>(static_cast<unsigned int>(config.channels), info.outputChannels);
  params.firstChannel = 0;
  RtAudio::StreamOptions options;
  options.flags = realtime ? RTAUDIO_SCHEDULE_REALTIME : 0;
  if (api == RtAudio::LINUX_ALSA) options.flags |= RTAUDIO_ALSA_USE_DEFAULT;
  options.numberOfBuffers = static_cast<unsigned int>(config.periods);
  options.priority = kCallbackPriority;
  options.streamName = "Nemora";
  unsigned int frames = static_cast<unsigned int>(config.periodFrames);
  s.channels = static_cast<int>(params.nChannels);
  OpenRtStream(*s.rt, params, rate, frames, &StreamCallback, &s, options);
  if (!s.rt->isStreamOpen()) return false;
  if (realtime) RaisePulsePluginThreads();
  opened.sampleRateHz = static_cast<int32_t>(s.rt->getStreamSampleRate());
  opened.channels = s.channels;
  opened.periodFrames = static_cast<int32_t>(frames);
  opened.periods = static_cast<int32_t>(options.numberOfBuffers);
  return true;
}

void Discard(RtStream* s) {
  try {
    if (s->rt && s->rt->isStreamRunning()) s->rt->abortStream();
  } catch (...) {
  }
  try {
    if (s->rt && s->rt->isStreamOpen()) s->rt->closeStream();
  } catch (...) {
  }
  try {
    delete s;
  } catch (...) {
  }
}

bool RtOpen(AudioStream& stream, const AudioStreamConfig& config, AudioFillFunction fill, void* user,
            AudioStreamReports& reports) {
#ifdef __linux__
  snd_lib_error_set_handler(IgnoreAlsaMessage);
#endif
  // Real-time scheduling of the callback thread when the system grants it, else normal scheduling.
  for (bool realtime : {true, false}) {
    auto* s = new RtStream;
    s->fill = fill;
    s->user = user;
    s->reports = &reports;
    AudioStream opened;
    bool ok = false;
    try {
      ok = TryOpen(*s, opened, config, realtime);
    } catch (...) {
      ok = false;
    }
    if (ok) {
      // RtAudio 6 reports the failures of a trial open through the callback too: they are the open's
      // failure (false here), not a failure of the stream, which is watched from now on.
      errorReports.store(&reports);
      opened.handle = s;
      stream = opened;
      return true;
    }
    Discard(s);
  }
  errorReports.store(nullptr);
  return false;
}

bool RtResume(AudioStream& stream) {
  auto* s = static_cast<RtStream*>(stream.handle);
  if (!s) return false;
  try {
    if (!s->rt->isStreamRunning()) s->rt->startStream();
    return s->rt->isStreamRunning();
  } catch (...) {
    return false;
  }
}

// Aborting drops what the device still holds, as the PulseAudio backend's flush does.
bool RtPause(AudioStream& stream) {
  auto* s = static_cast<RtStream*>(stream.handle);
  if (!s) return false;
  try {
    if (s->rt->isStreamRunning()) s->rt->abortStream();
    return true;
  } catch (...) {
    return false;
  }
}

void RtClose(AudioStream& stream) {
  if (auto* s = static_cast<RtStream*>(stream.handle)) {
    Discard(s);
    errorReports.store(nullptr);
  }
  stream = AudioStream{};
}

// RtAudio reports no latency of its own for every API: the buffering it was granted stands for it.
void RtUpdateLatency(AudioStream& stream) {
  auto* s = static_cast<RtStream*>(stream.handle);
  if (!s || stream.sampleRateHz <= 0) return;
  s->reports->latencyUs.store(static_cast<int64_t>(stream.periods) * stream.periodFrames * 1000000 /
                              stream.sampleRateHz);
}

}  // namespace

#ifdef __linux__
const AudioBackend rtAudioBackend = {"RtAudio ALSA", kAudioApiAlsa, RtOpen,         RtResume,
                                     RtPause,        RtClose,       RtUpdateLatency};
#else
const AudioBackend rtAudioBackend = {"RtAudio", kAudioApiOther, RtOpen,         RtResume,
                                     RtPause,   RtClose,        RtUpdateLatency};
#endif
