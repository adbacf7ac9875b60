// SPDX-License-Identifier: GPL-3.0-or-later
// The English dictionary and templates: line rules, merging, expansion and the generator built on them,
// on small resources written here.
#include "content/english_resources.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "content/english_generator.h"
#include "content/random_source.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/settings.h"
#include "core/text.h"

namespace {

using Items = std::vector<std::u16string>;

Items SplitAtBlanks(std::u16string_view text) {
  Items parts(1);
  for (char16_t c : text) {
    if (c == u' ') {
      parts.emplace_back();
    } else {
      parts.back().push_back(c);
    }
  }
  return parts;
}

TEST(EnglishResourcesTest, TemplateLines) {
  const struct {
    const char* name;
    std::u16string line;
    bool ok;
    EnglishTemplate parsed;
  } cases[] = {
      {"four fields", u" RADIO | 0 | 1 | CALL [VESSEL] \r", true, {u"RADIO", 0, 1, u"CALL [VESSEL]"}},
      {"named level for both ends", u"PORT|ADVANCED|TEXT", true, {u"PORT", 3, 3, u"TEXT"}},
      {"maximum below minimum", u"PORT|3|1|TEXT", true, {u"PORT", 3, 3, u"TEXT"}},
      {"levels clamped", u"PORT|-2|9|TEXT", true, {u"PORT", 0, 4, u"TEXT"}},
      {"a fourth bar belongs to the text", u"PORT|0|1|A|B", true, {u"PORT", 0, 1, u"A|B"}},
      {"named levels are case-sensitive", u"PORT|exam|EXAM|T", true, {u"PORT", 0, 4, u"T"}},
      {"minimum above 4 is kept", u"PORT|7|2|T", true, {u"PORT", 7, 7, u"T"}},
      {"one bar", u"PORT|TEXT", false, {}},
      {"empty category", u" |1|2|TEXT", false, {}},
      {"empty text", u"PORT|1|2|  ", false, {}},
      {"comment", u"# CATEGORY|MIN_LEVEL|MAX_LEVEL|TEMPLATE", false, {}},
  };
  for (const auto& row : cases) {
    EnglishTemplate parsed{u"UNTOUCHED", 9, 9, u"UNTOUCHED"};
    EXPECT_EQ(ParseTemplateLine(row.line, parsed), row.ok) << row.name;
    const EnglishTemplate& expected = row.ok ? row.parsed : EnglishTemplate{u"UNTOUCHED", 9, 9, u"UNTOUCHED"};
    EXPECT_EQ(parsed.category, expected.category) << row.name;
    EXPECT_EQ(parsed.minimumLevel, expected.minimumLevel) << row.name;
    EXPECT_EQ(parsed.maximumLevel, expected.maximumLevel) << row.name;
    EXPECT_EQ(parsed.text, expected.text) << row.name;
  }
}

TEST(EnglishResourcesTest, DictionaryLinesMergeWithoutDuplicates) {
  EnglishDictionary dictionary;
  ParseDictionaryText(
      u"# Expanded English telegram dictionary. KEY=comma-separated words or phrases\r\n"
      u"A_KEY = A , ,, B,A\n"
      u"NO EQUALS SIGN\n"
      u" = ORPHAN\n"
      u"EMPTY= , ,\n"
      u"PORT=KOBE,TAMON MARU\r\n"
      u"PORT=OSAKA,KOBE\n",
      dictionary);
  const EnglishDictionary expected = {{u"A_KEY", {u"A", u"B"}},
                                      {u"PORT", {u"KOBE", u"TAMON MARU", u"OSAKA"}}};
  EXPECT_EQ(dictionary, expected);
  EXPECT_EQ(SplitWordList(u" X ,, Y Z ,"), (Items{u"X", u"Y Z"}));
}

TEST(EnglishResourcesTest, ExpansionAddsPairsAlternatesAndJoinedTemplates) {
  Items twenty;
  for (int i = 0; i < 20; ++i) twenty.push_back(std::u16string(1, static_cast<char16_t>(u'A' + i)));
  EnglishDictionary dictionary = {{u"ROUTE", {u"NORTH", u"SOUTH"}}, {u"ONE", {u"X"}}, {u"MANY", twenty}};
  EnglishTemplates templates = {
      {u"RADIO", 0, 1, u"T0"}, {u"PORT", 0, 1, u"T1"},  {u"RADIO", 0, 1, u"T2"},
      {u"RADIO", 0, 2, u"T3"}, {u"RADIO", 0, 1, u"T4"},
  };
  ExpandEnglishResources(dictionary, templates);
  EXPECT_EQ(dictionary[u"ROUTE"],
            (Items{u"NORTH", u"SOUTH", u"NORTH AND SOUTH", u"ALTERNATE NORTH", u"ALTERNATE SOUTH"}));
  EXPECT_EQ(dictionary[u"ONE"], Items{u"X"});
  ASSERT_EQ(dictionary[u"MANY"].size(), 31u);  // 20 + 11 pairs among the first 12
  EXPECT_EQ(dictionary[u"MANY"][20], u"A AND B");
  EXPECT_EQ(dictionary[u"MANY"][30], u"K AND L");
  Items texts;
  for (const EnglishTemplate& t : templates) texts.push_back(t.text);
  EXPECT_EQ(texts, (Items{u"T0", u"T1", u"T2", u"T3", u"T4", u"T0 ALSO T2", u"T2 ALSO T4",
                          u"T0 PLEASE CONFIRM RECEIPT", u"T3 PLEASE CONFIRM RECEIPT"}));
  EXPECT_EQ(templates[8].maximumLevel, 2);
  EnglishDictionary none;
  EnglishTemplates single = {{u"RADIO", 0, 0, u"ONLY"}};
  ExpandEnglishResources(none, single);
  ASSERT_EQ(single.size(), 2u);
  EXPECT_EQ(single[1].text, u"ONLY PLEASE CONFIRM RECEIPT");
}

TEST(EnglishResourcesTest, ResourcesFailWhenEitherIsUnusable) {
  const struct {
    const char* name;
    std::string dictionary;
    std::string templates;
    bool ok;
  } cases[] = {
      {"both usable", "PORT=KOBE\n", "PORT|0|4|CALL [PORT]\n", true},
      {"no dictionary entry", "# only a comment\n", "PORT|0|4|CALL [PORT]\n", false},
      {"no template", "PORT=KOBE\n", "PORT|0\n", false},
      {"empty dictionary resource", "", "PORT|0|4|CALL\n", false},
  };
  for (const auto& row : cases) {
    EnglishDictionary dictionary = {{u"OLD", {u"OLD"}}};
    EnglishTemplates templates = {{u"OLD", 0, 0, u"OLD"}};
    EXPECT_EQ(ParseEnglishResources(row.dictionary, row.templates, dictionary, templates), row.ok)
        << row.name;
    EXPECT_EQ(dictionary.count(u"OLD"), 0u) << row.name;
    if (!row.ok) {
      EXPECT_TRUE(dictionary.empty() || templates.empty()) << row.name;
    }
  }
}

TEST(EnglishGeneratorTest, FillingAndCounting) {
  const EnglishDictionary dictionary = {{u"PORT", {u"KOBE"}}, {u"EMPTY", {}}};
  const struct {
    const char* name;
    std::u16string templateText;
    std::u16string text;
    int words;
  } cases[] = {
      {"filled", u"ARRIVE [PORT] TODAY", u"ARRIVE KOBE TODAY", 3},
      {"missing key at the start leaves a blank", u"[NONE] ARRIVE [PORT]", u" ARRIVE KOBE", 2},
      {"missing key at the end loses the blank", u"ARRIVE [EMPTY]", u"ARRIVE", 1},
      {"missing key inside leaves two blanks", u"A [NONE] B", u"A  B", 2},
      {"unclosed bracket copied", u"A [PORT", u"A [PORT", 2},
  };
  for (const auto& row : cases) {
    const std::u16string text = FillEnglishTemplate(row.templateText, dictionary);
    EXPECT_EQ(text, row.text) << row.name;
    EXPECT_EQ(EnglishWordCount(text), row.words) << row.name;
  }
}

TEST(EnglishGeneratorTest, CandidatesAndCategories) {
  const EnglishTemplates templates = {
      {u"NATURE", 0, 1, u"A"}, {u"NATURE", 2, 4, u"B"}, {u"EXAM", 4, 4, u"C"},
      {u"RADIO", 0, 4, u"D"},  {u"NATURE", 7, 7, u"E"},
  };
  const struct {
    int level;
    std::u16string_view category;
    std::vector<int> candidates;
  } cases[] = {
      {0, u"ALL", {0, 3}},     {4, u"ALL", {1, 2, 3}}, {0, u"NATURE", {0}},
      {0, u"EXAM", {0, 3}},  // nothing for the level in the category: every category of the level
      {4, u"PORT", {1, 2, 3}},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(EnglishCandidates(templates, row.level, row.category), row.candidates) << row.level;
  }
}

TEST(EnglishGeneratorTest, BatchPreamblesAndNeighbours) {
  SeedRandom(5);
  const EnglishDictionary dictionary = {{u"PORT", {u"KOBE", u"OSAKA"}}};
  const EnglishTemplates templates = {{u"PORT", 0, 4, u"ARRIVE [PORT]"}, {u"PORT", 0, 4, u"SAIL NOW"}};
  const std::vector<Telegram> batch = EnglishBatchFrom(dictionary, templates, {0, 1});
  ASSERT_EQ(batch.size(), 200u);
  for (size_t i = 0; i < batch.size(); ++i) {
    const Telegram& t = batch[i];
    const Items fields = SplitAtBlanks(t.fields[kNumber]);
    ASSERT_EQ(fields.size(), 7u) << i;
    const int serial = LeadingInt(fields[0]), day = LeadingInt(fields[3]), hour = LeadingInt(fields[4]);
    EXPECT_TRUE(serial >= 1 && serial <= 999) << i;
    EXPECT_NE(std::find(kEnglishStations.begin(), kEnglishStations.end(), fields[1]), kEnglishStations.end());
    EXPECT_EQ(LeadingInt(fields[2]), EnglishWordCount(t.fields[kText])) << i;
    EXPECT_TRUE(day >= 1 && day <= 28 && hour >= 0 && hour <= 23) << i;
    EXPECT_EQ(fields[5].size(), 2u) << i;
    EXPECT_LE(LeadingInt(fields[5]), 59) << i;
    EXPECT_EQ(fields[6], i % 2 == 0 ? u"S" : u"M") << i;
    if (i > 0) {
      EXPECT_NE(t.fields[kText], batch[i - 1].fields[kText]) << i;
    }
    EXPECT_TRUE(t.fields[kOffice].empty() && t.fields[kCount].empty() && t.fields[kTime].empty());
  }
  // The one text the candidates allow comes back after 20 equal draws.
  const std::vector<Telegram> single = EnglishBatchFrom(dictionary, {{u"PORT", 0, 4, u"SAIL NOW"}}, {0});
  EXPECT_EQ(single[199].fields[kText], u"SAIL NOW");
}

}  // namespace

