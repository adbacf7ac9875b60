// SPDX-License-Identifier: GPL-3.0-or-later
// Tone synthesis: helpers, per-buffer time terms, and the six sound types.
//
// Harmonics come from one sine (and cosine) of the phase through the multiple-angle identities
// (sin 3x = 3s - 4s^3 and so on): the same values as separate sines up to rounding, at a fraction of the
// cost on the audio thread. Per-frame sines go through audio/phase_sine.h.
#include "audio/tone_synthesis.h"

#include "audio/phase_sine.h"

#include <cmath>

namespace {

using phase_sine::Fraction;
using phase_sine::SinCos;
constexpr double kTwoPi = 6.283185307179586;

}  // namespace

float ClampUnit(float x) {
  return x < -1.0f ? -1.0f : (x > 1.0f ? 1.0f : x);
}

float SoftClip(float x) {
  return x / (std::fabs(x) * 0.55f + 1.0f);
}

double PhaseSin(double x) {
  return phase_sine::Sin(x);
}

float HashUnit(uint32_t n, double v) {
  double h = PhaseSin(static_cast<double>(n & 1023u) * 78.233 + v) * 43758.5453;
  return static_cast<float>(2.0 * Fraction(h) - 1.0);
}

float HashNoise(uint32_t n, double y) {
  return HashUnit(n, y * 12.9898);
}

ToneTimeTerms ComputeToneTimeTerms(uint32_t tickMs) {
  double t = tickMs * 0.001;
  ToneTimeTerms terms;
  terms.tickMs = tickMs;
  terms.receiverPhaseShift = 0.018 * std::sin(5.1 * t) + 0.006 * std::sin(13.0 * t);
  terms.receiverGain = (0.88 + 0.12 * std::sin(18.0 * t)) * 1.45;
  terms.softTremolo = 0.92 + 0.08 * std::sin(3.2 * t);
  terms.oldPhaseShift = 0.06 * std::sin(1.7 * t) + 0.018 * std::sin(6.8 * t);
  terms.oldHum = 0.075 * std::sin(314.1592653589793 * t);
  terms.oldGain = (0.82 + 0.18 * std::sin(9.0 * t)) * 1.75;
  return terms;
}

float BrightToneFromSine(float envelope, double s) {
  double sq = s * s;
  double sgn = s >= 0.0 ? 1.0 : -1.0;
  double s3 = s * (3.0 - 4.0 * sq);
  double s5 = s * (5.0 - 20.0 * sq + 16.0 * sq * sq);
  double x = (0.58 * s + 0.26 * sgn + 0.13 * s3 + 0.05 * s5) * 1.35;
  return ClampUnit(SoftClip(static_cast<float>(x)) * envelope * 0.34f);
}

float SynthesizeToneSampleWith(const ToneTimeTerms& terms, float envelope, double phase, int32_t soundType) {
  switch (soundType) {
    case kSoundReceiver: {
      double s, c;
      SinCos(phase + terms.receiverPhaseShift, s, c);
      double s2 = 2.0 * s * c;
      double s3 = s * (3.0 - 4.0 * s * s);
      double x = (0.8 * s + 0.16 * s2 + 0.07 * s3) * terms.receiverGain;
      return ClampUnit(SoftClip(static_cast<float>(x)) * envelope * 0.38f);
    }
    case kSoundBright:
      return BrightToneFromSine(envelope, phase_sine::Sin(phase));
    case kSoundSoft: {
      double s, c;
      SinCos(phase, s, c);
      double x = (0.98 * s + 0.012 * (2.0 * s * c)) * terms.softTremolo;
      return ClampUnit(static_cast<float>(x) * envelope * 0.22f);
    }
    case kSoundOldReceiver: {
      double psi = phase + terms.oldPhaseShift;
      double s, c;
      SinCos(psi, s, c);
      double detuned = phase_sine::Sin(1.012 * psi + 0.7);
      // sin(2 psi + 0.3) = sin 2psi cos 0.3 + cos 2psi sin 0.3
      double second = (2.0 * s * c) * 0.955336489125606 + (1.0 - 2.0 * s * s) * 0.29552020666133955;
      double x = 0.28 * detuned + 0.58 * s + 0.17 * second + terms.oldHum +
                 0.06 * phase_sine::Hash(terms.tickMs, phase * 12.9898);
      x *= terms.oldGain;
      return ClampUnit(SoftClip(static_cast<float>(x)) * envelope * 0.32f);
    }
    case kSoundBuzzer: {
      double q = phase / kTwoPi;
      double saw = 2.0 * (Fraction(q + 0.5) - 0.5);  // 2 (q - floor(q + 0.5))
      double s = phase_sine::Sin(phase);
      double sq = s * s;
      double sgn = s >= 0.0 ? 1.0 : -1.0;
      double s3 = s * (3.0 - 4.0 * sq);
      double s5 = s * (5.0 - 20.0 * sq + 16.0 * sq * sq);
      double s7 = s * (7.0 - 56.0 * sq + 112.0 * sq * sq - 64.0 * sq * sq * sq);
      double x = 0.62 * sgn + 0.18 * saw + 0.13 * s3 + 0.08 * s5 + 0.05 * s7;
      return ClampUnit(SoftClip(static_cast<float>(1.6 * x)) * envelope * 0.28f);
    }
    default:
      return static_cast<float>(envelope * phase_sine::Sin(phase)) * 0.3f;
  }
}

float SynthesizeToneSample(float envelope, double phase, int32_t soundType, uint32_t tickMs) {
  ToneTimeTerms terms;
  terms.tickMs = tickMs;
  if (soundType == kSoundReceiver || soundType == kSoundSoft || soundType == kSoundOldReceiver) {
    terms = ComputeToneTimeTerms(tickMs);
  }
  return SynthesizeToneSampleWith(terms, envelope, phase, soundType);
}
