// SPDX-License-Identifier: GPL-3.0-or-later
// English random telegrams.
//   - tables
//   - filling templates
//   - candidates and the batch
#include "content/english_generator.h"

#include <algorithm>

#include "content/random_source.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/settings.h"
#include "core/text.h"

// ---- Tables -----------------------------------------------------------------------------------------------

const std::array<std::u16string_view, 10> kEnglishStations = {
    u"IZUMIMARU",   u"SHIKISHIMAMARU", u"VALDIVIA", u"TAMONMARU",  u"NAGASAKIRADIO",
    u"PACIFICSTAR", u"OCEANGLORY",     u"SEABIRD",  u"SAKURAMARU", u"BLUEHORIZON",
};

const std::array<std::u16string_view, 6> kEnglishAddresses = {
    u"PIETER VAN DIJK MARINE CENTER ROTTERDAM", u"BUDI SANTOSO PORT AUTHORITY JAKARTA",
    u"INGRID HOLM PILOT STATION GOTHENBURG",    u"KENJI MORITA MARINE AGENCY YOKOHAMA",
    u"KLAUS BRANDT SHIPPING OFFICE HAMBURG",    u"TAN WEI LING HARBOR MASTER SINGAPORE",
};

// The resources live in this program itself, not in files beside it: the message names where they come
// from in the source tree, which is what must be checked when they are missing.
const std::u16string_view kEnglishResourcesMissing =
    u"プログラムに組み込まれた欧文辞書または欧文テンプレートを読み込めません。\n"
    u"resources/english/ の dictionary.txt と templates.txt、resources/resources.txt の 5301 と 5302 の行を"
    u"確認してください。";

std::u16string EnglishCategory() {
  static const std::u16string_view kCategories[] = {u"ALL",      u"NATURE",   u"WEATHER", u"TRAVEL",
                                                    u"BUSINESS", u"TRAINING", u"RADIO",   u"EMERGENCY",
                                                    u"PORT",     u"EXAM"};
  const int selection = ControlExists(kCategoryCombo) ? ControlSelection(kCategoryCombo) : 0;
  if (selection < 1 || selection > 9) return u"ALL";
  return std::u16string(kCategories[selection]);
}

// ---- Filling templates ------------------------------------------------------------------------------------

std::u16string FillEnglishTemplate(std::u16string_view templateText, const EnglishDictionary& dictionary) {
  std::u16string text = ReplaceBracketedKeys(templateText, [&](std::u16string_view key) -> std::u16string {
    const auto it = dictionary.find(std::u16string(key));
    if (it == dictionary.end() || it->second.empty()) return {};
    return it->second[static_cast<size_t>(RandomChoice(static_cast<int>(it->second.size())))];
  });
  while (!text.empty() && text.back() == u' ') text.pop_back();
  return text;
}

int EnglishWordCount(std::u16string_view text) {
  int words = 0;
  bool inWord = false;
  for (char16_t c : text) {
    const bool separator = c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    if (!separator && !inWord) ++words;
    inWord = !separator;
  }
  return words;
}

// ---- Candidates and the batch -----------------------------------------------------------------------------

std::vector<int> EnglishCandidates(const EnglishTemplates& templates, int level,
                                   std::u16string_view category) {
  std::vector<int> candidates;
  const auto fits = [level](const EnglishTemplate& t) {
    return t.minimumLevel <= level && level <= t.maximumLevel;
  };
  for (size_t i = 0; i < templates.size(); ++i) {
    if (fits(templates[i]) && (category == u"ALL" || templates[i].category == category)) {
      candidates.push_back(static_cast<int>(i));
    }
  }
  if (!candidates.empty()) return candidates;
  // A category without templates for the level falls back to every category of the level.
  for (size_t i = 0; i < templates.size(); ++i) {
    if (fits(templates[i])) candidates.push_back(static_cast<int>(i));
  }
  return candidates;
}

std::vector<Telegram> EnglishBatchFrom(const EnglishDictionary& dictionary, const EnglishTemplates& templates,
                                       const std::vector<int>& candidates) {
  std::vector<Telegram> batch;
  if (candidates.empty()) return batch;
  const int candidateCount = static_cast<int>(candidates.size());
  std::u16string previous;
  for (int i = 0; i < kEnglishBatchSize; ++i) {
    std::u16string text;
    for (int attempt = 0; attempt < 20; ++attempt) {
      const int chosen = candidates[static_cast<size_t>(RandomChoice(candidateCount))];
      text = FillEnglishTemplate(templates[static_cast<size_t>(chosen)].text, dictionary);
      if (text != previous) break;
    }
    previous = text;
    const int serial = RandomChoice(999) + 1;
    const int words = EnglishWordCount(text);
    const int day = RandomChoice(28) + 1;
    const int hour = RandomChoice(24);
    const int minute = RandomChoice(60);
    const std::u16string_view station = kEnglishStations[static_cast<size_t>(RandomChoice(10))];
    Telegram telegram;
    telegram.fields[kNumber] = FormatText(
        u"%d %s %d %d %d %02d %c", {serial, station, words, day, hour, minute, i % 2 == 0 ? u'S' : u'M'});
    telegram.fields[kAddress] = kEnglishAddresses[static_cast<size_t>(RandomChoice(6))];
    telegram.fields[kText] = std::move(text);
    batch.push_back(std::move(telegram));
  }
  return batch;
}

bool GenerateEnglishBatchFrom(bool loaded, const EnglishDictionary& dictionary,
                              const EnglishTemplates& templates, std::vector<Telegram>& batch) {
  if (!loaded) {
    ShowMessageBox(kEnglishResourcesMissing, kEnglishGeneratorCaption, MessageBoxIcon::kError);
    return false;
  }
  const int level = std::clamp(practiceSettings.LearningLevel.load(), 0, 4);
  const std::vector<int> candidates = EnglishCandidates(templates, level, EnglishCategory());
  if (candidates.empty()) {
    ShowMessageBox(kNoEnglishTemplate, kEnglishGeneratorCaption, MessageBoxIcon::kWarning);
    return false;
  }
  batch = EnglishBatchFrom(dictionary, templates, candidates);
  return true;
}

bool GenerateEnglishBatch(std::vector<Telegram>& batch) {
  EnglishDictionary dictionary;
  EnglishTemplates templates;
  const bool loaded = LoadEnglishResources(dictionary, templates);
  return GenerateEnglishBatchFrom(loaded, dictionary, templates, batch);
}
