// SPDX-License-Identifier: GPL-3.0-or-later
// Input judging: comparison rules, header and text fields, procedure signals, page following.
#include <atomic>
#include <chrono>
#include <thread>

#include "judge_test_fixture.h"

namespace {

// ---- Comparison rules -------------------------------------------------------------------------------------

TEST(NormalizeForJudgingTest, MapsEachCharacterClass) {
  struct Row {
    char16_t input;
    char16_t expected;
    const char* what;
  };
  const Row rows[] = {
      {u'か', u'カ', "hiragana"},
      {u'ん', u'ン', "last hiragana"},
      {u'ァ', u'ア', "small a"},
      {u'ッ', u'ツ', "small tsu"},
      {u'ョ', u'ヨ', "small yo"},
      {u'ヮ', u'ワ', "small wa"},
      {u'ヵ', u'カ', "small ka"},
      {u'ヶ', u'ケ', "small ke"},
      {u'\uFF9E', u'\u309B', "half-width voiced mark"},
      {u'\u309B', u'\u309B', "voiced mark"},
      {u'\uFF9F', u'\u309C', "half-width semi-voiced mark"},
      {u'。', u'、', "full stop"},
      {u',', u'、', "comma"},
      {u'\uFF0C', u'、', "full-width comma"},
      {u'\uFF08', u'(', "full-width open bracket"},
      {u'\uFF09', u')', "full-width close bracket"},
      {u'0', u'〇', "digit 0"},
      {u'3', u'三', "digit 3"},
      {u'9', u'九', "digit 9"},
      {u'A', u'A', "Latin capital"},
      {u'a', u'a', "no case folding"},
      {u'ヴ', u'ヴ', "unchanged katakana"},
      {u'?', u'?', "question mark"},
  };
  for (const Row& row : rows) EXPECT_EQ(NormalizeForJudging(row.input), row.expected) << row.what;
}

// ---- Kana text field --------------------------------------------------------------------------------------

TEST_F(JudgeTest, VoicedKanaTakesTwoCellsBothRight) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", u"ガ")});
  KeyText(u"一");
  EXPECT_EQ(judgeState.currentField, kText);
  KeyCode(".-..");  // カ
  EXPECT_EQ(judgeState.textPosition, 1);
  KeyCode("..");  // ゛
  EXPECT_EQ(Entered(kText), u"カ゛");
  EXPECT_EQ(Marks(kText), u"11");
  EXPECT_EQ(judgeState.textPosition, 2);
  EXPECT_EQ(runStatistics.correct.load(), 3);
  EXPECT_EQ(runStatistics.wrong.load(), 0);
}

TEST_F(JudgeTest, DigitsFullStopAndSmallKanaMatchTheirModelForms) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", u"三、ツッ")});
  KeyText(u"一");
  KeyCode("...--");            // the digit 3 against 三
  JudgeInputCharacter(u'。');  // 。 against 、
  KeyCode(".--.");             // ツ against ツ
  KeyCode(".--.");             // ツ against the small ッ
  EXPECT_EQ(Marks(kText), u"1111");
  EXPECT_EQ(Entered(kText), u"三、ツッ");  // right cells show the model's characters
  EXPECT_EQ(MessageLine(), u"次:ッ 入:ツ 判:○");
}

TEST_F(JudgeTest, WrongCharacterIsOverwrittenWithoutProceedAndSkippedWithIt) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", u"アイウ")});
  KeyText(u"一");
  KeyCode("..-");  // ウ against ア
  EXPECT_EQ(Entered(kText), u"ウ");
  EXPECT_EQ(Marks(kText), u"0");
  EXPECT_EQ(judgeState.textPosition, 0);
  EXPECT_EQ(MessageLine(), u"次:ア 入:ウ 判:×");
  KeyText(u"ア");
  EXPECT_EQ(Entered(kText), u"ア");
  EXPECT_EQ(Marks(kText), u"1");
  EXPECT_EQ(judgeState.textPosition, 1);

  SetProceed(true);
  KeyText(u"ア");  // wrong against イ, but the position moves on
  EXPECT_EQ(Entered(kText), u"アア");
  EXPECT_EQ(Marks(kText), u"10");
  EXPECT_EQ(judgeState.textPosition, 2);
  EXPECT_EQ(runStatistics.wrong.load(), 2);
}

