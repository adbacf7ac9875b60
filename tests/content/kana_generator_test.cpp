// SPDX-License-Identifier: GPL-3.0-or-later
// The kana generators on small tables of our own: lengths by level, header fields, categories, weak
// characters from a real character log, template files, and the random source's sequence.
#include "content/kana_generator.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "content/kana_tables.h"
#include "content/random_source.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/settings.h"
#include "records/practice_log.h"
#include "records/weak_characters.h"
#include "temporary_home.h"

namespace {

const char kTemplates[] =
    "四季・自然\t[四季自然カテゴリ001季節語]ノ[四季自然カテゴリ002時間帯]ニツキマス」\n"
    "四季・自然\tアスハ[四季自然カテゴリ001季節語]デス」\n"
    "旅行・観光\t[旅行観光カテゴリ001季節語]ニ[旅行観光カテゴリ002時間帯]ヘイキマス」\n"
    "仕事・会社\tカイシャニ[仕事会社カテゴリ001季節語]モドリマス」\n"
    "仕事・会社\t[ナイカギ]ヨロシク」\n";
const char kWordLists[] =
    "四季自然カテゴリ001季節語\tハル,ナツ,アキ\t四季・自然\n"
    "四季自然カテゴリ002時間帯\tアサ,ヒル\t四季・自然\n"
    "旅行観光カテゴリ001季節語\tフユ\t旅行・観光\n"
    "旅行観光カテゴリ002時間帯\tユウガタ,ヨル\t旅行・観光\n"
    "仕事会社カテゴリ001季節語\tゴゴ,ユウガタ\t仕事・会社\n";

class KanaGeneratorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tables.templates = ParseSentenceTemplates(kTemplates);
    tables.wordLists = ParseWordLists(kWordLists);
    tables.addresses = ParseAddresses("ホッカイドウ」サッポロシ」キタ ハルコ」\nアオモリケン」\n");
    InstallKanaTables(&tables);
    ClearControls();
    ResetSettingsToDefaults();
    FillSettingControls();
    SeedRandom(7);
  }
  void TearDown() override { InstallKanaTables(nullptr); }
  void SelectCategory(std::u16string_view item) {
    const std::vector<std::u16string> items = ControlItems(kCategoryCombo);
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i] == item) SetControlSelection(kCategoryCombo, static_cast<int>(i));
    }
  }
  KanaTables tables;
  TemporaryHome home;
};

