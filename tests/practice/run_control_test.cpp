// SPDX-License-Identifier: GPL-3.0-or-later
// Run control: element statistics and status lines, pause, the start and stop operations with their
// seams to the key sources, the playback-thread waits, and the event thread's telegram-start consumer.
#include "practice/run_control.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/audio_engine.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/tone_flag.h"
#include "keying/playback.h"
#include "pipeline_test_fixture.h"

namespace {

uint64_t fakeNowUs = 0;
uint64_t FakeNow() {
  return fakeNowUs;
}
void FakeSleepUntil(uint64_t deadlineUs) {
  if (deadlineUs > fakeNowUs) fakeNowUs = deadlineUs;
}

// Key-source seams, recording what run control asked of them.
struct KeySourceLog {
  int installs = 0, removes = 0, focuses = 0, opens = 0, closes = 0, monitors = 0, detects = 0;
  std::u16string openedPort;
  bool openSucceeds = false;
  bool portOpen = false;
  int launches = 0;
  void (*launchedBody)() = nullptr;
  bool launchSucceeds = true;
};
KeySourceLog keySource;

RunControlHooks RecordingHooks() {
  RunControlHooks hooks;
  hooks.focusMainWindow = [] { ++keySource.focuses; };
  hooks.installKeyHook = [] { ++keySource.installs; };
  hooks.removeKeyHook = [] { ++keySource.removes; };
  hooks.openKeyPortHook = [](const std::u16string& port) {
    ++keySource.opens;
    keySource.openedPort = port;
    keySource.portOpen = keySource.openSucceeds;
    return keySource.openSucceeds;
  };
  hooks.keyPortIsOpen = [] { return keySource.portOpen; };
  hooks.serialMonitorThread = [] { ++keySource.monitors; };
  hooks.detectKeyType = [] { ++keySource.detects; };
  hooks.launchPlayback = [](ThreadSlot&, void (*body)()) {
    ++keySource.launches;
    keySource.launchedBody = body;
    return keySource.launchSucceeds;
  };
  return hooks;
}

class RunControlTest : public ::testing::Test, public PipelineFixture {
 protected:
  void SetUp() override {
    SetUpPipeline();
    keySource = KeySourceLog{};
    InstallRunControlHooks(RecordingHooks());
    app.closeSerialPort = [] {
      ++keySource.closes;
      keySource.portOpen = false;
    };
    app.serialStopEvent = CreateEvent(true, false);
    UseScript(Script::kKana);
  }
  void TearDown() override {
    RemoveClockHooks();
    app.closeSerialPort = nullptr;
    WaitAndForget(app.serialMonitorThread, 1000);
    InstallRunControlHooks(RunControlHooks{});
    runFlags.playing.store(0);
    keyLevers.paused.store(0);
    TearDownPipeline();
  }
  static std::u16string Line2() { return ControlText(kStatusLine2); }
};

// ---- Element statistics and status lines ---------------------------------------------------------------

TEST_F(RunControlTest, InstantSpeedFromIntervalsAndFirstElements) {
  struct Row {
    const char* name;
    char16_t element;
    uint32_t durationMs;
    uint32_t tickMs;
    const char16_t* line;
  } rows[] = {
      {"first dot of 60 ms", u'・', 60, 10000, u"直前符号[0060 ms] 間隔[0000 ms] 瞬時[020 WPM/0100 CPM]"},
      {"dash ending 360 ms later", u'ー', 200, 10360,
       u"直前符号[0200 ms] 間隔[0360 ms] 瞬時[010 WPM/0050 CPM]"},
      {"not an element: ignored", u'A', 5, 10400, u"直前符号[0200 ms] 間隔[0360 ms] 瞬時[010 WPM/0050 CPM]"},
      {"dot 1 ms later: capped", u'・', 1, 10361, u"直前符号[0001 ms] 間隔[0001 ms] 瞬時[999 WPM/4995 CPM]"},
      {"dash 2 ms later: at least one unit", u'ー', 2, 10363,
       u"直前符号[0002 ms] 間隔[0002 ms] 瞬時[999 WPM/4995 CPM]"},
      {"dot 80 ms later", u'・', 80, 10443, u"直前符号[0080 ms] 間隔[0080 ms] 瞬時[015 WPM/0075 CPM]"},
  };
  ResetElementStatistics();
  for (const Row& row : rows) {
    RecordElement(row.element, row.durationMs, row.tickMs);
    EXPECT_EQ(Utf16ToUtf8(Line2()), Utf16ToUtf8(row.line)) << row.name;
  }
  ResetElementStatistics();
  RecordElement(u'ー', 240, 20000);  // a first dash: its own length is three units
  EXPECT_EQ(elementStatistics.instantWpm.load(), 15);
  ResetElementStatistics();
  RecordElement(u'ー', 0, 20000);
  EXPECT_EQ(elementStatistics.instantWpm.load(), 999);
}

TEST_F(RunControlTest, StatusLineShowsKeysElapsedTimeAndSettings) {
  InstallClockHooks(ClockHooks{FakeNow, FakeSleepUntil});
  fakeNowUs = 50'000'000;
  ResetElementStatistics();
  fakeNowUs += 65'400'000;
  practiceSettings.WPM.store(22);
  practiceSettings.Freq.store(650);
  struct Row {
    int serialDot, serialDash, keyboardDot, keyboardDash;
    const char16_t* line;
  } rows[] = {
      {0, 0, 0, 0, u"入力[　　] 状態[OFF] 経過[001:05] 設定[022WPM 0650Hz]"},
      {1, 0, 0, 0, u"入力[・　] 状態[ON ] 経過[001:05] 設定[022WPM 0650Hz]"},
      {0, 0, 0, 1, u"入力[ー　] 状態[ON ] 経過[001:05] 設定[022WPM 0650Hz]"},
      {0, 1, 1, 0, u"入力[・ー] 状態[ON ] 経過[001:05] 設定[022WPM 0650Hz]"},
  };
  for (const Row& row : rows) {
    keyLevers.serialDot.store(row.serialDot);
    keyLevers.serialDash.store(row.serialDash);
    keyLevers.keyboardDot.store(row.keyboardDot);
    keyLevers.keyboardDash.store(row.keyboardDash);
    RefreshStatusLines();
    EXPECT_EQ(Utf16ToUtf8(ControlText(kStatusLine1)), Utf16ToUtf8(row.line));
  }
  // Without a run start the elapsed time counts from the run statistics' start.
  elementStatistics.runStartMs.store(0);
  runStatistics.startTick.store(static_cast<uint32_t>(fakeNowUs / 1000) - 3'725'000);
  RefreshStatusLines();
  EXPECT_NE(ControlText(kStatusLine1).find(u"経過[062:05]"), std::u16string::npos);
  runStatistics.startTick.store(0);
  RefreshStatusLines();
  EXPECT_NE(ControlText(kStatusLine1).find(u"経過[000:00]"), std::u16string::npos);

  SetMainWindowExists(false);
  SetControlText(kStatusLine1, u"");
  RefreshStatusLines();
  EXPECT_EQ(ControlText(kStatusLine1), u"");
  SetMainWindowExists(true);
  keyLevers.serialDash.store(0);
  keyLevers.keyboardDot.store(0);
}

// ---- Pause ---------------------------------------------------------------------------------------------

TEST_F(RunControlTest, PauseTwiceReturnsToRunningAndReleasesHeldKeys) {
  keyLevers.keyboardDot.store(1);
  keyLevers.serialDash.store(1);
  PushKeyEvent(CharacterEvent(".-", 1));
  TogglePause();
  EXPECT_EQ(keyLevers.paused.load(), 1);
  EXPECT_EQ(ControlText(kPauseButton), u"再開");
  EXPECT_EQ(MessageLine(), u"一旦停止中");
  EXPECT_EQ(keyLevers.keyboardDot.load() + keyLevers.serialDash.load(), 0);
  EXPECT_EQ(QueuedEventCount(), 0);
  EXPECT_EQ(keyLevers.dropPendingCharacter.load(), 1);
  EXPECT_EQ(playbackShared.pauseCount.load() > 0, true);
  TogglePause();
  EXPECT_EQ(keyLevers.paused.load(), 0);
  EXPECT_EQ(ControlText(kPauseButton), u"一旦停止");
  EXPECT_EQ(MessageLine(), u"再開");
  EXPECT_EQ(keySource.focuses, 2);

  runFlags.demonstration.store(1);
  SetPause(true);
  SetPause(false);
  EXPECT_EQ(MessageLine(), u"デモ送信再開");
  runFlags.demonstration.store(0);
}

TEST_F(RunControlTest, PauseStampIsTakenOnlyWhenThePauseBegins) {
  const uint32_t before = playbackShared.pauseCount.load();
  SetPause(true);
  SetPause(true);
  EXPECT_EQ(playbackShared.pauseCount.load(), before + 1);
  SetPause(false);
}

// ---- Starting and stopping -----------------------------------------------------------------------------

TEST_F(RunControlTest, ReceiveStartLaunchesPlaybackWithTheBandSwitchOn) {
  SetControlChecked(kKeyboardKeyerCheck, true);
  StartPractice();
  EXPECT_EQ(keySource.installs, 1);
  EXPECT_EQ(keyLevers.keyboardKeying.load(), 1);
  EXPECT_TRUE(StatusTimerRunning());
  EXPECT_EQ(keySource.launches, 1);
  EXPECT_EQ(keySource.launchedBody, &PlaybackRoutine);
  EXPECT_EQ(runFlags.playing.load(), 1);
  EXPECT_EQ(runFlags.demonstration.load(), 0);
  EXPECT_EQ(runFlags.bandMasterSwitch.load(), 1);
  EXPECT_EQ(MessageLine(), u"受信中");
  EXPECT_TRUE(telegramDocument.followInput);
  EXPECT_NE(elementStatistics.runStartMs.load(), 0u);
}

TEST_F(RunControlTest, ThreadsThatCannotStartAreReported) {
  keySource.launchSucceeds = false;
  StartReceivePlayback();
  EXPECT_EQ(runFlags.playing.load(), 0);
  StartDemoSending();
  EXPECT_EQ(runFlags.playing.load(), 0);
  EXPECT_EQ(runFlags.demonstration.load(), 0);
  EXPECT_EQ(runFlags.bandMasterSwitch.load(), 0);
  const std::vector<MessageBoxRecord> boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, u"リアルタイム受信再生スレッドを開始できません。");
  EXPECT_EQ(boxes[1].text, u"デモ送信スレッドを開始できません。");
  for (const MessageBoxRecord& box : boxes) {
    EXPECT_EQ(box.caption, u"ERROR");
    EXPECT_EQ(box.icon, MessageBoxIcon::kError);
  }
}

