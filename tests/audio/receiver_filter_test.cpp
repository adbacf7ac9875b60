// SPDX-License-Identifier: GPL-3.0-or-later
// The receiver filter on the band: the static rendered to a WAV file by the offline engine, read back and
// measured with Goertzel bins, at each filter width. (The sidetone, master switch off, stays the plain tone
// whatever the width: band_simulation_test.cpp.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "audio/band_simulation.h"
#include "audio_test_support.h"

using namespace audiotest;

namespace {

// 16-bit mono PCM as WriteWavFile writes it: the 44-byte header, then the samples.
std::vector<float> ReadWav(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<float> samples;
  for (size_t i = 44; i + 1 < bytes.size(); i += 2) {
    const auto low = static_cast<unsigned char>(bytes[i]), high = static_cast<unsigned char>(bytes[i + 1]);
    samples.push_back(static_cast<int16_t>(low | (high << 8)) / 32767.0f);
  }
  return samples;
}

std::vector<float> RenderToWavAndBack(int frames) {
  AudioRenderState state;
  char path[] = "/tmp/nemora-filter-XXXXXX.wav";
  const int fd = mkstemps(path, 4);
  if (fd < 0) return {};
  close(fd);
  std::vector<float> back =
      WriteWavFile(path, Render(state, frames), kRateHz) ? ReadWav(path) : std::vector<float>{};
  std::remove(path);
  return back;
}

// Mean power at hz over 100 ms Hann windows, in dB.
double PowerDb(const std::vector<float>& x, double hz) {
  const size_t window = kRateHz / 10;
  double sum = 0;
  int count = 0;
  for (size_t at = 0; at + window <= x.size(); at += window, ++count) {
    const double a = ToneAmplitude(x, at, window, hz);
    sum += a * a;
  }
  return 10.0 * std::log10(sum / count + 1e-30);
}

// How far the static 1 kHz or more from the tone lies below the static at the tone: the least of the bins
// from 1 kHz off to 5 kHz off, on both sides where they exist.
double FarStaticBelowToneDb(const std::vector<float>& x, double toneHz) {
  double atTone = 0;
  for (double d = -20; d <= 20; d += 10) atTone += std::pow(10.0, PowerDb(x, toneHz + d) / 10.0) / 5;
  double loudestFar = -1e9;
  for (double d = 1000; d <= 5000; d += 250) {
    loudestFar = std::max(loudestFar, PowerDb(x, toneHz + d));
    if (toneHz - d > 50) loudestFar = std::max(loudestFar, PowerDb(x, toneHz - d));
  }
  return 10.0 * std::log10(atTone) - loudestFar;
}

// Expected shaping at 1 kHz off, from three band-pass sections 3 dB down together at +-width/2: a 250 Hz
// filter takes at least 20 dB away at every pitch, a 500 Hz one about 15 dB at 800 Hz, a 1 kHz one about 6.
struct Row {
  const char* name;
  int32_t width;  // BandFilterWidth
  int32_t toneHz;
  double minDb, maxDb;
};
const Row kRows[] = {
    {"250 Hz at the lowest pitch", 0, 300, 20, 40},   {"250 Hz at 800 Hz", 0, 800, 20, 45},
    {"250 Hz at the highest pitch", 0, 1200, 20, 45}, {"500 Hz at 800 Hz shapes less", 1, 800, 11, 19},
    {"1 kHz at 800 Hz shapes least", 2, 800, 3, 9},
};

TEST(ReceiverFilter, StaticFarFromTheToneIsShapedByTheWidth) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    ResetAudioTestState();
    runFlags.bandMasterSwitch.store(1);
    practiceSettings.BandQRN.store(1);
    practiceSettings.BandNoiseLevel.store(100);
    practiceSettings.BandFilterWidth.store(row.width);
    practiceSettings.Freq.store(row.toneHz);
    const std::vector<float> wav = RenderToWavAndBack(kRateHz * 3);
    ASSERT_EQ(wav.size(), static_cast<size_t>(kRateHz * 3));
    const double below = FarStaticBelowToneDb(wav, row.toneHz);
    std::printf("%s: the static 1 kHz off lies %.1f dB below the static at the tone\n", row.name, below);
    EXPECT_GE(below, row.minDb);
    EXPECT_LE(below, row.maxDb);
  }
  ResetAudioTestState();
}

}  // namespace
