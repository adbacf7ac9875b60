// SPDX-License-Identifier: GPL-3.0-or-later
// What the compiled-in kana templates and word lists mean, beyond their counts: the rules that keep a
// doubled slot ("A ト B") and a filled template readable. Each rule also runs once on a copy broken on
// purpose, so a rule that could never fail shows up here.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "content/kana_tables.h"
#include "core/text.h"

namespace {

using Problems = std::vector<std::string>;

std::vector<std::u16string> Keys(std::u16string_view text) {
  std::vector<std::u16string> keys;
  for (size_t open = text.find(u'['); open != std::u16string_view::npos; open = text.find(u'[', open + 1)) {
    const size_t close = text.find(u']', open);
    if (close == std::u16string_view::npos) break;
    keys.emplace_back(text.substr(open + 1, close - open - 1));
  }
  return keys;
}

bool EndsWith(std::u16string_view text, std::u16string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Lists that hold one season only; every list named 季節語 outside this table spans the year.
const struct {
  std::u16string_view key;
  int season;  // 0 spring, 1 summer, 2 autumn, 3 winter
} kOneSeasonLists[] = {
    {u"四季自然カテゴリ024植物語", 0},   {u"天候風景カテゴリ005自然語", 3}, {u"天候風景カテゴリ025動物語", 0},
    {u"鉄道駅交通カテゴリ024植物語", 0}, {u"郵便電報カテゴリ001季節語", 2}, {u"郵便電報カテゴリ019農業語", 2},
    {u"旅行観光カテゴリ019農業語", 2},   {u"旅行観光カテゴリ024植物語", 0}, {u"農業漁業カテゴリ019農業語", 2},
    {u"農業漁業カテゴリ021行事語", 2},   {u"農業漁業カテゴリ024植物語", 0},
};
constexpr std::u16string_view kSeasonNames[] = {u"ハル", u"ナツ", u"アキ", u"フユ"};
constexpr int kAnySeason = 4;

// The seasons a template names: its fixed text ("ハルノ", "アキニ" …; keys hold no such katakana) and its
// seasonal keys.
std::multiset<int> SeasonsOf(std::u16string_view text) {
  std::multiset<int> seasons;
  for (const std::u16string& key : Keys(text)) {
    int season = EndsWith(key, u"季節語") ? kAnySeason : -1;
    for (const auto& row : kOneSeasonLists)
      if (row.key == key) season = row.season;
    if (season >= 0) seasons.insert(season);
  }
  for (int s = 0; s < 4; ++s) {
    for (std::u16string_view particle : {u"ノ", u"ニ", u"ハ", u"ガ", u"ヲ"}) {
      if (text.find(std::u16string(kSeasonNames[s]) + std::u16string(particle)) != std::u16string_view::npos)
        seasons.insert(s);
    }
  }
  return seasons;
}

const struct {
  const char* name;
  std::function<Problems(const KanaTables&)> check;
  std::function<void(KanaTables&)> breakCopy;  // makes the rule fail
} kRules[] = {
    {"no template uses two lists that share a word",
     [](const KanaTables& t) {
       Problems out;
       for (size_t row = 0; row < t.templates.size(); ++row) {
         std::set<std::u16string> seen;
         for (const std::u16string& key : Keys(t.templates[row].text)) {
           const auto list = t.wordLists.find(key);
           if (list == t.wordLists.end()) continue;
           for (const std::u16string& word : std::set(list->second.words.begin(), list->second.words.end()))
             if (!seen.insert(word).second) out.push_back("row " + std::to_string(row + 1));
         }
       }
       return out;
     },
     [](KanaTables& t) {
       const std::vector<std::u16string> keys = Keys(t.templates[0].text);
       t.wordLists[keys[1]].words[0] = t.wordLists[keys[0]].words[0];
     }},
    {"no season or time word sits inside another of its list",
     [](const KanaTables& t) {
       Problems out;
       for (const auto& [key, list] : t.wordLists) {
         if (!EndsWith(key, u"季節語") && !EndsWith(key, u"時間帯")) continue;
         for (const std::u16string& a : list.words)
           for (const std::u16string& b : list.words)
             if (a != b && b.find(a) != std::u16string::npos)
               out.push_back(Utf16ToUtf8(key) + " " + Utf16ToUtf8(b));
       }
       return out;
     },
     [](KanaTables& t) {
       auto& words = t.wordLists[u"四季自然カテゴリ001季節語"].words;
       words[1] = words[0] + u"ゴロ";
     }},
    {"a seasonal list never meets another season",
     [](const KanaTables& t) {
       Problems out;
       for (size_t row = 0; row < t.templates.size(); ++row) {
         const std::multiset<int> seasons = SeasonsOf(t.templates[row].text);
         const bool mixed = seasons.count(kAnySeason) > 0
                                ? seasons.size() > 1
                                : std::set(seasons.begin(), seasons.end()).size() > 1;
         if (mixed) out.push_back("row " + std::to_string(row + 1));
       }
       return out;
     },
     [](KanaTables& t) {
       for (SentenceTemplate& row : t.templates)
         if (row.text.find(u"四季自然カテゴリ024植物語") != std::u16string::npos)
           row.text = u"ナツノ" + row.text;
     }},
};

TEST(KanaContentMeaningTest, CompiledContentKeepsEveryRule) {
  const KanaTables& compiled = CompiledKanaTables();
  ASSERT_EQ(compiled.templates.size(), 500u);
  for (const auto& rule : kRules) {
    const Problems problems = rule.check(compiled);
    EXPECT_TRUE(problems.empty()) << rule.name << ": " << problems.size() << " faults, first "
                                  << (problems.empty() ? "" : problems.front());
    KanaTables broken = compiled;
    rule.breakCopy(broken);
    EXPECT_FALSE(rule.check(broken).empty()) << rule.name << ": the broken copy passed";
  }
}

}  // namespace
