// SPDX-License-Identifier: GPL-3.0-or-later
// Scoring: weights, booking, score line, result snapshot, end of a run and automatic adjustment.
#include "judge_test_fixture.h"

#include "records/practice_log.h"

namespace {

TEST_F(JudgeTest, CharacterWeightIsTheCodeLength) {
  struct Row {
    char16_t c;
    int weight;
    const char* what;
  };
  const Row rows[] = {
      {u'ア', 5, "ア --.--"},
      {u'ヨ', 2, "ヨ --"},
      {u'ヘ', 1, "ヘ ."},
      {u'あ', 5, "hiragana as katakana"},
      {u'ァ', 5, "small kana as full size"},
      {u'、', 6, "、 .-.-.-"},
      {u'。', 6, "。 normalised to 、"},
      {u'A', 2, "Latin A"},
      {u'Q', 4, "Latin Q"},
      {u' ', 1, "Latin blank"},
      {u'三', 1, "kanji numeral: in neither map"},
      {u'3', 1, "digit: becomes a kanji numeral"},
      {u'ガ', 1, "voiced kana: in neither map"},
      {u'?', 1, "unknown"},
      {u'\0', 1, "NUL"},
  };
  for (const Row& row : rows) EXPECT_EQ(CharacterWeight(row.c), row.weight) << row.what;
}

TEST_F(JudgeTest, WrongAAndWrongThreeDeductTheirWeights) {
  RecordJudgement(u'ア', u'イ', false);
  EXPECT_EQ(telegramScore.points.load(), -5);
  EXPECT_EQ(telegramScore.deductions.load(), 5);
  EXPECT_EQ(telegramScore.maxPoints.load(), 5);
  RecordJudgement(u'三', u'ホ', false);
  EXPECT_EQ(telegramScore.points.load(), -6);
  EXPECT_EQ(telegramScore.deductions.load(), 6);
  RecordJudgement(u'ヨ', u'ヨ', true);
  EXPECT_EQ(telegramScore.points.load(), -4);
  EXPECT_EQ(telegramScore.maxPoints.load(), 8);
  EXPECT_EQ(telegramScore.judged.load(), 3);
  EXPECT_EQ(telegramScore.correct.load(), 1);
  EXPECT_EQ(telegramScore.wrong.load(), 2);
}

TEST_F(JudgeTest, ThreeWrongHeGoBelowZeroOnTheScoreLine) {
  for (int i = 0; i < 3; ++i) RecordJudgement(u'ヘ', u'ホ', false);
  EXPECT_EQ(ControlText(kScoreLine), u"得点 -3 / 3\u3000減点 3\u3000正解 0\u3000誤答 3\u3000正答率 0%");
  RecordJudgement(u'ヘ', u'ヘ', true);
  EXPECT_EQ(ControlText(kScoreLine), u"得点 -2 / 4\u3000減点 3\u3000正解 1\u3000誤答 3\u3000正答率 25%");
}

TEST_F(JudgeTest, JudgementIsBookedInRunListsMapsLinesAndLogs) {
  RecordJudgement(u'ア', u'イ', false);
  RecordJudgement(u'ア', u'ア', true);
  RecordJudgement(u'カ', u'\0', false);
  EXPECT_EQ(runStatistics.judged.load(), 3);
  EXPECT_EQ(runStatistics.correct.load(), 1);
  EXPECT_EQ(runStatistics.wrong.load(), 2);
  EXPECT_EQ(runStatistics.wrongList, u"ア→イ カ→  ");
  EXPECT_EQ(runStatistics.inputList, u"イア");
  const CharacterStat& a = runStatistics.perCharacter.at(u'ア');
  EXPECT_EQ(a.asked, 2);
  EXPECT_EQ(a.correct, 1);
  EXPECT_EQ(a.wrong, 1);
  EXPECT_EQ(a.wrongAnswers.at(u'イ'), 1);
  EXPECT_TRUE(runStatistics.perCharacter.at(u'カ').wrongAnswers.empty());
  EXPECT_EQ(ControlText(kRateLabel), u"正答率 33%  不正解率 66%  誤答 2");

  std::vector<std::vector<std::u16string>> rows;
  ASSERT_EQ(ReadPracticeLogRows(rows), kLogRead);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows.back().at(18), u"途中");
  EXPECT_EQ(rows.back().at(3), u"33");
  CharacterLog characters;
  ASSERT_EQ(ReadCharacterLog(characters), kLogRead);
  EXPECT_EQ(characters.at(u'ア').asked, 2);
  EXPECT_EQ(characters.at(u'カ').wrong, 1);
}

