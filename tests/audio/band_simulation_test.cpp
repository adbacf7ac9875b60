// SPDX-License-Identifier: GPL-3.0-or-later
// Band-condition simulation: properties of the rendered sound with the switches in chosen positions.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/band_simulation.h"
#include "audio_test_support.h"

using namespace audiotest;

namespace {

class BandTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAudioTestState(); }
  void TearDown() override { ResetAudioTestState(); }
};

uint64_t FrameUs(int frame) {
  return kStartUs + static_cast<uint64_t>(frame) * 1000000ull / kRateHz;
}

// Keyed 300 ms on, 200 ms off from 10 ms on, over `frames` frames.
void KeyPattern(int frames) {
  for (int on = kRateHz / 100; on + kRateHz * 3 / 10 < frames; on += kRateHz / 2) {
    KeyBetween(FrameUs(on), FrameUs(on + kRateHz * 3 / 10));
  }
}

TEST_F(BandTest, MasterSwitchOffGivesThePlainToneWhateverTheSwitches) {
  for (int type = 0; type < kSoundTypeCount; ++type) {
    practiceSettings.SoundType.store(type);
    AudioRenderState plainState;
    KeyPattern(kRateHz);
    std::vector<float> plain = Render(plainState, kRateHz);

    SetAllBandSwitches(1);
    practiceSettings.BandActivity.store(5);
    practiceSettings.BandFilterWidth.store(0);
    AudioRenderState switchedState;
    KeyPattern(kRateHz);
    std::vector<float> switched = Render(switchedState, kRateHz);
    SetAllBandSwitches(0);
    practiceSettings.BandFilterWidth.store(1);
    ASSERT_EQ(plain, switched) << "type " << type;
    EXPECT_GT(PeakAbs(plain), 0.1f);
  }
  // The increment is omega itself.
  BandState state;
  BandBuffer buffer;
  SetAllBandSwitches(1);
  PrepareBandBuffer(buffer, 12345, kRateHz, 800, 0);
  double increment = 0;
  BandFrame(state, buffer, 1, 1.0f, 3.0, increment, 0.1047);
  EXPECT_EQ(increment, 0.1047);
}

TEST_F(BandTest, AllEffectsStayInRangeAndDifferFromThePlainTone) {
  runFlags.bandMasterSwitch.store(1);
  SetAllBandSwitches(1);
  practiceSettings.BandActivity.store(5);
  practiceSettings.BandNoiseLevel.store(100);
  for (int type = 0; type < kSoundTypeCount; ++type) {
    practiceSettings.SoundType.store(type);
    AudioRenderState state;
    KeyPattern(kRateHz);
    std::vector<float> out = Render(state, kRateHz);
    for (float y : out) ASSERT_TRUE(std::isfinite(y) && y >= -1.0f && y <= 1.0f);
    EXPECT_GT(PeakAbs(out), 0.2f) << "type " << type;
  }
}

TEST_F(BandTest, KeyUpAmplitudeEffectsAddNothing) {
  runFlags.bandMasterSwitch.store(1);
  for (auto* s : {&practiceSettings.BandQSB, &practiceSettings.BandLids, &practiceSettings.BandAGC,
                  &practiceSettings.BandAgcPump, &practiceSettings.BandPitchDrift,
                  &practiceSettings.BandChirp, &practiceSettings.BandFlutter, &practiceSettings.BandIFFilter,
                  &practiceSettings.BandRinging, &practiceSettings.BandOverload}) {
    s->store(1);
  }
  for (int type = 0; type < kSoundTypeCount; ++type) {
    practiceSettings.SoundType.store(type);
    AudioRenderState state;
    std::vector<float> out = Render(state, kRateHz / 2);
    EXPECT_EQ(PeakAbs(out), 0.0f) << "type " << type;
  }
}

// The static passes the receiver filter (its shape: receiver_filter_test.cpp); here its level: louder with
// the noise level (the crackles, sparse single frames, come through at every level).
TEST_F(BandTest, StaticGrowsWithTheNoiseLevel) {
  runFlags.bandMasterSwitch.store(1);
  practiceSettings.BandQRN.store(1);
  double previousRms = 0;
  for (int level : {0, 30, 100}) {
    practiceSettings.BandNoiseLevel.store(level);
    AudioRenderState state;
    std::vector<float> out = Render(state, kRateHz * 4);
    double sumSquares = 0;
    for (float y : out) {
      ASSERT_TRUE(std::isfinite(y));
      sumSquares += y * y;
    }
    const double rms = std::sqrt(sumSquares / out.size());
    EXPECT_GT(rms, previousRms * 1.3) << "level " << level;
    EXPECT_GT(rms, 0.001) << "level " << level;
    previousRms = rms;
  }
}