TEST_F(KanaGeneratorTest, RandomSourceFollowsTheLinearCongruentialSequence) {
  SeedRandom(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
  for (int value : expected) EXPECT_EQ(NextRandom(), value);
}

TEST_F(KanaGeneratorTest, NumbersLengthsAndCounts) {
  const struct {
    int number;
    std::u16string kanji;
  } numbers[] = {{0, u"〇"}, {10, u"一〇"}, {305, u"三〇五"}, {999, u"九九九"}};
  for (const auto& row : numbers) EXPECT_EQ(KanjiNumber(row.number), row.kanji) << row.number;
  const int lengths[][2] = {{0, 80}, {1, 100}, {2, 120}, {3, 150}, {4, 160}, {5, 80}, {-1, 80}};
  for (const auto& row : lengths) EXPECT_EQ(TextLengthForLevel(row[0]), row[1]) << row[0];
  const struct {
    const char* name;
    std::u16string text;
    int count;
  } counts[] = {
      {"three closing marks count once", u"アイ」」」", 3},
      {"blanks are not counted", u"ア イ\u3000ウ\t」", 4},
      {"a single mark", u"」", 1},
      {"inner marks count", u"ア」」イ」", 5},
  };
  for (const auto& row : counts) EXPECT_EQ(KanaCharacterCount(row.text), row.count) << row.name;
}

TEST_F(KanaGeneratorTest, TextsHaveTheLevelLengthWithTheEightyFloor) {
  const struct {
    const char* name;
    bool secondGeneration;
    int requested;
    int length;
  } cases[] = {
      {"normal below the floor", false, 65, 80},
      {"normal", false, 125, 125},
      {"normal above the limit", false, 200, 180},
      {"templates below the floor", true, 70, 80},
      {"templates", true, 172, 172},
  };
  for (const auto& row : cases) {
    for (int round = 0; round < 20; ++round) {
      const std::u16string text =
          row.secondGeneration ? SecondGenerationText(row.requested) : NormalTelegramText(row.requested);
      ASSERT_EQ(static_cast<int>(text.size()), row.length) << row.name;
      EXPECT_EQ(text.back(), u'」') << row.name;
      EXPECT_EQ(text.find(u'['), std::u16string::npos) << row.name << ": " << round;
    }
  }
}

TEST_F(KanaGeneratorTest, PlaceholdersTakeWordsOfTheirKey) {
  std::set<std::u16string> seen;
  for (int round = 0; round < 400; ++round)
    seen.insert(ExpandTemplate(u"[四季自然カテゴリ001季節語]ノ[ナイ]["));
  EXPECT_TRUE(seen.count(u"ハルノ["));
  EXPECT_TRUE(seen.count(u"アキノ["));
  // One placeholder in eight takes two different words joined by ト.
  bool joined = false;
  for (const std::u16string& text : seen) joined = joined || text.size() == 7;
  EXPECT_TRUE(joined);
  for (const std::u16string& text : seen) EXPECT_NE(text.substr(0, 5), u"ハルトハル") << "same word twice";
  EXPECT_EQ(ExpandTemplate(u"ヨロシク」"), u"ヨロシク」");
}

TEST_F(KanaGeneratorTest, CategoriesChooseThemes) {
  const struct {
    std::u16string_view item;
    std::set<std::u16string> themes;
  } cases[] = {
      {u"旅行", {u"旅行・観光"}},
      {u"四季・自然", {u"四季・自然"}},
      {u"行政", {u"四季・自然", u"旅行・観光", u"仕事・会社"}},
      {u"すべて", {u"四季・自然", u"旅行・観光", u"仕事・会社"}},
  };
  for (const auto& row : cases) {
    SelectCategory(row.item);
    std::set<std::u16string> themes;
    for (int round = 0; round < 200; ++round)
      themes.insert(tables.templates[RandomTemplateRowForCategory()].theme);
    EXPECT_EQ(themes, row.themes);
  }
}

// The header fields of the whole batch as one batch number m gives them.
bool HeadersMatch(const std::vector<Telegram>& batch, const KanaTables& tables, int m) {
  for (int i = 0; i < static_cast<int>(batch.size()); ++i) {
    const auto& f = batch[static_cast<size_t>(i)].fields;
    const std::u16string time = std::u16string(i % 2 == 0 ? u"コ" : u"セ") + KanjiNumber((m + 5 * i) % 12) +
                                u"、" + KanjiNumber((7 * m + 11 * i) % 60);
    if (f[kOffice] != kKanaOffices[static_cast<size_t>((m + 7 * i) % 47)] ||
        f[kNumber] != KanjiNumber((13 * m + 37 * i) % 999 + 1) || f[kTime] != time ||
        f[kAddress] != tables.addresses[static_cast<size_t>((11 * i + 3 * m) % 47)]) {
      return false;
    }
  }
  return true;
}

TEST_F(KanaGeneratorTest, BatchHeadersFollowTheTelegramIndex) {
  for (bool secondGeneration : {false, true}) {
    SetControlChecked(kSecondGenerationCheck, secondGeneration);
    const std::vector<Telegram> batch = GenerateKanaBatch();
    ASSERT_EQ(batch.size(), 10u);
    int batchNumbers = 0;
    for (int m = 0; m < 32768; ++m) batchNumbers += HeadersMatch(batch, tables, m) ? 1 : 0;
    EXPECT_GE(batchNumbers, 1) << "no single batch number gives these headers";
    for (size_t i = 0; i < batch.size(); ++i) {
      const Telegram& t = batch[i];
      EXPECT_EQ(t.fields[kTime][0], i % 2 == 0 ? u'コ' : u'セ') << i;
      EXPECT_EQ(t.fields[kCount], KanjiNumber(KanaCharacterCount(t.fields[kText]))) << i;
      EXPECT_GE(t.fields[kText].size(), 80u);
      EXPECT_LE(t.fields[kText].size(), 95u);
    }
  }
}

TEST_F(KanaGeneratorTest, TheFirstDrawsSetTheLength) {
  // The first draw picks the offset (5 … 15), the second its sign; the normal text has that length.
  for (uint32_t seed : {1u, 2u, 99u, 4000000000u}) {
    uint32_t state = seed;
    auto draw = [&state]() {
      state = state * 214013u + 2531011u;
      return static_cast<int>((state >> 16) & 0x7FFF);
    };
    const int offset = 5 + draw() % 11;
    const int length = draw() % 2 == 1 ? 120 + offset : 120 - offset;
    practiceSettings.LearningLevel.store(2);
    SetControlChecked(kSecondGenerationCheck, false);
    SeedRandom(seed);
    EXPECT_EQ(static_cast<int>(GenerateKanaBatch()[0].fields[kText].size()), length) << seed;
  }
}

TEST_F(KanaGeneratorTest, WeakCharactersComeFromTheCharacterLog) {
  const struct {
    const char* name;
    CharacterLog log;
    std::u16string weak;
  } cases[] = {
      {"a good log has none", {{u'ア', {20, 19, 0, {}}}, {u'イ', {40, 40, 0, {}}}}, u""},
      {"ranked by score, blanks and brackets left out",
       {{u'ア', {20, 19, 1, {}}}, {u'カ', {10, 5, 5, {}}}, {u'」', {30, 0, 30, {}}}, {u'サ', {10, 2, 8, {}}}},
       u"サカア"},
      {"equal scores keep their order", {{u'ア', {10, 5, 5, {}}}, {u'イ', {10, 5, 5, {}}}}, u"アイ"},
  };
  for (const auto& row : cases) {
    ASSERT_TRUE(WriteCharacterLog(row.log)) << row.name;
    EXPECT_EQ(WeakCharacters(8), row.weak) << row.name;
  }
  std::remove(CharacterLogPath().c_str());
  EXPECT_EQ(WeakCharacters(8), u"");
}

TEST_F(KanaGeneratorTest, WeakTelegramsAreCutToTheRequestedLength) {
  ASSERT_TRUE(WriteCharacterLog({{u'ヌ', {10, 1, 9, {}}}, {u'ヰ', {10, 2, 8, {}}}}));
  SetControlChecked(kWeakTelegramCheck, true);
  SetControlChecked(kSecondGenerationCheck, false);
  practiceSettings.LearningLevel.store(0);
  for (int round = 0; round < 5; ++round) {
    for (const Telegram& t : GenerateKanaBatch()) {
      const size_t length = t.fields[kText].size();
      EXPECT_TRUE((length >= 65 && length <= 75) || (length >= 85 && length <= 95)) << length;
      EXPECT_NE(t.fields[kText].find(u'ヌ'), std::u16string::npos);
      EXPECT_EQ(t.fields[kText].back(), u'」');
    }
  }
  EXPECT_EQ(MixWeakCharacters(u"アイウエオ」", 12), u"アイウエオ」ヌ」ヰ」ヌ」");
}

TEST_F(KanaGeneratorTest, TemplateFilesReplaceTheBuiltInTemplates) {
  std::ofstream(home.path + "/templates_beginner.txt") << "# 初心者向け\n  シズカナ アサ」 \n\nアメ」\n";
  const std::u16string text = SecondGenerationText(80);
  ASSERT_EQ(text.size(), 80u);
  for (char16_t c : text) EXPECT_NE(std::u16string_view(u"シズカナアサ」アメ").find(c), std::u16string::npos);
  practiceSettings.LearningLevel.store(4);  // templates_exam.txt does not exist
  EXPECT_EQ(SecondGenerationText(160).find(u"シズカナ"), std::u16string::npos);
}

TEST_F(KanaGeneratorTest, EmptyTablesStillGiveTelegrams) {
  const KanaTables empty;
  InstallKanaTables(&empty);
  SetControlChecked(kSecondGenerationCheck, true);
  EXPECT_EQ(RandomTemplateRow(u"四季・自然"), -1);
  const std::vector<Telegram> batch = GenerateKanaBatch();
  ASSERT_EQ(batch.size(), 10u);
  EXPECT_EQ(batch[0].fields[kText].substr(0, 19), u"デンポウレンシュウヲシズカニオコナイ」");
}

}  // namespace
