// SPDX-License-Identifier: GPL-3.0-or-later
// Timing of the sound as heard: keys "PARIS " ten times at 40 WPM on the serial levers through the real
// keying thread and audio thread into a PulseAudio null sink, records the sink's monitor with parec and
// compares the key edges heard with the moments the levers changed.
//
// Prints name=value lines:
//   timing_dev_p50_ms, timing_dev_p99_ms, timing_dev_max_ms  element and gap lengths heard against those
//       keyed, after removing the constant difference of the open and close debounce times
//   latency_p50_ms, latency_p99_ms  lever closure to sound (the detector's own lag removed)
//   latency_p*_ms_buffer_N, closures_buffer_N  the same per buffering of N frames (periods x frames)
//       the stream had while the closure sounded: send practice opens at 256 and recurring underflows on a
//       busy machine step it up during the run
//   device_latency_ms  periods x frames / rate of the output stream (the buffering asked for)
//   underflows, dropouts, segments_set_aside  the stream's own underflow notices; holes and segments off
//       by more than 1.5 ms; how many of those the notices account for (left out of the timing figures)
//   stream_latency_ms  the output latency from the stream's own timing info
// A private PulseAudio daemon with a null sink is started for the run and stopped again; the machine's own
// server, if one runs, is left alone.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "audio/audio_backend.h"
#include "audio/audio_engine.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/threads.h"
#include "keying/keying_thread.h"
#include "tests/audio/pulse_recorder.h"

using namespace pulsetest;

namespace {

constexpr int kRateHz = 48000;
constexpr int kToneHz = 750;  // a whole number of frames per period for the envelope detector
constexpr int kWpm = 40;
constexpr int kKeySoftness = 50;

struct LeverChange {
  uint64_t timeUs;  // MonotonicMicros() right after the store
  bool closed;
  uint64_t opens;        // streams opened so far (a reopen with more buffering counts)
  int32_t bufferFrames;  // the stream's buffering then (periods x frames)
};

// The lever script: (closed, duration in units) for "PARIS " ten times.
std::vector<std::pair<bool, int>> ParisScript() {
  const char* codes[] = {".--.", ".-", ".-.", "..", "..."};
  std::vector<std::pair<bool, int>> script;
  for (int word = 0; word < 10; ++word) {
    for (int c = 0; c < 5; ++c) {
      for (const char* e = codes[c]; *e; ++e) {
        script.push_back({true, *e == '.' ? 1 : 3});
        script.push_back({false, e[1] ? 1 : (c < 4 ? 3 : 7)});
      }
    }
  }
  return script;
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t rank = static_cast<size_t>(p / 100.0 * values.size() + 0.999999);
  return values[std::min(values.size(), std::max<size_t>(rank, 1)) - 1];
}

int Fail(const char* what, PulseServer& server) {
  std::printf("error=%s\n", what);
  ReleasePulseServer(server);
  return 1;
}

}  // namespace

