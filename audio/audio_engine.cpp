// Audio output engine.
//
// Sections: the per-buffer render loop (RenderFrames), offline rendering and the WAV writer, the live
// stream's frame clock and the audio thread.
//
// Key edges and frame time. The keying thread stamps each tone-on change with MonotonicMicros(); the render
// loop gives every frame a time and applies an edge at the first frame whose time reaches
// edge.timeUs + outputDelayUs. The live stream's frame clock is described above FrameClockUs.
#include "audio/audio_engine.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/audio_device.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/settings.h"

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
// Live stream
// ---------------------------------------------------------------------------------------------------------

namespace {

// Frame clock. Callback times jitter and bunch, while the device consumes frames at a steady rate, so
// frame times come from counting frames from an anchor, not from each callback's clock reading. The anchor
// is kept at or before every callback ("behind" >= 0), which with an output delay of one buffer guarantees
// that every edge a buffer needs was published before the buffer was rendered:
//   behind < 0                       the callback came earlier than its frames' time: move the anchor back
//                                    at once;
//   behind >= kShiftUs through a whole block of callbacks
//                                    the stream's timeline moved (an underrun or a stall of the server):
//                                    move the anchor forward by the block's smallest behind at once;
//   otherwise                        follow a device clock that runs slow against the monotonic clock by
//                                    a sixteenth of the block's smallest behind per block.
// Moving the anchor in one step shifts only the edges around that moment; creeping it over many buffers
// would bend every element keyed meanwhile.
constexpr int kClockBlockCallbacks = 32;  // about 85 ms at 128 frames and 48 kHz
constexpr int64_t kShiftUs = 1000;
// Safety added to one buffer's duration for the output delay: covers the moment between the keying thread
// taking an edge's time and publishing it.
constexpr int64_t kDelayMarginUs = 500;

struct LiveRenderer {
  AudioRenderState render;
  int sampleRateHz = 48000;
  uint64_t outputDelayUs = 0;
  bool anchored = false;
  int64_t anchorUs = 0;          // time of frame 0 on the frame clock
  uint64_t renderedFrames = 0;   // frames rendered since the anchor
  int blockCallbacks = 0;        // callbacks in the current block
  int64_t blockMinBehindUs = 0;  // smallest behind in the current block
};
LiveRenderer live;  // audio thread (set up before the stream starts, then the device's callback thread)

// Time of the buffer's first frame on the frame clock, after updating the anchor for this callback.
int64_t FrameClockUs(LiveRenderer& r, int64_t nowUs) {
  if (!r.anchored) {
    r.anchored = true;
    r.anchorUs = nowUs;
    r.renderedFrames = 0;
    r.blockCallbacks = 0;
  }
  int64_t clockUs = r.anchorUs + static_cast<int64_t>(r.renderedFrames * 1000000u / r.sampleRateHz);
  int64_t behindUs = nowUs - clockUs;
  if (behindUs < 0) {
    r.anchorUs += behindUs;
    clockUs = nowUs;
    behindUs = 0;
    audioStream.clockStepsBack.fetch_add(1, std::memory_order_relaxed);
  }
  if (r.blockCallbacks == 0 || behindUs < r.blockMinBehindUs) r.blockMinBehindUs = behindUs;
  if (++r.blockCallbacks == kClockBlockCallbacks) {
    int64_t step = r.blockMinBehindUs >= kShiftUs ? r.blockMinBehindUs : r.blockMinBehindUs / 16;
    if (r.blockMinBehindUs >= kShiftUs) audioStream.clockStepsForward.fetch_add(1, std::memory_order_relaxed);
    r.anchorUs += step;
    clockUs += step;
    r.blockCallbacks = 0;
  }
  return clockUs;
}

void FillLive(float* interleaved, int frames, int channels, void* user) {
  LiveRenderer& r = *static_cast<LiveRenderer*>(user);
  int64_t clockUs = FrameClockUs(r, static_cast<int64_t>(MonotonicMicros()));
  RenderFrames(r.render, interleaved, frames, channels, r.sampleRateHz, static_cast<uint64_t>(clockUs),
               r.outputDelayUs);
  r.renderedFrames += static_cast<uint64_t>(frames);
  audioStream.callbacks.fetch_add(1, std::memory_order_relaxed);
  audioStream.lateEdges.store(r.render.lateEdges, std::memory_order_relaxed);
}

}  // namespace

void AudioThreadMain() {
  // Taken once: the event outlives this thread (shutdown sets it and never destroys it).
  Event stopAll = app.stopAllEvent;
  // This thread only opens, waits and closes; the device's callback thread renders and gets real-time
  // scheduling from the device layer where the system allows it.
  AudioDeviceConfig config;
  AudioDevice device;
  bool running = false;
  if (OpenAudioDevice(device, config, &FillLive, &live)) {
    // The stream is open but not started: the callback's state is still this thread's.
    live.render.envelope = 0;
    live.render.edgeWaiting = false;
    live.anchored = false;
    live.sampleRateHz = device.sampleRateHz;
    live.outputDelayUs =
        static_cast<uint64_t>(device.bufferFrames) * 1000000u / static_cast<uint64_t>(device.sampleRateHz) +
        kDelayMarginUs;
    DiscardToneEdges();
    live.render.key = ReadToneOn();
    audioStream.sampleRateHz.store(device.sampleRateHz);
    audioStream.channels.store(device.channels);
    audioStream.api.store(device.api);
    audioStream.bufferFrames.store(device.bufferFrames);
    audioStream.numberOfBuffers.store(device.numberOfBuffers);
    audioStream.outputDelayUs.store(static_cast<int64_t>(live.outputDelayUs));
    running = StartAudioDevice(device);
    if (!running) CloseAudioDevice(device);
  }
  audioStream.open.store(running ? 1 : 0);
  WaitForEvent(stopAll, kWaitForever);
  if (running) CloseAudioDevice(device);
  audioStream.open.store(0);
  audioStream.api.store(0);
  ClearToneOn();
}
