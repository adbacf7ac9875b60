// SPDX-License-Identifier: GPL-3.0-or-later
// Romaji typed on a keyboard with no Japanese input method, turned into katakana as the romaji modes of the
// common input methods do (Hepburn and kunrei spellings, nn / n' for ン, a doubled consonant for ッ, x/l for
// small kana, "-" for ー), so a learner copying kana by ear needs no new habits.
// Pure, any thread; one RomajiInput per typing learner.
#pragma once
#include <string>

struct RomajiInput {
  std::u16string
      pending;  // typed letters (lower case) that make no kana yet: shown to the learner as pending
};

// ---- Typing -----------------------------------------------------------------------------------------------

// Whether c is a character FeedRomaji takes: a Latin letter (either case), '\'' or '-'.
bool IsRomajiCharacter(char16_t c);
// One typed character. Returns the katakana it completes, in order: empty, one, or several ("ッ" then "カ"
// for "kka"; "キャ" for "kya"). A pending run that can no longer become any kana drops its first letter
// ("qka" is カ); so pending never holds more than the longest spelling. A character IsRomajiCharacter refuses
// is ignored.
std::u16string FeedRomaji(RomajiInput& input, char16_t c);
// The romaji ends here (a blank, "=", "+", a digit, the end of the telegram): a pending "n" becomes ン and is
// returned; other pending letters that make no kana are dropped and appended to *dropped when given.
// pending is empty afterwards.
std::u16string FinishRomaji(RomajiInput& input, std::u16string* dropped = nullptr);
// Backspace while letters are pending drops the last one; false (nothing changed) when nothing was pending,
// so the caller takes back its last committed character instead.
bool BackspaceRomaji(RomajiInput& input);
