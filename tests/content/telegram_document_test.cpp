// SPDX-License-Identifier: GPL-3.0-or-later
// The telegram document: samples, clamped queries, the learner's records and the page model with its labels.
#include "content/telegram_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"

namespace {

class TelegramDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    ClearControls();
    LatinMode.store(0);
    ResetTelegramDocument();
    SetMainWindowExists(true);
  }
  void TearDown() override {
    SetMainWindowExists(false);
    LatinMode.store(0);
    ResetTelegramDocument();
  }
};

std::u16string Repeat(std::u16string_view unit, int times) {
  std::u16string text;
  for (int i = 0; i < times; ++i) text += unit;
  return text;
}

Telegram MakeTelegram(std::u16string text, std::u16string number = u"一") {
  Telegram telegram;
  telegram.fields[kNumber] = std::move(number);
  telegram.fields[kOffice] = u"トウキョウ";
  telegram.fields[kAddress] = u"トウキョウト」ミナトク」サトウ」";
  telegram.fields[kText] = std::move(text);
  return telegram;
}

bool IsKatakanaAddress(const std::u16string& text) {
  for (char16_t c : text) {
    if (!((c >= u'ァ' && c <= u'ヺ') || c == u'ー' || c == u'」')) return false;
  }
  return true;
}

bool IsCapitalsLine(const std::u16string& text) {
  for (char16_t c : text) {
    if (!((c >= u'A' && c <= u'Z') || c == u' ')) return false;
  }
  return true;
}

// ---- Samples and queries ----

TEST_F(TelegramDocumentTest, KanaSamplesAreShownUntilSomethingIsLoaded) {
  EXPECT_EQ(TelegramCount(), 2);
  const Telegram first = TelegramAt(0);
  EXPECT_EQ(first.fields[kNumber], u"一五八");
  EXPECT_EQ(first.fields[kOffice], u"センダイデンポウ");
  EXPECT_EQ(first.fields[kCount], u"三九");
  EXPECT_EQ(first.fields[kTime], u"セ一〇、三〇");
  EXPECT_EQ(first.fields[kAddress].rfind(u"ミヤギケン」センダイシ」", 0), 0u);
  EXPECT_EQ(first.fields[kAddress].back(), u'」');
  EXPECT_GT(first.fields[kAddress].size(), std::u16string(u"ミヤギケン」センダイシ」").size() + 1);
  EXPECT_TRUE(IsKatakanaAddress(first.fields[kAddress]));
  EXPECT_EQ(first.fields[kText].rfind(u"フユノヨルニマドカラミエルホシゾラハ」", 0), 0u);
  const Telegram second = TelegramAt(1);
  EXPECT_EQ(second.fields[kNumber], u"一五二");
  EXPECT_EQ(second.fields[kOffice], u"トウキョウツウシン");
  EXPECT_EQ(second.fields[kTime], u"コ一二、一八");
  EXPECT_EQ(second.fields[kAddress].rfind(u"トウキョウト」シナガワク」", 0), 0u);
  EXPECT_TRUE(IsKatakanaAddress(second.fields[kAddress]));
  EXPECT_EQ(second.fields[kText].substr(second.fields[kText].size() - 13), u"アスモエガオデスゴシタイ」");

  // 107 and 126 expanded cells: 2 and 3 pages of 60.
  EXPECT_EQ(ModelPagesOfCurrent(), 2);
  EXPECT_EQ(PagesOfTelegram(2), 3);
  EXPECT_EQ(TotalPages(), 5);
  UpdatePageLabels();
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 1/2ページ  全体 1/5");
  EXPECT_EQ(ControlText(kModelPageLabel), u"1/5");
  EXPECT_EQ(ControlText(kLearnerPageLabel), u"1/5");
}

