// Test tooling for the real sound path: makes sure a PulseAudio server runs (starting the project's null
// sink daemon when none does), records the default sink's monitor with parec, and finds key edges in the
// recording. Used by the sound test and by bench/sound_timing_bench.
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/clock.h"

namespace pulsetest {

// ---- The server ----

inline bool PulseServerAnswers() {
  return std::system("pactl info >/dev/null 2>&1") == 0;
}

struct PulseServer {
  bool startedHere = false;
  std::string script;
  std::string stateFile;
  std::string problem;  // why no server could be had
};

// Uses a running server, else starts one with scripts/pulseaudio-null-sink.sh (its own state file, so a
// test runner's record is left alone). scriptPath: the script; empty = found from NEMORA_TEST_DATA.
inline bool EnsurePulseServer(PulseServer& server, std::string scriptPath = "") {
  unsetenv("PULSE_SERVER");
  if (PulseServerAnswers()) return true;
  if (scriptPath.empty()) {
    const char* testData = std::getenv("NEMORA_TEST_DATA");
    scriptPath = std::string(testData ? testData : "tests") + "/../scripts/pulseaudio-null-sink.sh";
  }
  server.script = scriptPath;
  server.stateFile = "/tmp/nemora-sound-test-" + std::to_string(getpid()) + ".state";
  std::string command =
      "NEMORA_PULSE_STATE=" + server.stateFile + " bash " + scriptPath + " start >/dev/null 2>&1";
  if (std::system(command.c_str()) == 0 && PulseServerAnswers()) {
    server.startedHere = true;
    return true;
  }
  server.problem = "PulseAudio could not be started (" + scriptPath + " start failed)";
  return false;
}

inline void ReleasePulseServer(PulseServer& server) {
  if (!server.startedHere) return;
  std::string command =
      "NEMORA_PULSE_STATE=" + server.stateFile + " bash " + server.script + " stop >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {
  }
  server.startedHere = false;
}

// ---- A sink of the run's own ----
// Other programs (or other tests) may play into the server's default sink at the same time; a null sink
// made for this run, named in PULSE_SINK so the program's stream goes there, hears only this run.

struct TestSink {
  std::string name;
  std::string module;  // module index to unload
};

inline bool CreateTestSink(TestSink& sink) {
  sink.name = "nemora_test_" + std::to_string(getpid());
  std::string command =
      "pactl load-module module-null-sink sink_name=" + sink.name + " rate=48000 norewinds=1 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  char line[64] = {};
  bool ok = std::fgets(line, sizeof line, pipe) != nullptr;
  ok = (pclose(pipe) == 0) && ok;
  if (!ok) return false;
  sink.module = std::to_string(std::atoi(line));
  setenv("PULSE_SINK", sink.name.c_str(), 1);
  return true;
}

inline void ReleaseTestSink(TestSink& sink) {
  unsetenv("PULSE_SINK");
  if (sink.module.empty()) return;
  std::string command = "pactl unload-module " + sink.module + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {
  }
  sink.module.clear();
}

// ---- Recording a sink's monitor ----

struct Arrival {
  uint64_t timeUs;       // MonotonicMicros() when the read returned
  uint64_t totalFrames;  // frames received up to and including this read
};

struct MonitorRecorder {
  pid_t pid = -1;
  int fd = -1;
  int rateHz = 48000;
  std::thread reader;
  std::mutex lock;
  std::vector<float> samples;  // mono
  std::vector<Arrival> arrivals;
};