TEST_F(JudgeTest, KanaHeaderFieldsFollowOneAnotherAndIgnoreBlanks) {
  UseScript(Script::kKana, {MakeTelegram(u"一二", u"ア", u"三", u"セ四", u"カ", u"キ")});
  KeyText(u"一");
  JudgeInputCharacter(u' ');
  JudgeInputCharacter(u'\u3000');
  EXPECT_EQ(Entered(kNumber), u"一");
  EXPECT_EQ(runStatistics.judged.load(), 1);
  KeyText(u"二");
  EXPECT_EQ(judgeState.currentField, kOffice);
  KeyCode("-");  // ム against ア: wrong, stays in field 1 without the option
  EXPECT_EQ(judgeState.currentField, kOffice);
  EXPECT_EQ(Marks(kOffice), u"0");
  KeyText(u"ア三");
  EXPECT_EQ(judgeState.currentField, kTime);
  KeyText(u"セ");
  KeyCode("....-");  // the short numeral for 四 in the filing time
  EXPECT_EQ(judgeState.currentField, kAddress);
  KeyText(u"カ");
  EXPECT_EQ(judgeState.currentField, kText);
  EXPECT_EQ(Entered(kTime), u"セ四");
  EXPECT_EQ(Marks(kTime), u"11");
}

TEST_F(JudgeTest, EmptyKanaHeaderFieldDoesNotSwallowTheNextCharacter) {
  // A telegram file with only office, address and text sections.
  UseScript(Script::kKana, {MakeTelegram(u"", u"一", u"", u"", u"カ", u"アイ")});
  KeyText(u"一カアイ");
  EXPECT_EQ(Entered(kOffice), u"一");
  EXPECT_EQ(Entered(kAddress), u"カ");
  EXPECT_EQ(Marks(kText), u"11");
  EXPECT_EQ(runStatistics.wrong.load(), 0);

  // The same when the character reaches the judge without passing the special signals first.
  UseScript(Script::kKana, {MakeTelegram(u"", u"一", u"", u"", u"カ", u"アイ")});
  JudgeInputCharacter(u'1');
  EXPECT_EQ(Entered(kOffice), u"一");
  EXPECT_EQ(judgeState.currentField, kAddress);
}

TEST_F(JudgeTest, LineBreakInsideAFieldIsFilledNotAwaited) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", u"アイ\nウ")});
  KeyText(u"一アイウ");
  EXPECT_EQ(Entered(kText), u"アイ\nウ");
  EXPECT_EQ(Marks(kText), u"1111");
  EXPECT_EQ(judgeState.textPosition, 4);
  EXPECT_EQ(runStatistics.judged.load(), 4);  // the line break is layout, not a judged character
}

TEST_F(JudgeTest, FieldThreeTakesShortNumeralsWhereTheTextDecodesKana) {
  UseScript(Script::kKana, {MakeTelegram(u"", u"", u"", u"八", u"", u"ホ八")});
  KeyCode("-..");
  EXPECT_EQ(Entered(kTime), u"八");
  EXPECT_EQ(Marks(kTime), u"1");
  EXPECT_EQ(judgeState.currentField, kText);
  KeyCode("-..");  // ホ in the text
  KeyCode("-..");  // ホ again, against 八: the text does not read short numerals
  EXPECT_EQ(Entered(kText), u"ホホ");
  EXPECT_EQ(Marks(kText), u"10");
}

TEST_F(JudgeTest, ErrorSignalInKanaCorrectsLastThreeWithProceed) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", u"アイウエオ")});
  SetProceed(true);
  KeyText(u"一アイウエ");
  EXPECT_EQ(judgeState.textPosition, 4);
  const int judgedBefore = runStatistics.judged.load();
  EXPECT_TRUE(HandleSpecialSignal("...-."));
  EXPECT_EQ(judgeState.textPosition, 1);
  EXPECT_EQ(Entered(kText), u"ア");
  EXPECT_EQ(Marks(kText), u"1");
  EXPECT_EQ(MessageLine(), u"訂正：3文字戻しました");
  EXPECT_EQ(runStatistics.judged.load(), judgedBefore);  // no counter moves back
  EXPECT_TRUE(HandleSpecialSignal("...-."));             // three or fewer: all of them
  EXPECT_EQ(judgeState.textPosition, 0);
  EXPECT_EQ(Entered(kText), u"");
  EXPECT_EQ(Marks(kText), u"");
}

