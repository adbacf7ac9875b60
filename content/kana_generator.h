// SPDX-License-Identifier: GPL-3.0-or-later
// Kana random telegrams: a batch of 10 telegrams with complete headers and a text whose length follows the
// learning level, from short phrases (normal) or from sentence templates (second generation), optionally
// salted with the learner's weak characters.
//
// Every random choice comes from content/random_source.h, in the order the functions below state, so one
// seed always gives one batch. Inputs read at the moment of use: LearningLevel, check boxes 20006 (second
// generation) and 1125 (weak telegram), the category combo 20004. Window thread.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "content/telegram_document.h"

// ---- Text helpers -----------------------------------------------------------------------------------------
// Each decimal digit as its kanji digit: 0 "〇", 10 "一〇", 305 "三〇五".
std::u16string KanjiNumber(int number);
// 0 → 80, 1 → 100, 2 → 120, 3 → 150, 4 → 160, anything else → 80.
int TextLengthForLevel(int learningLevel);
// Drops TAB, LF, CR, U+0020, U+3000 and turns hiragana into katakana.
std::u16string NormalizeKanaText(std::u16string_view text);
// Appends source one unit at a time while destination is shorter than limit.
void AppendUpTo(std::u16string& destination, std::u16string_view source, int limit);
// Pads with "」" or cuts to exactly length units, and makes the last one "」" (length > 0).
void FinishText(std::u16string& text, int length);
// Characters counted in the count field: the text without TAB, LF, CR and blanks, and of a run of "」" at
// the end only one.
int KanaCharacterCount(std::u16string_view text);

// ---- Templates and words (draws: as stated) ---------------------------------------------------------------
// One word of the key's list (one draw); empty, without a draw, for an unknown key or an empty list.
std::u16string PickWord(std::u16string_view key);
// PickWord; when not empty, one draw, and on a multiple of 8 a second word joined by "ト" if it differs.
std::u16string FillPlaceholder(std::u16string_view key);
// The template with every "[key]" replaced by FillPlaceholder (left to right); a "[" without a later "]"
// stays.
std::u16string ExpandTemplate(std::u16string_view templateText);
// A row of the theme (one draw), else of all rows (one draw); -1 without a draw when there are no rows.
int RandomTemplateRow(std::u16string_view theme);
// A row for the category combo's item: all rows for "すべて", else the rows whose theme contains the item
// text or is contained in it (at most 512), else all rows. One draw; -1 when there are no rows.
int RandomTemplateRowForCategory();
// Two rows of the theme, expanded and joined by シタガツテ, マタ or オナジヨウニ.
std::u16string SentencePair(std::u16string_view theme);

// ---- Texts ------------------------------------------------------------------------------------------------
std::u16string NormalTelegramText(int length);
// The level's template file's lines strung together; false (output untouched) when it has none.
bool TemplateFileText(int length, std::u16string& output);
std::u16string SecondGenerationText(int length);
// WeakCharacters(8) inserted at the level's interval, the result exactly length long; the text unchanged
// when there are no weak characters.
std::u16string MixWeakCharacters(std::u16string_view text, int length);

// ---- The batch --------------------------------------------------------------------------------------------
constexpr int kKanaBatchSize = 10;
std::vector<Telegram> GenerateKanaBatch();
