// SPDX-License-Identifier: GPL-3.0-or-later
// Audio output engine.
//
// Sections: the per-buffer render loop (RenderFrames), offline rendering and the WAV writer, the live
// stream's frame clock and fill, and the audio thread that keeps the stream (see stream_supervisor.h).
//
// Key edges and frame time. The keying thread stamps each tone-on change with MonotonicMicros(); the render
// loop gives every frame a time and applies an edge at the first frame whose time reaches
// edge.timeUs + outputDelayUs. The live stream's frame clock is audio/frame_clock.h.
#include "audio/audio_engine.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/app.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/threads.h"

AudioStreamInfo audioStream;

namespace {

constexpr double kTwoPi = 6.283185307179586;

// First frame index (0 when already due) whose time reaches dueUs; frame i is at firstFrameUs + i * 1e6 / R.
// Times are whole microseconds, so a frame within 1 us of the due time counts as reaching it: frame times
// and edge times truncated to microseconds then still meet at the same frame.
int64_t DueFrame(uint64_t dueUs, uint64_t firstFrameUs, int sampleRateHz) {
  if (dueUs <= firstFrameUs + 1u) return 0;
  uint64_t numerator = (dueUs - firstFrameUs - 1u) * static_cast<uint64_t>(sampleRateHz);
  return static_cast<int64_t>((numerator + 999999u) / 1000000u);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Render loop
// ---------------------------------------------------------------------------------------------------------

void RenderFramesAtTick(AudioRenderState& state, float* interleaved, int frames, int channels,
                        int sampleRateHz, uint64_t firstFrameUs, uint64_t outputDelayUs, uint32_t tickMs) {
  if (frames <= 0 || channels <= 0 || sampleRateHz <= 0) return;
  const int32_t freqHz = practiceSettings.Freq.load(std::memory_order_relaxed);
  const int32_t soundType = practiceSettings.SoundType.load(std::memory_order_acquire);
  const double omega = freqHz * kTwoPi / sampleRateHz;
  BandBuffer buffer;
  PrepareBandBuffer(buffer, tickMs, sampleRateHz, freqHz, soundType);
  BeginBandBuffer(state.band);

  int i = 0;
  while (i < frames) {
    // Apply every edge due at frame i; find where the next one falls.
    int end = frames;
    for (;;) {
      if (!state.edgeWaiting) {
        if (!PopToneEdge(state.waitingEdge)) break;
        state.edgeWaiting = true;
      }
      uint64_t dueUs = state.waitingEdge.timeUs + outputDelayUs;
      int64_t due = DueFrame(dueUs, firstFrameUs, sampleRateHz);
      if (due > i) {
        end = due < frames ? static_cast<int>(due) : frames;
        break;
      }
      // Late: its frame was in a buffer already rendered (the edge came too late for it).
      if (i == 0 && dueUs + 1u < firstFrameUs &&
          (firstFrameUs - dueUs - 1u) * static_cast<uint64_t>(sampleRateHz) >= 1000000u) {
        ++state.lateEdges;
      }
      state.key = state.waitingEdge.on;
      state.edgeWaiting = false;
    }
    const int32_t key = state.key;
    const float step = key ? kEnvelopeStep : -kEnvelopeStep;
    for (; i < end; ++i) {
      // Steps of 0.02 in single precision do not land exactly on 0 and 1; snapping the last step keeps
      // each ramp at exactly 50 frames and the key-up output at exact silence.
      float e = state.envelope + step;
      e = e < kEnvelopeStep * 0.5f ? 0.0f : (e > 1.0f - kEnvelopeStep * 0.5f ? 1.0f : e);
      state.envelope = e;
      double increment = omega;
      float sample = BandFrame(state.band, buffer, key, e, state.phase, increment, omega);
      state.phase += increment;
      float* frame = interleaved + static_cast<size_t>(i) * channels;
      for (int c = 0; c < channels; ++c) frame[c] = sample;
    }
  }
}

void RenderFrames(AudioRenderState& state, float* interleaved, int frames, int channels, int sampleRateHz,
                  uint64_t firstFrameUs, uint64_t outputDelayUs) {
  RenderFramesAtTick(state, interleaved, frames, channels, sampleRateHz, firstFrameUs, outputDelayUs,
                     TickMs());
}

// ---------------------------------------------------------------------------------------------------------
// Offline rendering and WAV files
// ---------------------------------------------------------------------------------------------------------

void RenderOffline(AudioRenderState& state, std::vector<float>& mono, int frames, int sampleRateHz,
                   int bufferFrames, uint64_t startUs) {
  if (frames <= 0 || sampleRateHz <= 0) return;
  if (bufferFrames <= 0) bufferFrames = frames;
  size_t base = mono.size();
  mono.resize(base + static_cast<size_t>(frames));
  for (int done = 0; done < frames; done += bufferFrames) {
    int count = frames - done < bufferFrames ? frames - done : bufferFrames;
    uint64_t firstUs = startUs + static_cast<uint64_t>(done) * 1000000u / static_cast<uint64_t>(sampleRateHz);
    RenderFramesAtTick(state, mono.data() + base + done, count, 1, sampleRateHz, firstUs, 0,
                       static_cast<uint32_t>(firstUs / 1000u));
  }
}

namespace {

void PutLe(std::vector<unsigned char>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

}  // namespace

bool WriteWavFile(const std::string& path, const std::vector<float>& mono, int sampleRateHz) {
  if (sampleRateHz <= 0 || mono.size() > 0x7FFFFFF0u / 2u) return false;
  const uint32_t dataBytes = static_cast<uint32_t>(mono.size() * 2u);
  std::vector<unsigned char> bytes;
  bytes.reserve(44 + dataBytes);
  bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
  PutLe(bytes, 36 + dataBytes, 4);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe(bytes, 16, 4);
  PutLe(bytes, 1, 2);  // PCM
  PutLe(bytes, 1, 2);  // mono
  PutLe(bytes, static_cast<uint32_t>(sampleRateHz), 4);
  PutLe(bytes, static_cast<uint32_t>(sampleRateHz) * 2u, 4);
  PutLe(bytes, 2, 2);   // block align
  PutLe(bytes, 16, 2);  // bits per sample
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  PutLe(bytes, dataBytes, 4);
  for (float x : mono) {
    float clamped = x < -1.0f ? -1.0f : (x > 1.0f ? 1.0f : x);
    long value = std::lround(clamped * 32767.0f);
    PutLe(bytes, static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(value))), 2);
  }
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) std::remove(path.c_str());
  return ok;
}

