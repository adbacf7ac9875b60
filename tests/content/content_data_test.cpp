// SPDX-License-Identifier: GPL-3.0-or-later
// The content compiled into the program (resources/kana/, resources/english/): its structure, and that
// everything the generators make from it can be keyed, over many seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "content/english_generator.h"
#include "content/kana_generator.h"
#include "content/kana_tables.h"
#include "content/random_source.h"
#include "content_test_support.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "temporary_home.h"

namespace {

class ContentDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    ClearControls();
    ResetSettingsToDefaults();
    FillSettingControls();
    InstallKanaTables(nullptr);
  }
  TemporaryHome home;  // no template files, no character log
};

bool IsKatakanaWord(std::u16string_view word) {
  for (char16_t c : word) {
    if (!((c >= u'ァ' && c <= u'ヶ') || c == u'ー' || c == u'、')) return false;
  }
  return !word.empty();
}

// The first character of a field, expanded into keyed cells, that has no code in the script; 0 when all have.
char16_t UnkeyableCharacter(std::u16string_view field, Script script) {
  for (char16_t c : ExpandMorseText(field, script)) {
    if (!EncodeCharacter(script, NormalizeForLookup(c))) return c;
  }
  return 0;
}

TEST_F(ContentDataTest, KanaTemplatesAndWordListsFollowTheirThemes) {
  const KanaTables& tables = CompiledKanaTables();
  const int themeRows[] = {60, 50, 50, 40, 50, 40, 40, 40, 40, 30, 30, 30};
  ASSERT_EQ(tables.templates.size(), 500u);
  ASSERT_EQ(tables.wordLists.size(), 500u);
  std::map<size_t, int> placeholderCounts;
  size_t row = 0;
  for (size_t theme = 0; theme < kKanaThemes.size(); ++theme) {
    std::u16string prefix(kKanaThemes[theme]);
    std::erase(prefix, u'・');
    std::set<std::u16string> used;
    for (int n = 0; n < themeRows[theme]; ++n, ++row) {
      const SentenceTemplate& t = tables.templates[row];
      ASSERT_EQ(t.theme, kKanaThemes[theme]) << "row " << row;
      EXPECT_EQ(t.text.find(u'」'), t.text.size() - 1) << "row " << row;
      const std::vector<std::u16string> keys = Placeholders(t.text);
      placeholderCounts[keys.size()] += 1;
      for (const std::u16string& key : keys) {
        const auto list = tables.wordLists.find(key);
        ASSERT_NE(list, tables.wordLists.end()) << "row " << row;
        EXPECT_EQ(list->second.theme, t.theme) << "row " << row;
        used.insert(key);
      }
      // The key of number n + 1 in this theme.
      std::u16string key = prefix + u"カテゴリ";
      const std::string digits = std::to_string(1000 + n + 1).substr(1);
      key.append(digits.begin(), digits.end());
      key += kWordCategoryNames[static_cast<size_t>(n)];
      const auto list = tables.wordLists.find(key);
      ASSERT_NE(list, tables.wordLists.end()) << "theme " << theme << " key " << n + 1;
      EXPECT_EQ(list->second.words.size(), 18u) << "theme " << theme << " key " << n + 1;
      EXPECT_EQ(std::set<std::u16string>(list->second.words.begin(), list->second.words.end()).size(), 18u);
      for (const std::u16string& word : list->second.words)
        EXPECT_TRUE(IsKatakanaWord(word)) << "key " << n + 1;
    }
    EXPECT_EQ(static_cast<int>(used.size()), themeRows[theme])
        << "every key of theme " << theme << " is used";
  }
  EXPECT_EQ(placeholderCounts, (std::map<size_t, int>{{3, 180}, {4, 280}, {5, 40}}));
}