TEST_F(TelegramDocumentTest, LatinSamplesFollowTheScript) {
  LatinMode.store(1);
  EXPECT_EQ(TelegramCount(), 2);
  EXPECT_EQ(pageSize(), 208);
  const Telegram first = TelegramAt(0);
  EXPECT_EQ(first.fields[kNumber], u"18 IZUMIMARU 31 26 6 26 S");
  EXPECT_TRUE(first.fields[kOffice].empty() && first.fields[kCount].empty() && first.fields[kTime].empty());
  const std::u16string place = u" MARINE CENTER ROTTERDAM";
  ASSERT_GT(first.fields[kAddress].size(), place.size());
  EXPECT_EQ(first.fields[kAddress].substr(first.fields[kAddress].size() - place.size()), place);
  EXPECT_TRUE(IsCapitalsLine(first.fields[kAddress]));
  EXPECT_EQ(
      first.fields[kText],
      u"THANK YOU FOR YOUR ASSISTANCE DURING THE LAST PORT VISIT WE LOOK FORWARD TO FUTURE COOPERATION");
  const Telegram second = TelegramAt(1);
  EXPECT_EQ(second.fields[kNumber], u"49 NAGASAKIRADIO 19 16 6 34 M");
  EXPECT_TRUE(IsCapitalsLine(second.fields[kAddress]));
  EXPECT_EQ(second.fields[kAddress].rfind(u"PORT AUTHORITY JAKARTA"),
            second.fields[kAddress].size() - std::u16string(u"PORT AUTHORITY JAKARTA").size());
  EXPECT_EQ(second.fields[kText],
            u"LOADING OPERATIONS WERE COMPLETED SUCCESSFULLY NO DAMAGE HAS BEEN REPORTED DURING INSPECTION");
  EXPECT_EQ(TotalPages(), 2);
  UpdatePageLabels();
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 1/1ページ  全体 1/2");
}

TEST_F(TelegramDocumentTest, PageCountsFollowThePageSize) {
  struct Case {
    bool latin;
    int length;
    int pages;
  };
  static const Case cases[] = {
      {false, 0, 1},   {false, 1, 1},  {false, 60, 1},      {false, 61, 2}, {false, 120, 2},
      {false, 121, 3}, {false, -5, 1}, {true, 208, 1},      {true, 209, 2}, {true, 416, 2},
      {true, 417, 3},  {true, 0, 1},   {true, 100000, 481},
  };
  for (const Case& c : cases) {
    LatinMode.store(c.latin ? 1 : 0);
    EXPECT_EQ(pageSize(), c.latin ? 208 : 60);
    EXPECT_EQ(PageCountOf(c.length), c.pages) << (c.latin ? "Latin " : "kana ") << c.length;
  }
}

TEST_F(TelegramDocumentTest, ModelPagesCountExpandedCells) {
  struct Case {
    bool latin;
    std::u16string text;
    int cells;
    int pages;
  };
  const Case cases[] = {
      {false, Repeat(u"ガ", 30) + u"ア", 61, 2},  // voiced kana take two cells
      {false, Repeat(u"ガ", 30), 60, 1},
      {false, Repeat(u"ア", 30) + Repeat(u"　", 40), 30, 1},  // blanks take no cell in kana
      {false, u"ガ ギ", 4, 1},
      {false, u"", 0, 1},
      {true, u"A B", 3, 1},
      {true, Repeat(u"A", 209), 209, 2},
      {true, Repeat(u"A ", 104), 208, 1},
  };
  for (const Case& c : cases) {
    LatinMode.store(c.latin ? 1 : 0);
    ReplaceTelegrams({MakeTelegram(c.text)});
    EXPECT_EQ(ExpandedCurrentField(kText).size(), static_cast<size_t>(c.cells)) << c.cells;
    EXPECT_EQ(ModelPagesOfCurrent(), c.pages) << c.cells;
    EXPECT_EQ(TotalPages(), c.pages) << c.cells;
  }
}

