// SPDX-License-Identifier: GPL-3.0-or-later
// Band-condition simulation.
//
// Sections: per-buffer values (PrepareBandBuffer), the frame function (BandFrame) in its fixed order
//   1 frequency stage  2 amplitude stage  3 tone  4 receiver  5 interfering stations  6 static
//   7 echo/multipath  8 lightning  9 adjacent  10 split  11 atmospheric  12 hum  13 ignition  14 ringing
//   15 overload  16 clamp,
// then UnevenElementLength and the RX STOP reset.
//
// The receiver filter. The filter width sets the wanted signal's level, and everything else that comes in
// from the air (the stations, static and crackles, lightning, the adjacent and split carriers, atmospheric
// hiss and ignition pulses) passes a band-pass around the tone, as behind a receiver's IF filter: a narrow
// filter takes the static and the stations far from the tone away, while the static at the tone stays as
// loud. The echo and multipath delay the tone and stages 5 and 6, as they always did, so the air is
// filtered in two sums with the same filter: stages 5 and 6 before the echo, stages 8 to 11 and 13 after
// it. Mains hum, ringing and overload belong to the receiver's audio stage and stay after the filter. The
// learner's own sidetone never comes here (the master switch is off in send practice).
//
// Everything that depends only on the buffer's tick (T changes once per buffer) is computed once per buffer;
// the frame function reads the switches at every frame, so a click takes effect within the buffer.
#include "audio/band_simulation.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "audio/phase_sine.h"
#include "core/settings.h"
#include "core/shared_flags.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHashScale = 12.9898;  // Hash(m, kHashScale * y) == HashNoise(m, y)

std::atomic<uint32_t> bandResetGeneration{0};  // bumped by ResetBandSimulation

inline bool On(const std::atomic<int32_t>& flag) {
  return flag.load(std::memory_order_relaxed) != 0;
}

// The air `x` through the receiver filter's sections `state`.
inline float ReceiverFiltered(double (&state)[kReceiverFilterSections][2], const ReceiverFilter& f,
                              double x) {
  for (auto& section : state) {
    const double y = f.b0 * x + section[0];
    section[0] = section[1] - f.a1 * y;
    section[1] = -f.b0 * x - f.a2 * y;
    x = y;
  }
  return static_cast<float>(x);
}

// Station i keying pattern: two marks per cycle of 650 + 235 i ms.
bool StationKeyed(uint32_t tickMs, int i) {
  uint32_t ui = static_cast<uint32_t>(i);
  uint32_t m = (tickMs + 91u * ui) % (650u + 235u * ui);
  return m < 130u + 47u * ui || (260u + 94u * ui < m && m < 390u + 141u * ui);
}

}  // namespace

double ReceiverFilterWidthHz(int32_t selection) {
  return selection == 0 ? 250.0 : (selection == 2 ? 1000.0 : 500.0);
}

// Each section is the bilinear band-pass of unity peak gain, H = (s/Q) / (s^2 + s/Q + 1). n equal sections
// are 3 dB down where each is 3/n dB down, i.e. where Q |f/f0 - f0/f| = sqrt(2^(1/n) - 1); those two
// frequencies lie exactly sqrt(2^(1/n) - 1) f0 / Q apart, which gives Q for the width.
ReceiverFilter DesignReceiverFilter(double centreHz, double widthHz, int32_t sampleRateHz) {
  const double rate = sampleRateHz > 0 ? sampleRateHz : 48000.0;
  const double centre = std::clamp(centreHz, 20.0, 0.45 * rate);
  const double q = std::sqrt(std::pow(2.0, 1.0 / kReceiverFilterSections) - 1.0) * centre / widthHz;
  const double w0 = kTwoPi * centre / rate;
  const double alpha = std::sin(w0) / (2.0 * q);
  const double a0 = 1.0 + alpha;
  ReceiverFilter f;
  f.b0 = alpha / a0;
  f.a1 = -2.0 * std::cos(w0) / a0;
  f.a2 = (1.0 - alpha) / a0;
  return f;
}

