// SPDX-License-Identifier: GPL-3.0-or-later
// The audio output engine: the per-buffer render loop, the live output thread and offline rendering.
//
// Every sound comes out of RenderFrames: the envelope follows the tone-on edges (core/tone_flag.h), each
// applied at the frame whose time reaches the edge's time plus a constant output delay, so key timing is
// kept to the frame however the buffers fall; the band simulation computes each frame.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_backend.h"
#include "audio/band_simulation.h"
#include "audio/frame_clock.h"
#include "audio/stream_supervisor.h"
#include "core/tone_flag.h"

// Renderer state (owned by one rendering thread).
struct AudioRenderState {
  float envelope = 0;        // 0..1
  double phase = 0;          // the phase accumulator, radians, never wrapped
  int32_t key = 0;           // tone-on state in force at the current frame
  bool edgeWaiting = false;  // waitingEdge was taken from the ring but is not due yet
  ToneEdge waitingEdge{};
  uint64_t lateEdges = 0;  // edges applied later than their due frame (they arrived too late)
  BandState band;
};

// Live-stream figures for the supervisor, diagnostics and benchmarks (written by the audio thread unless
// noted).
constexpr int kCallbackHistogramBuckets = 512;  // 5 us each; the last one holds everything longer
constexpr int kCallbackHistogramStepUs = 5;
struct AudioStreamInfo {
  AudioStreamReports device;          // written by the device thread (see audio/audio_backend.h)
  std::atomic<int32_t> open{0};       // 1 while a stream is open (playing or paused)
  std::atomic<int32_t> available{0};  // 1 while the audio thread runs and a stream can be had
  // Each resume, pause and close starts a new generation (audio thread); the device thread notes the
  // generation it rendered for. The stream plays when the two agree: a render finishing just after a pause
  // cannot make a resting stream look as if it played.
  std::atomic<uint64_t> playGeneration{1};
  std::atomic<uint64_t> renderedGeneration{0};
  std::atomic<int32_t> api{0};  // kAudioApiPulse or kAudioApiAlsa while open
  std::atomic<int32_t> sampleRateHz{0};
  std::atomic<int32_t> channels{0};
  std::atomic<int32_t> bufferFrames{0};     // frames per period
  std::atomic<int32_t> numberOfBuffers{0};  // periods of device-side buffering
  std::atomic<int64_t> outputDelayUs{0};    // constant delay added to every tone edge
  std::atomic<uint64_t> opens{0};           // streams opened (a reopen counts again)
  std::atomic<uint64_t> bufferingSteps{0};  // reopens with more buffering after recurring underflows
  // Device thread:
  std::atomic<uint64_t> callbacks{0};
  std::atomic<uint64_t> lateEdges{0};
  std::atomic<uint64_t> clockStepsBack{0};     // frame clock moved back (a callback came early)
  std::atomic<uint64_t> clockStepsForward{0};  // frame clock moved forward (the stream's timeline moved)
  // The render's own CPU time per period (thread CPU time, so a stalled or preempted callback does not
  // count): tells the program's slowness from the machine's. Kept only while measureCallbackCpu is 1 (a
  // bench sets it): reading a thread's CPU time is a system call the callback does not make otherwise.
  std::atomic<int32_t> measureCallbackCpu{0};
  std::atomic<uint32_t> callbackCpuHistogram[kCallbackHistogramBuckets] = {};
};
extern AudioStreamInfo audioStream;
// Percentile (0..100) of the callback CPU time per 128 frames, in microseconds (bucket upper bound); 0 when
// nothing was rendered.
int32_t CallbackCpuPercentileUs(double percentile);
void ClearCallbackCpuHistogram();

// Audio thread (or an offline renderer): renders `frames` interleaved frames. The renderer is the one
// consumer of the tone-edge ring, so only one renderer may run at a time in a process. Reads Freq, SoundType
// and the tick once; per frame applies the tone edges due by then (frame i is at firstFrameUs + i * 1e6 / R,
// an edge is due at edge.timeUs + outputDelayUs), steps the envelope, runs the band frame function and
// advances the phase; the same sample goes to every channel.
void RenderFrames(AudioRenderState& state, float* interleaved, int frames, int channels, int sampleRateHz,
                  uint64_t firstFrameUs, uint64_t outputDelayUs);
// Same with the buffer's millisecond tick given instead of read from the clock.
void RenderFramesAtTick(AudioRenderState& state, float* interleaved, int frames, int channels,
                        int sampleRateHz, uint64_t firstFrameUs, uint64_t outputDelayUs, uint32_t tickMs);

// Offline, on virtual time: appends `frames` mono frames rendered in buffers of bufferFrames, the first
// frame at startUs, output delay 0, each buffer's tick taken from its own time.
void RenderOffline(AudioRenderState& state, std::vector<float>& mono, int frames, int sampleRateHz,
                   int bufferFrames, uint64_t startUs);
// Writes mono samples (-1..1) as a 16-bit PCM WAV file; false (nothing left behind) on failure.
bool WriteWavFile(const std::string& path, const std::vector<float>& mono, int sampleRateHz);

// ---- The live stream
// The audio thread body, started once by start-up: keeps a stream on the default output (native
// PulseAudio first, RtAudio after), paused while no run wants sound, playing while one does; reopens it
// with more buffering when underflows recur and after it breaks (back-off up to 1 s); ends on
// app.stopAllEvent, closing the stream and clearing the tone-on flag. Without a device it keeps trying,
// silently: practice and keying go on.
void AudioThreadMain();
// Any thread (run control): what the runs want from the stream now. Wakes the audio thread; never blocks.
void SetSoundUse(SoundUse use);
SoundUse CurrentSoundUse();
// Any thread but the audio thread's own: waits until the stream plays, at most timeoutMs. Returns at once
// (false) when no stream can be had. Playback calls it before its first element.
bool WaitForSoundPlaying(uint32_t timeoutMs);
// Any thread: the device renders for the latest resume.
bool SoundPlaying();
// Tests: the backends the audio thread tries, in order (null: the real ones). Set while no audio thread runs.
void UseAudioBackends(const AudioBackend* const* backends, int count);
// The line the program logs about its sound and thread priorities, e.g. "sound: PulseAudio 48000 Hz 2 ch,
// 4 x 64 frames (5.3 ms); priority: audio real-time (RealtimeKit), keying real-time (RealtimeKit)".
std::string SoundStartLine();