TEST_F(JudgeTest, ResetRunStatisticsZeroesEverythingAndTheScoreLine) {
  RecordJudgement(u'ア', u'イ', false);
  runStatistics.completedRuns.store(4);
  ResetRunStatistics();
  EXPECT_EQ(runStatistics.judged.load(), 0);
  EXPECT_EQ(runStatistics.wrong.load(), 0);
  EXPECT_EQ(runStatistics.completedRuns.load(), 0);
  EXPECT_TRUE(runStatistics.wrongList.empty());
  EXPECT_TRUE(runStatistics.inputList.empty());
  EXPECT_TRUE(runStatistics.perCharacter.empty());
  EXPECT_EQ(telegramScore.points.load(), 0);
  EXPECT_EQ(ControlText(kScoreLine), u"得点 0 / 0\u3000減点 0\u3000正解 0\u3000誤答 0\u3000正答率 0%");
}

// ---- Result window choices --------------------------------------------------------------------------------

TEST(ResultChoiceTest, ColourGradeAndCommentFollowTheThresholds) {
  struct Row {
    int accuracy;
    ResultColour colour;
    const char16_t* grade;
    const char16_t* comment;
  };
  const ResultColour green{0, 150, 95}, blue{35, 115, 210}, purple{150, 85, 200}, orange{235, 135, 20},
      red{215, 55, 65};
  const Row rows[] = {
      {100, green, u"S", u"すばらしい受信です"},
      {95, green, u"S", u"すばらしい受信です"},
      {94, green, u"A", u"とても良い成績です"},
      {90, green, u"A", u"とても良い成績です"},
      {89, blue, u"A", u"とても良い成績です"},
      {85, blue, u"A", u"とても良い成績です"},
      {84, blue, u"B", u"とても良い成績です"},
      {80, blue, u"B", u"とても良い成績です"},
      {79, blue, u"B", u"着実に力がついています"},
      {75, blue, u"B", u"着実に力がついています"},
      {74, purple, u"B", u"着実に力がついています"},
      {70, purple, u"B", u"着実に力がついています"},
      {69, purple, u"C", u"着実に力がついています"},
      {60, purple, u"C", u"着実に力がついています"},
      {59, orange, u"C", u"次の電報も落ち着いて受信しましょう"},
      {50, orange, u"C", u"次の電報も落ち着いて受信しましょう"},
      {49, orange, u"D", u"次の電報も落ち着いて受信しましょう"},
      {40, orange, u"D", u"次の電報も落ち着いて受信しましょう"},
      {39, red, u"D", u"誤答を確認してもう一度挑戦しましょう"},
      {0, red, u"D", u"誤答を確認してもう一度挑戦しましょう"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(AccuracyColour(row.accuracy), row.colour) << row.accuracy;
    EXPECT_EQ(GradeLetter(row.accuracy), row.grade) << row.accuracy;
    EXPECT_EQ(ResultComment(row.accuracy), row.comment) << row.accuracy;
  }
}

TEST_F(JudgeTest, ResultWithNothingJudgedIsZeroPercentGradeDRed) {
  ShowTelegramResult();
  const std::vector<TelegramResultSnapshot> shown = ShownTelegramResults();
  ASSERT_EQ(shown.size(), 1u);
  const TelegramResultSnapshot& result = shown[0];
  EXPECT_EQ(result.judged, 0);
  EXPECT_EQ(result.accuracy, 0);
  EXPECT_EQ(result.grade, u"D");
  EXPECT_EQ(result.colour, (ResultColour{215, 55, 65}));
  EXPECT_EQ(result.comment, u"誤答を確認してもう一度挑戦しましょう");
  EXPECT_EQ(result.title, u"第1通\u3000和文電報 結果");
  EXPECT_TRUE(result.anotherFollows);  // telegram 1 of the two built-in samples
  EXPECT_EQ(result.buttonCaption, u"次の電報へ");
}

TEST_F(JudgeTest, ResultOffersNextTelegramThenCloseOnTheLast) {
  UseScript(Script::kLatin,
            {MakeTelegram(u"1", u"", u"", u"", u"A", u"E"), MakeTelegram(u"2", u"", u"", u"", u"B", u"T")});
  KeyText(u"1");
  KeyCode("-...-");
  KeyText(u"A");
  KeyCode("-...-");
  KeyText(u"T");    // wrong against E
  KeyCode("..-.");  // F: still wrong, the position stays
  KeyText(u"E");
  KeyCode(".-.-.");
  KeyText(u"2");
  KeyCode("-...-");
  KeyText(u"B");
  KeyCode("-...-");
  KeyText(u"T");
  KeyCode(".-.-.");
  const std::vector<TelegramResultSnapshot> shown = ShownTelegramResults();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].currentNumber, 1);
  EXPECT_EQ(shown[0].buttonCaption, u"次の電報へ");
  EXPECT_EQ(shown[0].title, u"第1通\u3000欧文電報 結果");
  EXPECT_EQ(shown[0].judged, 5);
  EXPECT_EQ(shown[0].correct, 3);
  EXPECT_EQ(shown[0].wrong, 2);
  EXPECT_EQ(shown[0].accuracy, 60);
  // 1 (a digit weighs 1), A (.-), the wrong T and F against E (.), then E.
  EXPECT_EQ(shown[0].maxPoints, 1 + 2 + 1 + 1 + 1);
  EXPECT_EQ(shown[0].deductions, 2);
  EXPECT_EQ(shown[0].points, 1 + 2 - 1 - 1 + 1);
  EXPECT_EQ(shown[1].currentNumber, 2);
  EXPECT_FALSE(shown[1].anotherFollows);
  EXPECT_EQ(shown[1].buttonCaption, u"結果を閉じる");
  EXPECT_EQ(shown[1].judged, 3);  // the score restarted with telegram 2
  EXPECT_EQ(shown[1].accuracy, 100);
  EXPECT_EQ(shown[1].grade, u"S");
}

