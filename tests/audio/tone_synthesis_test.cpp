// SPDX-License-Identifier: GPL-3.0-or-later
// Sound types, helpers and the keying envelope.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "audio/tone_synthesis.h"
#include "audio_test_support.h"

using namespace audiotest;

namespace {

// Phases across several cycles, including far from 0 (the accumulator is never wrapped).
std::vector<double> TestPhases() {
  std::vector<double> phases;
  for (double base : {0.0, 1.0e4, 3.0e8}) {
    for (int i = 0; i < 4000; ++i) phases.push_back(base + i * 0.0047);
  }
  return phases;
}

TEST(ToneSynthesis, KeyUpIsExactSilenceForEveryType) {
  for (int type = -1; type <= kSoundTypeCount; ++type) {
    for (uint32_t tick : {0u, 1234u, 987654321u}) {
      for (double phase : TestPhases()) {
        ASSERT_EQ(SynthesizeToneSample(0.0f, phase, type, tick), 0.0f) << "type " << type << " tick " << tick;
      }
    }
  }
}

TEST(ToneSynthesis, PeaksStayWithinEachTypesGain) {
  struct Case {
    int type;
    float lowestPeak;  // the shaped wave must really sound
    float bound;       // and stay below the final gain
  };
  const Case cases[] = {
      {0, 0.2999f, 0.3f}, {1, 0.15f, 0.38f}, {2, 0.15f, 0.34f},  {3, 0.18f, 0.22f},
      {4, 0.12f, 0.32f},  {5, 0.15f, 0.28f}, {9, 0.2999f, 0.3f},  // unknown types sound as the plain sine
  };
  for (const Case& c : cases) {
    for (uint32_t tick : {0u, 777u, 31415u, 2718281u}) {
      float peak = 0;
      for (double phase : TestPhases()) {
        peak = std::max(peak, std::fabs(SynthesizeToneSample(1.0f, phase, c.type, tick)));
      }
      EXPECT_GE(peak, c.lowestPeak) << "type " << c.type << " tick " << tick;
      if (c.type == 0 || c.type == 9) {
        EXPECT_LE(peak, c.bound) << "type " << c.type;
      } else {
        EXPECT_LT(peak, c.bound) << "type " << c.type << " tick " << tick;
      }
    }
  }
}

TEST(ToneSynthesis, SamplesScaleWithTheEnvelope) {
  for (int type : {0, 3}) {  // the types without limiting are linear in the envelope
    for (double phase : {0.3, 1.1, 2.9, 4.4}) {
      float full = SynthesizeToneSample(1.0f, phase, type, 500);
      EXPECT_NEAR(SynthesizeToneSample(0.5f, phase, type, 500), 0.5f * full, 1e-6f) << "type " << type;
    }
  }
}

// The harmonics are computed from one sine through multiple-angle identities; they must equal the
// separately computed sines of the stated waveforms.
TEST(ToneSynthesis, HarmonicWaveformsMatchDirectSines) {
  auto soft = [](double x) { return x / (std::fabs(x) * 0.55 + 1.0); };
  const uint32_t tick = 4321;
  const double t = tick * 0.001;
  for (double phase : TestPhases()) {
    double s1 = std::sin(phase), sgn = s1 >= 0 ? 1.0 : -1.0;
    double bright = (0.58 * s1 + 0.26 * sgn + 0.13 * std::sin(3 * phase) + 0.05 * std::sin(5 * phase)) * 1.35;
    EXPECT_NEAR(SynthesizeToneSample(1.0f, phase, 2, tick), soft(bright) * 0.34, 2e-5) << phase;
    double q = phase / (2 * M_PI);
    double buzz = 0.62 * sgn + 0.18 * 2 * (q - std::floor(q + 0.5)) + 0.13 * std::sin(3 * phase) +
                  0.08 * std::sin(5 * phase) + 0.05 * std::sin(7 * phase);
    EXPECT_NEAR(SynthesizeToneSample(1.0f, phase, 5, tick), soft(1.6 * buzz) * 0.28, 2e-5) << phase;
    double psi = phase + 0.018 * std::sin(5.1 * t) + 0.006 * std::sin(13 * t);
    double rx = (0.8 * std::sin(psi) + 0.16 * std::sin(2 * psi) + 0.07 * std::sin(3 * psi)) *
                (0.88 + 0.12 * std::sin(18 * t)) * 1.45;
    EXPECT_NEAR(SynthesizeToneSample(1.0f, phase, 1, tick), soft(rx) * 0.38, 2e-5) << phase;
    double psi4 = phase + 0.06 * std::sin(1.7 * t) + 0.018 * std::sin(6.8 * t);
    double old =
        (0.28 * std::sin(1.012 * psi4 + 0.7) + 0.58 * std::sin(psi4) + 0.17 * std::sin(2 * psi4 + 0.3) +
         0.075 * std::sin(314.1592653589793 * t) + 0.06 * HashNoise(tick, phase)) *
        (0.82 + 0.18 * std::sin(9 * t)) * 1.75;
    EXPECT_NEAR(SynthesizeToneSample(1.0f, phase, 4, tick), soft(old) * 0.32, 2e-5) << phase;
  }
}

TEST(ToneSynthesis, BuzzerAtPhaseZeroIsTheSquareTermAlone) {
  EXPECT_NEAR(SynthesizeToneSample(1.0f, 0.0, 5, 0), SoftClip(1.6f * 0.62f) * 0.28f, 1e-6f);
}

TEST(ToneSynthesis, HelpersLimitAsStated) {
  EXPECT_EQ(ClampUnit(1.5f), 1.0f);
  EXPECT_EQ(ClampUnit(-7.0f), -1.0f);
  EXPECT_EQ(ClampUnit(0.25f), 0.25f);
  float previous = -1.0f / 0.55f;
  for (float x = -50.0f; x <= 50.0f; x += 0.01f) {
    float y = SoftClip(x);
    EXPECT_EQ(SoftClip(-x), -y);
    EXPECT_GE(y, previous);  // monotonic
    EXPECT_LT(std::fabs(y), 1.0f / 0.55f);
    previous = y;
  }
  EXPECT_NEAR(SoftClip(1.0f), 1.0f / 1.55f, 1e-6f);
}

TEST(ToneSynthesis, HashNoiseUsesLowTenBitsAndSpreadsEvenly) {
  int bins[10] = {};
  const int count = 200000;
  for (int i = 0; i < count; ++i) {
    double y = 1.0e6 + i * 0.0913;  // a phase advancing per frame
    float h = HashNoise(77u, y);
    ASSERT_GE(h, -1.0f);
    ASSERT_LE(h, 1.0f);
    ASSERT_EQ(h, HashNoise(77u + 1024u * static_cast<uint32_t>(i % 5 + 1), y));
    bins[std::min(9, static_cast<int>((h + 1.0f) * 5.0f))]++;
  }
  for (int b = 0; b < 10; ++b) {
    EXPECT_GT(bins[b], count / 10 * 0.9) << "bin " << b;
    EXPECT_LT(bins[b], count / 10 * 1.1) << "bin " << b;
  }
  EXPECT_NE(HashNoise(1u, 0.5), HashNoise(2u, 0.5));
  EXPECT_FLOAT_EQ(HashNoise(5u, 0.75), HashUnit(5u, 0.75 * 12.9898));
}

TEST(ToneSynthesis, PhaseSinMatchesTheLibraryWithinAnUlp) {
  for (int i = -200000; i <= 200000; ++i) {
    double v = i * 0.000731 + i % 7 * 1.0e-9;
    ASSERT_NEAR(PhaseSin(v), static_cast<double>(sinl(static_cast<long double>(v))), 2.3e-16) << v;
  }
}

TEST(ToneSynthesis, PhaseSinStaysAccurateForHugeArguments) {
  // Exact reduction up to 2^32 turns (2.7e10 rad: 42 days of a 1200 Hz phase).
  for (double x : {0.5, 1.0e7, 9.9e7, 1.0e8, 1.3e8, 5.0e9, 2.0e10}) {
    for (int k = 0; k < 50; ++k) {
      double v = x + k * 0.37;
      // As exact as the argument itself: within a tenth of its last bit (and 1e-12 absolute).
      double tolerance = std::max(1e-12, 0.1 * (std::nextafter(v, 1e300) - v));
      EXPECT_NEAR(PhaseSin(v), static_cast<double>(sinl(static_cast<long double>(v))), tolerance) << v;
    }
  }
}

// Envelope through the render loop: a 50-frame linear ramp each way.
TEST(ToneEnvelope, KeyDownAndUpRampOverFiftyFrames) {
  ResetAudioTestState();
  AudioRenderState state;
  const int keyDownFrame = 1000, keyUpFrame = 3000;
  KeyBetween(kStartUs + keyDownFrame * 1000000ull / kRateHz, kStartUs + keyUpFrame * 1000000ull / kRateHz);
  std::vector<float> out = Render(state, 5000);
  // Plain type: |sample| <= 0.3 e, and e reaches 1 exactly 50 frames after the edge.
  for (int i = 0; i < keyDownFrame; ++i) ASSERT_EQ(out[i], 0.0f) << i;
  for (int k = 0; k < 49; ++k) {
    float envelope = 0.02f * (k + 1);
    EXPECT_LE(std::fabs(out[keyDownFrame + k]), 0.3f * envelope + 1e-6f) << k;
  }
  EXPECT_GT(PeakAbs(out, keyDownFrame + 50, keyDownFrame + 130), 0.299f);
  EXPECT_LT(PeakAbs(out, keyDownFrame + 40, keyDownFrame + 49), 0.3f * 0.99f);
  EXPECT_GT(PeakAbs(out, keyUpFrame - 100, keyUpFrame), 0.299f);
  for (int k = 0; k < 50; ++k) {
    float envelope = 1.0f - 0.02f * (k + 1);
    EXPECT_LE(std::fabs(out[keyUpFrame + k]), 0.3f * std::max(envelope, 0.0f) + 1e-5f) << k;
  }
  for (int i = keyUpFrame + 50; i < 5000; ++i) ASSERT_EQ(out[i], 0.0f) << i;
}

TEST(ToneEnvelope, ShortKeyDownNeverReachesFullAmplitude) {
  ResetAudioTestState();
  AudioRenderState state;
  KeyBetween(kStartUs + 200 * 1000000ull / kRateHz, kStartUs + 230 * 1000000ull / kRateHz);  // 30 frames
  std::vector<float> out = Render(state, 600);
  float peak = PeakAbs(out);
  EXPECT_GT(peak, 0.0f);
  EXPECT_LE(peak, 0.3f * 0.6f + 1e-6f);
}

}  // namespace
