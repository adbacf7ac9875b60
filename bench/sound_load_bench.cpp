// SPDX-License-Identifier: GPL-3.0-or-later
// Dropouts of keyed Morse through the program's own stream, running as an ordinary process would (no
// real-time privilege: the client runs under setpriv without CAP_SYS_NICE, RLIMIT_RTPRIO is 0 and no
// RealtimeKit answers here), on an idle machine and with a CPU hog on every core, beside a reference
// client: paplay of the same keyed tone at the same latency, into a second null sink of the same private
// PulseAudio server, recorded the same way at the same time.
//
// Prints name=value lines:
//   dropouts_per_min_idle, reference_dropouts_per_min_idle        60 s each, from send practice's opening
//                                                                 4 x 64 frames (5.3 ms), which ours steps
//                                                                 up on recurring underflows
//   dropouts_settling_loaded, settle_seconds_loaded               while our buffering adapts under load
//   dropouts_per_min_loaded, reference_dropouts_per_min_loaded    60 s after it settled, the reference at
//                                                                 the settled latency
//   buffer_frames_loaded      where adaptation settled (periods x frames)
//   buffer_frames_end_*       the buffering at the end of each window (recurring underflows in the window
//                             raise it there too; the reference keeps the latency of the window's start)
//   callback_p99_us           the render's CPU time per 128-frame period, under load (measured on request:
//                             the product's callback does not read its CPU time)
//   clock_steps_*             back/forward: the frame clock's one-step moves in each measured window
//   underflows_reported_*     our stream's own underflow notices in each measured window
//   late_edges_*              key changes that reached our render after their frame (the unprivileged
//                             keyer held up between stamping and publishing a change): heard one period late
//   recovery_ms               server killed, restarted 1 s later: from its return to our stream playing
//   recorder_lost_ms_*        sound the recorders lost (shows up as dropouts of both clients)
// A dropout is a hole in a mark, a step of more than 1.5 ms in the offset between the edges heard and
// the edges keyed, or a keyed edge not heard where the offset puts it (lost, or the timeline moved by more
// than 20 ms); events within 300 ms of each other count once.
// Arguments: [seconds per window, default 60].
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/threads.h"
#include "tests/audio/pulse_recorder.h"

using namespace pulsetest;

