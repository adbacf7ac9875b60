// SPDX-License-Identifier: GPL-3.0-or-later
// The kana generator's tables: the small built-in ones, and the sentence templates, word lists and
// addresses compiled in from resources/kana/ (parsed once, read-only afterwards).
#pragma once
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// ---- Built-in tables --------------------------------------------------------------------------------------
inline constexpr std::u16string_view kKanjiDigits = u"〇一二三四五六七八九";
inline constexpr std::u16string_view kDefaultKanaText = u"デンポウレンシュウヲシズカニオコナイ」";
inline constexpr std::u16string_view kWordJoiner = u"ト";
extern const std::array<std::u16string_view, 16> kKanaPhrases;
extern const std::array<std::u16string_view, 6> kKanaParticles;
extern const std::array<std::u16string_view, 47> kKanaOffices;        // prefecture order, Hokkaido first
extern const std::array<std::u16string_view, 47> kPrefectureParts;    // the first part of each address
extern const std::array<std::u16string_view, 12> kKanaThemes;         // in table order
extern const std::array<std::u16string_view, 60> kWordCategoryNames;  // category word of key 001 … 060

// ---- Content tables ---------------------------------------------------------------------------------------
struct SentenceTemplate {
  std::u16string theme;
  std::u16string text;  // katakana with [key] placeholders, ending in "」"
};

struct WordList {
  std::u16string theme;
  std::vector<std::u16string> words;  // the list split at ","
};

struct KanaTables {
  std::vector<SentenceTemplate> templates;       // file order
  std::map<std::u16string, WordList> wordLists;  // by key; the first row of a key counts
  std::array<std::u16string, 47> addresses;      // prefecture」city」surname given」
};

// Rows of "theme<TAB>template"; lines without exactly one TAB, or with an empty part, are skipped.
std::vector<SentenceTemplate> ParseSentenceTemplates(std::string_view bytes);
// Rows of "key<TAB>list<TAB>theme"; malformed lines are skipped.
std::map<std::u16string, WordList> ParseWordLists(std::string_view bytes);
// Line i is address i when it begins with prefecture part i and "」"; any other entry falls back to the
// prefecture part alone ("ホッカイドウ」"), so an address is never empty.
std::array<std::u16string, 47> ParseAddresses(std::string_view bytes);

// The tables the generator uses: those compiled into the program unless a test installed its own.
const KanaTables& ActiveKanaTables();
// Tests: use these tables instead (nullptr returns to the compiled-in ones). The caller keeps them alive.
void InstallKanaTables(const KanaTables* tables);
// The compiled-in tables, parsed on first use; a missing resource gives an empty table.
const KanaTables& CompiledKanaTables();
