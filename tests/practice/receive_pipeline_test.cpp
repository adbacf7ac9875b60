// SPDX-License-Identifier: GPL-3.0-or-later
// Receive practice end to end on virtual time: RX START -> playback -> levers -> keying tick -> queue ->
// judge -> scoring and logs, for both scripts' built-in telegrams at several speeds; demonstration sending;
// pauses and a stop in the middle of a run.
#include <gtest/gtest.h>

#include <tuple>

#include "core/tone_flag.h"
#include "keying/playback.h"
#include "pipeline_test_fixture.h"
#include "practice/virtual_session.h"

namespace {

class ReceivePipelineTest : public ::testing::TestWithParam<std::tuple<Script, int>>, public PipelineFixture {
 protected:
  void SetUp() override { SetUpPipeline(); }
  void TearDown() override { TearDownPipeline(); }
};

TEST_P(ReceivePipelineTest, EveryCopyRightAndTheRunFinishedOnce) {
  const auto [script, wpm] = GetParam();
  UseScript(script);
  practiceSettings.WPM.store(wpm);

  VirtualSessionOptions options;
  options.start = StartPractice;
  VirtualSessionResult result;
  ASSERT_TRUE(RunVirtualSession(options, result));
  std::printf("  %s %d WPM: %.1f s of practice judged in %.2f s\n",
              script == Script::kLatin ? "Latin" : "kana", wpm, result.virtualDurationUs / 1e6,
              result.wallSeconds);

  ExpectEveryCopyEqualsItsModel();
  EXPECT_TRUE(judgeState.runFinished);
  EXPECT_EQ(runStatistics.wrong.load(), 0);
  EXPECT_EQ(runStatistics.completedRuns.load(), 1);
  EXPECT_EQ(MessageLine(), u"終了");
  EXPECT_EQ(runFlags.playing.load(), 0);
  EXPECT_EQ(runFlags.bandMasterSwitch.load(), 1);

  const std::vector<TelegramResultSnapshot> results = ShownTelegramResults();
  ASSERT_EQ(results.size(), 2u);
  int judged = 0;
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i + 1);
    int cells = 0, points = 0;
    CountCells(i, cells, points);
    judged += cells;
    const TelegramResultSnapshot& r = results[static_cast<size_t>(i)];
    EXPECT_EQ(r.currentNumber, i + 1);
    EXPECT_EQ(r.judged, cells);
    EXPECT_EQ(r.correct, cells);
    EXPECT_EQ(r.wrong, 0);
    EXPECT_EQ(r.accuracy, 100);
    EXPECT_EQ(r.points, points);
    EXPECT_EQ(r.maxPoints, points);
    EXPECT_EQ(r.deductions, 0);
    EXPECT_EQ(r.latinMode, script == Script::kLatin);
    EXPECT_EQ(r.grade, u"S");
    EXPECT_EQ(r.anotherFollows, i == 0);
    EXPECT_EQ(r.buttonCaption, i == 0 ? u"次の電報へ" : u"結果を閉じる");
  }
  EXPECT_EQ(runStatistics.judged.load(), judged);

  const std::string practiceLog = ReadAppFile("telegram_practice_log.csv");
  EXPECT_EQ(CountOf(practiceLog, ",\"完了\"\r\n"), 1u);
  EXPECT_EQ(CountOf(practiceLog, ",\"途中\"\r\n"), static_cast<size_t>(judged));
  const std::string textLog = ReadAppFile("telegram_practice_log.txt");
  EXPECT_EQ(CountOf(textLog, "間違い:"), 1u);
  EXPECT_EQ(CountOf(textLog, "間違い:なし\r\n"), 1u);
  EXPECT_EQ(CountOf(textLog, "正答率 100%  不正解率 0%  誤答 0"), 1u);
}