// The proceed option ticked while a kana header field ends in a wrong cell: the field counts as complete,
// but the learner is still in it, so the correction takes back its cells and the next character goes there.
TEST_F(JudgeTest, CorrectionAfterProceedTickedWorksOnTheCurrentHeaderField) {
  struct Row {
    const char* what;
    std::u16string keyed;
    std::u16string enteredBefore;
    std::u16string enteredAfter;
  } rows[] = {
      {"last of three cells wrong", u"一五キ", u"一五キ", u""},
      {"a wrong cell overwritten, then the last wrong", u"一キ五キ", u"一五キ", u""},
  };
  for (const Row& row : rows) {
    UseScript(Script::kKana, {MakeTelegram(u"一五八", u"アイ", u"", u"", u"", u"ウ")});
    SetProceed(false);
    KeyText(row.keyed);
    SetProceed(true);
    EXPECT_EQ(Entered(kNumber), row.enteredBefore) << row.what;
    EXPECT_TRUE(HandleSpecialSignal("...-.")) << row.what;
    EXPECT_EQ(judgeState.currentField, kNumber) << row.what;
    EXPECT_EQ(Entered(kNumber), row.enteredAfter) << row.what;
    EXPECT_EQ(MessageLine(), u"訂正：3文字戻しました") << row.what;
    KeyText(u"一");
    EXPECT_EQ(Entered(kNumber), u"一") << row.what;
    EXPECT_EQ(Entered(kOffice), u"") << row.what;
  }
}

TEST_F(JudgeTest, CorrectionSignalWithoutProceedIsSwallowed) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", u"アイウエオ")});
  KeyText(u"一アイ");
  EXPECT_TRUE(HandleSpecialSignal("...-."));
  EXPECT_EQ(judgeState.textPosition, 2);
  EXPECT_EQ(Entered(kText), u"アイ");
}

TEST_F(JudgeTest, KanaSeparationSignalBetweenTelegramsIsNotJudged) {
  UseScript(Script::kKana,
            {MakeTelegram(u"一", u"", u"", u"", u"", u"ア"), MakeTelegram(u"二", u"", u"", u"", u"", u"イ")});
  KeyText(u"一ア");
  KeyCode("...-.");  // end of telegram 1
  ASSERT_EQ(telegramDocument.currentNumber, 2);
  const int judgedBefore = runStatistics.judged.load();
  KeyCode(".-.---");  // playback's separation signal before telegram 2
  EXPECT_EQ(runStatistics.judged.load(), judgedBefore);
  EXPECT_EQ(Entered(kNumber), u"");
  KeyText(u"二イ");
  EXPECT_EQ(Marks(kNumber), u"1");
  EXPECT_EQ(Marks(kText), u"1");
}

// ---- Page following ---------------------------------------------------------------------------------------

std::u16string Repeat(char16_t c, int n) {
  return std::u16string(static_cast<size_t>(n), c);
}

TEST_F(JudgeTest, SixtiethKanaCellTurnsToTheNextPage) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", Repeat(u'ア', 100))});
  KeyText(u"一");
  KeyText(Repeat(u'ア', 59));
  EXPECT_EQ(telegramDocument.shownPage, 0);
  SetControlText(kMessageLine, u"");
  KeyText(u"ア");
  EXPECT_EQ(judgeState.textPosition, 60);
  EXPECT_EQ(telegramDocument.shownPage, 1);
  ProcessPostedMessages();
  // The judgement line of the 60th cell comes first; the page turn's text replaces it.
  EXPECT_EQ(MessageLine(), u"自動改ページ");
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 2/2ページ  全体 2/2");
}

TEST_F(JudgeTest, LastCellOfAFullPageKeepsThePage) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", Repeat(u'ア', 60))});
  KeyText(u"一");
  KeyText(Repeat(u'ア', 60));
  EXPECT_EQ(judgeState.textPosition, 60);
  EXPECT_EQ(telegramDocument.shownPage, 0);
  EXPECT_NE(MessageLine(), u"自動改ページ");
}