// ---------------------------------------------------------------------------------------------------------
// Live stream: the frame clock and the fill
// ---------------------------------------------------------------------------------------------------------

namespace {

// Safety added to one period's duration for the output delay: covers the moment between the keying thread
// taking an edge's time and publishing it.
constexpr int64_t kDelayMarginUs = 500;
// The render loop's buffer: the per-buffer values (frequency, sound type, the band simulation's slow
// modulations) step every 128 frames whatever the device asks for at a time.
constexpr int kRenderChunkFrames = 128;

struct LiveRenderer {
  // Set by the audio thread, read by the device thread.
  std::atomic<int32_t> enabled{0};    // the fields below are set up for the open stream
  std::atomic<int32_t> rendering{0};  // playing: render; else write silence
  std::atomic<int32_t> restart{0};    // re-anchor the frame clock and take the keyed state afresh
  int sampleRateHz = 48000;
  int periodFrames = 128;
  uint64_t outputDelayUs = 0;
  // Device thread only.
  AudioRenderState render;
  FrameClock clock;
};
LiveRenderer live;

// Diagnostics only (audioStream.measureCallbackCpu): reading the thread's CPU time is a system call, which
// the callback does not make in normal use.
uint64_t ThreadCpuMicros() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

// Per 128 frames whatever the period, so figures from different bufferings compare.
void NoteCallbackCpu(uint64_t cpuUs, int frames) {
  const uint64_t perPeriodUs = frames > 0 ? cpuUs * static_cast<uint64_t>(kRenderChunkFrames) / frames : 0;
  const uint64_t bucket =
      std::min<uint64_t>(perPeriodUs / kCallbackHistogramStepUs, kCallbackHistogramBuckets - 1);
  audioStream.callbackCpuHistogram[bucket].fetch_add(1, std::memory_order_relaxed);
}

// The device's callback: no lock, no allocation and no system call but the monotonic clock (a vDSO read).
void FillLive(float* interleaved, int frames, int channels, void* user) {
  LiveRenderer& r = *static_cast<LiveRenderer*>(user);
  if (!r.enabled.load(std::memory_order_acquire) || !r.rendering.load(std::memory_order_acquire)) {
    std::memset(interleaved, 0, static_cast<size_t>(frames) * static_cast<size_t>(channels) * sizeof(float));
    return;
  }
  const bool measure = audioStream.measureCallbackCpu.load(std::memory_order_relaxed) != 0;
  const uint64_t cpuStartUs = measure ? ThreadCpuMicros() : 0;
  const uint64_t generation = audioStream.playGeneration.load(std::memory_order_acquire);
  if (r.restart.exchange(0, std::memory_order_acq_rel) != 0) {
    // The stream (re)starts: its timeline begins now, and edges from before are history.
    r.clock.anchored = false;
    r.render.edgeWaiting = false;
    DiscardToneEdges();
    r.render.key = ReadToneOn();
  }
  FrameClockInput in;
  in.nowUs = static_cast<int64_t>(MonotonicMicros());
  in.frames = frames;
  in.periodFrames = r.periodFrames;
  in.sampleRateHz = r.sampleRateHz;
  in.underflows = audioStream.device.underflows.load(std::memory_order_relaxed);
  const FrameClockOutput clock = NextFrameClock(r.clock, in);
  if (clock.steppedBack) audioStream.clockStepsBack.fetch_add(1, std::memory_order_relaxed);
  if (clock.steppedForward) audioStream.clockStepsForward.fetch_add(1, std::memory_order_relaxed);
  for (int done = 0; done < frames; done += kRenderChunkFrames) {
    const int count = std::min(kRenderChunkFrames, frames - done);
    const uint64_t firstUs = static_cast<uint64_t>(clock.firstFrameUs) +
                             static_cast<uint64_t>(done) * 1000000u / static_cast<uint64_t>(r.sampleRateHz);
    RenderFramesAtTick(r.render, interleaved + static_cast<size_t>(done) * channels, count, channels,
                       r.sampleRateHz, firstUs, r.outputDelayUs, static_cast<uint32_t>(firstUs / 1000u));
  }
  audioStream.callbacks.fetch_add(1, std::memory_order_relaxed);
  audioStream.lateEdges.store(r.render.lateEdges, std::memory_order_relaxed);
  audioStream.renderedGeneration.store(generation, std::memory_order_release);
  if (measure) NoteCallbackCpu(ThreadCpuMicros() - cpuStartUs, frames);
}

}  // namespace