void PrepareBandBuffer(BandBuffer& buffer, uint32_t tickMs, int32_t sampleRateHz, int32_t freqHz,
                       int32_t soundType) {
  double t = tickMs * 0.001;
  buffer.tickMs = tickMs;
  buffer.timeS = t;
  buffer.sampleRateHz = sampleRateHz > 0 ? sampleRateHz : 48000;
  buffer.freqHz = freqHz;
  buffer.soundType = soundType;
  buffer.tone = ComputeToneTimeTerms(tickMs);
  buffer.pitchDrift = 1.0 + 0.01 * std::sin(0.41 * t) + 0.004 * std::sin(1.17 * t);
  for (int n = 0; n <= 5; ++n) {
    double a = 2.0 * n + 18.0;
    double depth = 0.006 + 0.0015 * n;
    buffer.flutter[n] = 1.0 + depth * std::sin(a * t) + 0.45 * depth * std::sin(1.73 * a * t);
  }
  buffer.fading = (0.58 + 0.34 * std::sin(1.35 * t + 1.2 * std::sin(0.23 * t))) *
                  (0.82 + 0.18 * std::sin(0.41 * t + 1.7));
  buffer.lidsPhase = 27.0 * t;
  buffer.agcPump = 0.82 + 0.18 * std::sin(4.6 * t);
  buffer.adjacentShift = 37.0 * t;
  buffer.splitShift = 19.0 * t;
  buffer.hum = 0.035 * std::sin(314.1592653589793 * t);
  for (int i = 0; i < kBandStationCount; ++i) {
    int offsetHz = 43 * (i + 1);
    double stationHz = freqHz + ((i % 2 == 0) ? offsetHz : -offsetHz);
    buffer.stationStep[i] = stationHz * 6.283185307 / buffer.sampleRateHz;
    buffer.stationStepSin[i] = std::sin(buffer.stationStep[i]);
    buffer.stationStepCos[i] = std::cos(buffer.stationStep[i]);
    buffer.stationKeyed[i] = StationKeyed(tickMs, i);
  }
  const int32_t width = practiceSettings.BandFilterWidth.load(std::memory_order_relaxed);
  buffer.receiver = DesignReceiverFilter(freqHz, ReceiverFilterWidthHz(width), buffer.sampleRateHz);
}

float BandFrame(BandState& state, const BandBuffer& buffer, int32_t key, float envelope, double phase,
                double& increment, double omega) {
  const PracticeSettings& s = practiceSettings;
  if (!On(runFlags.bandMasterSwitch)) {
    increment = omega;
    return SynthesizeToneSampleWith(buffer.tone, envelope, phase, buffer.soundType);
  }
  const uint32_t tick = buffer.tickMs;
  const double T = buffer.timeS;
  const int n = std::clamp(s.BandActivity.load(std::memory_order_relaxed), 0, 5);
  const int noise = std::clamp(s.BandNoiseLevel.load(std::memory_order_relaxed), 0, 100);

  // 1. Frequency stage.
  double inc = omega;
  if (On(s.BandPitchDrift)) inc = omega * buffer.pitchDrift;
  if (key == 1 && state.previousKey == 0) state.keyDownTickMs = tick;
  state.previousKey = key;
  if (On(s.BandChirp) && key == 1) {
    uint32_t d = tick - state.keyDownTickMs;
    if (d < 95u) inc = inc * (1.0 + (1.0 - d / 95.0) * (0.03 + 0.004 * n));
  }
  if (On(s.BandFlutter)) inc = inc * buffer.flutter[n];
  increment = inc;

  // 2. Amplitude stage.
  float g = envelope;
  if (On(s.BandQSB)) g = static_cast<float>(envelope * buffer.fading);
  if (On(s.BandLids) && key == 1) {
    double w =
        0.86 + 0.14 * phase_sine::Sin(2.0 * phase_sine::Hash(tick, kHashScale * phase) + buffer.lidsPhase);
    if (phase_sine::Hash(tick / 3u, kHashScale * (0.37 * phase)) > 0.9f) w = 0.6 * w;
    g = static_cast<float>(g * w);
  }
  if (On(s.BandAGC) && g > 0.01f) g = 0.72f + 0.28f * g;
  if (On(s.BandAgcPump)) g = static_cast<float>(g * buffer.agcPump);

  // 3. Tone.
  float y = SynthesizeToneSampleWith(buffer.tone, g, phase, buffer.soundType);

  // 4. Receiver: IF saturation, then the filter width sets the signal's level (the air passes the filter
  // itself below).
  if (On(s.BandIFFilter)) y = SoftClip(1.18f * y) * 0.88f;
  switch (s.BandFilterWidth.load(std::memory_order_relaxed)) {
    case 0:
      y = 0.76f * y;
      break;
    case 2:
      y = 1.05f * y;
      break;
    default:
      break;
  }

  // 5. Interfering stations: always the bright timbre, keyed without envelope.
  // The air before the echo (stages 5 and 6), filtered by the receiver below.
  const bool stations = On(s.BandQRM) && n > 0;
  const bool qrn = On(s.BandQRN);
  double air = 0.0;
  if (stations) {
    for (int i = 0; i < n; ++i) {
      double& p = state.stationPhase[i];
      p += buffer.stationStep[i];
      if (p > kTwoPi) p -= kTwoPi;
      // sin p by rotating (sin, cos) by the step; a wrap by 2 pi leaves both unchanged.
      double sn = state.stationSin[i], cs = state.stationCos[i];
      state.stationSin[i] = sn * buffer.stationStepCos[i] + cs * buffer.stationStepSin[i];
      state.stationCos[i] = cs * buffer.stationStepCos[i] - sn * buffer.stationStepSin[i];
      if (buffer.stationKeyed[i]) {
        float level = 0.1f + 0.025f * i;
        air += BrightToneFromSine(level, state.stationSin[i]) * (0.33f + 0.07f * n);
      }
    }
  }

  // 6. Static with occasional crackles.
  if (qrn) {
    float hiss = phase_sine::Hash(tick, kHashScale * (T + phase)) * (0.004f + 0.0011f * noise);
    float crackle = 0.0f;
    if (phase_sine::Hash(tick / 7u, 0.21 * kHashScale * phase + 38.9694) > 0.965f) {
      crackle = 0.26f * phase_sine::Hash(tick, kHashScale * (1.9 * phase));
    }
    air += crackle + hiss;
  }
  if (stations || qrn) y += ReceiverFiltered(state.filterState[0], buffer.receiver, air);

  // 7. Echo (200 ms) and multipath (1/14 s) from the dry signal; no feedback.
  const bool echo = On(s.BandEcho);
  const bool multipath = On(s.BandMultipath);
  if (echo || multipath) {
    const uint32_t rate = static_cast<uint32_t>(buffer.sampleRateHz);
    const uint32_t w = state.delayWriteIndex;
    float dry = y;
    if (echo) {
      uint32_t d1 = std::min(rate / 5u, kDelayLineFrames - 1);
      y += 0.3f * state.delayLine[(w - d1 + kDelayLineFrames) % kDelayLineFrames];
    }
    if (multipath) {
      uint32_t d2 = std::min(rate / 14u, kDelayLineFrames - 1);
      y += 0.18f * state.delayLine[(w - d2 + kDelayLineFrames) % kDelayLineFrames];
    }
    state.delayLine[w] = dry;
    state.delayWriteIndex = (w + 1) % kDelayLineFrames;
  }

  // 8 to 13 without 12: the air after the echo, filtered by the receiver as well.
  const bool lightning = On(s.BandLightning), adjacent = On(s.BandAdjacent), split = On(s.BandSplit),
             atmospheric = On(s.BandAtmospheric), ignition = On(s.BandIgnition);
  double lateAir = 0.0;
  // 8. Lightning crashes.
  if (lightning && phase_sine::Hash(tick / 5u, 3.7 * kHashScale * phase) > 0.987f) {
    lateAir += 0.7f * phase_sine::Hash(tick, kHashScale * phase);
  }
  // 9, 10. Steady carriers 7.4 % above and 7.1 % below the tone.
  if (adjacent) lateAir += 0.085 * phase_sine::Sin(1.074 * phase + buffer.adjacentShift);
  if (split) lateAir += 0.07 * phase_sine::Sin(0.929 * phase + buffer.splitShift);
  // 11. Atmospheric hiss.
  if (atmospheric) lateAir += 0.045f * phase_sine::Hash(tick / 3u, kHashScale * (0.31 * phase + T));
  // 13. Ignition pulses.
  if (ignition) {
    float v = phase_sine::Hash(tick / 2u, 2.4 * kHashScale * phase);
    if (v > 0.94f) lateAir += 0.28f * v;
  }
  if (lightning || adjacent || split || atmospheric || ignition) {
    y += ReceiverFiltered(state.filterState[1], buffer.receiver, lateAir);
  }
  // 12. Mains hum (the receiver's audio stage), stepped once per buffer.
  if (On(s.BandHum)) y += static_cast<float>(buffer.hum);
  // 14. Narrow-filter ringing, switched with the key.
  if (On(s.BandRinging) && key == 1) y += static_cast<float>(0.055 * phase_sine::Sin(1.012 * phase));
  // 15. Receiver overload.
  if (On(s.BandOverload)) y = SoftClip(2.1f * y) * 0.78f;
  // 16.
  return ClampUnit(y);
}

