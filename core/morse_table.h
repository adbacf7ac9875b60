// SPDX-License-Identifier: GPL-3.0-or-later
// The Latin and kana Morse alphabets in both directions, and the text rules around them.
// Built once before the worker threads start; read-only afterwards except the active decoding map.
#pragma once
#include <map>
#include <optional>
#include <string>

enum class Script { kLatin, kKana };

struct MorseTable {
  std::map<char16_t, std::string> latinEncoding;
  std::map<std::string, char16_t> latinDecoding;
  std::map<char16_t, std::string> kanaEncoding;
  std::map<std::string, char16_t> kanaDecoding;
};
extern MorseTable morseTable;

void BuildMorseTables();
// Window thread; the event thread reads the choice per decoded character.
void SelectDecodingMap(Script script);
Script ActiveDecodingScript();
// The active map's character for a code, or '?' when the code is not in it.
char16_t DecodeCode(const std::string& code);
// The code of a character in the given script's encoding map, or nothing.
std::optional<std::string> EncodeCharacter(Script script, char16_t c);
// Small katakana (ァ ィ … ッ ャ ュ ョ ヮ ヵ ヶ) as their full-size forms; other characters unchanged.
char16_t FullSizeKana(char16_t c);
char16_t NormalizeForLookup(char16_t c);
// Short numeral codes (1 ".-" … 0 "-") for digits and kanji numerals; nothing for other characters.
std::optional<std::string> AbbreviatedNumeralCode(char16_t c);
// Splits voiced and semi-voiced katakana into base + ゛/゜; blanks become one U+0020 in Latin script and
// vanish in kana script.
std::u16string ExpandMorseText(std::u16string_view text, Script script);
