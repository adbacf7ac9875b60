// SPDX-License-Identifier: GPL-3.0-or-later
// The English dictionary and templates.
//   - line rules
//   - parsing
//   - expansion
//   - loading
#include "content/english_resources.h"

#include <algorithm>
#include <tuple>

#include "content/telegram_file.h"
#include "core/resources.h"
#include "core/text.h"

// ---- Line rules -------------------------------------------------------------------------------------------

int LevelValue(std::u16string_view text) {
  static const std::u16string_view kNames[] = {u"BEGINNER", u"BASIC", u"INTERMEDIATE", u"ADVANCED", u"EXAM"};
  for (int level = 0; level < 5; ++level) {
    if (text == kNames[level]) return level;
  }
  return LeadingInt(text);
}

namespace {

std::u16string Trimmed(std::u16string_view text) {
  std::u16string trimmed(text);
  TrimText(trimmed);
  return trimmed;
}

void AddUnlessPresent(std::vector<std::u16string>& items, std::u16string item) {
  if (std::find(items.begin(), items.end(), item) == items.end()) items.push_back(std::move(item));
}

}  // namespace

std::vector<std::u16string> SplitWordList(std::u16string_view text) {
  std::vector<std::u16string> items;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(u',', start);
    std::u16string item =
        Trimmed(text.substr(start, comma == std::u16string_view::npos ? comma : comma - start));
    if (!item.empty()) items.push_back(std::move(item));
    if (comma == std::u16string_view::npos) return items;
    start = comma + 1;
  }
}

bool ParseTemplateLine(std::u16string_view line, EnglishTemplate& result) {
  const std::u16string trimmed = Trimmed(line);
  if (trimmed.empty() || trimmed[0] == u'#') return false;
  size_t bars[3];
  size_t found = 0;
  for (size_t i = 0; i < trimmed.size() && found < 3; ++i) {
    if (trimmed[i] == u'|') bars[found++] = i;
  }
  if (found < 2) return false;
  const std::u16string_view view = trimmed;
  EnglishTemplate parsed;
  parsed.category = Trimmed(view.substr(0, bars[0]));
  const std::u16string minimum = Trimmed(view.substr(bars[0] + 1, bars[1] - bars[0] - 1));
  // With two bars the one level field is both minimum and maximum.
  const std::u16string maximum =
      found == 3 ? Trimmed(view.substr(bars[1] + 1, bars[2] - bars[1] - 1)) : minimum;
  parsed.text = Trimmed(view.substr(bars[found - 1] + 1));
  parsed.minimumLevel = std::max(LevelValue(minimum), 0);
  parsed.maximumLevel = std::max(std::min(LevelValue(maximum), 4), parsed.minimumLevel);
  if (parsed.category.empty() || parsed.text.empty()) return false;
  result = std::move(parsed);
  return true;
}

void ParseDictionaryText(std::u16string_view text, EnglishDictionary& dictionary) {
  for (const std::u16string& line : ContentLines(text)) {
    const size_t equals = line.find(u'=');
    if (equals == std::u16string::npos) continue;
    const std::u16string key = Trimmed(std::u16string_view(line).substr(0, equals));
    std::vector<std::u16string> items = SplitWordList(std::u16string_view(line).substr(equals + 1));
    if (key.empty() || items.empty()) continue;
    std::vector<std::u16string>& list = dictionary[key];
    for (std::u16string& item : items) AddUnlessPresent(list, std::move(item));
  }
}

void ParseTemplateText(std::u16string_view text, EnglishTemplates& templates) {
  for (const std::u16string& line : ContentLines(text)) {
    EnglishTemplate parsed;
    if (ParseTemplateLine(line, parsed)) templates.push_back(std::move(parsed));
  }
}

// ---- Expansion --------------------------------------------------------------------------------------------

void ExpandEnglishResources(EnglishDictionary& dictionary, EnglishTemplates& templates) {
  static const std::u16string_view kAlternateKeys[] = {u"ROUTE",    u"SERVICE",   u"OPERATION",
                                                       u"DOCUMENT", u"ANCHORAGE", u"BERTH"};
  for (auto& [key, items] : dictionary) {
    const std::vector<std::u16string> parsed = items;
    const size_t n = std::min<size_t>(parsed.size(), 12);
    for (size_t i = 1; i < n; ++i) AddUnlessPresent(items, parsed[i - 1] + u" AND " + parsed[i]);
    if (std::find(std::begin(kAlternateKeys), std::end(kAlternateKeys), key) == std::end(kAlternateKeys))
      continue;
    for (size_t i = 0; i < n; ++i) AddUnlessPresent(items, u"ALTERNATE " + parsed[i]);
  }

  const EnglishTemplates parsed = templates;
  // For each template the next one with the same category and levels, found from the end backwards.
  std::vector<size_t> next(parsed.size(), parsed.size());
  std::map<std::tuple<std::u16string, int, int>, size_t> lastSeen;
  for (size_t i = parsed.size(); i-- > 0;) {
    const auto group = std::make_tuple(parsed[i].category, parsed[i].minimumLevel, parsed[i].maximumLevel);
    const auto it = lastSeen.find(group);
    if (it != lastSeen.end()) next[i] = it->second;
    lastSeen[group] = i;
  }
  for (size_t i = 0; i < parsed.size(); ++i) {
    if (next[i] == parsed.size()) continue;
    EnglishTemplate joined = parsed[i];
    joined.text += u" ALSO " + parsed[next[i]].text;
    templates.push_back(std::move(joined));
  }
  for (size_t i = 0; i < parsed.size(); i += 3) {
    EnglishTemplate confirmed = parsed[i];
    confirmed.text += u" PLEASE CONFIRM RECEIPT";
    templates.push_back(std::move(confirmed));
  }
}

// ---- Loading ----------------------------------------------------------------------------------------------

bool ParseEnglishResources(std::string_view dictionaryBytes, std::string_view templateBytes,
                           EnglishDictionary& dictionary, EnglishTemplates& templates) {
  dictionary.clear();
  templates.clear();
  std::u16string templateText, dictionaryText;
  if (templateBytes.empty() || dictionaryBytes.empty()) return false;
  if (!DecodeText(templateBytes, templateText) || !DecodeText(dictionaryBytes, dictionaryText)) return false;
  ParseTemplateText(templateText, templates);
  ParseDictionaryText(dictionaryText, dictionary);
  if (dictionary.empty() || templates.empty()) return false;
  ExpandEnglishResources(dictionary, templates);
  return true;
}

bool LoadEnglishResources(EnglishDictionary& dictionary, EnglishTemplates& templates) {
  std::string templateBytes, dictionaryBytes;
  dictionary.clear();
  templates.clear();
  if (!ReadResourceBytes(kResourceEnglishTemplates, templateBytes) ||
      !ReadResourceBytes(kResourceEnglishDictionary, dictionaryBytes)) {
    return false;
  }
  return ParseEnglishResources(dictionaryBytes, templateBytes, dictionary, templates);
}