uint32_t UnevenElementLength(uint32_t durationMs, bool dash, uint32_t tickMs) {
  if (!On(practiceSettings.BandUnevenLength)) return durationMs;
  double u = 1.0 + phase_sine::Hash(tickMs / 11u, (dash ? 7.13 : 3.71) * kHashScale);
  double f = dash ? 0.78 + 0.22 * u : 0.82 + 0.18 * u;
  uint32_t length = static_cast<uint32_t>(f * durationMs);
  return std::max<uint32_t>(20u, length);
}

void ResetBandSimulation() {
  runFlags.bandMasterSwitch.store(0);
  bandResetGeneration.fetch_add(1, std::memory_order_release);
}

void BeginBandBuffer(BandState& state) {
  uint32_t generation = bandResetGeneration.load(std::memory_order_acquire);
  if (generation != state.resetGenerationSeen) {
    state.resetGenerationSeen = generation;
    for (double& p : state.stationPhase) p = 0.0;
    for (auto& chain : state.filterState)
      for (auto& section : chain) section[0] = section[1] = 0.0;
  }
  // A filter ringing out into silence would reach subnormal numbers, which cost many times a normal one.
  for (auto& chain : state.filterState) {
    for (auto& section : chain) {
      for (double& v : section) v = std::fabs(v) < 1e-20 ? 0.0 : v;
    }
  }
  for (int i = 0; i < kBandStationCount; ++i) {
    state.stationSin[i] = std::sin(state.stationPhase[i]);
    state.stationCos[i] = std::cos(state.stationPhase[i]);
  }
}