TEST_F(TelegramDocumentTest, NumbersOutsideTheDocumentAddressItsEnds) {
  ReplaceTelegrams(
      {MakeTelegram(u"イチ", u"一"), MakeTelegram(Repeat(u"ア", 61), u"二"), MakeTelegram(u"サン", u"三")});
  struct Case {
    int32_t currentNumber;
    int index;
  };
  static const Case cases[] = {{1, 0}, {2, 1}, {3, 2}, {5, 2}, {0, 0}, {-3, 0}};
  for (const Case& c : cases) {
    telegramDocument.currentNumber = c.currentNumber;
    EXPECT_EQ(CurrentIndex(), c.index) << c.currentNumber;
    EXPECT_EQ(TelegramAt(CurrentIndex()).fields[kNumber], TelegramAt(c.index).fields[kNumber]);
  }
  telegramDocument.currentNumber = 5;
  EXPECT_EQ(ExpandedCurrentField(kText), u"サン");
  EXPECT_EQ(ExpandedCurrentField(kNumber), u"三");
  EXPECT_EQ(ExpandedCurrentField(9), u"");
  telegramDocument.shownPage = 0;
  EXPECT_EQ(OverallPageNumber(), 1 + 2 + 1);  // telegrams 1 and 2 before it, as for number 3
  EXPECT_EQ(TotalPages(), 4);
  // Out-of-range indices of TelegramAt are held inside the document too.
  EXPECT_EQ(TelegramAt(7).fields[kNumber], u"三");
  EXPECT_EQ(TelegramAt(-1).fields[kNumber], u"一");
}

TEST_F(TelegramDocumentTest, EnteringBeyondTheModelAddsPages) {
  ReplaceTelegrams({MakeTelegram(Repeat(u"ア", 60))});
  telegramDocument.working.entered[kText] = Repeat(u"ア", 70);
  EXPECT_EQ(ModelPagesOfCurrent(), 1);
  EXPECT_EQ(CurrentTelegramPages(), 2);
  EXPECT_EQ(PagesOfTelegram(1), 1);  // the stored record has nothing yet
  StoreWorkingRecord();
  EXPECT_EQ(PagesOfTelegram(1), 2);

  const uint64_t model = ControlInvalidations(kModelSheet);
  const uint64_t learner = ControlInvalidations(kLearnerSheet);
  telegramDocument.followInput = true;
  GoToPage(1);
  EXPECT_EQ(telegramDocument.shownPage, 1);
  EXPECT_FALSE(telegramDocument.followInput);
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 2/2ページ  全体 2/2");
  EXPECT_EQ(ControlInvalidations(kModelSheet), model + 1);
  EXPECT_EQ(ControlInvalidations(kLearnerSheet), learner + 1);
  GoToPage(9);
  EXPECT_EQ(telegramDocument.shownPage, 1);
  GoToPage(-4);
  EXPECT_EQ(telegramDocument.shownPage, 0);

  // Emptying the entries pulls a shown second page back on the next label update.
  telegramDocument.shownPage = 1;
  telegramDocument.working.entered[kText].clear();
  UpdatePageLabels();
  EXPECT_EQ(telegramDocument.shownPage, 0);
}

// ---- Records ----

TEST_F(TelegramDocumentTest, RecordsAreRebuiltOnlyWhenTheCountChanges) {
  telegramDocument.currentNumber = 2;
  telegramDocument.working.entered[kText] = u"アイウ";
  telegramDocument.working.marks[kText] = u"110";
  StoreWorkingRecord();
  ASSERT_EQ(telegramDocument.records.size(), 2u);

  // Two telegrams again: the stored copies stay.
  const int32_t revision = telegramDocument.revision;
  judgeState.runFinished = true;
  ReplaceTelegrams({MakeTelegram(u"ア"), MakeTelegram(u"イ")});
  EXPECT_TRUE(telegramDocument.loaded);
  EXPECT_EQ(telegramDocument.revision, revision + 1);
  EXPECT_EQ(telegramDocument.currentNumber, 1);
  EXPECT_EQ(telegramDocument.shownPage, 0);
  EXPECT_FALSE(judgeState.runFinished);
  EnsureRecordCount();
  EXPECT_EQ(telegramDocument.records[1].entered[kText], u"アイウ");

  // Seven telegrams: the next record access replaces them by seven empty ones; working is not touched.
  std::vector<Telegram> seven(7, MakeTelegram(u"ア"));
  ReplaceTelegrams(seven);
  EXPECT_EQ(PagesOfTelegram(2), 1);
  ASSERT_EQ(telegramDocument.records.size(), 7u);
  for (const LearnerCopy& record : telegramDocument.records) EXPECT_TRUE(record.entered[kText].empty());
  EXPECT_EQ(telegramDocument.working.entered[kText], u"アイウ");

  // An empty batch never makes a loaded document empty.
  ReplaceTelegrams({});
  EXPECT_EQ(TelegramCount(), 7);
  EXPECT_EQ(telegramDocument.revision, revision + 2);

  ResetLearnerCopies();
  EXPECT_EQ(telegramDocument.records.size(), 7u);
  EXPECT_TRUE(telegramDocument.working.entered[kText].empty());
  EXPECT_TRUE(telegramDocument.working.marks[kText].empty());
}