TEST_F(JudgeTest, ManualPageTurnStopsFollowingUntilTheNextTelegram) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", Repeat(u'ア', 130)),
                            MakeTelegram(u"二", u"", u"", u"", u"", Repeat(u'イ', 70))});
  KeyText(u"一");
  GoToPage(0);  // the learner's own page turn
  EXPECT_FALSE(telegramDocument.followInput);
  KeyText(Repeat(u'ア', 125));
  EXPECT_EQ(telegramDocument.shownPage, 0);
  SetProceed(true);
  KeyText(Repeat(u'ア', 5));
  KeyCode("...-.");
  ASSERT_EQ(telegramDocument.currentNumber, 2);
  EXPECT_TRUE(telegramDocument.followInput);
  KeyText(u"二");
  KeyText(Repeat(u'イ', 60));
  EXPECT_EQ(telegramDocument.shownPage, 1);
}

TEST_F(JudgeTest, PageSignalShowsTheNextPageAtAPageBoundary) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"", u"", u"", u"", Repeat(u'ア', 130))});
  KeyText(u"一");
  KeyText(Repeat(u'ア', 60));
  telegramDocument.shownPage = 0;  // as if the learner looked back while followInput stays set
  EXPECT_TRUE(HandleSpecialSignal("..--.."));
  EXPECT_EQ(telegramDocument.shownPage, 1);
  KeyText(u"ア");
  EXPECT_TRUE(HandleSpecialSignal("..--.."));  // consumed even off a boundary
  EXPECT_EQ(judgeState.textPosition, 61);
  EXPECT_EQ(runStatistics.judged.load(), 62);
}

// ---- Latin fields and signals -----------------------------------------------------------------------------

std::vector<Telegram> LatinTelegrams() {
  return {MakeTelegram(u"18 IZ", u"", u"", u"", u"TO X", u"HI YO"),
          MakeTelegram(u"2", u"", u"", u"", u"Y", u"OK")};
}

TEST_F(JudgeTest, LatinBlankIsFilledByTheNextCharacter) {
  UseScript(Script::kLatin, LatinTelegrams());
  KeyText(u"18");
  EXPECT_TRUE(SpaceExpected());
  KeyText(u"I");  // no word gap keyed: the blank is filled and booked as right
  EXPECT_EQ(Entered(kNumber), u"18 I");
  EXPECT_EQ(Marks(kNumber), u"1111");
  EXPECT_EQ(runStatistics.judged.load(), 4);
  EXPECT_EQ(runStatistics.correct.load(), 4);
  EXPECT_EQ(MessageLine(), u"次:I 入:I 判:○");
  EXPECT_FALSE(SpaceExpected());
}

TEST_F(JudgeTest, LatinWordGapJudgesTheBlankWhenOneIsExpected) {
  UseScript(Script::kLatin, LatinTelegrams());
  KeyText(u"18 IZ");  // the word gap between 8 and I is reported because a blank is expected
  EXPECT_EQ(Entered(kNumber), u"18 IZ");
  EXPECT_EQ(Marks(kNumber), u"11111");
  KeyWordGap();  // nothing expected at the end of the field: the gap is not judged
  EXPECT_EQ(runStatistics.judged.load(), 5);
  EXPECT_FALSE(SpaceExpected());
}

TEST_F(JudgeTest, SeparatorBeforeThePreambleIsCompleteDoesNothingWithoutProceed) {
  UseScript(Script::kLatin, LatinTelegrams());
  KeyText(u"18");
  EXPECT_TRUE(HandleSpecialSignal("-...-"));
  EXPECT_EQ(judgeState.currentField, kNumber);
  EXPECT_EQ(Marks(kNumber), u"11");
  EXPECT_EQ(runStatistics.judged.load(), 2);
}

TEST_F(JudgeTest, SeparatorBeforeThePreambleIsCompleteJudgesQuestionMarkWithProceed) {
  UseScript(Script::kLatin, LatinTelegrams());
  SetProceed(true);
  KeyText(u"18 I");
  EXPECT_TRUE(HandleSpecialSignal("-...-"));
  EXPECT_EQ(judgeState.currentField, kNumber);
  EXPECT_EQ(Entered(kNumber), u"18 I?");  // "?" judged against Z
  EXPECT_EQ(Marks(kNumber), u"11110");
  EXPECT_EQ(runStatistics.wrong.load(), 1);
}

