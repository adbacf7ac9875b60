// SPDX-License-Identifier: GPL-3.0-or-later
// The live engine's answer to recurring underflows, with a scripted device in place of the sound server:
// the stream is reopened one rung bigger at a time up to 8 periods of 128 frames, the message line says so
// once per step, and the reopened stream plays on.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "audio_test_support.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/threads.h"

namespace {

// A device thread that asks for a period every period while playing; the test raises its underflow count.
struct ScriptedDevice {
  std::thread thread;
  std::atomic<bool> stop{false}, playing{false};
};
// Frames of buffering (periods x period) of each open: the audio thread writes, the test reads after it
// has stopped.
std::vector<int32_t> openedFrames;

bool ScriptedOpen(AudioStream& stream, const AudioStreamConfig& config, AudioFillFunction fill, void* user,
                  AudioStreamReports& reports) {
  openedFrames.push_back(config.periods * config.periodFrames);
  auto* d = new ScriptedDevice;
  const int frames = config.periodFrames;
  d->thread = std::thread([d, fill, user, frames, &reports] {
    reports.deviceThreadId.store(CurrentThreadId());
    std::vector<float> buffer(static_cast<size_t>(frames) * 2);
    uint64_t at = MonotonicMicros();
    while (!d->stop) {
      if (d->playing) fill(buffer.data(), frames, 2, user);
      at += static_cast<uint64_t>(frames) * 1000000u / 48000u;
      SleepUntilMicros(at);
    }
  });
  stream.handle = d;
  stream.sampleRateHz = 48000;
  stream.channels = 2;
  stream.periodFrames = config.periodFrames;
  stream.periods = config.periods;
  return true;
}
bool ScriptedResume(AudioStream& stream) {
  static_cast<ScriptedDevice*>(stream.handle)->playing = true;
  return true;
}
bool ScriptedPause(AudioStream& stream) {
  static_cast<ScriptedDevice*>(stream.handle)->playing = false;
  return true;
}
void ScriptedClose(AudioStream& stream) {
  auto* d = static_cast<ScriptedDevice*>(stream.handle);
  if (!d) return;
  d->stop = true;
  d->thread.join();
  delete d;
  stream = AudioStream{};
}
void ScriptedLatency(AudioStream&) {}

const AudioBackend kScripted = {"scripted",    kAudioApiOther, ScriptedOpen,   ScriptedResume,
                                ScriptedPause, ScriptedClose,  ScriptedLatency};
const AudioBackend* const kScriptedList[] = {&kScripted};

struct Burst {
  const char* name;
  int underflows;                   // reported 150 ms apart
  int32_t expectedFrames;           // buffering of the stream afterwards (periods x period)
  const char16_t* expectedMessage;  // the message line afterwards (u"" = nothing new said)
};

const Burst kBursts[] = {
    {"a single underflow is not yet a pattern", 1, 256, u""},
    {"a second one within 20 s: one step", 1, 512,
     u"音が途切れるため、音声バッファを 512 フレーム（11 ms）に増やしました"},
    {"two more: the next step", 2, 768,
     u"音が途切れるため、音声バッファを 768 フレーム（16 ms）に増やしました"},
    {"two more again: the last step", 2, 1024,
     u"音が途切れるため、音声バッファを 1024 フレーム（21 ms）に増やしました"},
    {"more at the cap: nothing more to do or say", 3, 1024, u""},
};

TEST(BufferingSteps, RecurringUnderflowsReopenOneStepBiggerAndSaySoOnce) {
  audiotest::ResetAudioTestState();
  openedFrames.clear();
  UseAudioBackends(kScriptedList, 1);
  SetMainWindowExists(true);  // this thread stands for the window thread: posted texts run here
  SetControlText(1108, u"");
  app.stopAllEvent = CreateEvent(true, false);
  SetSoundUse(SoundUse::kSending);
  ThreadSlot audio;
  ASSERT_TRUE(StartThread(audio, AudioThreadMain));
  for (int waited = 0; waited < 2000 && !audioStream.open.load(); waited += 5) SleepMs(5);
  ASSERT_TRUE(WaitForSoundPlaying(1000));
  for (const Burst& burst : kBursts) {
    SCOPED_TRACE(burst.name);
    SleepMs(kStartGraceMs + 100);  // past the grace of the last (re)start
    for (int i = 0; i < burst.underflows; ++i) {
      audioStream.device.underflows.fetch_add(1);
      SleepMs(150);
    }
    SleepMs(200);
    ASSERT_TRUE(WaitForSoundPlaying(1000)) << "the reopened stream does not play";
    EXPECT_EQ(audioStream.numberOfBuffers.load() * audioStream.bufferFrames.load(), burst.expectedFrames);
    ProcessPostedMessages();
    EXPECT_EQ(ControlText(1108), std::u16string(burst.expectedMessage));
    SetControlText(1108, u"");
  }
  SetEvent(app.stopAllEvent);
  EXPECT_TRUE(WaitAndForget(audio, kThreadExitWaitMs));
  EXPECT_EQ(openedFrames, (std::vector<int32_t>{256, 512, 768, 1024}));
  SetMainWindowExists(false);
  UseAudioBackends(nullptr, 0);
  SetSoundUse(SoundUse::kRest);
}

}  // namespace
