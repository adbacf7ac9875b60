// SPDX-License-Identifier: GPL-3.0-or-later
// Copy receive: what the learner types is the copy that is judged, scored, shown and logged. Each row types
// into a run through the real queue and consumers (typed records, the sending's sent and time-over records,
// a stop) and checks the result windows, the first telegram's text cells and the "完了" rows.
#include <ostream>
#include <string>
#include <vector>

#include "judge_test_fixture.h"
#include "practice/copy_judging.h"
#include "practice/run_control.h"
#include "practice/typed_copy.h"

namespace {

struct Step {
  char op;              // 't' type text, 'b' Backspace, 's' telegram sent, 'o' time over, 'x' stop
  std::u16string text;  // 't'
  int number = 1;       // 's', 'o'
};

struct Result {
  int judged, correct, wrong;
  bool operator==(const Result&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Result& r) {
    return out << "{" << r.judged << "," << r.correct << "," << r.wrong << "}";
  }
};

struct CopyCase {
  const char* name;
  Script script;
  int telegrams;  // copies of the row's telegram
  std::vector<Step> steps;
  std::vector<Result> results;  // the result windows, in order
  std::u16string firstText;     // the first telegram's text cells ("" = not checked)
  std::u16string firstMarks;
  int finishedRows;       // "完了" rows in the practice log
  int loggedJudged = -1;  // judged characters in the last "完了" row (-1 = not checked)
};

const Telegram kLatin = MakeTelegram(u"12", u"", u"", u"", u"AB", u"HI YOU");
const Telegram kKana = MakeTelegram(u"1", u"", u"", u"", u"", u"ガパ");
const std::u16string kPaste(100000, u'A');

// Latin telegram: 2 + 2 header cells, 6 text cells with the blank.
const CopyCase kCases[] = {
    {"separators_and_end_signal",
     Script::kLatin,
     1,
     {{'t', u"12=AB=HI YOU"}, {'s', u"", 1}, {'t', u"+"}},
     {{10, 10, 0}},
     u"HI YOU",
     u"111111",
     1,
     10},
    {"no_separators_one_wrong_one_backspace",
     Script::kLatin,
     1,
     {{'t', u"12abhx"}, {'b', u""}, {'t', u"i yov"}, {'s', u"", 1}, {'o', u"", 1}},
     {{11, 9, 2}},
     u"HI YOV",
     u"111110",
     1,
     11},
    {"untyped_cells_are_missed",
     Script::kLatin,
     1,
     {{'t', u"12=A=HI"}, {'s', u"", 1}, {'t', u"+"}},
     {{9, 5, 4}},
     u"HI ___",
     u"111000",
     1,
     9},
    {"end_signal_before_the_sending_ends_is_ignored",
     Script::kLatin,
     1,
     {{'t', u"12=AB=HI YOU+"}, {'s', u"", 1}, {'t', u"+"}},
     {{10, 10, 0}},
     u"HI YOU",
     u"111111",
     1,
     10},
    {"a_telegram_not_copied_at_all_is_skipped",
     Script::kLatin,
     2,
     {{'s', u"", 1}, {'o', u"", 1}, {'t', u"12=AB=HI YOU"}, {'s', u"", 2}, {'t', u"+"}},
     {{10, 10, 0}},
     u"",
     u"",
     1,
     10},
    {"romaji_voiced_kana_split_as_sent",
     Script::kKana,
     1,
     {{'t', u"1"}, {'t', u"gapa"}, {'s', u"", 1}, {'t', u"+"}},
     {{5, 5, 0}},
     u"カ゛ハ゜",
     u"1111",
     1,
     5},
    {"input_method_hiragana_with_a_wrong_mark",
     Script::kKana,
     1,
     {{'t', u"1"}, {'t', u"がば"}, {'s', u"", 1}, {'o', u"", 1}},
     {{5, 4, 1}},
     u"カ゛ハ゛",
     u"1110",
     1,
     5},
    {"kanji_emoji_and_a_paste_are_ignored",
     Script::kLatin,
     1,
     {{'t', u"漢😀"}, {'t', kPaste}, {'t', u"12=AB=HI YOU"}, {'s', u"", 1}, {'t', u"+"}},
     {{10, 10, 0}},
     u"HI YOU",
     u"111111",
     1,
     10},
    {"stop_after_two_of_five_counts_both",
     Script::kLatin,
     5,
     {{'t', u"12=AB=HI YOU"},
      {'s', u"", 1},
      {'t', u"+"},
      {'t', u"12=AB=HI YOU"},
      {'s', u"", 2},
      {'t', u"+"},
      {'t', u"1"},
      {'b', u""},
      {'x', u""}},
     {{10, 10, 0}, {10, 10, 0}},
     u"HI YOU",
     u"111111",
     1,
     21},
    {"a_stop_with_nothing_judged_writes_nothing",
     Script::kLatin,
     3,
     {{'t', u"漢"}, {'s', u"", 1}, {'x', u""}},
     {},
     u"",
     u"",
     0},
};

class CopyReceiveTest : public JudgeTest {
 protected:
  void SetUp() override {
    JudgeTest::SetUp();
    EnableEventQueue();
    InstallPracticeConsumers();
    runFlags.copyReceive.store(1);
    runFlags.copyClosedUpTo.store(0);
  }
  void TearDown() override {
    runFlags.copyReceive.store(0);
    DisableEventQueue();
    JudgeTest::TearDown();
  }
  static void Run(const Step& step) {
    switch (step.op) {
      case 't':
        TypeCopyText(step.text);
        break;
      case 'b':
        TypeCopyBackspace();
        break;
      case 's':
        PostKeyEvent(PlaybackProgressEvent(KeyEventKind::kTelegramSent, step.number, 0));
        break;
      case 'o':
        PostKeyEvent(PlaybackProgressEvent(KeyEventKind::kCopyTimeOver, step.number, 0));
        break;
      case 'x':
        PostToEventThread(FinishOpenRun);
        break;
    }
    RunEventThreadWork();
  }
};

std::vector<std::string> LastFinishedRow(const std::string& log) {
  const size_t end = log.rfind(",\"完了\"\r\n");
  std::vector<std::string> fields;
  if (end == std::string::npos) return fields;
  const size_t start = log.rfind('\n', end) + 1;
  std::string row = log.substr(start, end - start);
  for (size_t at = 0; at <= row.size();) {
    const size_t comma = std::min(row.find(',', at), row.size());
    fields.push_back(row.substr(at, comma - at));
    at = comma + 1;
  }
  return fields;
}

TEST_F(CopyReceiveTest, TypedCopiesAreJudgedAsKeyedOnesAre) {
  for (const CopyCase& row : kCases) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(AppFilePath("telegram_practice_log.csv"));
    UseScript(row.script,
              std::vector<Telegram>(row.telegrams, row.script == Script::kLatin ? kLatin : kKana));
    ResetTypedCopy();
    for (const Step& step : row.steps) Run(step);

    std::vector<Result> shown;
    for (const TelegramResultSnapshot& result : ShownTelegramResults()) {
      shown.push_back({result.judged, result.correct, result.wrong});
    }
    EXPECT_EQ(shown, row.results);
    if (!row.firstText.empty()) {
      StoreWorkingRecord();
      EXPECT_EQ(Utf8(telegramDocument.records[0].entered[kText]), Utf8(row.firstText));
      EXPECT_EQ(Utf8(telegramDocument.records[0].marks[kText]), Utf8(row.firstMarks));
    }
    const std::string log = ReadAppFile("telegram_practice_log.csv");
    size_t finished = 0;
    for (size_t at = log.find(",\"完了\"\r\n"); at != std::string::npos;
         at = log.find(",\"完了\"\r\n", at + 1)) {
      ++finished;
    }
    EXPECT_EQ(finished, static_cast<size_t>(row.finishedRows));
    if (row.loggedJudged >= 0) {
      const std::vector<std::string> fields = LastFinishedRow(log);
      ASSERT_GT(fields.size(), 7u);
      EXPECT_EQ(fields[7], std::to_string(row.loggedJudged));
    }
  }
}

}  // namespace
