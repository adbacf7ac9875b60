// SPDX-License-Identifier: GPL-3.0-or-later
// The learner's typing in copy receive (筆記受信), turned into the cells the judge takes: Latin letters,
// digits and punctuation; kana from an input method (hiragana read as katakana) or romaji typed directly,
// converted by practice/romaji_input; "=" the separator, "+" the end signal, a blank, and Backspace.
// Voiced kana are split as the sending splits them (ガ is カ and ゛). Each cell goes to the event thread as
// a typed record, in the same queue as the keying's records.
//
// Keys outside the script's alphabet (kanji, emoji, symbols the table has not) are ignored: nothing is
// judged and nothing sounds. A text longer than anyone types at once (a paste) is refused whole.
//
// Thread: the window thread, which owns the pending romaji.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// More than this in one key press or one input-method commit cannot have been copied by ear.
constexpr size_t kLongestTypedText = 64;

// Text typed with a key or committed by an input method.
void TypeCopyText(std::u16string_view text);
// Backspace: a pending romaji letter goes first, else the last judged cell is taken back.
void TypeCopyBackspace();
// Romaji letters typed that make no kana yet (shown on the learner's sheet).
std::u16string TypedCopyPending();
// A run starts: nothing pending.
void ResetTypedCopy();

// Rules (pure):
// The cells a typed character stands for in a script, before romaji: a Latin letter in upper case, a
// hiragana as katakana, a voiced kana as base and mark, full-width ASCII as ASCII, and in kana "," "." "["
// "]" as 、。「」 (as an input method's romaji mode types them); empty when it is not part of the script's
// alphabet (nor a blank, "=" or "+").
std::u16string CopyCellsFor(char16_t c, bool latin);