namespace {

constexpr int kRateHz = 48000;
constexpr int kToneHz = 750;
constexpr int kUnitMs = 60;                  // 20 WPM
constexpr uint32_t kMarkerSilenceMs = 1500;  // before the measured window: found again in the recording
constexpr double kStepMs = 1.5;
constexpr double kMergeMs = 300;

// ---- The keyed script: "PARIS " at 20 WPM, as (closed, units) ----

std::vector<std::pair<bool, int>> ParisWord() {
  const char* codes[] = {".--.", ".-", ".-.", "..", "..."};
  std::vector<std::pair<bool, int>> script;
  for (int c = 0; c < 5; ++c) {
    for (const char* e = codes[c]; *e; ++e) {
      script.push_back({true, *e == '.' ? 1 : 3});
      script.push_back({false, e[1] ? 1 : (c < 4 ? 3 : 7)});
    }
  }
  return script;
}

// Edge times (ms from the first) of `seconds` of the script.
std::vector<double> ScriptEdgesMs(double seconds) {
  std::vector<double> edges;
  double atMs = 0;
  const auto word = ParisWord();
  while (atMs < seconds * 1000) {
    for (const auto& [closed, units] : word) {
      edges.push_back(atMs);
      atMs += units * kUnitMs;
    }
  }
  return edges;
}

// ---- Counting dropouts in a recording ----

// Heard edges are matched to keyed edges by time, not by count: a lost or extra edge then costs one
// dropout, instead of leaving every later edge compared with its neighbour (which counted a dropout every
// 300 ms for the rest of the window). A keyed edge whose heard partner is not within kMatchMs of where the
// current offset puts it is looked for again within kResyncMs, taking an offset only when the next
// kResyncEdges keyed edges all fall within kStepMs of it.
constexpr double kMatchMs = 20;
constexpr double kResyncMs = 500;
constexpr int kResyncEdges = 6;

// Index of the heard edge of polarity `on` nearest to atMs within limitMs, from `from` on; -1: none.
long NearestEdge(const std::vector<double>& heardMs, const std::vector<bool>& heardOn, size_t from, bool on,
                 double atMs, double limitMs) {
  long best = -1;
  for (size_t m = from; m < heardMs.size() && heardMs[m] <= atMs + limitMs; ++m) {
    if (heardOn[m] != on || heardMs[m] < atMs - limitMs) continue;
    if (best < 0 || std::fabs(heardMs[m] - atMs) < std::fabs(heardMs[static_cast<size_t>(best)] - atMs)) {
      best = static_cast<long>(m);
    }
  }
  return best;
}

int CountDropouts(std::vector<HeardEdge> heard, const std::vector<double>& expectedMs) {
  const bool verbose = std::getenv("NEMORA_BENCH_VERBOSE") != nullptr;
  std::vector<double> eventsMs;
  // Holes: a mark split by a short silence (every keyed gap is at least one unit).
  std::vector<HeardEdge> whole;
  for (size_t k = 0; k < heard.size(); ++k) {
    if (!heard[k].on && k + 1 < heard.size() &&
        (heard[k + 1].frame - heard[k].frame) * 1000.0 / kRateHz < kUnitMs / 2.0 && !whole.empty()) {
      eventsMs.push_back(heard[k].frame * 1000.0 / kRateHz);
      if (verbose) {
        std::fprintf(stderr, "hole at %.1f ms, %.1f ms long\n", heard[k].frame * 1000.0 / kRateHz,
                     (heard[k + 1].frame - heard[k].frame) * 1000.0 / kRateHz);
      }
      ++k;
      continue;
    }
    whole.push_back(heard[k]);
  }
  if (whole.empty() || expectedMs.empty()) return static_cast<int>(expectedMs.size() > 0);
  std::vector<double> heardMs;
  std::vector<bool> heardOn;
  for (const HeardEdge& e : whole) {
    heardMs.push_back((e.frame - whole[0].frame) * 1000.0 / kRateHz);
    heardOn.push_back(e.on);
  }
  // Keyed edges alternate on/off from an on.
  auto keyedMs = [&](size_t k) { return expectedMs[k] - expectedMs[0]; };
  double offset = 0;
  size_t next = 0;
  int unmatched = 0;
  for (size_t k = 0; k < expectedMs.size(); ++k) {
    const bool on = k % 2 == 0;
    const double atMs = keyedMs(k) + offset;
    long m = NearestEdge(heardMs, heardOn, next, on, atMs, kMatchMs);
    if (m >= 0) {
      const double step = heardMs[static_cast<size_t>(m)] - atMs;
      if (std::fabs(step) > kStepMs) {
        eventsMs.push_back(heardMs[static_cast<size_t>(m)]);
        if (verbose) std::fprintf(stderr, "step at %.1f ms (edge %zu): %+.2f ms\n", atMs, k, step);
      }
      offset += step;
      next = static_cast<size_t>(m) + 1;
      continue;
    }
    // Not where it belongs: the timeline moved by more than kMatchMs, or the edge was lost.
    eventsMs.push_back(atMs);
    ++unmatched;
    for (size_t c = next; c < heardMs.size() && heardMs[c] <= atMs + kResyncMs; ++c) {
      if (heardOn[c] != on || heardMs[c] < atMs - kResyncMs) continue;
      const double candidate = heardMs[c] - keyedMs(k);
      bool fits = true;
      size_t from = c + 1;
      for (size_t j = k + 1; j < expectedMs.size() && j <= k + kResyncEdges && fits; ++j) {
        const long f = NearestEdge(heardMs, heardOn, from, j % 2 == 0, keyedMs(j) + candidate, kStepMs);
        fits = f >= 0;
        if (fits) from = static_cast<size_t>(f) + 1;
      }
      if (fits) {
        if (verbose)
          std::fprintf(stderr, "moved at %.1f ms (edge %zu): %+.2f ms\n", atMs, k, candidate - offset);
        offset = candidate;
        next = c + 1;
        break;
      }
    }
  }
  if (verbose) {
    std::fprintf(stderr, "heard %zu edges (%zu after holes), keyed %zu, unmatched %d\n", heard.size(),
                 whole.size(), expectedMs.size(), unmatched);
  }
  std::sort(eventsMs.begin(), eventsMs.end());
  int dropouts = 0;
  for (size_t k = 0; k < eventsMs.size(); ++k) {
    if (k == 0 || eventsMs[k] - eventsMs[k - 1] > kMergeMs) ++dropouts;
  }
  return dropouts;
}

// Edges heard after the last silence of at least a second (the marker before the measured window).
std::vector<HeardEdge> EdgesAfterMarker(const std::vector<float>& samples) {
  std::vector<HeardEdge> all = FindEdges(ToneEnvelope(samples, kRateHz, kToneHz), 0.3f);
  size_t start = 0;
  for (size_t k = 1; k < all.size(); ++k) {
    if (all[k].on && (all[k].frame - all[k - 1].frame) * 1000.0 / kRateHz >= 1000) start = k;
  }
  return std::vector<HeardEdge>(all.begin() + static_cast<long>(start), all.end());
}

// ---- The client: our stream, without privilege ----

// Keys the script from now for `seconds`, appending each change's stamp (ms, monotonic) to `stamps`.
void KeyScript(double seconds, std::vector<double>& stampsMs) {
  const auto word = ParisWord();
  uint64_t at = MonotonicMicros() + 20000;
  const uint64_t end = at + static_cast<uint64_t>(seconds * 1e6);
  while (at < end) {
    for (const auto& [closed, units] : word) {
      SleepUntilMicros(at);
      const uint64_t now = MonotonicMicros();
      WriteToneOn(closed ? 1 : 0, now);
      stampsMs.push_back(now / 1000.0);
      at += static_cast<uint64_t>(units) * kUnitMs * 1000;
    }
  }
  SleepUntilMicros(at);
  WriteToneOn(0, MonotonicMicros());
}

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// mode "idle": marker, then the window. "loaded": key until the buffering has not changed for 15 s (at most
// the window's length), marker, then the window. "recovery": play until the parent has killed and restarted
// the server, report when the stream plays again.
int RunClient(const std::string& mode, double seconds, const std::string& stampsPath) {
  sched_param param{};
  param.sched_priority = 10;
  const bool realtimeAllowed = sched_setscheduler(0, SCHED_FIFO, &param) == 0;
  if (realtimeAllowed) {
    param.sched_priority = 0;
    sched_setscheduler(0, SCHED_OTHER, &param);
  }
  ResetSettingsToDefaults();
  practiceSettings.Freq.store(kToneHz);
  runFlags.bandMasterSwitch.store(0);
  app.stopAllEvent = CreateEvent(true, false);
  SetSoundUse(SoundUse::kSending);
  ThreadSlot audio;
  StartThread(audio, AudioThreadMain);
  for (int waited = 0; waited < 3000 && !audioStream.open.load(); waited += 10) SleepMs(10);
  if (!WaitForSoundPlaying(3000)) {
    Say("error the stream does not play");
    return 1;
  }
  Say(std::string("playing realtime_allowed=") + (realtimeAllowed ? "1" : "0") +
      " priority=" + ThreadPriorityText(ObtainedPriority(ThreadRole::kAudio)));
  std::vector<double> settleStamps, stamps;
  if (mode == "recovery") {
    for (int waited = 0; waited < 10000 && audioStream.open.load(); waited += 1) SleepMs(1);
    for (int waited = 0; waited < 20000 && !SoundPlaying(); waited += 1) SleepMs(1);
    Say("back_us=" + std::to_string(MonotonicMicros()));
  } else {
    double settleSeconds = 0;
    if (mode == "loaded") {
      uint32_t lastStepMs = TickMs();
      uint64_t steps = audioStream.bufferingSteps.load();
      const uint32_t startMs = TickMs();
      while (TickMs() - lastStepMs < 15000 && TickMs() - startMs < seconds * 1000) {
        KeyScript(3.0, settleStamps);
        if (audioStream.bufferingSteps.load() != steps) {
          steps = audioStream.bufferingSteps.load();
          lastStepMs = TickMs();
        }
      }
      settleSeconds = (TickMs() - startMs) / 1000.0;
    }
    const uint64_t underflowsSettling = audioStream.device.underflows.load();
    SleepMs(kMarkerSilenceMs);
    audioStream.measureCallbackCpu.store(1);
    ClearCallbackCpuHistogram();
    const uint64_t backBefore = audioStream.clockStepsBack.load(),
                   forwardBefore = audioStream.clockStepsForward.load();
    const uint64_t underflowsBefore = audioStream.device.underflows.load(),
                   lateBefore = audioStream.lateEdges.load();
    Say("window periods=" + std::to_string(audioStream.numberOfBuffers.load()) + " frames=" +
        std::to_string(audioStream.bufferFrames.load()) + " settle_s=" + std::to_string(settleSeconds) +
        " underflows_settling=" + std::to_string(underflowsSettling));
    KeyScript(seconds, stamps);
    SleepMs(300);
    Say("figures underflows=" + std::to_string(audioStream.device.underflows.load() - underflowsBefore) +
        " callback_p99_us=" + std::to_string(CallbackCpuPercentileUs(99)) +
        " late_edges=" + std::to_string(audioStream.lateEdges.load() - lateBefore) +
        " periods_end=" + std::to_string(audioStream.numberOfBuffers.load()) +
        " clock_back=" + std::to_string(audioStream.clockStepsBack.load() - backBefore) +
        " clock_forward=" + std::to_string(audioStream.clockStepsForward.load() - forwardBefore));
    std::ofstream out(stampsPath);
    out << std::fixed << std::setprecision(3);  // milliseconds since boot need more than six digits
    for (double s : stamps) out << s << "\n";
  }
  SetEvent(app.stopAllEvent);
  WaitAndForget(audio, kThreadExitWaitMs);
  return 0;
}

// ---- The parent ----

struct Client {
  pid_t pid = -1;
  FILE* out = nullptr;
};

// Runs argv without CAP_SYS_NICE (setpriv), its stdout readable line by line.
Client LaunchUnprivileged(std::vector<std::string> args) {
  int fds[2];
  Client client;
  if (pipe(fds) != 0) return client;
  std::vector<std::string> full = {"setpriv", "--bounding-set=-sys_nice", "--inh-caps=-sys_nice", "--"};
  full.insert(full.end(), args.begin(), args.end());
  client.pid = fork();
  if (client.pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv;
    for (std::string& a : full) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  client.out = fdopen(fds[0], "r");
  return client;
}

// The next line starting with `prefix` ("" when the client ended first); others are passed to stderr.
std::string ReadLine(Client& client, const std::string& prefix) {
  char line[512];
  while (client.out && std::fgets(line, sizeof line, client.out)) {
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.rfind(prefix, 0) == 0) return text;
    std::fprintf(stderr, "client: %s\n", text.c_str());
  }
  return "";
}

void Finish(Client& client) {
  if (client.out) fclose(client.out);
  if (client.pid > 0) waitpid(client.pid, nullptr, 0);
}

std::string Field(const std::string& line, const std::string& name) {
  const size_t at = line.find(name + "=");
  if (at == std::string::npos) return "";
  const size_t start = at + name.size() + 1;
  return line.substr(start, line.find(' ', start) - start);
}

std::vector<pid_t> StartHogs() {
  std::vector<pid_t> hogs;
  const long cores = sysconf(_SC_NPROCESSORS_ONLN);
  for (long i = 0; i < cores; ++i) {
    pid_t pid = fork();
    if (pid == 0) {
      volatile uint64_t spin = 0;
      for (;;) spin = spin + 1;
    }
    hogs.push_back(pid);
  }
  return hogs;
}

void StopAll(std::vector<pid_t>& pids) {
  for (pid_t pid : pids) kill(pid, SIGKILL);
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
  pids.clear();
}

struct WindowResult {
  int ours = 0, reference = 0;
  double minutes = 1;
  std::string window, figures;
  double recorderLostOursMs = 0, recorderLostReferenceMs = 0;
};

// One measured window: our client keyed into the default sink, then, once its window begins, paplay of the
// same script at our buffering's latency into the reference sink; both recorded.
bool MeasureWindow(const std::string& self, const std::string& mode, double seconds, const std::string& dir,
                   const std::string& referenceSink, WindowResult& result) {
  MonitorRecorder ours, reference;
  if (!StartMonitorRecorder(ours, kRateHz, 50, "nemora_test") ||
      !StartMonitorRecorder(reference, kRateHz, 50, referenceSink)) {
    return false;
  }
  const std::string stampsPath = dir + "/stamps-" + mode;
  Client client = LaunchUnprivileged({self, "--client", mode, std::to_string(seconds), stampsPath});
  if (ReadLine(client, "playing").empty()) {
    Finish(client);
    return false;
  }
  result.window = ReadLine(client, "window");
  const int periods = std::atoi(Field(result.window, "periods").c_str());
  const int frames = std::atoi(Field(result.window, "frames").c_str());
  const int latencyMs = (periods * frames * 1000 + kRateHz - 1) / kRateHz;
  Client paplay = LaunchUnprivileged({"paplay", "--device=" + referenceSink,
                                      "--latency-msec=" + std::to_string(latencyMs), dir + "/script.wav"});
  result.figures = ReadLine(client, "figures");
  Finish(client);
  Finish(paplay);
  SleepMs(300);
  StopMonitorRecorder(ours);
  StopMonitorRecorder(reference);
  result.recorderLostOursMs = RecorderLostMs(ours);
  result.recorderLostReferenceMs = RecorderLostMs(reference);

  std::vector<double> stamps;
  std::ifstream in(stampsPath);
  for (double s; in >> s;) stamps.push_back(s);
  result.minutes = seconds / 60.0;
  result.ours = CountDropouts(EdgesAfterMarker(ours.samples), stamps);
  std::vector<double> script = ScriptEdgesMs(seconds);
  result.reference =
      CountDropouts(FindEdges(ToneEnvelope(reference.samples, kRateHz, kToneHz), 0.3f), script);
  return !result.figures.empty();
}

// The reference's file: the script rendered by our own offline path (plain tone, no band effects), after
// half a second of silence.
bool WriteScriptWav(const std::string& path, double seconds) {
  ResetSettingsToDefaults();
  practiceSettings.Freq.store(kToneHz);
  runFlags.bandMasterSwitch.store(0);
  const uint64_t startUs = 1000000000ull, leadUs = 500000;
  const std::vector<double> edges = ScriptEdgesMs(seconds);
  DiscardToneEdges();
  AudioRenderState state;
  std::vector<float> mono;
  // Second by second, so that the edge ring never holds more than a second's edges.
  size_t next = 0;
  const int totalSeconds = static_cast<int>(std::ceil((edges.back() + leadUs / 1000.0) / 1000.0 + 1.0));
  for (int second = 0; second < totalSeconds; ++second) {
    const double blockEndMs = (second + 1) * 1000.0 - leadUs / 1000.0;
    for (; next < edges.size() && edges[next] < blockEndMs; ++next) {
      WriteToneOn(next % 2 == 0 ? 1 : 0, startUs + leadUs + static_cast<uint64_t>(edges[next] * 1000));
    }
    if (next == edges.size())
      WriteToneOn(0, startUs + leadUs + static_cast<uint64_t>(seconds * 1e6) + 500000);
    RenderOffline(state, mono, kRateHz, kRateHz, 128, startUs + static_cast<uint64_t>(second) * 1000000u);
  }
  return WriteWavFile(path, mono, kRateHz);
}

void PrintEndBuffering(const char* name, const WindowResult& result) {
  std::printf("buffer_frames_end_%s=%d\n", name,
              std::atoi(Field(result.figures, "periods_end").c_str()) *
                  std::atoi(Field(result.window, "frames").c_str()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "--client") return RunClient(argv[2], std::atof(argv[3]), argv[4]);
  const double seconds = argc > 1 && std::atof(argv[1]) > 0 ? std::atof(argv[1]) : 60.0;
  const std::string self = argv[0];
  PulseServer server;
  if (!StartPulseServer(server)) {
    std::printf("error=%s\n", server.problem.c_str());
    return 1;
  }
  const std::string referenceSink = "nemora_reference";
  if (std::system(("pactl load-module module-null-sink sink_name=" + referenceSink +
                   " rate=48000 norewinds=1 >/dev/null")
                      .c_str()) != 0 ||
      !WriteScriptWav(server.directory + "/script.wav", seconds)) {
    std::printf("error=no reference sink or file\n");
    ReleasePulseServer(server);
    return 1;
  }

  WindowResult idle, loaded;
  const bool idleOk = MeasureWindow(self, "idle", seconds, server.directory, referenceSink, idle);
  std::vector<pid_t> hogs = StartHogs();
  const bool loadedOk = MeasureWindow(self, "loaded", seconds, server.directory, referenceSink, loaded);
  StopAll(hogs);

  // Recovery: kill the server while our stream plays, bring it back a second later.
  double recoveryMs = -1;
  Client client = LaunchUnprivileged({self, "--client", "recovery", "0", "/dev/null"});
  if (!ReadLine(client, "playing").empty()) {
    KillPulseDaemon(server);
    SleepMs(1000);
    if (LaunchPulseDaemon(server)) {
      const uint64_t backUs = MonotonicMicros();
      const std::string line = ReadLine(client, "back_us");
      if (!line.empty()) recoveryMs = (std::atof(Field(line, "back_us").c_str()) - backUs) / 1000.0;
    }
  }
  Finish(client);
  ReleasePulseServer(server);

  if (!idleOk || !loadedOk) {
    std::printf("error=a window was not measured\n");
    return 1;
  }
  std::printf("dropouts_per_min_idle=%.1f\n", idle.ours / idle.minutes);
  std::printf("reference_dropouts_per_min_idle=%.1f\n", idle.reference / idle.minutes);
  std::printf("underflows_reported_idle=%s\n", Field(idle.figures, "underflows").c_str());
  std::printf("late_edges_idle=%s\n", Field(idle.figures, "late_edges").c_str());
  std::printf("clock_steps_idle=%s/%s\n", Field(idle.figures, "clock_back").c_str(),
              Field(idle.figures, "clock_forward").c_str());
  std::printf("buffer_frames_idle=%d\n", std::atoi(Field(idle.window, "periods").c_str()) *
                                             std::atoi(Field(idle.window, "frames").c_str()));
  PrintEndBuffering("idle", idle);
  std::printf("dropouts_settling_loaded=%s\n", Field(loaded.window, "underflows_settling").c_str());
  std::printf("settle_seconds_loaded=%.0f\n", std::atof(Field(loaded.window, "settle_s").c_str()));
  std::printf("dropouts_per_min_loaded=%.1f\n", loaded.ours / loaded.minutes);
  std::printf("reference_dropouts_per_min_loaded=%.1f\n", loaded.reference / loaded.minutes);
  std::printf("underflows_reported_loaded=%s\n", Field(loaded.figures, "underflows").c_str());
  std::printf("buffer_frames_loaded=%d\n", std::atoi(Field(loaded.window, "periods").c_str()) *
                                               std::atoi(Field(loaded.window, "frames").c_str()));
  PrintEndBuffering("loaded", loaded);
  std::printf("callback_p99_us=%s\n", Field(loaded.figures, "callback_p99_us").c_str());
  std::printf("late_edges_loaded=%s\n", Field(loaded.figures, "late_edges").c_str());
  std::printf("clock_steps_loaded=%s/%s\n", Field(loaded.figures, "clock_back").c_str(),
              Field(loaded.figures, "clock_forward").c_str());
  std::printf("recovery_ms=%.0f\n", recoveryMs);
  std::printf("recorder_lost_ms_idle=%.1f/%.1f\n", idle.recorderLostOursMs, idle.recorderLostReferenceMs);
  std::printf("recorder_lost_ms_loaded=%.1f/%.1f\n", loaded.recorderLostOursMs,
              loaded.recorderLostReferenceMs);
  return 0;
}