int32_t CallbackCpuPercentileUs(double percentile) {
  uint64_t counts[kCallbackHistogramBuckets];
  uint64_t total = 0;
  for (int i = 0; i < kCallbackHistogramBuckets; ++i) {
    counts[i] = audioStream.callbackCpuHistogram[i].load(std::memory_order_relaxed);
    total += counts[i];
  }
  if (total == 0) return 0;
  const double rank = percentile / 100.0 * static_cast<double>(total);
  uint64_t seen = 0;
  for (int i = 0; i < kCallbackHistogramBuckets; ++i) {
    seen += counts[i];
    if (static_cast<double>(seen) >= rank) return (i + 1) * kCallbackHistogramStepUs;
  }
  return kCallbackHistogramBuckets * kCallbackHistogramStepUs;
}

void ClearCallbackCpuHistogram() {
  for (auto& bucket : audioStream.callbackCpuHistogram) bucket.store(0, std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------------------------------------
// Live stream: the audio thread
// ---------------------------------------------------------------------------------------------------------

namespace {

constexpr int kAudioPriority = 70;  // the device thread's real-time priority where granted
// The latency is asked for once, this long after a resume (when the stream runs steadily), not
// periodically: asking takes libpulse's lock, and a thread preempted while holding it on a busy machine
// would hold up the rendering.
constexpr uint32_t kLatencyAskDelayMs = 300;
const AudioBackend* const kRealBackends[] = {&pulseAudioBackend, &rtAudioBackend};
const AudioBackend* const* backends = kRealBackends;
int backendCount = 2;

std::atomic<int32_t> soundUse{static_cast<int32_t>(SoundUse::kRest)};
Event soundUseChanged = CreateEvent(false, false);

struct LiveStream {
  AudioStream stream;
  const AudioBackend* backend = nullptr;
  bool priorityAsked = false;
  bool latencyAsked = false;
  uint32_t resumedMs = 0;
};

void CloseLive(LiveStream& s) {
  live.rendering.store(0, std::memory_order_release);
  if (s.backend) s.backend->close(s.stream);
  // Closed: the device thread no longer runs, so its state is this thread's until the next open.
  live.enabled.store(0, std::memory_order_release);
  s.backend = nullptr;
  s.priorityAsked = false;
  audioStream.open.store(0);
  audioStream.playGeneration.fetch_add(1);
  audioStream.api.store(0);
}

bool OpenLive(LiveStream& s, const StreamStep& step) {
  AudioStreamConfig config;
  config.periodFrames = step.periodFrames;
  config.periods = step.periods;
  audioStream.available.store(1);
  for (int b = 0; b < backendCount; ++b) {
    const AudioBackend* backend = backends[b];
    audioStream.device.failed.store(0);
    audioStream.device.deviceThreadId.store(0);
    audioStream.device.latencyUs.store(0);
    if (!backend->open(s.stream, config, &FillLive, &live, audioStream.device)) continue;
    // Open but silent: the fill writes silence until `enabled`, so these fields are still this thread's.
    s.backend = backend;
    live.sampleRateHz = s.stream.sampleRateHz;
    live.periodFrames = s.stream.periodFrames > 0 ? s.stream.periodFrames : step.periodFrames;
    live.outputDelayUs =
        static_cast<uint64_t>(live.periodFrames) * 1000000u / static_cast<uint64_t>(live.sampleRateHz) +
        kDelayMarginUs;
    live.render.envelope = 0;
    live.render.edgeWaiting = false;
    live.clock.anchored = false;
    live.enabled.store(1, std::memory_order_release);
    audioStream.sampleRateHz.store(s.stream.sampleRateHz);
    audioStream.channels.store(s.stream.channels);
    audioStream.api.store(backend->api);
    audioStream.bufferFrames.store(s.stream.periodFrames);
    audioStream.numberOfBuffers.store(s.stream.periods);
    audioStream.outputDelayUs.store(static_cast<int64_t>(live.outputDelayUs));
    audioStream.open.store(1);
    audioStream.opens.fetch_add(1);
    backend->updateLatency(s.stream);
    return true;
  }
  audioStream.available.store(0);
  return false;
}

void ResumeLive(LiveStream& s) {
  audioStream.playGeneration.fetch_add(1, std::memory_order_release);
  live.restart.store(1, std::memory_order_release);
  live.rendering.store(1, std::memory_order_release);
  if (s.backend && !s.backend->resume(s.stream)) audioStream.device.failed.store(1);
}

void PauseLive(LiveStream& s) {
  audioStream.playGeneration.fetch_add(1, std::memory_order_release);
  live.rendering.store(0, std::memory_order_release);
  if (s.backend && !s.backend->pause(s.stream)) audioStream.device.failed.store(1);
}

void SayBufferingRaised(const AudioStream& stream) {
  const int32_t frames = stream.periodFrames * stream.periods;
  const int32_t ms =
      stream.sampleRateHz > 0 ? (frames * 1000 + stream.sampleRateHz / 2) / stream.sampleRateHz : 0;
  SetStatusText(
      FormatText(u"音が途切れるため、音声バッファを %d フレーム（%d ms）に増やしました", {frames, ms}));
  std::fprintf(stderr, "nemora: sound dropped out; buffering raised to %d x %d frames\n", stream.periods,
               stream.periodFrames);
}

// The device thread becomes known with the stream (libpulse's I/O thread) or with its first callback
// (RtAudio's); it renders, so it is the one that must not be starved.
void RaiseDeviceThread(LiveStream& s) {
  if (s.priorityAsked || !s.backend) return;
  const int64_t thread = audioStream.device.deviceThreadId.load();
  if (thread == 0) return;
  s.priorityAsked = true;
  RequestRealtimePriorityFor(thread, kAudioPriority, ThreadRole::kAudio);
}

void Carry(LiveStream& s, StreamSupervisor& supervisor, const StreamStep& step, uint32_t nowMs) {
  switch (step.action) {
    case StreamAction::kNone:
      return;
    case StreamAction::kReopen:
    case StreamAction::kOpen: {
      CloseLive(s);
      const bool ok = OpenLive(s, step);
      NoteStreamOpened(supervisor, step, ok, nowMs, audioStream.device.underflows.load());
      RaiseDeviceThread(s);
      if (ok && step.bufferingRaised) {
        audioStream.bufferingSteps.fetch_add(1);
        SayBufferingRaised(s.stream);
      }
      return;
    }
    case StreamAction::kResume:
      ResumeLive(s);
      s.latencyAsked = false;
      s.resumedMs = nowMs;
      return;
    case StreamAction::kPause:
      PauseLive(s);
      return;
    case StreamAction::kClose:
      std::fprintf(stderr, "nemora: sound stream lost; reopening\n");
      CloseLive(s);
      return;
  }
}

}  // namespace

void SetSoundUse(SoundUse use) {
  soundUse.store(static_cast<int32_t>(use));
  SetEvent(soundUseChanged);
}

SoundUse CurrentSoundUse() {
  return static_cast<SoundUse>(soundUse.load());
}

bool WaitForSoundPlaying(uint32_t timeoutMs) {
  const uint32_t startMs = TickMs();
  for (;;) {
    if (SoundPlaying()) return true;
    if (audioStream.available.load() == 0 || TickMs() - startMs >= timeoutMs) return false;
    SleepMs(2);
  }
}

void UseAudioBackends(const AudioBackend* const* list, int count) {
  backends = list ? list : kRealBackends;
  backendCount = list ? count : 2;
}

bool SoundPlaying() {
  return audioStream.renderedGeneration.load(std::memory_order_acquire) ==
         audioStream.playGeneration.load(std::memory_order_acquire);
}

std::string SoundStartLine() {
  char line[256];
  const int32_t api = audioStream.api.load(), rate = audioStream.sampleRateHz.load();
  const int32_t frames = audioStream.bufferFrames.load(), periods = audioStream.numberOfBuffers.load();
  const char* device = api == kAudioApiPulse ? "PulseAudio" : api == kAudioApiAlsa ? "RtAudio ALSA" : "none";
  if (audioStream.open.load() == 0) {
    std::snprintf(line, sizeof line, "sound: no output device (retrying)");
  } else {
    std::snprintf(line, sizeof line, "sound: %s %d Hz %d ch, %d x %d frames (%.1f ms)", device, rate,
                  audioStream.channels.load(), periods, frames,
                  rate > 0 ? periods * frames * 1000.0 / rate : 0.0);
  }
  std::string text = line;
  text += "; priority: audio ";
  text += ThreadPriorityText(ObtainedPriority(ThreadRole::kAudio));
  text += ", keying ";
  text += ThreadPriorityText(ObtainedPriority(ThreadRole::kKeying));
  return text;
}

void AudioThreadMain() {
  // Taken once: the event outlives this thread (shutdown sets it and never destroys it).
  Event stopAll = app.stopAllEvent;
  StreamSupervisor supervisor;
  LiveStream s;
  bool logged = false;
  audioStream.available.store(1);
  while (EventExists(stopAll) && !IsEventSet(stopAll)) {
    StreamFacts facts;
    facts.nowMs = TickMs();
    facts.wanted = CurrentSoundUse();
    facts.failed = audioStream.device.failed.load(std::memory_order_acquire) != 0;
    facts.underflows = audioStream.device.underflows.load();
    const StreamStep step = NextStreamStep(supervisor, facts);
    Carry(s, supervisor, step, facts.nowMs);
    if (!logged && (step.action == StreamAction::kOpen || step.action == StreamAction::kReopen)) {
      logged = true;
      std::fprintf(stderr, "nemora: %s\n", SoundStartLine().c_str());
    }
    if (step.action != StreamAction::kNone) continue;  // one step at a time, then look again
    RaiseDeviceThread(s);
    if (s.backend && supervisor.playing && !s.latencyAsked &&
        facts.nowMs - s.resumedMs >= kLatencyAskDelayMs) {
      s.latencyAsked = true;
      s.backend->updateLatency(s.stream);
    }
    WaitForAnyEvent({&stopAll, &soundUseChanged}, StreamCheckIntervalMs(supervisor, TickMs()));
  }
  CloseLive(s);
  audioStream.available.store(0);
  ClearToneOn();
}
