// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/typed_copy.h"

#include "core/clock.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "practice/romaji_input.h"

namespace {

RomajiInput romaji;  // window thread

bool IsSignalOrBlank(char16_t c) {
  return c == u' ' || c == u'=' || c == u'+';
}

void PostCells(std::u16string_view cells) {
  for (char16_t cell : cells) PostKeyEvent(TypedEvent(cell, TickMs()));
}

// Kana the romaji made, split into cells as typed kana are (ガ is カ and ゛).
void PostKana(std::u16string_view kana) {
  for (char16_t c : kana) PostCells(CopyCellsFor(c, false));
}

// A character that is not romaji ends the romaji before it: a pending "n" is ン.
void FinishPendingRomaji() {
  if (!romaji.pending.empty()) PostKana(FinishRomaji(romaji));
}

}  // namespace

std::u16string CopyCellsFor(char16_t c, bool latin) {
  if (c >= u'\uFF01' && c <= u'\uFF5E') c = static_cast<char16_t>(c - 0xFEE0);  // full-width ASCII
  if (c == u'\u3000' || c == u'\t') c = u' ';
  if (IsSignalOrBlank(c)) return std::u16string(1, c);
  if (latin) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return EncodeCharacter(Script::kLatin, c) ? std::u16string(1, c) : std::u16string();
  }
  // Punctuation keys as a Japanese input method's romaji mode types them, so 」 needs no input method.
  static constexpr std::u16string_view kAsciiKeys = u",.[]", kKanaMarks = u"、。「」";
  if (const size_t key = kAsciiKeys.find(c); key != std::u16string_view::npos) c = kKanaMarks[key];
  if (c >= 0x3041 && c <= 0x3096) c = static_cast<char16_t>(c + 0x60);  // hiragana as katakana
  std::u16string cells = ExpandMorseText(std::u16string_view(&c, 1), Script::kKana);
  for (char16_t cell : cells) {
    if (!EncodeCharacter(Script::kKana, NormalizeForLookup(cell))) return {};
  }
  return cells;
}

void TypeCopyText(std::u16string_view text) {
  if (text.size() > kLongestTypedText) {
    SetStatusText(u"貼り付けられた文字は受け付けません（聞き取った文字を打ってください）");
    return;
  }
  const bool latin = LatinMode.load() != 0;
  for (char16_t c : text) {
    if (!latin && IsRomajiCharacter(c)) {
      PostKana(FeedRomaji(romaji, c));
      continue;
    }
    const std::u16string cells = CopyCellsFor(c, latin);
    if (cells.empty()) continue;
    FinishPendingRomaji();
    PostCells(cells);
  }
}

void TypeCopyBackspace() {
  if (BackspaceRomaji(romaji)) return;
  PostKeyEvent(TypedEvent(kTypedBackspace, TickMs()));
}

std::u16string TypedCopyPending() {
  return romaji.pending;
}

void ResetTypedCopy() {
  romaji = RomajiInput{};
}