// Station 4 (activity 5) is 215 Hz above the tone, keyed 318 ms on, 318 off, 318 on, 636 off.
TEST_F(BandTest, FifthStationSoundsAt215HzAboveInA1590MsCycle) {
  runFlags.bandMasterSwitch.store(1);
  practiceSettings.BandQRM.store(1);
  practiceSettings.Freq.store(700);
  practiceSettings.BandActivity.store(5);
  AudioRenderState state;
  const int seconds = 5;
  std::vector<float> out = Render(state, kRateHz * seconds, 128, 0);  // tick 0 at frame 0

  // On/off every 10 ms from the 915 Hz component in 40 ms windows (narrow enough to reject the station
  // 86 Hz below).
  const size_t hop = kRateHz / 100, window = kRateHz / 25;
  std::vector<int> on;
  for (size_t w = 0; w * hop + window <= out.size(); ++w) {
    on.push_back(ToneAmplitude(out, w * hop, window, 915.0) > 0.02 ? 1 : 0);
  }
  std::vector<int> starts;
  for (size_t w = 1; w < on.size(); ++w) {
    if (on[w] && !on[w - 1]) starts.push_back(static_cast<int>(w) * 10);
  }
  // Marks start at tick 0 + 1590 k - 91*4 (mod 1590) and 318 ms after each mark's gap.
  ASSERT_GE(starts.size(), 5u);
  for (size_t k = 2; k < starts.size(); ++k) {
    EXPECT_NEAR(starts[k] - starts[k - 2], 1590, 20) << "mark " << k;
  }
  // The frequency inside one mark: a 250 ms window placed inside the first full mark.
  size_t markStart = static_cast<size_t>(starts[0] + 30) * kRateHz / 1000;
  const size_t span = kRateHz / 4;
  double best = 0, bestHz = 0;
  for (double hz = 860; hz <= 990; hz += 0.5) {
    double a = ToneAmplitude(out, markStart, span, hz);
    if (a > best) best = a, bestHz = hz;
  }
  EXPECT_NEAR(bestHz, 915.0, 1.5);
  EXPECT_NEAR(best, 0.2 * 0.34 * 0.68, 0.03);  // its level: gain 0.2 x bright 0.34 x (0.33 + 0.35)

  // Activity 0: no station at all.
  practiceSettings.BandActivity.store(0);
  AudioRenderState quiet;
  EXPECT_EQ(PeakAbs(Render(quiet, kRateHz)), 0.0f);
}

// The width sets the wanted signal's level, and the stations pass the filter: the farthest (215 Hz off)
// is quieter behind 250 Hz than behind 1 kHz, the nearest (43 Hz off) about as loud.
TEST_F(BandTest, FilterWidthSetsTheSignalLevelAndShapesTheStations) {
  runFlags.bandMasterSwitch.store(1);
  practiceSettings.Freq.store(700);
  std::vector<float> keyUp[3];
  float keyedPeak[3];
  for (int width = 0; width < 3; ++width) {
    practiceSettings.BandFilterWidth.store(width);
    practiceSettings.BandQRM.store(1);
    practiceSettings.BandActivity.store(5);
    AudioRenderState upState;
    keyUp[width] = Render(upState, kRateHz * 2, 128, 0);
    practiceSettings.BandQRM.store(0);
    AudioRenderState keyedState;
    KeyBetween(FrameUs(100), FrameUs(kRateHz / 2));
    keyedPeak[width] = PeakAbs(Render(keyedState, kRateHz / 2));
  }
  EXPECT_NEAR(keyedPeak[0] / keyedPeak[1], 0.76, 0.002);
  EXPECT_NEAR(keyedPeak[2] / keyedPeak[1], 1.05, 0.002);
  auto level = [&](int width, double hz) { return ToneAmplitude(keyUp[width], 0, keyUp[width].size(), hz); };
  EXPECT_LT(level(0, 915), 0.6 * level(2, 915));
  EXPECT_GT(level(0, 743), 0.9 * level(2, 743));
}

