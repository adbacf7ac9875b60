// SPDX-License-Identifier: GPL-3.0-or-later
// The form in which model and keyed characters are compared. The judge compares with it and scoring weighs
// characters by it, so it sits below both.
#pragma once

// Pure, any thread: hiragana -> katakana, small kana -> full size, half-width marks -> ゛゜, 。 , ， -> 、,
// full-width brackets -> ASCII, digits -> kanji numerals; anything else unchanged.
char16_t NormalizeForJudging(char16_t c);
