// SPDX-License-Identifier: GPL-3.0-or-later
// The keying thread on real threads: levers moved from the test thread come out of the event queue as
// elements, characters and word gaps; pause, drop requests and the stop-all event work across threads.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/app.h"
#include "core/event.h"
#include "core/event_queue.h"
#include "core/keying_reset.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/threads.h"
#include "core/tone_flag.h"
#include "keying/keying_thread.h"

namespace {

using Clock = std::chrono::steady_clock;

void Sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ClearLevers() {
  keyLevers.serialDot.store(0);
  keyLevers.serialDash.store(0);
  keyLevers.keyboardDot.store(0);
  keyLevers.keyboardDash.store(0);
  keyLevers.paused.store(0);
  keyLevers.dropPendingCharacter.store(0);
}

// Waits until the queue yields an event of the kind, collecting everything popped; false on time-out.
bool CollectUntilKind(std::vector<KeyEvent>& events, int32_t kind, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < deadline) {
    KeyEvent event;
    while (PopKeyEvent(event)) {
      events.push_back(event);
      if (static_cast<int32_t>(event.kind) == kind) return true;
    }
    Sleep(5);
  }
  return false;
}

bool WaitForTone(int32_t on, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < deadline) {
    if (ReadToneOn() == on) return true;
    Sleep(1);
  }
  return ReadToneOn() == on;
}

bool AnswerBlank() {
  return true;
}

// 5 WPM: unit 240 ms, dash threshold 480 ms, character gap 480 ms, time-out 720 ms, word gap 1680 ms. The
// wide margins keep the keyed timing readable on a loaded machine.
class KeyingThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettingsToDefaults();
    practiceSettings.WPM.store(5);
    LatinMode.store(0);
    ClearLevers();
    InstallKeyEventConsumers(KeyEventConsumers{});
    app.stopAllEvent = CreateEvent(true, false);
    EnableEventQueue();
    ASSERT_TRUE(StartThread(thread_, KeyingThreadMain));
  }
  void TearDown() override {
    SetEvent(app.stopAllEvent);
    EXPECT_TRUE(WaitAndForget(thread_, 5000));
    ClearLevers();
    DisableEventQueue();
    InstallKeyEventConsumers(KeyEventConsumers{});
    ResetSettingsToDefaults();
    LatinMode.store(0);
  }
  ThreadSlot thread_;
};

TEST_F(KeyingThreadTest, LeversBecomeElementsAndACharacter) {
  keyLevers.serialDot.store(1);
  ASSERT_TRUE(WaitForTone(1, 2000));
  Sleep(100);
  keyLevers.serialDot.store(0);
  Sleep(100);
  keyLevers.keyboardDash.store(1);  // the dash lever of the other source belongs to the same contact pair
  Sleep(700);
  keyLevers.keyboardDash.store(0);

  std::vector<KeyEvent> events;
  ASSERT_TRUE(CollectUntilKind(events, 2, 5000));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, KeyEventKind::kElement);
  EXPECT_EQ(events[0].element, u'\u30FB');
  EXPECT_GE(events[0].durationMs, 50u);
  EXPECT_EQ(events[1].kind, KeyEventKind::kElement);
  EXPECT_EQ(events[1].element, u'\u30FC');
  EXPECT_GE(events[1].durationMs, 480u);
  EXPECT_STREQ(events[2].code, ".-");
  EXPECT_GE(events[2].tickMs - events[1].tickMs, 720u);  // finished by the time-out after the dash
  EXPECT_TRUE(WaitForTone(0, 1000));
}

TEST_F(KeyingThreadTest, AutoKeyerSendsDotsWhileTheLeverIsHeld) {
  practiceSettings.Auto.store(1);
  keyLevers.keyboardDot.store(1);
  Sleep(1300);  // about two and a half dots of 240 ms with 240 ms spaces
  keyLevers.keyboardDot.store(0);
  std::vector<KeyEvent> events;
  ASSERT_TRUE(CollectUntilKind(events, 2, 5000));
  ASSERT_GE(events.size(), 3u);
  for (size_t i = 0; i + 1 < events.size(); ++i) {
    EXPECT_EQ(events[i].kind, KeyEventKind::kElement);
    EXPECT_EQ(events[i].element, u'\u30FB');
    // The keyer, not the hand, times each dot: 240 ms, a little more if the thread was held up.
    EXPECT_GE(events[i].durationMs, 200u);
    EXPECT_LE(events[i].durationMs, 400u);
  }
}