TEST_F(JudgeTest, SeparatorMovesFromPreambleToAddressToText) {
  UseScript(Script::kLatin, LatinTelegrams());
  KeyText(u"18 IZ");
  KeyCode("-...-");
  EXPECT_EQ(judgeState.currentField, kAddress);
  KeyText(u"TO");
  KeyCode("-...-");  // address incomplete
  EXPECT_EQ(judgeState.currentField, kAddress);
  KeyText(u"X");  // the blank is filled on the way
  KeyCode("-...-");
  EXPECT_EQ(judgeState.currentField, kText);
  KeyText(u"HI YO");
  EXPECT_EQ(Entered(kText), u"HI YO");
  EXPECT_EQ(Marks(kText), u"11111");
  EXPECT_EQ(runStatistics.wrong.load(), 0);
}

TEST_F(JudgeTest, LatinErrorSignalDecodesWithoutProceedAndCorrectsWithIt) {
  UseScript(Script::kLatin, LatinTelegrams());
  KeyText(u"18 IZ");
  KeyCode("-...-");
  KeyText(u"TO X");
  KeyCode("-...-");
  KeyText(u"H");
  EXPECT_FALSE(HandleSpecialSignal("........"));
  KeyCode("........");  // not consumed: decoded as "?" and judged against I
  EXPECT_EQ(Entered(kText), u"H?");
  EXPECT_EQ(Marks(kText), u"10");
  EXPECT_EQ(judgeState.textPosition, 1);

  SetProceed(true);
  KeyText(u"IY");  // I overwrites the wrong cell; Y fills the blank on its way
  EXPECT_EQ(Entered(kText), u"HI Y");
  EXPECT_EQ(judgeState.textPosition, 4);
  EXPECT_TRUE(HandleSpecialSignal("........"));
  EXPECT_EQ(judgeState.textPosition, 1);
  EXPECT_EQ(Entered(kText), u"H");
  EXPECT_EQ(Marks(kText), u"1");
  EXPECT_EQ(MessageLine(), u"訂正：3文字戻しました");
}

TEST_F(JudgeTest, QuestionSignalInLatinSendPracticeIsJudgedOnlyWithProceed) {
  UseScript(Script::kLatin, LatinTelegrams());
  CheckRadioButton(kReceiveRadio, kSendRadio, kSendRadio);
  KeyText(u"1");
  EXPECT_TRUE(HandleSpecialSignal("..--.."));
  EXPECT_EQ(Marks(kNumber), u"1");
  SetProceed(true);
  EXPECT_TRUE(HandleSpecialSignal("..--.."));
  EXPECT_EQ(Entered(kNumber), u"1?");
  EXPECT_EQ(Marks(kNumber), u"10");
}

TEST_F(JudgeTest, CallUpIsIgnoredInLatinScript) {
  UseScript(Script::kLatin, LatinTelegrams());
  runFlags.CallUpSending.store(1);
  EXPECT_TRUE(HandleSpecialSignal("...."));
  EXPECT_TRUE(HandleSpecialSignal("-...-"));
  JudgeInputCharacter(u'N');
  runFlags.CallUpSending.store(0);
  EXPECT_EQ(Entered(kNumber), u"");
  EXPECT_EQ(runStatistics.judged.load(), 0);
}

// Regression: the call-up's characters waited in the queue while a result window held the event thread,
// and by the time they were judged playback had long cleared its flag, so "NR" was judged as the preamble.
TEST_F(JudgeTest, CallUpQueuedBehindAResultWindowIsStillIgnored) {
  UseScript(Script::kLatin, LatinTelegrams());
  EnableEventQueue();
  SetCallUpKeying(true);
  PushKeyEvent(CharacterEvent("-.", 0));   // N
  PushKeyEvent(CharacterEvent(".-.", 0));  // R
  SetCallUpKeying(false);
  PushKeyEvent(CharacterEvent(".----", 0));    // 1, the preamble's first character
  EXPECT_EQ(runFlags.callUpKeying.load(), 0);  // playback is long past its call-up ...
  KeyEvent event;
  while (PopKeyEvent(event)) DispatchKeyEvent(event);  // ... when the event thread gets to the queue
  EXPECT_EQ(Entered(kNumber), u"1");
  EXPECT_EQ(Marks(kNumber), u"1");
  EXPECT_EQ(runStatistics.judged.load(), 1);
  DisableEventQueue();
}