namespace {

TEST(EnglishGeneratorTest, FailuresShowTheirMessageAndMakeNothing) {
  ClearControls();
  ClearShownMessageBoxes();
  ResetSettingsToDefaults();
  practiceSettings.LearningLevel.store(2);
  const struct {
    const char* name;
    bool loaded;
    EnglishTemplates templates;
    std::u16string_view text;
    MessageBoxIcon icon;
  } cases[] = {
      {"resources missing", false, {}, kEnglishResourcesMissing, MessageBoxIcon::kError},
      {"no template for the level",
       true,
       {{u"RADIO", 0, 1, u"CALL"}},
       kNoEnglishTemplate,
       MessageBoxIcon::kWarning},
  };
  for (const auto& row : cases) {
    ClearShownMessageBoxes();
    std::vector<Telegram> batch(1);
    EXPECT_FALSE(GenerateEnglishBatchFrom(row.loaded, {{u"PORT", {u"KOBE"}}}, row.templates, batch))
        << row.name;
    EXPECT_EQ(batch.size(), 1u) << row.name;
    const std::vector<MessageBoxRecord> boxes = ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << row.name;
    EXPECT_EQ(boxes[0].text, row.text) << row.name;
    EXPECT_EQ(boxes[0].caption, u"欧文ランダム生成") << row.name;
    EXPECT_EQ(boxes[0].icon, row.icon) << row.name;
  }
}

}  // namespace