// ---- Page turning ----

TEST_F(TelegramDocumentTest, PageButtonsWalkTelegramsAndKeepTheirEntries) {
  // Pages: telegram 1 has 2 (61 cells), telegram 2 has 1, telegram 3 has 1.
  ReplaceTelegrams({MakeTelegram(Repeat(u"ア", 61)), MakeTelegram(u"イイ"), MakeTelegram(u"ウウ")});
  telegramDocument.working.entered[kText] = u"ア";
  telegramDocument.working.marks[kText] = u"1";

  NextPage();  // telegram 1, second page
  EXPECT_EQ(telegramDocument.currentNumber, 1);
  EXPECT_EQ(telegramDocument.shownPage, 1);
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 2/2ページ  全体 2/4");

  judgeState.currentField = 5;
  judgeState.textPosition = 1;
  const uint64_t learner = ControlInvalidations(kLearnerSheet);
  telegramDocument.followInput = true;
  NextPage();  // telegram 2
  EXPECT_EQ(telegramDocument.currentNumber, 2);
  EXPECT_EQ(telegramDocument.shownPage, 0);
  EXPECT_FALSE(telegramDocument.followInput);
  EXPECT_EQ(judgeState.currentField, 0);
  EXPECT_EQ(judgeState.textPosition, 0);
  EXPECT_GE(ControlInvalidations(kLearnerSheet), learner + 2);  // the input sheet, then both sheets
  EXPECT_TRUE(telegramDocument.working.entered[kText].empty());
  EXPECT_EQ(telegramDocument.records[0].entered[kText], u"ア");
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"2通目 1/1ページ  全体 3/4");
  EXPECT_EQ(ControlText(kModelPageLabel), u"3/4");

  // Entries of telegram 2 beyond its model give it a second page, counted in the totals once stored.
  telegramDocument.working.entered[kText] = Repeat(u"イ", 61);
  judgeState.currentField = 5;
  PreviousPage();  // back to the last page of telegram 1, its entries restored
  EXPECT_EQ(telegramDocument.currentNumber, 1);
  EXPECT_EQ(telegramDocument.shownPage, 1);
  EXPECT_EQ(telegramDocument.working.entered[kText], u"ア");
  EXPECT_EQ(telegramDocument.working.marks[kText], u"1");
  EXPECT_EQ(judgeState.currentField, 5);  // going back leaves the input position alone
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 2/2ページ  全体 2/5");

  NextPage();  // telegram 2 with its 61 stored cells
  EXPECT_EQ(telegramDocument.currentNumber, 2);
  EXPECT_EQ(telegramDocument.working.entered[kText], Repeat(u"イ", 61));
  EXPECT_EQ(CurrentTelegramPages(), 2);
  NextPage();
  EXPECT_EQ(telegramDocument.shownPage, 1);
  NextPage();  // telegram 3
  EXPECT_EQ(telegramDocument.currentNumber, 3);
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"3通目 1/1ページ  全体 5/5");

  // The last page of the last telegram: only the working copy is stored.
  telegramDocument.working.entered[kText] = u"ウ";
  NextPage();
  EXPECT_EQ(telegramDocument.currentNumber, 3);
  EXPECT_EQ(telegramDocument.shownPage, 0);
  EXPECT_EQ(telegramDocument.records[2].entered[kText], u"ウ");

  // Back to the first page of telegram 1; one more press changes nothing.
  for (int i = 0; i < 4; ++i) PreviousPage();
  EXPECT_EQ(telegramDocument.currentNumber, 1);
  EXPECT_EQ(telegramDocument.shownPage, 0);
  PreviousPage();
  EXPECT_EQ(telegramDocument.currentNumber, 1);
  EXPECT_EQ(telegramDocument.shownPage, 0);
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 1/2ページ  全体 1/5");
}

