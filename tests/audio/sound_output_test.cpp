// The real sound path: AudioThreadMain through RtAudio into a PulseAudio null sink, recorded from the sink's
// monitor. Checks pitch, that keying is heard, and that heard element lengths keep the keyed timing.
#include <gtest/gtest.h>

#include <cstdio>

#include "audio/audio_device.h"
#include "audio_test_support.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/threads.h"
#include "pulse_recorder.h"

using namespace pulsetest;

namespace {

constexpr int kToneHz = 750;  // 64 frames per period at 48 kHz
constexpr int kRate = 48000;

TEST(SoundOutput, NullSinkHearsTheKeyedToneAtItsPitchAndTiming) {
  PulseServer server;
  ASSERT_TRUE(StartPulseServer(server)) << server.problem;
  audiotest::ResetAudioTestState();
  practiceSettings.Freq.store(kToneHz);

  app.stopAllEvent = CreateEvent(true, false);
  ThreadSlot audio;
  ASSERT_TRUE(StartThread(audio, AudioThreadMain));
  for (int waited = 0; waited < 3000 && !audioStream.open.load(); waited += 10) SleepMs(10);
  ASSERT_EQ(audioStream.open.load(), 1) << "PulseAudio answers but the output stream did not open";
  EXPECT_EQ(audioStream.sampleRateHz.load(), kRate);
  EXPECT_EQ(audioStream.bufferFrames.load(), 128);
  EXPECT_EQ(audioStream.api.load(), kAudioApiPulse) << "the stream fell back from PulseAudio to ALSA";

  MonitorRecorder recorder;
  ASSERT_TRUE(StartMonitorRecorder(recorder, kRate, 20, server.sink));
  for (int waited = 0; waited < 3000 && RecordedFrames(recorder) < kRate / 10; waited += 10) SleepMs(10);
  ASSERT_GT(RecordedFrames(recorder), 0u) << "parec records nothing";
  SleepMs(300);  // the stream's frame clock settles

  // Key as the keying thread does: stamp each change with the moment it is made.
  const int lengthsMs[] = {60, 90, 30, 45, 150, 60, 35, 120, 240, 70, 50, 33, 100, 80};
  std::vector<uint64_t> keyedUs;
  uint64_t at = MonotonicMicros() + 20000;
  for (size_t k = 0; k < std::size(lengthsMs); ++k) {
    SleepUntilMicros(at);
    uint64_t now = MonotonicMicros();
    WriteToneOn(k % 2 == 0 ? 1 : 0, now);
    keyedUs.push_back(now);
    at += static_cast<uint64_t>(lengthsMs[k]) * 1000;
  }
  SleepUntilMicros(at);
  WriteToneOn(0, MonotonicMicros());
  SleepMs(400);
  StopMonitorRecorder(recorder);
  SetEvent(app.stopAllEvent);
  EXPECT_TRUE(WaitAndForget(audio, kThreadExitWaitMs));
  EXPECT_EQ(ReadToneOn(), 0);
  ReleasePulseServer(server);

  std::vector<float> envelope = ToneEnvelope(recorder.samples, kRate, kToneHz);
  std::vector<HeardEdge> heard = FindEdges(envelope, 0.3f);
  if (std::getenv("NEMORA_SOUND_TEST_DUMP")) {
    WriteWavFile(std::getenv("NEMORA_SOUND_TEST_DUMP"), recorder.samples, kRate);
    for (const HeardEdge& e : heard) std::printf("%s %.1f ms\n", e.on ? "on " : "off", e.frame / 48.0);
    for (uint64_t t : keyedUs) std::printf("keyed %.1f\n", (t - keyedUs[0]) / 1000.0);
  }
  ASSERT_EQ(heard.size(), std::size(lengthsMs)) << "keying not visible in the recording";
  for (size_t k = 0; k < heard.size(); ++k) EXPECT_EQ(heard[k].on, k % 2 == 0) << "edge " << k;
  // Pitch: zero crossings across the longest mark (240 ms), interpolated.
  const size_t markBegin = static_cast<size_t>(heard[8].frame) + 200,
               markEnd = static_cast<size_t>(heard[9].frame) - 200;
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t n = markBegin + 1; n < markEnd; ++n) {
    float a = recorder.samples[n - 1], b = recorder.samples[n];
    if (a < 0 && b >= 0) {
      double t = (n - 1) + a / (a - b);
      if (first < 0) first = t;
      last = t;
      ++crossings;
    }
  }
  ASSERT_GT(crossings, 100);
  double pitchHz = (crossings - 1) * static_cast<double>(kRate) / (last - first);
  EXPECT_NEAR(pitchHz, kToneHz, kToneHz * 0.01);
  // Full level of the plain tone (0.3) through the sink.
  EXPECT_NEAR(audiotest::PeakAbs(recorder.samples, markBegin, markEnd), 0.3f, 0.01f);
  // Element and gap lengths as heard against those keyed: the keying is sample-accurate, not per buffer.
  for (size_t k = 1; k < heard.size(); ++k) {
    double heardMs = (heard[k].frame - heard[k - 1].frame) * 1000.0 / kRate;
    double keyedMs = (keyedUs[k] - keyedUs[k - 1]) / 1000.0;
    EXPECT_NEAR(heardMs, keyedMs, 1.5) << "element or gap " << k;
  }
  std::printf("audio latency figures: buffers %d x %d frames, output delay %lld us, late edges %llu\n",
              audioStream.numberOfBuffers.load(), audioStream.bufferFrames.load(),
              static_cast<long long>(audioStream.outputDelayUs.load()),
              static_cast<unsigned long long>(audioStream.lateEdges.load()));
  EXPECT_EQ(audioStream.lateEdges.load(), 0u);
}

}  // namespace
