// SPDX-License-Identifier: GPL-3.0-or-later
// The English dictionary (resource 5301) and sentence templates (resource 5302) of the Latin random
// generator: parsing and the expansion that enlarges both before every use.
//
//   dictionary   KEY=item, item phrase, …        a repeated key collects the items of every line
//   templates    CATEGORY|MIN|MAX|TEXT  or  CATEGORY|LEVEL|TEXT     levels 0 … 4 or BEGINNER … EXAM
//
// Lines are trimmed; blank lines and lines beginning with "#" are comments. Both are read afresh for every
// batch, so nothing here is cached. Window thread (or nemora-cli); the fuzz targets call it on any bytes.
#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct EnglishTemplate {
  std::u16string category;
  int minimumLevel = 0;  // 0 … 4 after parsing (a minimum above 4 is never chosen)
  int maximumLevel = 0;  // at least minimumLevel
  std::u16string text;   // upper-case text with [KEY] placeholders
};

// Key (ordered by code units) -> items in insertion order, without duplicates.
using EnglishDictionary = std::map<std::u16string, std::vector<std::u16string>>;
using EnglishTemplates = std::vector<EnglishTemplate>;

// "BEGINNER" 0, "BASIC" 1, "INTERMEDIATE" 2, "ADVANCED" 3, "EXAM" 4 (exact case), else the leading integer.
int LevelValue(std::u16string_view text);
// Split at ",", each item trimmed, empty items dropped.
std::vector<std::u16string> SplitWordList(std::u16string_view text);
// One template line; false (result untouched) for a comment, fewer than two "|", or an empty category or
// text.
bool ParseTemplateLine(std::u16string_view line, EnglishTemplate& result);
// Adds the items of every KEY=LIST line of the text to the dictionary.
void ParseDictionaryText(std::u16string_view text, EnglishDictionary& dictionary);
// Appends every accepted template line of the text.
void ParseTemplateText(std::u16string_view text, EnglishTemplates& templates);

// Every key gains "A AND B" for neighbouring items among its first 12 (ROUTE, SERVICE, OPERATION,
// DOCUMENT, ANCHORAGE and BERTH also "ALTERNATE A"); every template gains "T ALSO U" with the next template
// of the same category and levels, and every third "T PLEASE CONFIRM RECEIPT".
void ExpandEnglishResources(EnglishDictionary& dictionary, EnglishTemplates& templates);
// Empties both, decodes the template bytes and the dictionary bytes (a failure of either leaves both empty),
// parses them and expands them. True exactly when both are non-empty.
bool ParseEnglishResources(std::string_view dictionaryBytes, std::string_view templateBytes,
                           EnglishDictionary& dictionary, EnglishTemplates& templates);
// The same from the resources compiled into the program.
bool LoadEnglishResources(EnglishDictionary& dictionary, EnglishTemplates& templates);
