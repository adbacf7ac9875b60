// SPDX-License-Identifier: GPL-3.0-or-later
// The render loop's key-edge timing, the edge ring, WAV files and the audio thread's life without a device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "audio_test_support.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/threads.h"

using namespace audiotest;

namespace {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetAudioTestState(); }
  void TearDown() override { ResetAudioTestState(); }
};

// Key edges at awkward times: between frames, two edges within one frame, a one-frame key-down, a key-down
// 2 frames after a key-up. Times are whole microseconds, so none lies within 2 us of a frame's time (the
// render loop resolves edges to 1 us).
const uint64_t kEdgeOffsetsUs[] = {1013, 9377, 12005, 30500, 30541, 47919, 80010, 80013, 95555, 130211};

int FirstFrameAtOrAfter(uint64_t offsetUs) {
  return static_cast<int>((offsetUs * kRateHz + 999999) / 1000000);
}

// Silence expected per frame from the edge frames alone: the envelope steps 0.02 per frame towards the key.
std::vector<bool> ExpectedSound(int frames, uint64_t delayUs) {
  std::vector<bool> sounding(frames);
  int key = 0, k = 0, steps = 0;  // steps: envelope in units of 0.02
  for (int i = 0; i < frames; ++i) {
    while (k < static_cast<int>(std::size(kEdgeOffsetsUs)) &&
           FirstFrameAtOrAfter(kEdgeOffsetsUs[k] + delayUs) <= i) {
      key = k % 2 == 0 ? 1 : 0;
      ++k;
    }
    steps = std::clamp(steps + (key ? 1 : -1), 0, 50);
    sounding[i] = steps > 0;
  }
  return sounding;
}

std::vector<float> RenderEdges(int bufferFrames, uint64_t delayUs,
                               std::vector<uint64_t>* lateEdges = nullptr) {
  ResetAudioTestState();
  for (size_t k = 0; k < std::size(kEdgeOffsetsUs); ++k)
    WriteToneOn(k % 2 == 0 ? 1 : 0, kStartUs + kEdgeOffsetsUs[k]);
  AudioRenderState state;
  const int frames = kRateHz / 5;
  std::vector<float> out(frames);
  for (int done = 0; done < frames; done += bufferFrames) {
    int count = std::min(bufferFrames, frames - done);
    uint64_t firstUs = kStartUs + static_cast<uint64_t>(done) * 1000000ull / kRateHz;
    RenderFramesAtTick(state, out.data() + done, count, 1, kRateHz, firstUs, delayUs, 0);
  }
  if (lateEdges) lateEdges->push_back(state.lateEdges);
  return out;
}

// The envelope is 0 exactly when the output is silent between marks; its rises mark the key-down frames.
std::vector<int> KeyDownFrames(const std::vector<float>& out) {
  std::vector<int> frames;
  bool silent = true;
  int silentRun = 0;
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    if (out[i] != 0.0f) {
      if (silent) frames.push_back(i);
      silent = false;
      silentRun = 0;
    } else if (++silentRun > 1) {
      silent = true;
    }
  }
  return frames;
}

TEST_F(EngineTest, KeyEdgesLandOnTheirFrameWhateverTheBufferSize) {
  std::vector<uint64_t> late;
  std::vector<float> reference = RenderEdges(kRateHz, 0, &late);
  std::vector<bool> expected = ExpectedSound(static_cast<int>(reference.size()), 0);
  for (size_t i = 1; i < reference.size(); ++i) ASSERT_EQ(reference[i] != 0.0f, expected[i]) << "frame " << i;
  for (int bufferFrames : {1, 7, 64, 128, 441, 1000}) {
    EXPECT_EQ(RenderEdges(bufferFrames, 0, &late), reference) << bufferFrames << "-frame buffers";
  }
  for (uint64_t count : late) EXPECT_EQ(count, 0u);
}

TEST_F(EngineTest, OutputDelayShiftsEveryEdgeByTheSameFrames) {
  std::vector<float> delayed = RenderEdges(128, 5000);  // 240 frames
  std::vector<bool> expected = ExpectedSound(static_cast<int>(delayed.size()), 5000);
  for (size_t i = 1; i < delayed.size(); ++i) ASSERT_EQ(delayed[i] != 0.0f, expected[i]) << "frame " << i;
  std::vector<float> undelayed = RenderEdges(128, 0);
  EXPECT_EQ(KeyDownFrames(undelayed)[0] + 240, KeyDownFrames(delayed)[0]);
}