TEST_F(JudgeTest, EndOfMessageFinishesTheRunOnceAndIgnoresWhatFollows) {
  UseScript(Script::kLatin, LatinTelegrams());
  KeyText(u"18 IZ");
  KeyCode("-...-");
  KeyText(u"TO X");
  KeyCode("-...-");
  KeyText(u"HI Y");
  KeyCode(".-.-.");  // before the text is complete: swallowed
  EXPECT_EQ(telegramDocument.currentNumber, 1);
  EXPECT_TRUE(ShownTelegramResults().empty());
  KeyText(u"O");
  KeyCode(".-.-.");
  EXPECT_EQ(telegramDocument.currentNumber, 2);
  EXPECT_EQ(judgeState.currentField, kNumber);
  EXPECT_EQ(Entered(kText), u"");  // telegram 2's empty copy
  EXPECT_EQ(telegramDocument.records[0].entered[kText], u"HI YO");

  KeyText(u"2");
  KeyCode("-...-");
  KeyText(u"Y");
  KeyCode("-...-");
  KeyText(u"OK");
  KeyCode(".-.-.");
  EXPECT_TRUE(judgeState.runFinished);
  EXPECT_FALSE(telegramDocument.followInput);
  EXPECT_EQ(MessageLine(), u"終了");
  ASSERT_EQ(ShownTelegramResults().size(), 2u);

  // Signals and characters after the end change nothing and open no second result.
  KeyCode(".-.-.");
  KeyCode("...-.");
  KeyText(u"K");
  EXPECT_EQ(ShownTelegramResults().size(), 2u);
  EXPECT_EQ(Entered(kText), u"OK");
  EXPECT_FALSE(SpaceExpected());
  const std::string log = ReadAppFile("telegram_practice_log.txt");
  EXPECT_EQ(log.find("入力文字:"), log.rfind("入力文字:"));  // exactly one text-log entry
  EXPECT_NE(log.find("入力文字:"), std::string::npos);
}

// The keying thread asks SpaceExpected every millisecond while the event thread judges.
TEST_F(JudgeTest, SpaceExpectedIsReadableFromAnotherThreadWhileJudging) {
  UseScript(Script::kLatin, LatinTelegrams());
  std::atomic<int> seen{-1};  // last answer the other thread saw
  std::atomic<bool> stop{false};
  std::thread keying([&] {
    while (!stop.load()) {
      seen.store(SpaceExpected() ? 1 : 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  auto waitFor = [&](int answer) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.load() != answer && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return seen.load() == answer;
  };
  KeyText(u"18");
  EXPECT_TRUE(waitFor(1));
  KeyText(u"I");
  EXPECT_TRUE(waitFor(0));
  stop.store(true);
  keying.join();
}

TEST_F(JudgeTest, SpaceExpectedIsFalseInKanaScript) {
  UseScript(Script::kKana, {MakeTelegram(u"一 二", u"", u"", u"", u"", u"ア イ")});
  KeyText(u"一");
  EXPECT_FALSE(SpaceExpected());
  KeyWordGap();
  EXPECT_EQ(runStatistics.judged.load(), 1);
}

TEST_F(JudgeTest, ResetJudgingClearsPositionCopiesAndFinishedRun) {
  UseScript(Script::kLatin, LatinTelegrams());
  KeyText(u"18 IZ");
  KeyCode("-...-");
  KeyText(u"TO");
  judgeState.runFinished = true;
  ResetJudging();
  EXPECT_EQ(judgeState.currentField, kNumber);
  EXPECT_EQ(judgeState.textPosition, 0);
  EXPECT_FALSE(judgeState.runFinished);
  EXPECT_TRUE(telegramDocument.followInput);
  EXPECT_EQ(Entered(kNumber), u"");
  EXPECT_EQ(runStatistics.judged.load(), 0);
  EXPECT_EQ(MessageLine(), u"");
  KeyText(u"1");
  EXPECT_EQ(Marks(kNumber), u"1");
}

}  // namespace
