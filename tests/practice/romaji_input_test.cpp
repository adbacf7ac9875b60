// SPDX-License-Identifier: GPL-3.0-or-later
// Romaji typed without an input method: one row per spelling rule, typed as the copy-receive sheet feeds it.
#include "practice/romaji_input.h"

#include <gtest/gtest.h>

#include "core/text.h"

namespace {

// Typed the way the sheet passes keys on: romaji characters to FeedRomaji, '\b' to BackspaceRomaji (a refused
// Backspace, which the sheet turns into taking back a kana, shows as ⌫ in the output), anything else ends the
// romaji with FinishRomaji.
TEST(RomajiInputTest, TypedRomajiGivesKatakanaAndPending) {
  struct Row {
    const char* what;
    std::u16string_view typed;
    std::u16string_view output;
    std::u16string_view pending;
    std::u16string_view dropped;  // letters FinishRomaji reported as making no kana
  };
  static const Row rows[] = {
      {"basic vowels and rows", u"aiueokasatanahamayarawa", u"アイウエオカサタナハマヤラワ", u"", u""},
      {"voiced rows", u"gazadaba", u"ガザダバ", u"", u""},
      {"semi-voiced row", u"papipupepo", u"パピプペポ", u"", u""},
      {"wo di du", u"wodidu", u"ヲヂヅ", u"", u""},
      {"y-combinations", u"kyagyunyohyabyupyomyarya", u"キャギュニョヒャビュピョミャリャ", u"", u""},
      {"dy as ヂャ", u"dyadyudyo", u"ヂャヂュヂョ", u"", u""},
      {"Hepburn", u"shichitsufujishachoja", u"シチツフジシャチョジャ", u"", u""},
      {"kunrei", u"sititufuzisyatyozya", u"シチツフジシャチョジャ", u"", u""},
      {"jya and cya", u"jyacya", u"ジャチャ", u"", u""},
      {"ye she je che", u"yeshejeche", u"イェシェジェチェ", u"", u""},
      {"f row", u"fafifefo", u"ファフィフェフォ", u"", u""},
      {"small kana with x and l", u"xalixtultuxtsuxyalyuxyoxwa", u"ァィッッッャュョヮ", u"", u""},
      {"doubled consonant", u"kitte", u"キッテ", u"", u""},
      {"doubled consonant waits for its kana", u"kk", u"ッ", u"k", u""},
      {"cch as in maccha", u"maccha", u"マッチャ", u"", u""},
      {"Hepburn tch as in matcha", u"matcha", u"マッチャ", u"", u""},
      {"nn is ン at once", u"nn", u"ン", u"", u""},
      {"konnnichiha", u"konnnichiha", u"コンニチハ", u"", u""},
      {"konnichiha: nn took the n", u"konnichiha", u"コンイチハ", u"", u""},
      {"n' before a vowel", u"kan'i", u"カンイ", u"", u""},
      {"n before a consonant", u"shinbun", u"シンブ", u"n", u""},
      {"n at the end", u"hon ", u"ホン", u"", u""},
      {"n before ー", u"n-", u"ンー", u"", u""},
      {"hyphen is ー", u"ra-men", u"ラーメ", u"n", u""},
      {"upper case", u"KYOTO", u"キョト", u"", u""},
      {"mixed case", u"ToKkYo", u"トッキョ", u"", u""},
      {"pending after ky", u"ky", u"", u"ky", u""},
      {"pending after x", u"x", u"", u"x", u""},
      {"q makes no kana", u"qka", u"カ", u"", u""},
      {"v makes no kana", u"vu", u"ウ", u"", u""},
      {"qq is not ッ", u"qqa", u"ア", u"", u""},
      {"dead run drops one letter", u"kxa", u"ァ", u"", u""},
      {"ended partial is dropped", u"ky=", u"", u"", u"ky"},
      {"digit ends the romaji", u"sh1a", u"ア", u"", u"sh"},
      {"Backspace on pending", u"ky\bo", u"コ", u"", u""},
      {"Backspace to nothing", u"k\b\b", u"⌫", u"", u""},
      {"Backspace after a kana", u"ka\b", u"カ⌫", u"", u""},
  };
  for (const Row& row : rows) {
    RomajiInput input;
    std::u16string output;
    std::u16string dropped;
    for (char16_t c : row.typed) {
      if (c == u'\b') {
        if (!BackspaceRomaji(input)) output += u'⌫';
      } else if (IsRomajiCharacter(c)) {
        output += FeedRomaji(input, c);
      } else {
        output += FinishRomaji(input, &dropped);
        EXPECT_TRUE(input.pending.empty()) << row.what;
      }
    }
    EXPECT_EQ(Utf16ToUtf8(output), Utf16ToUtf8(row.output)) << row.what;
    EXPECT_EQ(Utf16ToUtf8(input.pending), Utf16ToUtf8(row.pending)) << row.what;
    EXPECT_EQ(Utf16ToUtf8(dropped), Utf16ToUtf8(row.dropped)) << row.what;
  }
}

}  // namespace
