// SPDX-License-Identifier: GPL-3.0-or-later
// Writing the two logs and reading them back through the readers, on real files in a temporary home.
#include <gtest/gtest.h>

#include "core/app_paths.h"
#include "core/text.h"
#include "log_test_home.h"

namespace {

const char16_t kHeader[] =
    u"日時,CPM,WPM,正答率,誤答率,練習時間,電報数,文字数,平均CPM,平均正答率,最速CPM,最長練習時間,電報番号,"
    u"入力文字数,正解文字数,誤答文字数,完了電報数,誤答文字一覧,状態\r\n";

using PracticeLogTest = LogTestHome;

size_t CountOf(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

TEST_F(PracticeLogTest, FirstRowBringsByteOrderMarkAndHeaderOnce) {
  ASSERT_TRUE(AppendPracticeLogRowAt(Date(2024, 5, 6), 5000, 100, 0, 12, u"途中"));
  ASSERT_TRUE(AppendPracticeLogRowAt(Date(2024, 5, 6), 9000, 50, 50, 10, u"完了"));
  std::string bytes = ReadBytes(PracticeLogPath());
  std::string header = kBom + Utf16ToUtf8(kHeader);
  ASSERT_EQ(bytes.compare(0, header.size(), header), 0);
  EXPECT_EQ(CountOf(bytes, kBom), 1u);
  EXPECT_EQ(CountOf(bytes, "日時"), 1u);
  EXPECT_EQ(CountOf(bytes, "\n"), 3u);
  EXPECT_EQ(CountOf(bytes, "\r\n"), 3u);  // every line ends in CR LF

  std::vector<std::vector<std::u16string>> rows;
  ASSERT_EQ(ReadPracticeLogRows(rows), kLogRead);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][18], u"途中");
  EXPECT_EQ(rows[1][18], u"完了");
}

TEST_F(PracticeLogTest, RowColumnsFromTheRunCounters) {
  runStatistics.judged = 7;
  runStatistics.correct = 5;
  runStatistics.wrong = 2;
  runStatistics.completedRuns = 0;
  runStatistics.startTick = 1000;
  runStatistics.wrongList = u"ア→カ \"→ン ";  // holds a double quote
  practiceSettings.WPM = 18;
  runStatistics.telegramNumber.store(3);
  ASSERT_TRUE(AppendPracticeLogRowAt(Date(2024, 5, 6, 7, 8, 9), 1000 + 125500, 71, 28, 3, u"途中"));

  std::vector<std::u16string> lines;
  ASSERT_EQ(ReadPracticeLogLines(lines), kLogRead);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Utf16ToUtf8(lines[0]),
            "2024/05/06 07:08:09,3,18,71,28,02:05,1,7,3,71,3,02:05,3,7,5,2,0,\"ア→カ \"\"→ン \",\"途中\"");
  std::vector<std::u16string> fields = SplitCsvLine(lines[0]);
  ASSERT_EQ(fields.size(), 19u);
  EXPECT_EQ(fields[17], runStatistics.wrongList);
}

TEST_F(PracticeLogTest, ElapsedTimeStateAndEmptyWrongList) {
  struct Case {
    const char* name;
    uint32_t startTick, nowTick;
    const char16_t* state;
    std::u16string elapsed, stateField;
  } cases[] = {
      {"under one second counts as one", 5000, 5400, u"途中", u"00:01", u"途中"},
      {"minutes beyond two digits", 0, 125 * 60000 + 7000, u"途中", u"125:07", u"途中"},
      {"tick counter wrapped", 0xFFFFF000u, 0x00001000u, u"完了", u"00:08", u"完了"},
      {"no state means finished", 0, 60000, nullptr, u"01:00", u"完了"},
      {"empty state means finished", 0, 60000, u"", u"01:00", u"完了"},
  };
  for (const Case& c : cases) {
    runStatistics.startTick = c.startTick;
    std::vector<std::u16string> fields =
        SplitCsvLine(FormatPracticeLogRow(Date(2024, 1, 2), c.nowTick, 0, 0, 0, c.state));
    ASSERT_EQ(fields.size(), 19u) << c.name;
    EXPECT_EQ(fields[5], c.elapsed) << c.name;
    EXPECT_EQ(fields[11], c.elapsed) << c.name;
    EXPECT_EQ(fields[17], u"なし") << c.name;
    EXPECT_EQ(fields[18], c.stateField + u"\r\n") << c.name;  // the formatted row carries its line end
  }
}