// What the thread hands the tick: the keyer chosen, paddle reverse on the learner's levers only, and the
// Space binding as a straight key. 10 WPM (unit 120 ms); the lever is held 650 ms.
TEST_F(KeyingThreadTest, KeyerSettingsReachTheTick) {
  struct Row {
    const char* name;
    KeyLever* lever;
    int32_t mode, reverse, binding, keyboardKeying, playing;
    const char* code;
  };
  const Row rows[] = {
      {"Iambic A repeats the dot", &keyLevers.keyboardDot, 1, 0, kJKBinding, 1, 0, "..."},
      {"paddle reverse turns the keyboard dot into dashes", &keyLevers.keyboardDot, 1, 1, kJKBinding, 1, 0,
       "--"},
      {"paddle reverse turns the serial key's dot into dashes", &keyLevers.serialDot, 1, 1, kJKBinding, 0, 0,
       "--"},
      {"the playback's dot stays a dot under paddle reverse", &keyLevers.serialDot, 1, 1, kJKBinding, 0, 1,
       "..."},
      {"Space is a straight key whatever the keyer", &keyLevers.keyboardDot, 2, 0, kSpaceStraightBinding, 1,
       0, "-"},
      {"the Space binding leaves the serial key to the keyer", &keyLevers.serialDot, 2, 0,
       kSpaceStraightBinding, 0, 0, "..."},
  };
  practiceSettings.WPM.store(10);
  practiceSettings.Auto.store(1);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    practiceSettings.KeyerMode.store(row.mode);
    practiceSettings.PaddleReverse.store(row.reverse);
    practiceSettings.KeyBinding.store(row.binding);
    keyLevers.keyboardKeying.store(row.keyboardKeying);
    runFlags.playing.store(row.playing);
    row.lever->store(1);
    Sleep(650);
    row.lever->store(0);
    std::vector<KeyEvent> events;
    ASSERT_TRUE(CollectUntilKind(events, 2, 5000));
    EXPECT_STREQ(events.back().code, row.code);
    ASSERT_TRUE(WaitForTone(0, 1000));
  }
  keyLevers.keyboardKeying.store(0);
  runFlags.playing.store(0);
}

TEST_F(KeyingThreadTest, WordGapAsksTheInstalledJudge) {
  LatinMode.store(1);
  KeyEventConsumers consumers;
  consumers.spaceExpected = AnswerBlank;
  InstallKeyEventConsumers(consumers);
  keyLevers.serialDot.store(1);
  ASSERT_TRUE(WaitForTone(1, 2000));
  Sleep(100);
  keyLevers.serialDot.store(0);
  std::vector<KeyEvent> events;
  ASSERT_TRUE(CollectUntilKind(events, 3, 6000));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1].kind, KeyEventKind::kCharacter);
  EXPECT_GE(events[2].tickMs - events[0].tickMs, 1680u);
}

TEST_F(KeyingThreadTest, PausedThreadStaysSilent) {
  keyLevers.paused.store(1);
  Sleep(20);
  keyLevers.serialDot.store(1);
  keyLevers.serialDash.store(1);
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(ReadToneOn(), 0);
    Sleep(10);
  }
  keyLevers.serialDot.store(0);
  keyLevers.serialDash.store(0);
  std::vector<KeyEvent> events;
  EXPECT_FALSE(CollectUntilKind(events, 2, 1200));
  EXPECT_TRUE(events.empty());
}

TEST_F(KeyingThreadTest, DropRequestForgetsThePartlyKeyedCharacter) {
  keyLevers.serialDot.store(1);
  ASSERT_TRUE(WaitForTone(1, 2000));
  Sleep(100);
  keyLevers.serialDot.store(0);
  ASSERT_TRUE(WaitForTone(0, 1000));
  keyLevers.dropPendingCharacter.store(1);  // well within the 720 ms time-out
  std::vector<KeyEvent> events;
  EXPECT_FALSE(CollectUntilKind(events, 2, 1500));
  EXPECT_EQ(keyLevers.dropPendingCharacter.load(), 0);  // taken by the keying thread
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, KeyEventKind::kElement);
}

// RX START during a receive run: the old run is stopped mid-element and the new one closes a lever a few
// milliseconds later. The old key-down must not run on into the new run's first element (it turned the
// first dot of 一 ".----" into a dash, so the new run began with "0", judged wrong).
TEST_F(KeyingThreadTest, KeyingResetForgetsTheKeyDownInProgress) {
  struct Row {
    const char* what;
    int gapMs;
  } rows[] = {{"next run keys at once", 1}, {"next run keys a little later", 4}};
  for (const Row& row : rows) {
    keyLevers.serialDot.store(1);
    ASSERT_TRUE(WaitForTone(1, 2000)) << row.what;
    Sleep(600);  // a dash-long key-down of the stopped run
    ResetKeyingState();
    Sleep(row.gapMs);
    keyLevers.serialDot.store(1);  // the new run's first dot
    Sleep(200);
    keyLevers.serialDot.store(0);
    std::vector<KeyEvent> events;
    ASSERT_TRUE(CollectUntilKind(events, 2, 2000)) << row.what;
    EXPECT_STREQ(events.back().code, ".") << row.what;
  }
}

TEST_F(KeyingThreadTest, StopAllEndsTheThreadAndClearsTheTone) {
  keyLevers.keyboardDot.store(1);
  ASSERT_TRUE(WaitForTone(1, 2000));
  SetEvent(app.stopAllEvent);
  EXPECT_TRUE(WaitAndForget(thread_, 1500));
  EXPECT_EQ(ReadToneOn(), 0);  // cleared at the end although the lever is still closed
}

}  // namespace