TEST_F(RunControlTest, DemonstrationGivesUpTheSerialKeyAndSelectsSending) {
  keySource.portOpen = true;
  keyLevers.keyboardKeying.store(1);
  keyLevers.serialDot.store(1);
  StartDemoSending();
  EXPECT_TRUE(IsEventSet(app.serialStopEvent));
  EXPECT_EQ(keySource.closes, 1);
  EXPECT_EQ(keyLevers.keyboardKeying.load(), 0);
  EXPECT_EQ(keyLevers.serialDot.load(), 0);
  EXPECT_TRUE(IsControlChecked(kSendRadio));
  EXPECT_EQ(MessageLine(), u"デモ送信開始：J=短点 / K=長点");
  EXPECT_EQ(keySource.launchedBody, &DemonstrationThreadBody);
  EXPECT_EQ(runFlags.playing.load(), 1);
  EXPECT_EQ(runFlags.demonstration.load(), 1);
  EXPECT_EQ(runFlags.bandMasterSwitch.load(), 1);
}

TEST_F(RunControlTest, SendPracticeKeySources) {
  struct Row {
    const char* name;
    bool keyboard;
    std::vector<std::u16string> ports;
    int selection;
    bool openSucceeds;
    bool portOpenBefore;
    const char16_t* message;
    int boxes, opens, closes, monitors;
    const char16_t* port;
  } rows[] = {
      {"keyboard key", true, {}, -1, false, true, u"キー電鍵送信中  J=短点  K=長点", 0, 0, 1, 0, u""},
      {"no port selected", false, {u"USB Serial (ttyUSB0)"}, -1, true, false, u"送信中", 1, 0, 0, 0, u""},
      {"entry without a port name", false, {u"Bluetooth"}, 0, true, false, u"送信中", 0, 0, 0, 0, u""},
      {"port that cannot be opened",
       false,
       {u"USB Serial (ttyUSB3)"},
       0,
       false,
       false,
       u"送信中",
       0,
       1,
       0,
       0,
       u"ttyUSB3"},
      {"port opened",
       false,
       {u"A (ttyS0)", u"USB (Serial) (ttyACM1)"},
       1,
       true,
       false,
       u"送信中",
       0,
       1,
       0,
       1,
       u"ttyACM1"},
      {"open port closed first",
       false,
       {u"USB Serial (ttyUSB0)"},
       0,
       true,
       true,
       u"送信中",
       0,
       1,
       1,
       1,
       u"ttyUSB0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    keySource = KeySourceLog{};
    keySource.openSucceeds = row.openSucceeds;
    keySource.portOpen = row.portOpenBefore;
    ClearShownMessageBoxes();
    runFlags.bandMasterSwitch.store(1);
    SetControlChecked(kKeyboardKeyerCheck, row.keyboard);
    SetControlItems(kPortCombo, row.ports);
    SetControlSelection(kPortCombo, row.selection);
    CheckRadioButton(kReceiveRadio, kSendRadio, kSendRadio);
    StartPractice();
    WaitAndForget(app.serialMonitorThread, 1000);
    EXPECT_EQ(keySource.launches, 0);
    EXPECT_EQ(runFlags.bandMasterSwitch.load(), 0);
    EXPECT_EQ(Utf16ToUtf8(MessageLine()), Utf16ToUtf8(row.message));
    EXPECT_EQ(static_cast<int>(ShownMessageBoxes().size()), row.boxes);
    if (row.boxes == 1) {
      EXPECT_EQ(ShownMessageBoxes()[0].text, u"COMポートが選択されていません。");
    }
    EXPECT_EQ(keySource.opens, row.opens);
    EXPECT_EQ(keySource.closes, row.closes);
    EXPECT_EQ(keySource.monitors, row.monitors);
    EXPECT_EQ(keySource.detects, row.monitors);
    EXPECT_EQ(Utf16ToUtf8(keySource.openedPort), Utf16ToUtf8(row.port));
    EXPECT_EQ(keyLevers.keyboardKeying.load(), row.keyboard ? 1 : 0);
  }
}

TEST_F(RunControlTest, StopPracticeReturnsToIdle) {
  StartPractice();
  keyLevers.keyboardKeying.store(1);
  keyLevers.keyboardDash.store(1);
  SetPause(true);
  StopPractice();
  EXPECT_EQ(keyLevers.paused.load(), 0);
  EXPECT_EQ(ControlText(kPauseButton), u"一旦停止");
  EXPECT_EQ(keyLevers.keyboardKeying.load(), 0);
  EXPECT_EQ(keyLevers.keyboardDash.load(), 0);
  EXPECT_EQ(keySource.removes, 1);
  EXPECT_FALSE(StatusTimerRunning());
  EXPECT_EQ(runFlags.bandMasterSwitch.load(), 0);
  EXPECT_EQ(runFlags.playing.load(), 0);
  EXPECT_TRUE(IsEventSet(app.serialStopEvent));
  EXPECT_EQ(MessageLine(), u"停止");
  EXPECT_FALSE(telegramDocument.followInput);
  EXPECT_NE(ControlText(kStatusLine1).find(u"状態[OFF]"), std::u16string::npos);
}

// Outside a run nothing can sound, so the audio stream rests; each kind of run asks for its own buffering.
TEST_F(RunControlTest, EachRunTellsTheAudioStreamWhatItNeeds) {
  struct Row {
    const char* name;
    void (*act)();
    SoundUse expected;
  };
  const Row rows[] = {
      {"receive practice", [] { StartPractice(); }, SoundUse::kReceiving},
      {"send practice",
       [] {
         CheckRadioButton(kReceiveRadio, kSendRadio, kSendRadio);
         SetControlChecked(kKeyboardKeyerCheck, true);
         StartPractice();
       },
       SoundUse::kSending},
      {"demonstration", [] { StartDemoSending(); }, SoundUse::kReceiving},
      {"a demonstration that cannot start",
       [] {
         keySource.launchSucceeds = false;
         StartDemoSending();
         keySource.launchSucceeds = true;
       },
       SoundUse::kRest},
      {"RX STOP",
       [] {
         StartPractice();
         StopPractice();
       },
       SoundUse::kRest},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetSoundUse(row.expected == SoundUse::kRest ? SoundUse::kSending : SoundUse::kRest);
    row.act();
    EXPECT_EQ(static_cast<int>(CurrentSoundUse()), static_cast<int>(row.expected));
    StopPlayback();
  }
  SetSoundUse(SoundUse::kRest);
}

// ---- Waiting for real threads --------------------------------------------------------------------------

TEST_F(RunControlTest, StopPlaybackEndsARealPlaybackThreadInTheLongWait) {
  InstallRunControlHooks(RunControlHooks{});
  Telegram telegram;
  telegram.fields = {u"一", u"", u"", u"", u"", u"ア"};
  UseScript(Script::kKana, {telegram, telegram});
  practiceSettings.WPM.store(40);
  StartReceivePlayback();
  ASSERT_TRUE(ThreadExists(runControl.playbackThread));
  // The first telegram takes well under two seconds at 40 WPM; then the 5000 ms wait begins.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(runFlags.playing.load(), 1);
  const auto start = std::chrono::steady_clock::now();
  StopPlayback();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 1.0);
  EXPECT_FALSE(ThreadExists(runControl.playbackThread));
  EXPECT_EQ(runFlags.playing.load(), 0);
  EXPECT_EQ(keyLevers.serialDot.load() + keyLevers.serialDash.load(), 0);
}

