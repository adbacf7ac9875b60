// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/morse_table.h"

#include <gtest/gtest.h>

namespace {

class MorseTableTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildMorseTables(); }
  void TearDown() override { SelectDecodingMap(Script::kKana); }
};

TEST_F(MorseTableTest, AlphabetSizes) {
  EXPECT_EQ(morseTable.latinEncoding.size(), 37u);
  EXPECT_EQ(morseTable.kanaEncoding.size(), 69u);
  EXPECT_EQ(morseTable.latinDecoding.size(), 37u);  // all Latin codes are distinct
  // 69 kana entries share four codes between two characters each.
  EXPECT_EQ(morseTable.kanaDecoding.size(), 65u);
}

TEST_F(MorseTableTest, SharedKanaCodesDecodeToOneChosenCharacter) {
  SelectDecodingMap(Script::kKana);
  struct Row {
    const char* code;
    char16_t expected;
  } rows[] = {
      {"-.--.", u'ル'},
      {".-.-.-", u'、'},
      {"-.--.-", u'（'},
      {".-..-.", u'）'},
  };
  for (const Row& row : rows) EXPECT_EQ(DecodeCode(row.code), row.expected) << row.code;
  // 「 and 。 can be played but never result from decoding.
  EXPECT_EQ(*EncodeCharacter(Script::kKana, u'「'), "-.--.");
  EXPECT_EQ(*EncodeCharacter(Script::kKana, u'。'), ".-.-.-");
}

TEST_F(MorseTableTest, DecodingFollowsTheActiveScript) {
  SelectDecodingMap(Script::kLatin);
  EXPECT_EQ(DecodeCode("-.--.-"), u'?');
  EXPECT_EQ(DecodeCode(".-"), u'A');
  EXPECT_EQ(DecodeCode("........"), u'?');
  SelectDecodingMap(Script::kKana);
  EXPECT_EQ(DecodeCode(".-"), u'イ');
  EXPECT_EQ(DecodeCode("-----"), u'0');
  EXPECT_EQ(DecodeCode("........"), u'?');
  EXPECT_EQ(DecodeCode(""), u'?');
}

TEST_F(MorseTableTest, BuildingTwiceGivesTheSameTables) {
  MorseTable first = morseTable;
  BuildMorseTables();
  EXPECT_EQ(first.kanaDecoding, morseTable.kanaDecoding);
  EXPECT_EQ(first.latinEncoding, morseTable.latinEncoding);
}

TEST_F(MorseTableTest, EncodingNeedsNormalisedCharacters) {
  EXPECT_FALSE(EncodeCharacter(Script::kLatin, u'a').has_value());
  EXPECT_EQ(*EncodeCharacter(Script::kKana, NormalizeForLookup(u'ぁ')), "--.--");
  EXPECT_EQ(*EncodeCharacter(Script::kLatin, u' '), " ");
  EXPECT_FALSE(EncodeCharacter(Script::kKana, u' ').has_value());
  EXPECT_FALSE(EncodeCharacter(Script::kKana, u'ガ').has_value());
}

TEST_F(MorseTableTest, NormalizeForLookupRules) {
  struct Row {
    char16_t in, out;
  } rows[] = {
      {u'あ', u'ア'}, {u'ん', u'ン'}, {u'ッ', u'ツ'},  {u'っ', u'ツ'},  {u'ヶ', u'ケ'}, {u'零', u'0'},
      {u'〇', u'0'},  {u'九', u'9'},  {0xFF9E, u'゛'}, {0xFF9F, u'゜'}, {u'a', u'a'},   {u'ガ', u'ガ'},
  };
  for (const Row& row : rows) EXPECT_EQ(NormalizeForLookup(row.in), row.out) << static_cast<int>(row.in);
}

TEST_F(MorseTableTest, AbbreviatedNumerals) {
  EXPECT_EQ(*AbbreviatedNumeralCode(u'5'), ".....");
  EXPECT_EQ(*EncodeCharacter(Script::kKana, u'5'), ".....");
  EXPECT_EQ(*AbbreviatedNumeralCode(u'7'), "-...");
  EXPECT_EQ(*EncodeCharacter(Script::kLatin, u'7'), "--...");
  EXPECT_EQ(*AbbreviatedNumeralCode(u'零'), "-");
  EXPECT_EQ(*AbbreviatedNumeralCode(u'一'), ".-");
  EXPECT_FALSE(AbbreviatedNumeralCode(u'A').has_value());
  EXPECT_FALSE(AbbreviatedNumeralCode(u'十').has_value());
}

TEST_F(MorseTableTest, ExpansionSplitsVoicedKanaAndHandlesBlanks) {
  EXPECT_EQ(ExpandMorseText(u"ガッコウ", Script::kKana), u"カ゛ッコウ");
  EXPECT_EQ(ExpandMorseText(u"パピプペポ", Script::kKana), u"ハ゜ヒ゜フ゜ヘ゜ホ゜");
  EXPECT_EQ(ExpandMorseText(u"バド", Script::kKana), u"ハ゛ト゛");
  EXPECT_EQ(ExpandMorseText(u"AB CD", Script::kKana), u"ABCD");
  EXPECT_EQ(ExpandMorseText(u"AB CD", Script::kLatin), u"AB CD");
  EXPECT_EQ(ExpandMorseText(u"A\u3000B", Script::kLatin), u"A B");
  EXPECT_EQ(ExpandMorseText(u"ガ ギ", Script::kKana).size(), 4u);
  EXPECT_EQ(ExpandMorseText(u"ヴが", Script::kKana), u"ヴが");  // only katakana are split
}

}  // namespace