TEST_F(ContentDataTest, KanaAddressesNameAPersonInEveryPrefecture) {
  const KanaTables& tables = CompiledKanaTables();
  for (size_t i = 0; i < tables.addresses.size(); ++i) {
    const std::u16string& address = tables.addresses[i];
    EXPECT_EQ(address.compare(0, kPrefectureParts[i].size(), kPrefectureParts[i]), 0) << i;
    EXPECT_EQ(std::count(address.begin(), address.end(), u'」'), 3) << i;
    EXPECT_EQ(std::count(address.begin(), address.end(), u' '), 1) << i;
    EXPECT_EQ(address.back(), u'」') << i;
  }
}

TEST_F(ContentDataTest, EveryGeneratedKanaCharacterHasACode) {
  const struct {
    const char* name;
    bool secondGeneration;
    int category;
  } cases[] = {{"normal", false, 0}, {"all themes", true, 0}, {"旅行", true, 3}, {"行政", true, 8}};
  for (const auto& row : cases) {
    SetControlChecked(kSecondGenerationCheck, row.secondGeneration);
    SetControlSelection(kCategoryCombo, row.category);
    for (uint32_t seed = 1; seed <= 150; ++seed) {
      SeedRandom(seed * 7919u);
      practiceSettings.LearningLevel.store(static_cast<int>(seed % 5));
      for (const Telegram& telegram : GenerateKanaBatch()) {
        for (const std::u16string& field : telegram.fields) {
          const char16_t bad = UnkeyableCharacter(field, Script::kKana);
          ASSERT_EQ(bad, 0) << row.name << " seed " << seed << ": U+" << std::hex << int(bad);
        }
        EXPECT_EQ(telegram.fields[kText].find(u'['), std::u16string::npos) << row.name;
      }
    }
  }
}

TEST_F(ContentDataTest, EnglishCandidatesPerLevelAndCategory) {
  EnglishDictionary dictionary;
  EnglishTemplates templates;
  ASSERT_TRUE(LoadEnglishResources(dictionary, templates));
  EXPECT_EQ(dictionary.size(), 72u);
  EXPECT_EQ(dictionary[u"VESSEL"].size(), 95u);
  EXPECT_EQ(templates.size(), 2023u);
  const struct {
    std::u16string_view category;
    int counts[5];
  } cases[] = {{u"ALL", {402, 970, 1070, 1098, 976}}, {u"EXAM", {18, 34, 30, 47, 60}}};
  for (const auto& row : cases) {
    for (int level = 0; level <= 4; ++level) {
      EXPECT_EQ(static_cast<int>(EnglishCandidates(templates, level, row.category).size()), row.counts[level])
          << "level " << level;
    }
  }
  // Every selectable category has templates of its own at every level.
  for (std::u16string_view category : {u"NATURE", u"WEATHER", u"TRAVEL", u"BUSINESS", u"TRAINING", u"RADIO",
                                       u"EMERGENCY", u"PORT", u"EXAM"}) {
    for (int level = 0; level <= 4; ++level) {
      for (int index : EnglishCandidates(templates, level, category)) {
        ASSERT_EQ(templates[static_cast<size_t>(index)].category, category) << "level " << level;
      }
    }
  }
}

TEST_F(ContentDataTest, EveryGeneratedEnglishCharacterHasACode) {
  SetCurrentScript(Script::kLatin);
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    SeedRandom(seed);
    practiceSettings.LearningLevel.store(static_cast<int>(seed % 5));
    SetControlSelection(kCategoryCombo, static_cast<int>(seed % 10));
    std::vector<Telegram> batch;
    ASSERT_TRUE(GenerateEnglishBatch(batch));
    ASSERT_EQ(batch.size(), 200u);
    for (const Telegram& telegram : batch) {
      for (const std::u16string& field : telegram.fields) {
        ASSERT_EQ(UnkeyableCharacter(field, Script::kLatin), 0) << "seed " << seed;
        EXPECT_EQ(field.find(u"  "), std::u16string::npos) << "seed " << seed;
      }
    }
  }
  SetCurrentScript(Script::kKana);
}

}  // namespace