TEST_F(EngineTest, AnEdgeThatArrivesAfterItsFrameIsAppliedAtOnceAndCounted) {
  AudioRenderState state;
  std::vector<float> out(256);
  RenderFramesAtTick(state, out.data(), 128, 1, kRateHz, kStartUs, 0, 0);
  WriteToneOn(1, kStartUs + 1000);  // belonged to the buffer already rendered
  RenderFramesAtTick(state, out.data() + 128, 128, 1, kRateHz, kStartUs + 128 * 1000000ull / kRateHz, 0, 0);
  EXPECT_EQ(state.lateEdges, 1u);
  EXPECT_EQ(state.key, 1);
  EXPECT_EQ(KeyDownFrames(out), std::vector<int>{128});
}

TEST_F(EngineTest, EveryChannelCarriesTheSameSample) {
  WriteToneOn(1, kStartUs);
  AudioRenderState stereoState;
  std::vector<float> stereo(2 * 4800);
  RenderFramesAtTick(stereoState, stereo.data(), 4800, 2, kRateHz, kStartUs, 0, 0);
  ResetAudioTestState();
  WriteToneOn(1, kStartUs);
  AudioRenderState monoState;
  std::vector<float> mono(4800);
  RenderFramesAtTick(monoState, mono.data(), 4800, 1, kRateHz, kStartUs, 0, 0);
  for (int i = 0; i < 4800; ++i) {
    ASSERT_EQ(stereo[2 * i], mono[i]) << i;
    ASSERT_EQ(stereo[2 * i + 1], mono[i]) << i;
  }
  EXPECT_GT(PeakAbs(mono), 0.29f);
}

TEST_F(EngineTest, FrequencyFollowsTheSettingAtTheNextBuffer) {
  WriteToneOn(1, kStartUs);
  AudioRenderState state;
  std::vector<float> out;
  practiceSettings.Freq.store(600);
  RenderOffline(state, out, kRateHz / 2, kRateHz, 128, kStartUs);
  practiceSettings.Freq.store(1100);
  RenderOffline(state, out, kRateHz / 2, kRateHz, 128, kStartUs + 500000);
  EXPECT_GT(ToneAmplitude(out, kRateHz / 10, kRateHz / 4, 600.0), 0.28);
  EXPECT_LT(ToneAmplitude(out, kRateHz / 10, kRateHz / 4, 1100.0), 0.01);
  EXPECT_GT(ToneAmplitude(out, kRateHz * 6 / 10, kRateHz / 4, 1100.0), 0.28);
}

// The ring between the keying thread and the audio thread, under a real producer thread.
TEST_F(EngineTest, EdgeRingDeliversEveryEdgeInOrderAcrossThreads) {
  const uint64_t edges = 200000;
  std::thread producer([&] {
    for (uint64_t k = 1; k <= edges; ++k) {
      WriteToneOn(static_cast<int32_t>(k % 2), k * 10);
      if (k % 64 == 0) std::this_thread::yield();
    }
  });
  // The consumer may fall behind (then it skips to newer edges) but never sees an edge out of order, a
  // torn one (time and state from different edges) or one twice, and it ends with the last edge.
  uint64_t lastTime = 0, received = 0;
  ToneEdge edge;
  const uint64_t deadline = MonotonicMicros() + 20000000;
  while (lastTime < edges * 10 && MonotonicMicros() < deadline) {
    if (!PopToneEdge(edge)) continue;
    ASSERT_EQ(edge.timeUs % 10, 0u);
    ASSERT_GT(edge.timeUs, lastTime);
    ASSERT_EQ(static_cast<uint64_t>(edge.on), (edge.timeUs / 10) % 2) << "torn edge";
    lastTime = edge.timeUs;
    ++received;
  }
  producer.join();
  EXPECT_EQ(lastTime, edges * 10);
  EXPECT_GE(received, 256u);
  EXPECT_FALSE(PopToneEdge(edge));
}