TEST_F(RunControlTest, WaitingKeepsPostedStatusTextsFlowing) {
  ThreadSlot slot;
  ASSERT_TRUE(StartThread(slot, [] {
    SetStatusText(u"ワーカーから");
    // Ends as soon as the window thread has shown the text, at the latest after 3 s.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (ControlText(kMessageLine) != u"ワーカーから" && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(WaitAndForgetPumping(slot, 5000));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 2.0);
  EXPECT_FALSE(ThreadExists(slot));
  EXPECT_EQ(ControlText(kMessageLine), u"ワーカーから");
}

TEST_F(RunControlTest, ThreadThatDoesNotEndIsForgottenAfterTheTimeOut) {
  // Never released: the abandoned thread idles until the process ends, touching nothing that goes away.
  static std::atomic<bool> release{false};
  ThreadSlot slot;
  ASSERT_TRUE(StartThread(slot, [] {
    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WaitAndForgetPumping(slot, 100));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 0.099);  // the wait counts whole milliseconds of the tick
  EXPECT_LT(seconds, 1.0);
  EXPECT_FALSE(ThreadExists(slot));
}

// ---- The telegram-start consumer -----------------------------------------------------------------------

TEST_F(RunControlTest, TelegramStartMovesAStalledJudgeToThePlayedTelegram) {
  // The judge is halfway through telegram 1 when the playback starts telegram 2.
  JudgeInputCharacter(u'一');
  const LearnerCopy before = telegramDocument.working;
  telegramDocument.shownPage = 1;
  ShowPlaybackTelegram(2);
  EXPECT_EQ(telegramDocument.currentNumber, 2);
  EXPECT_EQ(judgeState.currentField, 0);
  EXPECT_EQ(judgeState.textPosition, 0);
  EXPECT_EQ(telegramDocument.shownPage, 0);
  EXPECT_EQ(telegramDocument.records[0].entered, before.entered);
  EXPECT_TRUE(telegramDocument.working.entered[0].empty());
  EXPECT_EQ(telegramScore.judged.load(), 0);

  // The same telegram again: only the page.
  JudgeInputCharacter(u'一');
  telegramDocument.shownPage = 1;
  ShowPlaybackTelegram(2);
  EXPECT_EQ(telegramDocument.currentNumber, 2);
  EXPECT_EQ(telegramDocument.working.entered[0], u"一");
  EXPECT_EQ(telegramDocument.shownPage, 0);
}

TEST_F(RunControlTest, TelegramStartBringsAPagedAheadSheetBack) {
  for (int i = 0; i < 5 && telegramDocument.currentNumber == 1; ++i) NextPage();  // the learner looks ahead
  ASSERT_EQ(telegramDocument.currentNumber, 2);
  ShowPlaybackTelegram(1);
  EXPECT_EQ(telegramDocument.currentNumber, 1);
  EXPECT_EQ(judgeState.currentField, 0);
}

TEST_F(RunControlTest, TelegramStartArrivesThroughTheQueue) {
  PostKeyEvent(TelegramStartEvent(2, 1));
  KeyEvent event;
  ASSERT_TRUE(PopKeyEvent(event));
  DispatchKeyEvent(event);
  EXPECT_EQ(telegramDocument.currentNumber, 2);
}

}  // namespace
