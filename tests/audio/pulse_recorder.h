// SPDX-License-Identifier: GPL-3.0-or-later
// Test tooling for the real sound path: runs a private PulseAudio server with a null sink, records the sink's
// monitor with parec, and finds key edges in the recording. Used by the sound tests and by
// bench/sound_timing_bench.
#pragma once
#include <fcntl.h>
#include <sched.h>
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

// ---- A sound server of the run's own ----
// Each run starts a private PulseAudio daemon (its own runtime directory and socket, one null sink that is
// its default) and points this process and its children at it through PULSE_SERVER. Nothing else plays
// into that sink, so a recording hears only this run, and the machine's own server (or the test runner's)
// is neither used nor changed.

struct PulseServer {
  pid_t pid = -1;
  std::string directory;  // runtime directory: socket, log
  std::string sink = "nemora_test";
  std::string problem;  // why no server could be had
};

inline bool PulseServerAnswers() {
  return std::system("pactl info >/dev/null 2>&1") == 0;
}

inline void ReleasePulseServer(PulseServer& server) {
  if (server.pid > 0) {
    kill(server.pid, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < 3000 && waitpid(server.pid, &status, WNOHANG) == 0; waited += 10) {
      usleep(10000);
    }
    if (waitpid(server.pid, &status, WNOHANG) == 0) {
      kill(server.pid, SIGKILL);
      waitpid(server.pid, &status, 0);
    }
    server.pid = -1;
  }
  unsetenv("PULSE_SERVER");
  if (!server.directory.empty()) {
    std::string command = "rm -rf '" + server.directory + "'";
    if (std::system(command.c_str()) != 0) {
    }
    server.directory.clear();
  }
}

// Starts the daemon in server.directory (socket "native" there) and waits until it answers.
inline bool LaunchPulseDaemon(PulseServer& server) {
  const std::string sinkModule = "module-null-sink sink_name=" + server.sink + " rate=48000 norewinds=1";
  const std::string socketModule =
      "module-native-protocol-unix auth-anonymous=1 socket=" + server.directory + "/native";
  const std::string log = server.directory + "/log";
  // Everything the child needs is made before fork: only async-signal-safe calls between fork and exec.
  const std::string runtimePath = "PULSE_RUNTIME_PATH=" + server.directory,
                    statePath = "PULSE_STATE_PATH=" + server.directory, loadSink = "--load=" + sinkModule,
                    loadSocket = "--load=" + socketModule;
  pid_t pid = fork();
  if (pid < 0) {
    server.problem = "fork failed";
    return false;
  }
  if (pid == 0) {
    setsid();
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
    }
    // -n: no default script; root needs --system=false for a per-user daemon.
    execlp("env", "env", runtimePath.c_str(), statePath.c_str(), "pulseaudio", "-n", "--daemonize=no",
           "--exit-idle-time=-1", "--disallow-exit", "--system=false", "--use-pid-file=no", loadSink.c_str(),
           loadSocket.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  server.pid = pid;
  for (int waited = 0; waited < 10000; waited += 20) {
    if (PulseServerAnswers()) return true;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      server.pid = -1;
      break;
    }
    usleep(20000);
  }
  server.problem = "PulseAudio did not start (see " + log + ")";
  return false;
}

inline bool StartPulseServer(PulseServer& server) {
  if (std::system("command -v pulseaudio >/dev/null && command -v pactl >/dev/null && "
                  "command -v parec >/dev/null") != 0) {
    server.problem = "pulseaudio, pactl or parec is not installed";
    return false;
  }
  char pattern[] = "/tmp/nemora-sound-XXXXXX";
  if (!mkdtemp(pattern)) {
    server.problem = "no temporary directory";
    return false;
  }
  server.directory = pattern;
  setenv("PULSE_SERVER", ("unix:" + server.directory + "/native").c_str(), 1);
  unsetenv("PULSE_SINK");
  if (LaunchPulseDaemon(server)) return true;
  ReleasePulseServer(server);
  return false;
}

// Kills the daemon as a crash would (SIGKILL), leaving its directory for a restart on the same socket.
inline void KillPulseDaemon(PulseServer& server) {
  if (server.pid <= 0) return;
  kill(server.pid, SIGKILL);
  int status = 0;
  waitpid(server.pid, &status, 0);
  server.pid = -1;
  unlink((server.directory + "/native").c_str());
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
    // Real-time where allowed: a recorder starved on a busy machine loses frames, and the recording then
    // shows dropouts the program never made.
    sched_param param{};
    param.sched_priority = 10;
    sched_setscheduler(0, SCHED_RR, &param);
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

// Milliseconds of sound the recorder lost (a starved parec lets the server drop what it could not take):
// frames arrive no earlier than captured, so the lowest (read time - frames received / rate) of the last
// second lies above that of the first second by what went missing in between. Drift of the sink's clock
// adds well under a millisecond over a take.
inline double RecorderLostMs(const MonitorRecorder& r) {
  if (r.arrivals.size() < 2) return 0;
  const double firstUs = r.arrivals.front().timeUs, lastUs = r.arrivals.back().timeUs;
  double early = 1e300, late = 1e300;
  for (const Arrival& a : r.arrivals) {
    const double lineUs = a.timeUs - a.totalFrames * 1e6 / r.rateHz;
    if (a.timeUs <= firstUs + 1e6) early = std::min(early, lineUs);
    if (a.timeUs >= lastUs - 1e6) late = std::min(late, lineUs);
  }
  return std::max(0.0, (late - early) / 1000.0);
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
