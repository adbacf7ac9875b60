// SPDX-License-Identifier: GPL-3.0-or-later
// The practice pipeline on a virtual clock: playback -> levers -> keying tick -> event queue -> judge and
// logs, and optionally the audio render loop into a sample buffer or a sink, all on the calling thread.
//
// The run-control start operation (StartPractice, StartDemoSending, ...) is called with a launcher that
// keeps the playback body instead of starting a thread; the body then runs here. Every sleep of it advances
// virtual time in 1 ms steps; each step runs one keying tick (KeyingStep), renders that millisecond of
// audio, drains the event queue through DispatchKeyEvent and runs the caller's per-millisecond action.
// No other thread runs, so a session is deterministic and much faster than real time.
//
// Thread: one thread at a time (the session installs process-wide clock hooks for its duration). The event
// queue must be enabled and none of the program's worker threads may run.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

struct VirtualSessionOptions {
  void (*start)() = nullptr;  // run-control operation that starts the run (on the session's thread)
  bool render = false;        // render audio into VirtualSessionResult::samples, or into the sink
  int sampleRateHz = 48000;
  uint64_t startUs = 1000000;  // virtual MonotonicMicros() at the start (not 0: 0 means "unset" to some)
  uint64_t limitUs = 3600ull * 1000000;  // virtual time after which the session stops the playback
  // When set, each millisecond's rendered frames go here as they are made instead of into the result, so
  // memory does not grow with the session. False (a failed write) stops the playback.
  std::function<bool(const float* frames, int count)> sink;
  // Runs after every virtual millisecond's tick, render and dispatch (pauses, speed changes, stops).
  std::function<void(uint64_t nowUs)> everyMillisecond;
};

struct VirtualSessionResult {
  bool ran = false;                // the start operation launched a playback body
  uint64_t virtualDurationUs = 0;  // virtual time from the start to the end of the playback body
  double wallSeconds = 0;          // real time the session took
  std::vector<float> samples;      // mono, when rendering without a sink
  uint64_t framesRendered = 0;     // frames made, into the samples or the sink
  bool limitReached = false;       // the playback was stopped at limitUs, not at its own end
  bool sinkFailed = false;         // the sink refused frames and the playback was stopped
};

// Runs one practice session to the end of its playback body. False when the start operation launched no
// playback (send practice, or a start that failed).
bool RunVirtualSession(const VirtualSessionOptions& options, VirtualSessionResult& result);

// The virtual time of the running session (inside everyMillisecond), else 0.
uint64_t VirtualNowUs();
