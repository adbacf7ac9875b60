// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics reports and bars over real log files in a temporary NEMORA_HOME.
#include "records/statistics_report.h"

#include <algorithm>

#include "core/text.h"
#include "log_test_home.h"
#include "records/home_dashboard.h"
#include "records/log_summary.h"

namespace {

class StatisticsReportTest : public LogTestHome {
 protected:
  void SetUp() override {
    LogTestHome::SetUp();
    ForgetPracticeLogSummary();
  }
  StatisticsSources Sources(const CurrentRunFigures& run = IdleRun()) { return GatherStatistics(run); }
  static std::tm Today(int daysBack = 0) {
    std::time_t when = std::time(nullptr) - static_cast<std::time_t>(daysBack) * 86400;
    std::tm local{};
    localtime_r(&when, &local);
    local.tm_hour = 12;
    local.tm_min = 0;
    local.tm_sec = 0;
    return local;
  }
  static bool Contains(const std::u16string& text, std::u16string_view part) {
    return text.find(part) != std::u16string::npos;
  }
};

TEST_F(StatisticsReportTest, WithNoFilesEveryModeShowsZerosAndTheNoHistoryTexts) {
  const StatisticsSources sources = Sources();
  const std::u16string current = BuildReportText(kModeCurrent, sources);
  const char16_t* expected[] = {
      u"総練習時間\r\n0時間0分\r\n",
      u"総文字数\r\n0文字\r\n",
      u"練習時間 0分1秒  CPM 0  WPM 20  入力 0文字  正答率 0%  誤答率 0%\r\n",
      u"苦手文字ランキング\r\nまだ文字別CSV履歴がありません。\r\n\r\n最近10回\r\n",
      u"日時　　　　　　　　CPM　正答率\r\nまだ履歴CSVがありません。\r\n",
      u"[未達] 初回受信\r\n[未達] 100文字突破\r\n[未達] 1000文字突破\r\n[未達] 100通突破\r\n"
      u"[未達] CPM50突破\r\n[未達] 正答率99%突破\r\n",
  };
  for (const char16_t* part : expected) EXPECT_TRUE(Contains(current, part)) << Utf16ToUtf8(part);
  EXPECT_EQ(std::count(current.begin(), current.end(), u'\n'),
            std::count(current.begin(), current.end(), u'\r'));
  EXPECT_TRUE(Contains(BuildReportText(kModeDaily, sources), u"日別集計\r\nまだCSV履歴がありません。\r\n"));
  EXPECT_TRUE(Contains(BuildReportText(kModeCharacter, sources), u"まだCSV文字別履歴がありません。\r\n"));
  for (int mode = 0; mode < kStatisticsModeCount; ++mode) {
    EXPECT_TRUE(LayoutGraph(BuildGraphBars(mode, sources), 960, 220).noBars) << "mode " << mode;
  }
}

TEST_F(StatisticsReportTest, WeakRankingListsOnlyWeakCharactersOnce) {
  struct Row {
    const char* name;
    std::vector<std::pair<char16_t, CharacterStat>> log;
    std::u16string ranked;  // in rank order
  } rows[] = {
      {"ties go to the smaller code",
       {{u'イ', {4, 2, 2, {}}}, {u'ア', {2, 1, 1, {}}}, {u'ウ', {10, 9, 1, {}}}},
       u"アイウ"},
      {"asked 0 is never ranked", {{u'ア', {0, 0, 0, {}}}, {u'カ', {5, 3, 2, {}}}}, u"カ"},
      // The weak-character rule: below 90 % or a wrong answer; always right, or the blank, is no weakness.
      {"always right is not weak", {{u'サ', {5, 5, 0, {}}}, {u'シ', {20, 19, 1, {}}}}, u"シ"},
      {"the blank is never ranked",
       {{u' ', {9, 1, 8, {}}}, {u'\u3000', {9, 1, 8, {}}}, {u'ス', {9, 8, 1, {}}}},
       u"ス"},
      {"nothing weak", {{u'セ', {5, 5, 0, {}}}, {u' ', {3, 3, 0, {}}}}, u""},
      // Characters that also appear in the report's own labels and figures are still ranked.
      {"label characters ranked",
       {{u'ラ', {10, 1, 9, {}}},
        {u'ン', {10, 2, 8, {}}},
        {u'キ', {10, 3, 7, {}}},
        {u'0', {10, 4, 6, {}}},
        {u'C', {10, 5, 5, {}}},
        {u'P', {10, 9, 1, {}}}},
       u"ランキ0C"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CharacterLog log(row.log.begin(), row.log.end());
    ASSERT_TRUE(WriteCharacterLog(log));
    const std::u16string text = BuildReportText(kModeCurrent, Sources());
    std::u16string ranked;
    for (int rank = 1; rank <= 5; ++rank) {
      const size_t at = text.find(FormatText(u"%d位\r\n", {rank}));
      if (at == std::u16string::npos) break;
      ranked.push_back(text[at + FormatText(u"%d位\r\n", {rank}).size()]);
    }
    EXPECT_EQ(Utf16ToUtf8(ranked), Utf16ToUtf8(row.ranked));
    EXPECT_EQ(Contains(text, u"苦手な文字はありません"), row.ranked.empty());
  }
}

TEST_F(StatisticsReportTest, DaysAreNewestFirstWithAtMostFourteenBarsAndTheWeekIsSevenDays) {
  for (int back = 15; back >= 0; --back) AppendFinishedRow(Today(back), 10 + back);
  const StatisticsSources sources = Sources();
  const std::vector<GraphBar> daily = BuildGraphBars(kModeDaily, sources);
  ASSERT_EQ(daily.size(), 14u);
  const std::u16string today =
      FormatText(u"%04d/%02d/%02d", {Today().tm_year + 1900, Today().tm_mon + 1, Today().tm_mday});
  EXPECT_EQ(Utf16ToUtf8(daily.front().label), Utf16ToUtf8(today));
  EXPECT_EQ(daily[1].inputs, 11);
  const std::u16string text = BuildReportText(kModeDaily, sources);
  EXPECT_LT(text.find(u"\r\n" + today), text.find(u"\r\n" + daily[1].label));
  EXPECT_EQ(std::count(text.begin(), text.end(), u'\n'), 6 + 16);

  struct Row {
    int mode;
    size_t bars;
  } modes[] = {{kModeWeek, 7}, {kModeCurrent, 4}, {kModeDatabase, 0}, {kModeGoal, 2}, {kModeMaterial, 0}};
  for (const Row& row : modes) EXPECT_EQ(BuildGraphBars(row.mode, sources).size(), row.bars) << row.mode;
  // Days 0..6 back: 10 + 11 + ... + 16 characters, seven runs of 60 s each.
  EXPECT_EQ(Utf16ToUtf8(BuildReportText(kModeWeek, sources)),
            Utf16ToUtf8(u"週間の成績\r\n\r\n直近7日間の集計です。\r\n" +
                        FormatTotalsLine(u"週間", {7, 91, 91, 0, 420, 7}) +
                        u"\r\n※ CSV履歴 telegram_practice_log.csv から読み込んでいます。\r\n"));
  EXPECT_EQ(
      Utf16ToUtf8(FormatTotalsLine(u"週間", {7, 91, 91, 0, 420, 7})),
      "週間            回数:   7  電報:   7通  入力:   91  正解:   91  誤答:    0  時間:  7分00秒  CPM:  13  "
      "正答:100%  誤答:  0%\r\n");
}

TEST_F(StatisticsReportTest, IncrementalReadEqualsAFullReadAfterAppendsTruncationAndReplacement) {
  const std::string path = PracticeLogPath();
  struct Step {
    const char* name;
    std::function<void()> change;
  } steps[] = {
      {"first rows",
       [&] {
         for (int back = 0; back < 3; ++back) AppendFinishedRow(Today(back), 5);
       }},
      {"unfinished rows appended", [&] { AppendFinishedRow(Today(), 7, u"途中"); }},
      {"a row without its line end",
       [&] { std::ofstream(path, std::ios::app) << "2024/01/02 03:04:05,1,2,3,4,00:09,1,8"; }},
      {"the line completed",
       [&] { std::ofstream(path, std::ios::app) << ",8,8,8,00:09,1,8,8,0,1,\"なし\",\"完了\"\r\n"; }},
      {"truncated", [&] { std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2); }},
      {"more rows", [&] { AppendFinishedRow(Today(1), 9); }},
      {"replaced by another file",
       [&] {
         std::filesystem::remove(path);
         AppendFinishedRow(Today(4), 3);
         AppendFinishedRow(Today(5), 4);
       }},
      {"rewritten in place at the same size",
       [&] {
         // The last run becomes an unfinished one: same length in bytes, different totals.
         std::string bytes = ReadBytes(path);
         bytes.replace(bytes.rfind("完了"), std::string("途中").size(), "途中");
         std::fstream(path, std::ios::in | std::ios::out | std::ios::binary)
             .write(bytes.data(), bytes.size());
       }},
      {"removed", [&] { std::filesystem::remove(path); }},
  };
  ReadPracticeLogSummary();
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.change();
    const PracticeLogSummary kept = ReadPracticeLogSummary();
    std::map<std::u16string, LogTotals> days;
    PeriodTotals periods;
    std::vector<std::u16string> lines;
    const std::tm today = Today();
    EXPECT_EQ(kept.status, ReadDailyTotals(days));
    ReadPeriodTotals(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, periods);
    ReadPracticeLogLines(lines);
    EXPECT_EQ(kept.dataRows, static_cast<int64_t>(lines.size()));
    ASSERT_EQ(kept.days.size(), days.size());
    for (const auto& [key, totals] : days) {
      EXPECT_EQ(kept.days.at(key).rows, totals.rows) << Utf16ToUtf8(key);
      EXPECT_EQ(kept.days.at(key).inputs, totals.inputs) << Utf16ToUtf8(key);
    }
    const PeriodTotals keptPeriods =
        PeriodTotalsOf(kept, today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
    EXPECT_EQ(keptPeriods.week.inputs, periods.week.inputs);
    EXPECT_EQ(keptPeriods.month.seconds, periods.month.seconds);
    EXPECT_EQ(keptPeriods.today.rows, periods.today.rows);
    std::vector<std::u16string> listed;  // rows with more than 3 fields, as the recent list takes them
    for (const std::u16string& line : lines) {
      if (SplitCsvLine(line).size() > 3) listed.push_back(line);
    }
    const size_t recent = std::min<size_t>(listed.size(), kRecentRowCount);
    ASSERT_EQ(kept.recentRows.size(), recent);
    for (size_t i = 0; i < recent; ++i) {
      EXPECT_EQ(Utf16ToUtf8(kept.recentRows[i]), Utf16ToUtf8(listed[listed.size() - recent + i]));
    }
  }
}

TEST_F(StatisticsReportTest, WarmUpThreadAndWindowThreadReadTheSameSummary) {
  for (int back = 0; back < 40; ++back) AppendFinishedRow(Today(back), back + 1);
  for (int round = 0; round < 3; ++round) {
    ForgetPracticeLogSummary();
    StartPracticeLogWarmUp();
    AppendFinishedRow(Today(), 100);
    const PracticeLogSummary seen = ReadPracticeLogSummary();
    FinishPracticeLogWarmUp();
    const PracticeLogSummary full = ReadPracticeLogSummaryInFull();
    EXPECT_EQ(seen.dataRows, full.dataRows) << round;
    EXPECT_EQ(AllDaysTotals(seen).inputs, AllDaysTotals(full).inputs) << round;
  }
}

TEST_F(StatisticsReportTest, DashboardLevelFollowsTodaysAndTheCurrentRunsCharacters) {
  struct Row {
    const char* name;
    int todayInputs;  // a finished run today of this many characters, 0 for no log
    int currentJudged;
    const char16_t* levelLine;
    const char16_t* weak;
  } rows[] = {
      {"no log", 0, 2500, u"Lv.3   EXP 2500\r\n", u"まだありません"},
      {"level 98 just below", 96999, 0, u"Lv.97   EXP 96999\r\n", u"まだありません"},
      {"EXP 98000 is level 99", 97000, 1000, u"Lv.99   EXP 98000\r\n", u"まだありません"},
      {"far beyond stays 99", 500000, 0, u"Lv.99   EXP 500000\r\n", u"まだありません"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(PracticeLogPath());
    if (row.todayInputs > 0) AppendFinishedRow(Today(), row.todayInputs);
    runStatistics.judged = row.currentJudged;
    const std::u16string text = BuildDashboardText(GatherDashboardFigures());
    EXPECT_TRUE(Contains(text, row.levelLine)) << Utf16ToUtf8(text);
    EXPECT_TRUE(Contains(text, FormatText(u"苦手文字\r\n%s\r\n", {row.weak})));
    if (row.todayInputs == 0) {
      EXPECT_TRUE(Contains(text, u"練習時間  00:00\r\n文字数    0\r\n電報数    0\r\n"));
    }
  }
  ASSERT_TRUE(WriteCharacterLog({{u'ア', {10, 5, 5, {}}}, {u'イ', {10, 10, 0, {}}}, {u'「', {9, 0, 9, {}}}}));
  EXPECT_TRUE(Contains(BuildDashboardText(GatherDashboardFigures()), u"苦手文字\r\nア\r\n"));
}

}  // namespace
