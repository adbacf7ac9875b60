// The learner's weakest characters, from the character log: the kana generator mixes them into weak
// telegrams and the home dashboard lists them.
#pragma once
#include <string>

#include "records/practice_log.h"

// Up to n characters, weakest first: those with asked > 0 and a correct rate below 90 % or any wrong
// answer, ordered by asked + 3 × wrong − 10 × rate, highest first (an exchange sort settles ties); blanks
// and the brackets 「 」 are left out.
std::u16string WeakCharactersOf(const CharacterLog& log, int n);
// The same over the character log on disk.
std::u16string WeakCharacters(int n);