TEST_F(TelegramDocumentTest, PageButtonsStartFromTheTelegramShownWhenTheNumberIsOutside) {
  ReplaceTelegrams({MakeTelegram(u"ア"), MakeTelegram(u"イ"), MakeTelegram(u"ウ")});
  telegramDocument.currentNumber = 5;  // shows telegram 3
  PreviousPage();
  EXPECT_EQ(telegramDocument.currentNumber, 2);
  telegramDocument.currentNumber = -2;  // shows telegram 1
  NextPage();
  EXPECT_EQ(telegramDocument.currentNumber, 2);
}

TEST_F(TelegramDocumentTest, LabelsWaitForTheMainWindow) {
  SetMainWindowExists(false);
  SetControlText(kTelegramStatusLabel, u"1通目 1/1ページ");
  telegramDocument.shownPage = 7;
  UpdatePageLabels();
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 1/1ページ");
  EXPECT_EQ(telegramDocument.shownPage, 7);
  SetMainWindowExists(true);
  UpdatePageLabels();
  EXPECT_EQ(telegramDocument.shownPage, 1);
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 2/2ページ  全体 2/5");
}

TEST_F(TelegramDocumentTest, ScriptSwitchReturnsToTheSamples) {
  ReplaceTelegrams({MakeTelegram(u"ア"), MakeTelegram(u"イ"), MakeTelegram(u"ウ")});
  for (int field = 0; field < 6; ++field) {
    telegramDocument.working.entered[static_cast<size_t>(field)] = u"x";
    telegramDocument.working.marks[static_cast<size_t>(field)] = u"1";
  }
  StoreWorkingRecord();
  telegramDocument.currentNumber = 3;
  telegramDocument.shownPage = 1;
  judgeState = JudgeState{5, 12, true};
  const int32_t revision = telegramDocument.revision;
  const uint64_t learner = ControlInvalidations(kLearnerSheet);

  LatinMode.store(1);
  SwitchToBuiltInSamples();
  EXPECT_FALSE(telegramDocument.loaded);
  EXPECT_EQ(TelegramCount(), 2);
  EXPECT_EQ(TelegramAt(0).fields[kNumber], u"18 IZUMIMARU 31 26 6 26 S");
  EXPECT_EQ(telegramDocument.currentNumber, 1);
  EXPECT_EQ(telegramDocument.shownPage, 0);
  EXPECT_EQ(telegramDocument.revision, revision + 1);
  for (int field : {0, 4, 5}) {
    EXPECT_TRUE(telegramDocument.working.entered[static_cast<size_t>(field)].empty()) << field;
    EXPECT_TRUE(telegramDocument.working.marks[static_cast<size_t>(field)].empty()) << field;
  }
  for (int field : {1, 2, 3}) EXPECT_EQ(telegramDocument.working.entered[static_cast<size_t>(field)], u"x");
  EXPECT_EQ(judgeState.currentField, 0);
  EXPECT_EQ(judgeState.textPosition, 0);
  EXPECT_FALSE(judgeState.runFinished);
  EXPECT_GE(ControlInvalidations(kLearnerSheet), learner + 1);
  EXPECT_EQ(ControlText(kTelegramStatusLabel), u"1通目 1/1ページ  全体 1/2");
}

}  // namespace