int main() {
  PulseServer server;
  if (!StartPulseServer(server)) {
    std::printf("error=%s\n", server.problem.c_str());
    return 1;
  }
  ResetSettingsToDefaults();
  practiceSettings.WPM.store(kWpm);
  practiceSettings.KeySoftness.store(kKeySoftness);
  practiceSettings.Auto.store(0);
  practiceSettings.Freq.store(kToneHz);
  practiceSettings.SoundType.store(0);
  runFlags.bandMasterSwitch.store(0);

  WorkerBodies bodies;
  bodies.keyingThread = KeyingThreadMain;
  bodies.audioThread = AudioThreadMain;
  SetSoundUse(SoundUse::kSending);
  StartUp(bodies);
  for (int waited = 0; waited < 3000 && !audioStream.open.load(); waited += 10) SleepMs(10);
  if (!WaitForSoundPlaying(3000)) {
    ShutDown();
    return Fail("the output stream did not open", server);
  }
  MonitorRecorder recorder;
  if (!StartMonitorRecorder(recorder, kRateHz, 10, server.sink)) {
    ShutDown();
    return Fail("parec could not start", server);
  }
  for (int waited = 0; waited < 5000 && RecordedFrames(recorder) < kRateHz / 5; waited += 10) SleepMs(10);
  if (RecordedFrames(recorder) == 0) {
    StopMonitorRecorder(recorder);
    ShutDown();
    return Fail("no audio flows from the monitor", server);
  }
  SleepMs(500);

  // The keyer: a real-time thread on absolute deadlines, noting when each lever really changed.
  const uint64_t unitUs = (1200 + kWpm / 2) / kWpm * 1000;
  const auto script = ParisScript();
  std::vector<LeverChange> changes;
  changes.reserve(script.size());
  ThreadSlot keyer;
  StartThread(keyer, [&] {
    RequestRealtimePriority(30);
    uint64_t deadline = MonotonicMicros() + 50000;
    for (size_t k = 0; k < script.size(); ++k) {
      const bool closed = script[k].first;
      SleepUntilMicros(deadline);
      KeyLever& lever = (k / 2) % 2 == 0 ? keyLevers.serialDot : keyLevers.serialDash;
      if (closed) {
        lever.store(1);
      } else {
        keyLevers.serialDot.store(0);
        keyLevers.serialDash.store(0);
      }
      changes.push_back({MonotonicMicros(), closed, audioStream.opens.load(),
                         audioStream.numberOfBuffers.load() * audioStream.bufferFrames.load()});
      deadline += script[k].second * unitUs;
    }
  });
  WaitAndForget(keyer, 60000);
  SleepMs(500);
  StopMonitorRecorder(recorder);
  const uint64_t lateEdges = audioStream.lateEdges.load();
  const uint64_t stepsForward = audioStream.clockStepsForward.load();
  const int32_t buffers = audioStream.numberOfBuffers.load(), frames = audioStream.bufferFrames.load();
  const int32_t rate = audioStream.sampleRateHz.load();
  const double outputDelayMs = audioStream.outputDelayUs.load() / 1000.0;
  const int32_t api = audioStream.api.load();
  const double streamLatencyMs = audioStream.device.latencyUs.load() / 1000.0;
  const uint64_t underflows = audioStream.device.underflows.load();
  ShutDown();
  ReleasePulseServer(server);

  std::vector<float> envelope = ToneEnvelope(recorder.samples, kRateHz, kToneHz);
  std::vector<HeardEdge> heard = FindEdges(envelope, 0.3f);
  // NEMORA_SOUND_DUMP=<file.wav>: keep the recording and list the edges, for looking into a bad run.
  if (const char* dump = std::getenv("NEMORA_SOUND_DUMP")) {
    WriteWavFile(dump, recorder.samples, kRateHz);
    for (const HeardEdge& e : heard)
      std::fprintf(stderr, "heard %s %.3f ms\n", e.on ? "on " : "off", e.frame * 1000.0 / kRateHz);
    for (const LeverChange& c : changes) {
      std::fprintf(stderr, "lever %s %.3f ms\n", c.closed ? "on " : "off",
                   (c.timeUs - changes[0].timeUs) / 1000.0);
    }
  }
  // A dropout splits a mark with a short silence: such holes are the machine's when the stream reported as
  // many underflows (below); the mark is then judged whole.
  const double holeFrames = static_cast<double>(unitUs) / 2 * kRateHz / 1e6;
  int holes = 0;
  for (size_t k = 1; k + 1 < heard.size();) {
    if (!heard[k].on && heard[k + 1].frame - heard[k].frame < holeFrames) {
      heard.erase(heard.begin() + static_cast<long>(k), heard.begin() + static_cast<long>(k) + 2);
      ++holes;
    } else {
      ++k;
    }
  }
  if (heard.size() != changes.size()) {
    std::printf("error=heard %zu edges, keyed %zu\n", heard.size(), changes.size());
    return 1;
  }
  // Heard times on the monotonic clock (the sink's clock may differ from it by hundreds of ppm). The
  // detector's half-level crossing lies half the 50-frame ramp after the edge, and its one-period average
  // lags by half a period.
  const RecordingClock clock = FitRecordingClock(recorder);
  const double detectorLagFrames = 25.0 + (kRateHz / kToneHz - 1) / 2.0;
  std::vector<double> heardUs;
  for (const HeardEdge& e : heard) heardUs.push_back(FrameTimeUs(clock, e.frame - detectorLagFrames));
  // A mark is heard longer than keyed, a gap shorter, by the difference of the open and close debounce
  // times; the keying thread's 1 ms ticks decide where that constant falls, so it is measured (median per
  // kind) rather than assumed.
  std::vector<double> markDiff, gapDiff;
  for (size_t k = 1; k < heard.size(); ++k) {
    double diffMs =
        (heardUs[k] - heardUs[k - 1] - static_cast<double>(changes[k].timeUs - changes[k - 1].timeUs)) /
        1000.0;
    (changes[k - 1].closed ? markDiff : gapDiff).push_back(diffMs);
  }
  const double markConstant = Percentile(markDiff, 50), gapConstant = Percentile(gapDiff, 50);
  // Segment k lies between edges k - 1 and k. An underflow the stream reported distorts at most the two
  // segments around it (the stream pauses, and the frame clock then takes up the lost time): up to two
  // segments per underflow that are off by more than 1.5 ms are set aside as the machine's. Any further
  // deviation stays in the figures as the program's.
  std::vector<double> segmentDev(heard.size(), 0.0);
  for (size_t k = 1, m = 0, g = 0; k < heard.size(); ++k) {
    segmentDev[k] = changes[k - 1].closed ? std::fabs(markDiff[m++] - markConstant)
                                          : std::fabs(gapDiff[g++] - gapConstant);
  }
  std::vector<size_t> order;
  for (size_t k = 1; k < heard.size(); ++k) {
    if (segmentDev[k] > 1.5) order.push_back(k);
  }
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return segmentDev[a] > segmentDev[b]; });
  const size_t dropouts = order.size();
  order.resize(std::min<size_t>(order.size(), 2 * underflows));
  std::vector<bool> setAside(heard.size() + 1, false);
  for (size_t k : order) setAside[k] = true;
  std::vector<double> deviations, latencies;
  std::map<int32_t, std::vector<double>> latenciesByBuffering;
  for (size_t k = 1; k < heard.size(); ++k) {
    if (!setAside[k]) deviations.push_back(segmentDev[k]);
  }
  for (size_t k = 0; k < heard.size(); ++k) {
    if (changes[k].closed && !setAside[k] && !setAside[k + 1]) {
      const double latencyMs = (heardUs[k] - static_cast<double>(changes[k].timeUs)) / 1000.0;
      latencies.push_back(latencyMs);
      // The closure and its whole mark sounded through one stream.
      if (k + 1 < changes.size() && changes[k + 1].opens == changes[k].opens) {
        latenciesByBuffering[changes[k].bufferFrames].push_back(latencyMs);
      }
    }
  }
  const int unitMs = static_cast<int>(unitUs / 1000);
  const int closeHoldMs = std::max(1, std::min(8 - kKeySoftness * 6 / 100, unitMs / 5));
  const int openHoldMs = std::max(1, std::min(3 + kKeySoftness * 12 / 100, unitMs / 3));
  std::printf("timing_dev_p50_ms=%.3f\n", Percentile(deviations, 50));
  std::printf("timing_dev_p99_ms=%.3f\n", Percentile(deviations, 99));
  std::printf("timing_dev_max_ms=%.3f\n", Percentile(deviations, 100));
  std::printf("latency_p50_ms=%.3f\n", Percentile(latencies, 50));
  std::printf("latency_p99_ms=%.3f\n", Percentile(latencies, 99));
  std::printf("device_latency_ms=%.3f\n", rate > 0 ? buffers * frames * 1000.0 / rate : 0.0);
  for (const auto& [bufferFrames, values] : latenciesByBuffering) {
    std::printf("latency_p50_ms_buffer_%d=%.3f\n", bufferFrames, Percentile(values, 50));
    std::printf("latency_p99_ms_buffer_%d=%.3f\n", bufferFrames, Percentile(values, 99));
    std::printf("closures_buffer_%d=%zu\n", bufferFrames, values.size());
  }
  std::printf("stream_latency_ms=%.3f\n", streamLatencyMs);
  std::printf("underflows=%llu\n", static_cast<unsigned long long>(underflows));
  std::printf("dropouts=%zu\n", dropouts + static_cast<size_t>(holes));
  std::printf("recorder_lost_ms=%.1f\n", RecorderLostMs(recorder));
  std::printf("clock_steps_back=%llu\n", static_cast<unsigned long long>(audioStream.clockStepsBack.load()));
  std::printf("segments_set_aside=%zu\n", order.size());
  std::printf("close_debounce_ms=%d\n", closeHoldMs);
  std::printf("debounce_difference_ms=%d\n", openHoldMs - closeHoldMs);
  std::printf("mark_lengthening_measured_ms=%.3f\n", markConstant);
  std::printf("sink_clock_ppm=%.0f\n", (clock.usPerFrame * kRateHz / 1e6 - 1.0) * 1e6);
  std::printf("output_delay_ms=%.3f\n", outputDelayMs);
  std::printf("late_edges=%llu\n", static_cast<unsigned long long>(lateEdges));
  std::printf("frame_clock_steps_forward=%llu\n", static_cast<unsigned long long>(stepsForward));
  std::printf("edges=%zu\n", heard.size());
  std::printf("audio_api=%s\n", api == kAudioApiPulse ? "pulse" : api == kAudioApiAlsa ? "alsa" : "none");
  return 0;
}
