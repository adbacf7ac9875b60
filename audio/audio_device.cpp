// RtAudio glue. RtAudio 5 reports errors as exceptions from its calls and, from its own thread, through the
// error callback; both stop here.
#include "audio/audio_device.h"

#include <RtAudio.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#ifdef __linux__
#include <dirent.h>
#include <sched.h>
#endif

struct AudioDeviceHandle {
  std::unique_ptr<RtAudio> rt;
  AudioFillFunction fill = nullptr;
  void* user = nullptr;
  int channels = 0;
  // Set (release) just before the stream starts. Some backends run their callback thread before
  // startStream; until this is set the callback only writes silence and touches nothing of the caller's.
  std::atomic<int32_t> started{0};
};

namespace {

std::atomic<int32_t> deviceFailed{0};

int StreamCallback(void* output, void* /*input*/, unsigned int frames, double /*streamTime*/,
                   RtAudioStreamStatus /*status*/, void* user) {
  auto* handle = static_cast<AudioDeviceHandle*>(user);
  if (!handle->started.load(std::memory_order_acquire)) {
    std::memset(output, 0,
                static_cast<size_t>(frames) * static_cast<size_t>(handle->channels) * sizeof(float));
    return 0;
  }
  handle->fill(static_cast<float*>(output), static_cast<int>(frames), handle->channels, handle->user);
  return 0;
}

void StreamError(RtAudioError::Type type, const std::string& /*text*/) {
  if (type != RtAudioError::WARNING && type != RtAudioError::DEBUG_WARNING) deviceFailed.store(1);
}

// PulseAudio's client library moves a stream's data through its own I/O thread ("threaded-ml", made by
// pa_simple inside RtAudio and by ALSA's pulse plugin), and the callback waits on it. Left at normal
// priority, a busy machine starves that thread for longer than the 10 ms the stream buffers, and the sound
// drops out although the callback itself runs real-time. Without the right to real-time scheduling this
// changes nothing.
void RaisePulseClientThreads(int priority) {
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
    if (!read || std::strcmp(name, "threaded-ml\n") != 0) continue;
    sched_param param{};
    param.sched_priority = priority;
    sched_setscheduler(static_cast<pid_t>(std::atoi(entry->d_name)), SCHED_RR, &param);
  }
  closedir(tasks);
#else
  (void)priority;
#endif
}

bool TryOpen(AudioDevice& device, RtAudio::Api api, const AudioDeviceConfig& config, AudioFillFunction fill,
             void* user, bool realtime) {
  auto handle = std::make_unique<AudioDeviceHandle>();
  try {
    handle->rt = std::make_unique<RtAudio>(api);
    if (handle->rt->getCurrentApi() != api) return false;
    handle->rt->showWarnings(false);
    if (handle->rt->getDeviceCount() == 0) return false;
    unsigned int id = handle->rt->getDefaultOutputDevice();
    RtAudio::DeviceInfo info = handle->rt->getDeviceInfo(id);
    if (!info.probed || info.outputChannels == 0) return false;
    // RtAudio's PulseAudio list merges sinks that share a description and then answers device 0 (often a
    // monitor source, or some other sink) when no entry is marked as the server's default. ALSA "default"
    // reaches the right sink through the server in that case.
    if (api == RtAudio::LINUX_PULSE && !info.isDefaultOutput) return false;
    unsigned int rate = static_cast<unsigned int>(config.sampleRateHz);
    if (std::find(info.sampleRates.begin(), info.sampleRates.end(), rate) == info.sampleRates.end() &&
        info.preferredSampleRate > 0) {
      rate = info.preferredSampleRate;
    }
    RtAudio::StreamParameters params;
    params.deviceId = id;
    params.nChannels =
        std::min<unsigned int>(static_cast<unsigned int>(config.channels), info.outputChannels);
    params.firstChannel = 0;
    RtAudio::StreamOptions options;
    options.flags = 0;
    if (realtime) options.flags |= RTAUDIO_SCHEDULE_REALTIME;
    if (api == RtAudio::LINUX_ALSA) options.flags |= RTAUDIO_ALSA_USE_DEFAULT;
    options.numberOfBuffers = static_cast<unsigned int>(config.numberOfBuffers);
    options.priority = 70;
    options.streamName = "Nemora";
    unsigned int frames = static_cast<unsigned int>(config.bufferFrames);
    handle->fill = fill;
    handle->user = user;
    handle->channels = static_cast<int>(params.nChannels);
    handle->rt->openStream(&params, nullptr, RTAUDIO_FLOAT32, rate, &frames, &StreamCallback, handle.get(),
                           &options, &StreamError);
    if (!handle->rt->isStreamOpen()) return false;
    if (realtime) RaisePulseClientThreads(options.priority);
    device.sampleRateHz = static_cast<int32_t>(handle->rt->getStreamSampleRate());
    device.channels = handle->channels;
    device.bufferFrames = static_cast<int32_t>(frames);
    device.numberOfBuffers = static_cast<int32_t>(options.numberOfBuffers);
    device.api = api == RtAudio::LINUX_PULSE ? kAudioApiPulse : kAudioApiAlsa;
    deviceFailed.store(0);
  } catch (...) {
    try {
      if (handle->rt && handle->rt->isStreamOpen()) handle->rt->closeStream();
    } catch (...) {
    }
    return false;
  }
  device.handle = handle.release();
  return true;
}

}  // namespace

bool OpenAudioDevice(AudioDevice& device, const AudioDeviceConfig& config, AudioFillFunction fill,
                     void* user) {
  CloseAudioDevice(device);
  for (RtAudio::Api api : {RtAudio::LINUX_PULSE, RtAudio::LINUX_ALSA}) {
    // Real-time scheduling of the callback thread when the system grants it, else normal scheduling.
    for (bool realtime : {true, false}) {
      if (TryOpen(device, api, config, fill, user, realtime)) return true;
    }
  }
  device = AudioDevice{};
  return false;
}

bool StartAudioDevice(AudioDevice& device) {
  if (!device.handle) return false;
  device.handle->started.store(1, std::memory_order_release);
  try {
    device.handle->rt->startStream();
    return device.handle->rt->isStreamRunning();
  } catch (...) {
    return false;
  }
}

void CloseAudioDevice(AudioDevice& device) {
  if (!device.handle) return;
  try {
    if (device.handle->rt->isStreamRunning()) device.handle->rt->abortStream();
  } catch (...) {
  }
  try {
    if (device.handle->rt->isStreamOpen()) device.handle->rt->closeStream();
  } catch (...) {
  }
  try {
    delete device.handle;
  } catch (...) {
  }
  device = AudioDevice{};
}

int32_t AudioDeviceFailed() {
  return deviceFailed.load();
}
