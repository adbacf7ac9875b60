// SPDX-License-Identifier: GPL-3.0-or-later
// The learner's weakest characters, ranked from the character log (telegram_practice_char_log.csv). The kana
// generator salts weak-telegram texts with them; the home dashboard lists them.
#pragma once
#include <string>

#include "records/practice_log.h"

// The weak-character rule: asked at least once, and a rate below 90 % or any wrong answer; never a blank
// (the space keyed between words is judged too, but is nothing to practise).
bool IsWeakCharacter(char16_t c, const CharacterStat& stat);
// Up to n characters, weakest first: every logged character with a rate below 90 % or any wrong answer,
// ranked by asked + 3 × wrong − 10 × rate (blanks and 「 」 left out). Empty without a log.
std::u16string WeakCharacters(int n);
// The same ranking over a log already read.
std::u16string WeakCharactersOf(const CharacterLog& log, int n);
