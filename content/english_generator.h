// SPDX-License-Identifier: GPL-3.0-or-later
// English random telegrams: a batch of 200 telegrams whose texts are templates of the learning level and
// the selected category, filled from the dictionary, each with a preamble line and an address.
//
//   preamble  "%d %s %d %d %d %02d %c"  serial, station, word count, day, hour, minute, S (even) / M (odd)
//
// Random choices come from content/random_source.h in the order GenerateEnglishBatch states. Inputs read
// at the moment of use: LearningLevel and the category combo 20004. Window thread.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "content/english_resources.h"
#include "content/telegram_document.h"

extern const std::array<std::u16string_view, 10> kEnglishStations;
extern const std::array<std::u16string_view, 6> kEnglishAddresses;  // a person, then organisation and place

// Caption and texts of the generator's message boxes.
inline constexpr std::u16string_view kEnglishGeneratorCaption = u"欧文ランダム生成";
extern const std::u16string_view kEnglishResourcesMissing;
inline constexpr std::u16string_view kNoEnglishTemplate =
    u"選択したカテゴリと学習レベルに対応する欧文テンプレートがありません。";

constexpr int kEnglishBatchSize = 200;

// The template category for the combo's selected index: 1 NATURE … 9 EXAM; "ALL" otherwise.
std::u16string EnglishCategory();
// The template with each "[KEY]" replaced by a random item of the key (one draw), or by nothing for a
// missing key; trailing blanks removed.
std::u16string FillEnglishTemplate(std::u16string_view templateText, const EnglishDictionary& dictionary);
// Runs of characters other than blank, TAB, CR and LF.
int EnglishWordCount(std::u16string_view text);
// Indices of the templates for the level: of the category (all for "ALL"), else of any category.
std::vector<int> EnglishCandidates(const EnglishTemplates& templates, int level,
                                   std::u16string_view category);
// 200 telegrams from the candidates (which must not be empty).
std::vector<Telegram> EnglishBatchFrom(const EnglishDictionary& dictionary, const EnglishTemplates& templates,
                                       const std::vector<int>& candidates);
// The batch after loading the resources: the error message when they did not load, the warning when no
// template suits the level; false then, with the batch untouched.
bool GenerateEnglishBatchFrom(bool loaded, const EnglishDictionary& dictionary,
                              const EnglishTemplates& templates, std::vector<Telegram>& batch);
// Loads the compiled-in resources and makes a batch. False, after the error or warning message box, when
// the resources cannot be read or no template suits the level.
bool GenerateEnglishBatch(std::vector<Telegram>& batch);