const TelegramResultSnapshot* hookedResult = nullptr;
int hookCalls = 0;
void RecordHookedResult(const TelegramResultSnapshot& result) {
  static TelegramResultSnapshot copy;
  copy = result;
  hookedResult = &copy;
  ++hookCalls;
}

TEST_F(JudgeTest, InstalledHookReceivesTheSnapshotInsteadOfTheRecord) {
  hookCalls = 0;
  InstallTelegramResultHook(RecordHookedResult);
  RecordJudgement(u'ア', u'ア', true);
  ShowTelegramResult();
  InstallTelegramResultHook(nullptr);
  EXPECT_EQ(hookCalls, 1);
  ASSERT_NE(hookedResult, nullptr);
  EXPECT_EQ(hookedResult->accuracy, 100);
  EXPECT_EQ(hookedResult->points, 5);
  EXPECT_TRUE(ShownTelegramResults().empty());
}

// ---- End of a run -----------------------------------------------------------------------------------------

TEST_F(JudgeTest, FinishedRunWithoutMistakesWritesNashiToTheTextLog) {
  practiceSettings.AutoDifficulty.store(0);
  RecordJudgement(u'ア', u'ア', true);
  RecordJudgement(u'イ', u'イ', true);
  FinishPracticeRun();
  EXPECT_EQ(runStatistics.completedRuns.load(), 1);
  const std::u16string summary = ControlText(kRateLabel);
  EXPECT_EQ(summary.rfind(u"正答率 100%  不正解率 0%  誤答 0  CPM ", 0), 0u) << Utf8(summary);
  const std::string log = ReadAppFile("telegram_practice_log.txt");
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.substr(0, 3), "\xEF\xBB\xBF");  // no byte-order mark
  // "yyyy/mm/dd hh:mm:ss" then the summary, the input and "なし".
  ASSERT_GE(log.size(), 21u);
  EXPECT_EQ(log[4], '/');
  EXPECT_EQ(log[13], ':');
  EXPECT_EQ(log.substr(19, 2), "\r\n");
  EXPECT_EQ(log.substr(21), Utf8(summary) + "\r\n入力文字:アイ\r\n間違い:なし\r\n\r\n");

  std::vector<std::vector<std::u16string>> rows;
  ASSERT_EQ(ReadPracticeLogRows(rows), kLogRead);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows.back().at(18), u"完了");
  EXPECT_EQ(rows.back().at(16), u"1");
}