INSTANTIATE_TEST_SUITE_P(BuiltInTelegrams, ReceivePipelineTest,
                         ::testing::Combine(::testing::Values(Script::kKana, Script::kLatin),
                                            ::testing::Values(15, 25, 40)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) == Script::kLatin ? "Latin" : "Kana") +
                                  std::to_string(std::get<1>(info.param)) + "Wpm";
                         });

class PracticeSessionTest : public ::testing::Test, public PipelineFixture {
 protected:
  void SetUp() override { SetUpPipeline(); }
  void TearDown() override { TearDownPipeline(); }
};

// The demonstration keys the telegram through the same levers; with 送信 checked it is judged as sending
// and every element is announced on the message line.
TEST_F(PracticeSessionTest, DemonstrationIsJudgedAsSendingAndAnnouncesItsElements) {
  UseScript(Script::kKana);
  practiceSettings.WPM.store(40);
  int dotAnnouncements = 0, dashAnnouncements = 0, wrongAnnouncements = 0;
  bool wasClosed = false;
  VirtualSessionOptions options;
  options.start = StartDemoSending;
  options.everyMillisecond = [&](uint64_t) {
    EXPECT_EQ(runFlags.demonstration.load(), 1);
    const bool dot = keyLevers.serialDot.load() != 0, dash = keyLevers.serialDash.load() != 0;
    if ((dot || dash) && !wasClosed) {
      const std::u16string line = ControlText(kMessageLine);
      if (dot && line == u"デモ送信：短点  Jキー / DSR") {
        ++dotAnnouncements;
      } else if (dash && line == u"デモ送信：長点  Kキー / CTS") {
        ++dashAnnouncements;
      } else {
        ++wrongAnnouncements;
      }
    }
    wasClosed = dot || dash;
  };
  VirtualSessionResult result;
  ASSERT_TRUE(RunVirtualSession(options, result));

  EXPECT_TRUE(IsControlChecked(kSendRadio));
  EXPECT_FALSE(IsControlChecked(kReceiveRadio));
  ExpectEveryCopyEqualsItsModel();
  EXPECT_TRUE(judgeState.runFinished);
  EXPECT_EQ(runStatistics.wrong.load(), 0);
  EXPECT_EQ(ShownTelegramResults().size(), 2u);
  EXPECT_GT(dotAnnouncements, 100);
  EXPECT_GT(dashAnnouncements, 100);
  EXPECT_EQ(wrongAnnouncements, 0);
  EXPECT_EQ(runFlags.demonstration.load(), 0);
  EXPECT_EQ(MessageLine(), u"デモ送信終了");
  EXPECT_EQ(CountOf(ReadAppFile("telegram_practice_log.csv"), ",\"完了\"\r\n"), 1u);
}