TEST_F(PracticeLogTest, FinishedRowReadsBackIntoTotals) {
  runStatistics.judged = 40;
  runStatistics.correct = 35;
  runStatistics.wrong = 5;
  runStatistics.completedRuns = 2;
  runStatistics.startTick = 0;
  ASSERT_TRUE(AppendPracticeLogRowAt(Date(2024, 5, 6), 125000, 87, 12, 19, u"途中"));
  ASSERT_TRUE(AppendPracticeLogRowAt(Date(2024, 5, 6), 125000, 87, 12, 19, u"完了"));
  std::vector<std::vector<std::u16string>> rows;
  ASSERT_EQ(ReadPracticeLogRows(rows), kLogRead);
  LogTotals totals;
  for (const auto& row : rows) AddRowToTotals(row, totals);
  EXPECT_EQ(totals.rows, 1);  // the pending row never counts
  EXPECT_EQ(totals.inputs, 40);
  EXPECT_EQ(totals.correct, 35);
  EXPECT_EQ(totals.wrong, 5);
  EXPECT_EQ(totals.seconds, 125);
  EXPECT_EQ(totals.telegrams, 2);
}

TEST_F(PracticeLogTest, CharacterResultsAreWrittenInOrder) {
  ASSERT_TRUE(RecordCharacterResult(u'カ', u'サ', false));
  ASSERT_TRUE(RecordCharacterResult(u'ア', u'ア', true));
  ASSERT_TRUE(RecordCharacterResult(u'ア', u'カ', false));
  ASSERT_TRUE(RecordCharacterResult(u'ア', 0, false));  // nothing given: no wrong answer entry
  EXPECT_FALSE(RecordCharacterResult(0, u'ア', true));  // no expected character: nothing happens
  EXPECT_EQ(ReadBytes(CharacterLogPath()), kBom +
                                               "文字,出題,正解,誤答,正答率,誤送信文字\r\n"
                                               "ア,3,1,2,33,\"カ:1 \"\r\n"
                                               "カ,1,0,1,0,\"サ:1 \"\r\n");
}

TEST_F(PracticeLogTest, NoExpectedCharacterCreatesNoFile) {
  RecordCharacterResult(0, u'ア', false);
  EXPECT_FALSE(FileExists(CharacterLogPath()));
}

TEST_F(PracticeLogTest, CharacterLogLayouts) {
  WriteBytes(CharacterLogPath(),
             kBom +
                 "文字,出題,正解,誤答,正答率,誤送信文字\r\n"
                 "ア,3,2,1,66,\"カ:1\"\r\n"                           // current layout
                 "日時,文字,出題,正解,誤答,誤送信文字\r\n"            // header of the older layout
                 "2024/05/06 07:08:09,アイ,10,8,2,\"カ：2、サ\"\r\n"  // older: first character of field 1
                 "2024/05/06 07:08:10,イ,4,4,0\r\n"                   // older, no list
                 "ウ,5,5,0\r\n"                                       // current, four fields
                 "2024/05/06,,1,1,1\r\n"                              // older with empty character: ignored
                 "エ,1,1\r\n"                                         // too few fields: ignored
                 "\r\n");
  CharacterLog log;
  log[u'ン'].asked = 99;  // cleared by the reader
  ASSERT_EQ(ReadCharacterLog(log), kLogRead);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[u'ア'].asked, 13);
  EXPECT_EQ(log[u'ア'].correct, 10);
  EXPECT_EQ(log[u'ア'].wrong, 3);
  EXPECT_EQ(log[u'ア'].wrongAnswers, (WrongAnswerMap{{u'カ', 3}, {u'サ', 1}}));
  EXPECT_EQ(log[u'イ'].asked, 4);
  EXPECT_TRUE(log[u'イ'].wrongAnswers.empty());
  EXPECT_EQ(log[u'ウ'].correct, 5);
}

