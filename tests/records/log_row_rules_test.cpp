// SPDX-License-Identifier: GPL-3.0-or-later
// The row rules shared by the log readers: CSV fields, wrong-answer lists, durations, day numbers, totals.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "core/text.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"

namespace {

std::string Show(const std::u16string& text) {
  return Utf16ToUtf8(text);
}

TEST(SplitCsvLine, FieldsAndQuotes) {
  struct Case {
    const char* name;
    std::u16string line;
    std::vector<std::u16string> fields;
  } cases[] = {
      {"plain", u"a,b,c", {u"a", u"b", u"c"}},
      {"empty line is one empty field", u"", {u""}},
      {"trailing comma", u"a,", {u"a", u""}},
      {"only commas", u",,", {u"", u"", u""}},
      {"comma inside quotes", u"\"x,y\",z", {u"x,y", u"z"}},
      {"doubled quote inside quotes", u"\"say \"\"hi\"\"\",1", {u"say \"hi\"", u"1"}},
      {"field of one quote", u"\"\"\"\"", {u"\""}},
      {"empty quoted field", u"\"\",x", {u"", u"x"}},
      {"quotes outside toggle only", u"a\"b\"c", {u"abc"}},
      {"unclosed quote runs to the end", u"\"a,b", {u"a,b"}},
      {"quote as last character", u"x\"", {u"x"}},
      {"kana and a quoted list", u"ア,3,\"カ:1 \"", {u"ア", u"3", u"カ:1 "}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCsvLine(c.line), c.fields) << c.name;
}

TEST(SplitCsvLine, ReadsBackWhatQuoteCsvFieldWrites) {
  const std::u16string texts[] = {u"", u"\"", u"a\"\"b", u"x,\"y\",z", u"ア→\" ", u"\"\"\""};
  for (const std::u16string& text : texts) {
    std::u16string line = u"1," + QuoteCsvField(text) + u",2";
    std::vector<std::u16string> expected = {u"1", text, u"2"};
    EXPECT_EQ(SplitCsvLine(line), expected) << Show(line);
  }
  // A line break would split the row when read back; it is written as a blank.
  EXPECT_EQ(QuoteCsvField(u"a\r\nb"), u"\"a  b\"");
}

TEST(ParseWrongAnswers, Entries) {
  struct Case {
    const char* name;
    std::u16string text;
    WrongAnswerMap expected;
  } cases[] = {
      {"one entry", u"カ:1 ", {{u'カ', 1}}},
      {"none", u"なし", {}},
      {"none in kanji", u"無し", {}},
      {"empty text", u"", {}},
      {"full-width colon and 、", u"カ：2、サ", {{u'カ', 2}, {u'サ', 1}}},
      {"comma separator", u"カ:2,サ:3", {{u'カ', 2}, {u'サ', 3}}},
      {"several colons", u"カ::5 ", {{u'カ', 5}}},
      {"count 0 counts as 1", u"カ:0 ", {{u'カ', 1}}},
      {"no digits count as 1", u"カ サ", {{u'カ', 1}, {u'サ', 1}}},
      {"rest of a word is skipped", u"abc:7 ", {{u'a', 1}}},
      {"huge count saturates", u"カ:99999999999 ", {{u'カ', INT32_MAX}}},
      {"same key twice adds", u"カ:1 カ:2 ", {{u'カ', 3}}},
      // Characters that are also separators or the "none" word, when keyed as answers.
      {"、 as an answer", u"、:2 ", {{u'、', 2}}},
      {"comma as an answer", u",:3 ", {{u',', 3}}},
      {"blank as an answer", u"カ:1  :2 ", {{u'カ', 1}, {u' ', 2}}},
      {"colon as an answer", u"::4 ", {{u':', 4}}},
      {"blank before the colon key is a separator", u"カ:1 ::4 ", {{u'カ', 1}, {u':', 4}}},
      {"な as an answer", u"な:3 ", {{u'な', 3}}},
  };
  for (const Case& c : cases) {
    WrongAnswerMap answers;
    ParseWrongAnswers(c.text, answers);
    EXPECT_EQ(answers, c.expected) << c.name;
  }
}

TEST(ParseWrongAnswers, AddsIntoExistingCounts) {
  WrongAnswerMap answers = {{u'カ', 2}, {u'ア', INT32_MAX - 1}};
  ParseWrongAnswers(u"カ:3 ア:5 ", answers);
  EXPECT_EQ(answers[u'カ'], 5);
  EXPECT_EQ(answers[u'ア'], INT32_MAX);
}

TEST(FormatWrongAnswers, AscendingAndRoundTrip) {
  EXPECT_EQ(FormatWrongAnswers({}), u"なし");
  EXPECT_EQ(FormatWrongAnswers({{u'サ', 2}, {u'カ', 1}}), u"カ:1 サ:2 ");
  const WrongAnswerMap tricky = {{u' ', 1},  {u'"', 2},  {u',', 3},  {u':', 4}, {u'な', 5},
                                 {u'、', 6}, {u'無', 7}, {u'：', 8}, {u'?', 9}};
  // Through the CSV quoting as in the character log.
  std::vector<std::u16string> fields = SplitCsvLine(u"ア," + QuoteCsvField(FormatWrongAnswers(tricky)));
  ASSERT_EQ(fields.size(), 2u);
  WrongAnswerMap back;
  ParseWrongAnswers(fields[1], back);
  EXPECT_EQ(back, tricky);
}

TEST(ParseDuration, Forms) {
  struct Case {
    std::u16string text;
    int32_t seconds;
  } cases[] = {
      {u"00:01", 1},      {u"02:05", 125}, {u"125:30", 7530}, {u"1:02:03", 3723},
      {u"1:2:3:4", 3723}, {u"42", 42},     {u"5:x", 5},       {u"abc", 0},
      {u"", 0},           {u"-1:30", -30}, {u" 7", 7},        {u"99999999:0:0", INT32_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDuration(c.text), c.seconds) << Show(c.text);
}

TEST(DayNumber, ValidAndInvalidDates) {
  struct Case {
    int year, month, day;
    int32_t days;
  } cases[] = {
      {1601, 1, 1, 0},
      {1601, 1, 2, 1},
      {1602, 1, 1, 365},
      {1970, 1, 1, 134774},  // 11644473600 s between
                             // the two epochs
      {2023, 2, 29, 0},
      {1900, 2, 29, 0},
      {2024, 13, 1, 0},
      {2024, 0, 1, 0},
      {2024, 4, 31, 0},
      {2024, 5, 0, 0},
      {1600, 12, 31, 0},
      {30828, 1, 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DayNumber(c.year, c.month, c.day), c.days) << c.year << "/" << c.month << "/" << c.day;
  }
  EXPECT_EQ(DayNumber(2024, 3, 1) - DayNumber(2024, 2, 28), 2);  // leap year
  EXPECT_EQ(DayNumber(2000, 3, 1) - DayNumber(2000, 2, 28), 2);
  EXPECT_EQ(DayNumber(2100, 3, 1) - DayNumber(2100, 2, 28), 1);
  EXPECT_EQ(DayNumber(2024, 1, 1) - DayNumber(2023, 12, 31), 1);
  EXPECT_GT(DayNumber(30827, 12, 31), 0);
}

std::vector<std::u16string> Row(int count, std::u16string fill = u"1") {
  return std::vector<std::u16string>(count, fill);
}

TEST(AddRowToTotals, Layouts) {
  // Older layouts: inputs 2, correct 3, wrong 4, seconds 8, telegrams 9, state 11.
  std::vector<std::u16string> old10 = {u"2024/05/06", u"30", u"12", u"9", u"3", u"", u"", u"", u"95", u"2"};
  std::vector<std::u16string> oldPending = Row(12);
  oldPending[11] = u"途中";
  std::vector<std::u16string> old12Done = Row(12);
  old12Done[11] = u"完了";
  // Current layout: elapsed 5, telegrams 6, inputs 7, correct 14, wrong 15, state 18.
  std::vector<std::u16string> current = Row(19, u"0");
  current[5] = u"02:05";
  current[6] = u"2";
  current[7] = u"40";
  current[14] = u"35";
  current[15] = u"5";
  current[18] = u"完了";
  std::vector<std::u16string> currentPending = current;
  currentPending[18] = u"途中";
  std::vector<std::u16string> longer = current;
  longer.resize(25, u"9");

  struct Case {
    const char* name;
    std::vector<std::u16string> fields;
    LogTotals expected;  // rows, inputs, correct, wrong, seconds, telegrams
  } cases[] = {
      {"seven fields are ignored", Row(7), {}},
      {"eight fields: older layout without time", Row(8), {1, 1, 1, 1, 0, 0}},
      {"ten fields: older layout with time", old10, {1, 12, 9, 3, 95, 2}},
      {"older pending row is ignored", oldPending, {}},
      {"older finished row", old12Done, {1, 1, 1, 1, 1, 1}},
      {"eighteen fields: still older", Row(18), {1, 1, 1, 1, 1, 1}},
      {"current finished row", current, {1, 40, 35, 5, 125, 2}},
      {"current pending row is ignored", currentPending, {}},
      {"extra fields after the state", longer, {1, 40, 35, 5, 125, 2}},
  };
  for (const Case& c : cases) {
    LogTotals totals;
    AddRowToTotals(c.fields, totals);
    EXPECT_EQ(totals.rows, c.expected.rows) << c.name;
    EXPECT_EQ(totals.inputs, c.expected.inputs) << c.name;
    EXPECT_EQ(totals.correct, c.expected.correct) << c.name;
    EXPECT_EQ(totals.wrong, c.expected.wrong) << c.name;
    EXPECT_EQ(totals.seconds, c.expected.seconds) << c.name;
    EXPECT_EQ(totals.telegrams, c.expected.telegrams) << c.name;
  }
}

TEST(AddRowToTotals, SaturatesInsteadOfOverflowing) {
  LogTotals totals;
  std::vector<std::u16string> huge = Row(10, u"2000000000");
  for (int i = 0; i < 3; ++i) AddRowToTotals(huge, totals);
  EXPECT_EQ(totals.rows, 3);
  EXPECT_EQ(totals.inputs, INT32_MAX);
  EXPECT_EQ(totals.seconds, INT32_MAX);
}

// The run's clock: a pause and the result windows are not practice time.
TEST(PracticeTime, PausesAndResultWindowsAreLeftOut) {
  struct Step {
    char what;  // 'S' start, 'P'/'p' pause held/released, 'R'/'r' result window held/released
    uint32_t atMs;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    uint32_t queryMs;
    uint32_t elapsedMs;
  } cases[] = {
      {"nothing held", {{'S', 0}}, 10000, 10000},
      {"a pause", {{'S', 0}, {'P', 2000}, {'p', 5000}}, 10000, 7000},
      {"a result window over a pause counts once",
       {{'S', 0}, {'P', 2000}, {'R', 4000}, {'p', 5000}, {'r', 8000}},
       10000,
       4000},
      {"a release without a hold", {{'S', 0}, {'p', 3000}}, 10000, 10000},
      {"a pause held twice", {{'S', 0}, {'P', 1000}, {'P', 2000}, {'p', 3000}}, 10000, 8000},
      {"still paused", {{'S', 0}, {'P', 6000}}, 10000, 6000},
      {"a start while paused counts from the resume", {{'P', 1000}, {'S', 2000}, {'p', 6000}}, 10000, 4000},
      {"across the tick's wrap", {{'S', 0xFFFFF000u}, {'P', 0xFFFFF800u}, {'p', 0x800u}}, 0x1000u, 4096},
  };
  for (const Case& c : cases) {
    RestartRunClock(0);
    ReleaseRunClock(ClockHold::kPaused, 0);
    ReleaseRunClock(ClockHold::kResultWindow, 0);
    for (const Step& step : c.steps) {
      switch (step.what) {
        case 'S':
          RestartRunClock(step.atMs);
          break;
        case 'P':
          HoldRunClock(ClockHold::kPaused, step.atMs);
          break;
        case 'p':
          ReleaseRunClock(ClockHold::kPaused, step.atMs);
          break;
        case 'R':
          HoldRunClock(ClockHold::kResultWindow, step.atMs);
          break;
        case 'r':
          ReleaseRunClock(ClockHold::kResultWindow, step.atMs);
          break;
      }
    }
    EXPECT_EQ(RunElapsedMs(c.queryMs), c.elapsedMs) << c.name;
  }
  // Nothing held is left for the tests after this one.
  ReleaseRunClock(ClockHold::kPaused, 0);
  ReleaseRunClock(ClockHold::kResultWindow, 0);
  RestartRunClock(0);
}

}  // namespace