// Pauses at many moments (inside elements, inside characters, in gaps, between telegrams): time freezes
// with the levers open and the tone off, and afterwards no character is missing, garbled or doubled.
TEST_F(PracticeSessionTest, PausesAnywhereFreezeTimeAndLoseNoCharacter) {
  for (Script script : {Script::kKana, Script::kLatin}) {
    SCOPED_TRACE(script == Script::kLatin ? "Latin" : "kana");
    UseScript(script);
    practiceSettings.WPM.store(25);
    VirtualSessionOptions options;
    options.start = StartPractice;
    VirtualSessionResult baseline;
    ASSERT_TRUE(RunVirtualSession(options, baseline));

    uint32_t random = 12345;  // a fixed LCG sequence: pauses fall on all phases of the keying
    auto next = [&random](uint32_t range) {
      random = random * 214013u + 2531011u;
      return (random >> 16) % range;
    };
    uint64_t nextPauseUs = 0, resumeUs = 0, pausedTotalUs = 0;
    int pauses = 0, leversHeldWhilePaused = 0, toneWhilePaused = 0;
    options.everyMillisecond = [&](uint64_t nowUs) {
      if (nextPauseUs == 0) nextPauseUs = nowUs + 1000 * (700 + next(2500));
      if (keyLevers.paused.load() != 0) {
        if (keyLevers.serialDot.load() || keyLevers.serialDash.load()) ++leversHeldWhilePaused;
        if (ReadToneOn() != 0) ++toneWhilePaused;
        if (nowUs >= resumeUs) {
          SetPause(false);
          EXPECT_EQ(ControlText(kPauseButton), u"一旦停止");
          nextPauseUs = nowUs + 1000 * (700 + next(2500));
        }
      } else if (nowUs >= nextPauseUs) {
        SetPause(true);
        EXPECT_EQ(ControlText(kPauseButton), u"再開");
        EXPECT_EQ(ControlText(kMessageLine), u"一旦停止中");
        const uint64_t lengthUs = 1000 * (50 + next(900));
        resumeUs = nowUs + lengthUs;
        pausedTotalUs += lengthUs;
        ++pauses;
      }
    };
    VirtualSessionResult paused;
    ASSERT_TRUE(RunVirtualSession(options, paused));

    EXPECT_GT(pauses, 40);
    EXPECT_EQ(leversHeldWhilePaused, 0);
    EXPECT_EQ(toneWhilePaused, 0);
    ExpectEveryCopyEqualsItsModel();
    EXPECT_TRUE(judgeState.runFinished);
    EXPECT_EQ(runStatistics.wrong.load(), 0);
    EXPECT_EQ(Utf16ToUtf8(runStatistics.wrongList), "");
    // Frozen time adds the pauses; a character cut by a pause costs at most its own length again (a kana
    // character is at most 6 elements: 6 x 3u + 5u gaps = 23u) plus the 10 ms the routine takes to see a
    // resume.
    const uint64_t unitUs = 48000;
    EXPECT_GE(paused.virtualDurationUs, baseline.virtualDurationUs + pausedTotalUs);
    EXPECT_LE(paused.virtualDurationUs, baseline.virtualDurationUs + pausedTotalUs +
                                            static_cast<uint64_t>(pauses) * (23 * unitUs + 10000));
  }
}

// Stopped before its last telegram, the run still counts: what was judged is in the records.
TEST_F(PracticeSessionTest, StopInTheMiddleFinishesTheRunWithWhatWasJudged) {
  UseScript(Script::kLatin);
  practiceSettings.WPM.store(25);
  VirtualSessionOptions options;
  options.start = StartPractice;
  uint64_t stoppedAtUs = 0;
  options.everyMillisecond = [&](uint64_t nowUs) {
    if (stoppedAtUs == 0 && nowUs >= options.startUs + 20000000) {
      stoppedAtUs = nowUs;
      StopPractice();
    }
  };
  VirtualSessionResult result;
  ASSERT_TRUE(RunVirtualSession(options, result));
  EXPECT_LE(options.startUs + result.virtualDurationUs - stoppedAtUs, 10000u);
  EXPECT_TRUE(judgeState.runFinished);
  EXPECT_FALSE(telegramDocument.followInput);
  EXPECT_EQ(runFlags.playing.load(), 0);
  EXPECT_EQ(runFlags.bandMasterSwitch.load(), 0);
  EXPECT_FALSE(StatusTimerRunning());
  EXPECT_EQ(keyLevers.serialDot.load() + keyLevers.serialDash.load(), 0);
  // The level rule ran on the run's rate (all right: one level up), as at the end of the last telegram.
  EXPECT_NE(MessageLine().find(u"学習レベルを「初級」に変更しました"), std::u16string::npos);
  EXPECT_GT(runStatistics.judged.load(), 10);
  EXPECT_EQ(CountOf(ReadAppFile("telegram_practice_log.csv"), ",\"完了\"\r\n"), 1u);
  EXPECT_EQ(CountOf(ReadAppFile("telegram_practice_log.txt"), "入力文字:"), 1u);
  EXPECT_TRUE(ShownTelegramResults().empty());
}

}  // namespace