TEST_F(JudgeTest, SecondRunAppendsItsEntryWithTheWrongList) {
  practiceSettings.AutoDifficulty.store(0);
  RecordJudgement(u'ア', u'ア', true);
  FinishPracticeRun();
  ResetRunStatistics();
  RecordJudgement(u'A', u'N', false);
  FinishPracticeRun();
  const std::string log = ReadAppFile("telegram_practice_log.txt");
  EXPECT_NE(log.find("間違い:なし\r\n\r\n"), std::string::npos);
  EXPECT_NE(log.find("入力文字:N\r\n間違い:A→N \r\n\r\n"), std::string::npos);
  EXPECT_LT(log.find("間違い:なし"), log.find("間違い:A→N"));
}

// ---- Automatic level and speed ----------------------------------------------------------------------------

TEST_F(JudgeTest, LevelChangesOnlyBeyondTheThresholds) {
  struct Row {
    int level;
    int accuracy;
    int expected;
  };
  const Row rows[] = {
      {4, 95, 4}, {3, 95, 4}, {0, 100, 1}, {0, 70, 0}, {1, 70, 0},
      {4, 0, 3},  {2, 71, 2}, {2, 94, 2},  {0, 94, 0}, {4, 71, 4},
  };
  SetControlItems(kLevelCombo, {u"初心者", u"初級", u"中級", u"上級", u"国家試験"});
  for (const Row& row : rows) {
    practiceSettings.LearningLevel.store(row.level);
    SetControlText(kMessageLine, u"");
    AdjustLevelByAccuracy(row.accuracy);
    EXPECT_EQ(practiceSettings.LearningLevel.load(), row.expected) << row.level << " at " << row.accuracy;
    if (row.expected != row.level) {
      EXPECT_EQ(ControlSelection(kLevelCombo), row.expected);
      EXPECT_EQ(ControlText(kMessageLine),
                FormatText(u"自動難易度: 正答率%d%%により学習レベルを「%s」に変更しました。",
                           {row.accuracy, LevelName()}));
    } else {
      EXPECT_EQ(ControlText(kMessageLine), u"");
    }
  }
  practiceSettings.LearningLevel.store(0);
  EXPECT_EQ(LevelName(), u"初心者");
  practiceSettings.LearningLevel.store(4);
  EXPECT_EQ(LevelName(), u"国家試験");
  practiceSettings.AutoDifficulty.store(0);
  AdjustLevelByAccuracy(100);
  EXPECT_EQ(practiceSettings.LearningLevel.load(), 4);
}

TEST_F(JudgeTest, AutoSpeedDecidesOncePerTwentyJudgements) {
  struct Row {
    int wpm;
    int right;  // of 20
    int expected;
  };
  const Row rows[] = {
      {15, 18, 16}, {15, 20, 16}, {15, 17, 15}, {15, 15, 15},
      {15, 14, 14}, {40, 20, 40}, {6, 0, 5},    {5, 0, 5},
  };
  practiceSettings.AutoSpeedAdjust.store(1);
  SetSliderRange(kSpeedSlider, 5, 40);
  for (const Row& row : rows) {
    practiceSettings.WPM.store(row.wpm);
    SetSliderPosition(kSpeedSlider, row.wpm);
    for (int i = 0; i < 19; ++i) AutoAdjustSpeed(i < row.right);
    EXPECT_EQ(practiceSettings.WPM.load(), row.wpm) << "no decision before the 20th judgement";
    AutoAdjustSpeed(19 < row.right);
    EXPECT_EQ(practiceSettings.WPM.load(), row.expected) << row.wpm << " WPM, " << row.right << " of 20";
    EXPECT_EQ(SliderPosition(kSpeedSlider), row.expected);
  }
  practiceSettings.AutoSpeedAdjust.store(0);
  practiceSettings.WPM.store(15);
  for (int i = 0; i < 40; ++i) AutoAdjustSpeed(true);
  EXPECT_EQ(practiceSettings.WPM.load(), 15);
}

}  // namespace