// parec on the monitor of `sink` (empty: the default sink) as mono float32 at rateHz with the given fragment
// latency.
inline bool StartMonitorRecorder(MonitorRecorder& r, int rateHz, int latencyMs,
                                 const std::string& sink = "") {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  r.rateHz = rateHz;
  std::string rate = "--rate=" + std::to_string(rateHz);
  std::string latency = "--latency-msec=" + std::to_string(latencyMs);
  std::string device = "--device=" + (sink.empty() ? std::string("@DEFAULT_MONITOR@") : sink + ".monitor");
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    execlp("parec", "parec", device.c_str(), "--format=float32le", rate.c_str(), "--channels=1",
           latency.c_str(), "--raw", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  r.pid = pid;
  r.fd = pipeFds[0];
  r.reader = std::thread([&r] {
    std::vector<char> bytes(1 << 16);
    std::vector<char> carry;
    for (;;) {
      ssize_t n = read(r.fd, bytes.data(), bytes.size());
      if (n <= 0) break;
      uint64_t now = MonotonicMicros();
      carry.insert(carry.end(), bytes.begin(), bytes.begin() + n);
      size_t whole = carry.size() / 4 * 4;
      std::lock_guard<std::mutex> guard(r.lock);
      size_t base = r.samples.size();
      r.samples.resize(base + whole / 4);
      std::copy(carry.data(), carry.data() + whole, reinterpret_cast<char*>(r.samples.data() + base));
      carry.erase(carry.begin(), carry.begin() + whole);
      r.arrivals.push_back({now, r.samples.size()});
    }
  });
  return true;
}

inline size_t RecordedFrames(MonitorRecorder& r) {
  std::lock_guard<std::mutex> guard(r.lock);
  return r.samples.size();
}

inline void StopMonitorRecorder(MonitorRecorder& r) {
  if (r.pid > 0) {
    kill(r.pid, SIGTERM);
    int status = 0;
    waitpid(r.pid, &status, 0);
    r.pid = -1;
  }
  if (r.reader.joinable()) r.reader.join();
  if (r.fd >= 0) close(r.fd);
  r.fd = -1;
}

// Monotonic time of recorded frames: the sink's clock may run a little off the monotonic clock (hundreds of
// ppm), so the frame period is measured too. Frames arrive no earlier than they were captured, so the
// capture line is the lower envelope of the reads: for a frame period p, the intercept is the smallest
// (read time - frames received * p); p comes from the envelopes over the first and the last few seconds.
struct RecordingClock {
  double startUs = 0;  // time of frame 0
  double usPerFrame = 0;
};

inline RecordingClock FitRecordingClock(const MonitorRecorder& r) {
  RecordingClock clock;
  clock.usPerFrame = 1e6 / r.rateHz;
  if (r.arrivals.size() < 2) return clock;
  const double spanUs = 2e6;
  auto envelope = [&](double fromUs, double toUs, double usPerFrame) {
    double best = 1e300;
    for (const Arrival& a : r.arrivals) {
      if (a.timeUs < fromUs || a.timeUs > toUs) continue;
      best = std::min(best, a.timeUs - a.totalFrames * usPerFrame);
    }
    return best;
  };
  const double firstUs = r.arrivals.front().timeUs, lastUs = r.arrivals.back().timeUs;
  if (lastUs - firstUs > 3 * spanUs) {
    double early = envelope(firstUs, firstUs + spanUs, clock.usPerFrame);
    double late = envelope(lastUs - spanUs, lastUs, clock.usPerFrame);
    double framesBetween = (lastUs - firstUs - spanUs) / clock.usPerFrame;
    clock.usPerFrame += (late - early) / framesBetween;
  }
  clock.startUs = envelope(0, 1e300, clock.usPerFrame);
  return clock;
}

inline double FrameTimeUs(const RecordingClock& clock, double frame) {
  return clock.startUs + frame * clock.usPerFrame;
}

// ---- Finding key edges ----

// Envelope of a tone of hz (rate / hz must be a whole number of frames): quadrature demodulation averaged
// over exactly one period, so the double-frequency term cancels; the result lags by half a period.
inline std::vector<float> ToneEnvelope(const std::vector<float>& x, int rateHz, int hz) {
  const int period = rateHz / hz;
  std::vector<float> envelope(x.size(), 0.0f);
  double sumI = 0, sumQ = 0;
  std::vector<double> i(x.size()), q(x.size());
  for (size_t n = 0; n < x.size(); ++n) {
    double w = 2.0 * M_PI * hz * static_cast<double>(n % period) / rateHz;
    i[n] = x[n] * std::cos(w);
    q[n] = x[n] * std::sin(w);
    sumI += i[n];
    sumQ += q[n];
    if (n >= static_cast<size_t>(period)) {
      sumI -= i[n - period];
      sumQ -= q[n - period];
    }
    if (n + 1 >= static_cast<size_t>(period)) {
      envelope[n] = static_cast<float>(2.0 * std::sqrt(sumI * sumI + sumQ * sumQ) / period);
    }
  }
  return envelope;
}

struct HeardEdge {
  double frame;  // fractional frame where the envelope crosses half of its full level
  bool on;
};

// Crossings of half the tone's full amplitude, at least minGapFrames apart from the previous crossing.
inline std::vector<HeardEdge> FindEdges(const std::vector<float>& envelope, float fullAmplitude) {
  std::vector<HeardEdge> edges;
  const float half = fullAmplitude * 0.5f;
  bool on = false;
  for (size_t n = 1; n < envelope.size(); ++n) {
    bool above = envelope[n] >= half;
    if (above == on) continue;
    double a = envelope[n - 1], b = envelope[n];
    double fraction = b != a ? (half - a) / (b - a) : 0.0;
    edges.push_back({static_cast<double>(n - 1) + fraction, above});
    on = above;
  }
  return edges;
}

}  // namespace pulsetest
