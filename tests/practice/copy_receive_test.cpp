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
#include "records/practice_log.h"

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
  const Telegram* telegram;  // kLatin, kKana or kDotted
  int telegrams;             // copies of it
  std::vector<Step> steps;
  std::vector<Result> results;  // the result windows, in order
  std::u16string firstText;     // the first telegram's text cells ("" = not checked)
  std::u16string firstMarks;
  int finishedRows;      // "完了" rows in the practice log
  int loggedJudged = 0;  // judged characters in the last "完了" row
};

const Telegram kLatin = MakeTelegram(u"12", u"", u"", u"", u"AB", u"HI YOU");
const Telegram kKana = MakeTelegram(u"1", u"", u"", u"", u"", u"ガパ」");
const std::u16string kPaste(100000, u'A');
// A "." has no code in the Latin table: nobody can key it, so the copy steps over it.
const Telegram kDotted = MakeTelegram(u"12", u"", u"", u"", u"AB", u"HI. YOU");
const Telegram *const kL = &kLatin, *const kK = &kKana, *const kD = &kDotted;
Step T(std::u16string text) {
  return {'t', std::move(text)};
}
Step S(int number) {
  return {'s', u"", number};
}
Step O(int number) {
  return {'o', u"", number};
}
const Step B{'b', u""}, X{'x', u""};
const std::u16string kWhole = u"12=AB=HI YOU";

// The Latin telegram has 2 + 2 header cells and 6 text cells with the blank.
// clang-format off
const CopyCase kCases[] = {
  {"no_separators_one_wrong_one_backspace", kL, 1, {T(u"12abhx"), B, T(u"i yov"), S(1), O(1)},
   {{11, 9, 2}}, u"HI YOV", u"111110", 1, 11},
  {"untyped_cells_are_missed", kL, 1, {T(u"12=A=HI"), S(1), T(u"+")}, {{9, 5, 4}}, u"HI ___", u"111000", 1, 9},
  {"early_end_signal_and_a_separator_in_the_text_are_ignored", kL, 1, {T(u"12=AB=HI =YOU+"), S(1), T(u"+")},
   {{10, 10, 0}}, u"HI YOU", u"111111", 1, 10},
  {"a_telegram_not_copied_at_all_is_skipped", kL, 2, {S(1), O(1), T(kWhole), S(2), T(u"+")},
   {{10, 10, 0}}, u"", u"", 1, 10},
  {"romaji_voiced_kana_split_as_sent", kK, 1, {T(u"1"), T(u"gapa]"), S(1), T(u"+")},
   {{6, 6, 0}}, u"カ゛ハ゜」", u"11111", 1, 6},
  {"input_method_hiragana_with_a_wrong_mark", kK, 1, {T(u"1"), T(u"がば」"), S(1), O(1)},
   {{6, 5, 1}}, u"カ゛ハ゛」", u"11101", 1, 6},
  {"kanji_emoji_and_a_paste_are_ignored", kL, 1, {T(u"漢😀"), T(kPaste), T(kWhole), S(1), T(u"+")},
   {{10, 10, 0}}, u"HI YOU", u"111111", 1, 10},
  {"stop_after_two_of_five_counts_both", kL, 5,
   {T(kWhole), S(1), T(u"+"), T(kWhole), S(2), T(u"+"), T(u"1"), B, X},
   {{10, 10, 0}, {10, 10, 0}}, u"HI YOU", u"111111", 1, 21},
  {"a_stop_with_nothing_judged_writes_nothing", kL, 3, {T(u"漢"), S(1), X}, {}, u"", u"", 0},
  {"a_character_without_a_code_is_stepped_over", kD, 1, {T(kWhole), S(1), T(u"+")},
   {{10, 10, 0}}, u"HI. YOU", u"1111111", 1, 10},
};
// clang-format on

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

TEST_F(CopyReceiveTest, TypedCopiesAreJudgedAsKeyedOnesAre) {
  for (const CopyCase& row : kCases) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(AppFilePath("telegram_practice_log.csv"));
    UseScript(row.telegram == kK ? Script::kKana : Script::kLatin,
              std::vector<Telegram>(row.telegrams, *row.telegram));
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
    std::vector<std::vector<std::u16string>> rows, finished;
    ReadPracticeLogRows(rows);
    for (const auto& fields : rows) {
      if (!fields.empty() && fields.back() == u"完了") finished.push_back(fields);
    }
    EXPECT_EQ(finished.size(), static_cast<size_t>(row.finishedRows));
    if (!finished.empty()) {
      EXPECT_EQ(Utf8(finished.back().at(7)), std::to_string(row.loggedJudged));
    }
  }
}

}  // namespace
