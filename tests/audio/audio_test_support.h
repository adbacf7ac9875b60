// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the audio tests: settings, key edges on a chosen time line, offline rendering and a
// Goertzel tone detector.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/audio_engine.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/tone_flag.h"

namespace audiotest {

constexpr int kRateHz = 48000;
constexpr uint64_t kStartUs = 1000000000ull;  // an arbitrary virtual start time (1000 s)

inline std::atomic<int32_t>* const kBandSwitches[] = {
    &practiceSettings.BandQRN,          &practiceSettings.BandQRM,      &practiceSettings.BandQSB,
    &practiceSettings.BandFlutter,      &practiceSettings.BandLids,     &practiceSettings.BandChirp,
    &practiceSettings.BandUnevenLength, &practiceSettings.BandAGC,      &practiceSettings.BandIFFilter,
    &practiceSettings.BandPitchDrift,   &practiceSettings.BandEcho,     &practiceSettings.BandMultipath,
    &practiceSettings.BandLightning,    &practiceSettings.BandAdjacent, &practiceSettings.BandSplit,
    &practiceSettings.BandAtmospheric,  &practiceSettings.BandHum,      &practiceSettings.BandIgnition,
    &practiceSettings.BandAgcPump,      &practiceSettings.BandRinging,  &practiceSettings.BandOverload,
};
static_assert(sizeof(kBandSwitches) / sizeof(kBandSwitches[0]) == 21);

inline void SetAllBandSwitches(int32_t value) {
  for (auto* s : kBandSwitches) s->store(value);
}

// Default settings, every switch off, master off, key up with no edge waiting.
inline void ResetAudioTestState() {
  ResetSettingsToDefaults();
  SetAllBandSwitches(0);
  runFlags.bandMasterSwitch.store(0);
  WriteToneOn(0, 0);
  DiscardToneEdges();
}

// Keys the tone on from onUs to offUs (virtual times) as the keying thread would.
inline void KeyBetween(uint64_t onUs, uint64_t offUs) {
  WriteToneOn(1, onUs);
  WriteToneOn(0, offUs);
}

inline std::vector<float> Render(AudioRenderState& state, int frames, int bufferFrames = 128,
                                 uint64_t startUs = kStartUs) {
  std::vector<float> mono;
  RenderOffline(state, mono, frames, kRateHz, bufferFrames, startUs);
  return mono;
}

// Amplitude of the component at hz in samples [begin, begin + count), Hann-windowed.
inline double ToneAmplitude(const std::vector<float>& x, size_t begin, size_t count, double hz,
                            int rateHz = kRateHz) {
  const double w = 2.0 * M_PI * hz / rateHz;
  double re = 0, im = 0, windowSum = 0;
  for (size_t i = 0; i < count && begin + i < x.size(); ++i) {
    double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / (count - 1));
    re += hann * x[begin + i] * std::cos(w * i);
    im -= hann * x[begin + i] * std::sin(w * i);
    windowSum += hann;
  }
  return 2.0 * std::sqrt(re * re + im * im) / windowSum;
}

inline float PeakAbs(const std::vector<float>& x, size_t begin = 0, size_t end = SIZE_MAX) {
  float peak = 0;
  for (size_t i = begin; i < x.size() && i < end; ++i) peak = std::max(peak, std::fabs(x[i]));
  return peak;
}

}  // namespace audiotest