TEST_F(EngineTest, EdgeRingKeepsTheNewestEdgesWhenItOverflows) {
  for (int k = 1; k <= 1000; ++k) WriteToneOn(k % 2, static_cast<uint64_t>(k));
  ToneEdge edge;
  std::vector<uint64_t> times;
  while (PopToneEdge(edge)) times.push_back(edge.timeUs);
  ASSERT_FALSE(times.empty());
  EXPECT_EQ(times.back(), 1000u);
  EXPECT_GE(times.size(), 200u);
  for (size_t k = 1; k < times.size(); ++k) EXPECT_EQ(times[k], times[k - 1] + 1);
  EXPECT_EQ(ReadToneOn(), 0);
  WriteToneOn(0, 2000);  // no change: no edge
  EXPECT_FALSE(PopToneEdge(edge));
}

TEST_F(EngineTest, ClearedFlagIsRewrittenByTheNextKeyingTick) {
  WriteToneOn(1, 100);
  ClearToneOn();
  EXPECT_EQ(ReadToneOn(), 0);
  WriteToneOn(0, 200);  // the keying thread's next tick after a reset: must still produce the key-up edge
  ToneEdge edge;
  ASSERT_TRUE(PopToneEdge(edge));
  EXPECT_EQ(edge.on, 1);
  ASSERT_TRUE(PopToneEdge(edge));
  EXPECT_EQ(edge.on, 0);
  EXPECT_EQ(edge.timeUs, 200u);
}

TEST_F(EngineTest, WavFileHoldsTheRenderedSamples) {
  char pattern[] = "/tmp/nemora-wav-XXXXXX";
  std::string dir = mkdtemp(pattern);
  std::string path = dir + "/tone.wav";
  KeyBetween(kStartUs + 1000, kStartUs + 50000);
  AudioRenderState state;
  std::vector<float> mono = Render(state, kRateHz / 10);
  mono.push_back(2.0f);  // out of range: clamped
  ASSERT_TRUE(WriteWavFile(path, mono, kRateHz));
  std::ifstream file(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 44 + 2 * mono.size());
  auto u32 = [&](size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
  };
  auto s16 = [&](size_t at) { return static_cast<int16_t>(bytes[at] | bytes[at + 1] << 8); };
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(u32(24), static_cast<uint32_t>(kRateHz));
  EXPECT_EQ(s16(22), 1);   // mono
  EXPECT_EQ(s16(34), 16);  // bits
  EXPECT_EQ(u32(40), 2 * mono.size());
  for (size_t i = 0; i + 1 < mono.size(); ++i) {
    ASSERT_NEAR(s16(44 + 2 * i) / 32767.0, mono[i], 1.0 / 32767) << i;
  }
  EXPECT_EQ(s16(44 + 2 * (mono.size() - 1)), 32767);
  EXPECT_FALSE(WriteWavFile(dir + "/missing/dir/x.wav", mono, kRateHz));
  std::remove(path.c_str());
  rmdir(dir.c_str());
}

// Without a reachable sound server or device the thread still waits for the stop event, ends in time and
// leaves the tone off.
TEST_F(EngineTest, AudioThreadWithoutADeviceEndsOnStopAndLeavesToneOff) {
  setenv("PULSE_SERVER", "unix:/nonexistent/nemora-no-server", 1);
  setenv("ALSA_CONFIG_PATH", "/nonexistent/nemora-no-alsa.conf", 1);
  app.stopAllEvent = CreateEvent(true, false);
  ThreadSlot slot;
  ASSERT_TRUE(StartThread(slot, AudioThreadMain));
  SleepMs(300);
  EXPECT_EQ(audioStream.open.load(), 0);
  WriteToneOn(1, MonotonicMicros());
  EXPECT_FALSE(ThreadFinished(slot));  // still waiting for the stop event
  SetEvent(app.stopAllEvent);
  EXPECT_TRUE(WaitAndForget(slot, kThreadExitWaitMs));
  EXPECT_EQ(ReadToneOn(), 0);
  unsetenv("PULSE_SERVER");
  unsetenv("ALSA_CONFIG_PATH");
}

}  // namespace