TEST_F(PracticeLogTest, CharacterLogRoundTripWithAwkwardCharacters) {
  CharacterLog log;
  log[u','] = {4, 1, 3, {{u'"', 2}, {u'、', 1}}};
  log[u'"'] = {2, 2, 0, {}};
  log[u' '] = {1, 0, 1, {{u'な', 1}}};
  log[u'ア'] = {0, 0, 0, {{u',', 5}, {u' ', 1}}};
  ASSERT_TRUE(WriteCharacterLog(log));
  CharacterLog back;
  ASSERT_EQ(ReadCharacterLog(back), kLogRead);
  ASSERT_EQ(back.size(), log.size());
  for (const auto& [character, stat] : log) {
    const CharacterStat& read = back[character];
    EXPECT_EQ(read.asked, stat.asked) << int(character);
    EXPECT_EQ(read.correct, stat.correct) << int(character);
    EXPECT_EQ(read.wrong, stat.wrong) << int(character);
    EXPECT_EQ(read.wrongAnswers, stat.wrongAnswers) << int(character);
  }
}

TEST_F(PracticeLogTest, WeekEndsAtSixDaysBack) {
  AppendFinishedRow(Date(2024, 3, 3, 8), 1);
  AppendFinishedRow(Date(2024, 3, 3, 9), 2, u"途中");  // pending rows never count
  AppendFinishedRow(Date(2024, 3, 1), 4);
  AppendFinishedRow(Date(2024, 2, 26), 8);   // six days back across 29 February
  AppendFinishedRow(Date(2024, 2, 25), 16);  // seven days back
  AppendFinishedRow(Date(2023, 3, 3), 32);   // same day a year earlier
  AppendFinishedRow(Date(2024, 3, 4), 64);   // tomorrow (clock changed)
  PeriodTotals totals;
  ASSERT_EQ(ReadPeriodTotals(2024, 3, 3, totals), kLogRead);
  EXPECT_EQ(totals.today.inputs, 1);
  EXPECT_EQ(totals.today.rows, 1);
  EXPECT_EQ(totals.week.inputs, 1 + 4 + 8);
  EXPECT_EQ(totals.month.inputs, 1 + 4 + 64);
  EXPECT_EQ(totals.month.seconds, 3 * 60);
}

TEST_F(PracticeLogTest, WeekAcrossTheTurnOfTheYear) {
  AppendFinishedRow(Date(2023, 12, 28), 1);  // six days before 3 January
  AppendFinishedRow(Date(2023, 12, 27), 2);
  PeriodTotals totals;
  ASSERT_EQ(ReadPeriodTotals(2024, 1, 3, totals), kLogRead);
  EXPECT_EQ(totals.week.inputs, 1);
  EXPECT_EQ(totals.month.rows, 0);
}

TEST_F(PracticeLogTest, DailyTotalsKeyedByDate) {
  AppendFinishedRow(Date(2024, 3, 3, 8), 1);
  AppendFinishedRow(Date(2024, 3, 3, 9), 2);
  AppendFinishedRow(Date(2023, 12, 31), 4);
  AppendFinishedRow(Date(2024, 1, 5), 8, u"途中");
  std::map<std::u16string, LogTotals> days;
  ASSERT_EQ(ReadDailyTotals(days), kLogRead);
  std::vector<std::u16string> keys;
  for (const auto& [key, totals] : days) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::u16string>{u"2023/12/31", u"2024/01/05", u"2024/03/03"}));
  EXPECT_EQ(days[u"2024/03/03"].inputs, 3);
  EXPECT_EQ(days[u"2024/03/03"].rows, 2);
  EXPECT_EQ(days[u"2024/01/05"].rows, 0);  // a day of pending rows only
}

}  // namespace
