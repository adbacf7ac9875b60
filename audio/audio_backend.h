// SPDX-License-Identifier: GPL-3.0-or-later
// The sound device behind a small struct of function pointers: the native PulseAudio stream (libpulse's
// asynchronous API, which can report underflows and cork) and RtAudio (ALSA here, the platform's own API
// elsewhere). Both deliver float32 interleaved frames through one fill function, so the engine's render loop
// and edge placement are the same whichever plays.
//
// Threads: open, resume, pause, close and updateLatency are called by the audio thread only; the fill
// function and the reports are written on the backend's own device thread.
#pragma once
#include <atomic>
#include <cstdint>

// Fills `frames` interleaved float frames; runs on the device thread (real-time: no allocation, locks or
// I/O).
using AudioFillFunction = void (*)(float* interleaved, int frames, int channels, void* user);

struct AudioStreamConfig {
  int32_t sampleRateHz = 48000;  // used when the device offers it, else the device's own rate
  int32_t channels = 2;          // fewer when the device has fewer
  int32_t periodFrames = 128;    // frames per device request
  int32_t periods = 4;           // device-side buffering, in periods
};

// What the device thread tells the audio thread.
struct AudioStreamReports {
  std::atomic<uint64_t> underflows{0};     // the device ran out of frames (PulseAudio: underflow callback;
                                           // ALSA: the callback's underflow status)
  std::atomic<int32_t> failed{0};          // the stream or the server connection broke: reopen
  std::atomic<int64_t> latencyUs{0};       // output latency, from the stream's timing info where it has one
  std::atomic<int64_t> deviceThreadId{0};  // kernel id of the thread that calls fill (0: not known yet)
};

struct AudioStream {
  void* handle = nullptr;    // the backend's own record; null: not open
  int32_t sampleRateHz = 0;  // granted
  int32_t channels = 0;
  int32_t periodFrames = 0;
  int32_t periods = 0;
};

constexpr int32_t kAudioApiPulse = 1;
constexpr int32_t kAudioApiAlsa = 2;
constexpr int32_t kAudioApiOther = 3;  // RtAudio's own choice on other platforms

struct AudioBackend {
  const char* name;
  int32_t api;
  // Opens a stream on the default output, paused: fill may be called, but nothing is heard until resume.
  // False, with nothing left open, when there is no device or server.
  bool (*open)(AudioStream& stream, const AudioStreamConfig& config, AudioFillFunction fill, void* user,
               AudioStreamReports& reports);
  // Plays / stops playing. A paused stream costs nothing: no requests, no wake-ups; what it had buffered is
  // dropped, so the next resume does not replay the end of the last run.
  bool (*resume)(AudioStream& stream);
  bool (*pause)(AudioStream& stream);
  // Ends the stream; fill is not called after it returns. Safe on a closed stream.
  void (*close)(AudioStream& stream);
  // Refreshes reports.latencyUs (asynchronously where the device answers later).
  void (*updateLatency)(AudioStream& stream);
};

// In the order the audio thread tries them.
extern const AudioBackend pulseAudioBackend;
extern const AudioBackend rtAudioBackend;