TEST_F(BandTest, ChirpRestartsAtEveryKeyDownAndSettlesIn95Ms) {
  runFlags.bandMasterSwitch.store(1);
  practiceSettings.BandChirp.store(1);
  practiceSettings.BandActivity.store(0);
  BandState state;
  BandBuffer buffer;
  const double omega = 0.1;
  auto incrementAt = [&](uint32_t tick, int32_t key) {
    PrepareBandBuffer(buffer, tick, kRateHz, 800, 0);
    double increment = 0;
    BandFrame(state, buffer, key, 1.0f, 1.0, increment, omega);
    return increment;
  };
  for (uint32_t down : {1000u, 1300u, 5000u}) {  // three key-downs, as a keyer's dots
    EXPECT_EQ(incrementAt(down - 1, 0), omega);
    EXPECT_NEAR(incrementAt(down, 1), omega * 1.03, 1e-12) << down;
    EXPECT_GT(incrementAt(down + 50, 1), omega * 1.01);
    EXPECT_LT(incrementAt(down + 50, 1), omega * 1.02);
    EXPECT_GT(incrementAt(down + 94, 1), omega);
    EXPECT_EQ(incrementAt(down + 95, 1), omega);
    EXPECT_EQ(incrementAt(down + 200, 0), omega);
  }
  practiceSettings.BandActivity.store(5);  // deeper with activity: 5 % at the start
  incrementAt(9000, 0);
  EXPECT_NEAR(incrementAt(9001, 1), omega * 1.05, 1e-12);
}

TEST_F(BandTest, EchoRepeatsTheSignal200MsLaterAtThreeTenths) {
  runFlags.bandMasterSwitch.store(1);
  practiceSettings.BandEcho.store(1);
  AudioRenderState state;
  KeyBetween(FrameUs(1000), FrameUs(1000 + kRateHz / 20));  // 50 ms of tone
  std::vector<float> out = Render(state, kRateHz / 2);
  const int delay = kRateHz / 5;
  for (int i = 1000; i < 1000 + kRateHz / 20 + 50; ++i) {
    ASSERT_NEAR(out[i + delay], 0.3f * out[i], 1e-6f) << i;
  }
  EXPECT_GT(PeakAbs(out, 1000 + delay, 1000 + delay + kRateHz / 20), 0.08f);
}

TEST_F(BandTest, UnevenElementLengthStaysWithinItsBounds) {
  for (uint32_t a : {30u, 90u, 240u}) {
    EXPECT_EQ(UnevenElementLength(a, true, 12345), a);  // switch off: unchanged
  }
  practiceSettings.BandUnevenLength.store(1);
  runFlags.bandMasterSwitch.store(0);  // independent of the master switch
  for (bool dash : {false, true}) {
    const double low = dash ? 0.78 : 0.82, high = dash ? 1.22 : 1.18;
    for (uint32_t a : {10u, 24u, 60u, 180u, 500u}) {
      uint32_t shortest = UINT32_MAX, longest = 0;
      for (uint32_t tick = 0; tick < 200000; tick += 7) {
        uint32_t length = UnevenElementLength(a, dash, tick);
        ASSERT_GE(length, 20u);
        ASSERT_GE(length, std::min<uint32_t>(a, static_cast<uint32_t>(low * a)));
        ASSERT_LE(length, std::max<double>(20.0, high * a));
        shortest = std::min(shortest, length);
        longest = std::max(longest, length);
      }
      if (a >= 60) {
        EXPECT_LT(shortest, a * (low + 0.05)) << a;  // the whole range is used
        EXPECT_GT(longest, a * (high - 0.05)) << a;
      }
    }
  }
}

TEST_F(BandTest, ResetTurnsTheMasterOffAndRestartsTheStations) {
  runFlags.bandMasterSwitch.store(1);
  practiceSettings.BandQRM.store(1);
  practiceSettings.BandActivity.store(5);
  AudioRenderState state;
  Render(state, 1000);
  EXPECT_NE(state.band.stationPhase[0], 0.0);
  ResetBandSimulation();
  EXPECT_EQ(runFlags.bandMasterSwitch.load(), 0);
  runFlags.bandMasterSwitch.store(1);
  Render(state, 1, 1);  // the next buffer honours the reset, then advances one frame
  EXPECT_NEAR(state.band.stationPhase[0], 843.0 * 6.283185307 / kRateHz, 1e-12);
}

}  // namespace
