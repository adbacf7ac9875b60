// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/judging_normaliser.h"

#include "core/morse_table.h"

char16_t NormalizeForJudging(char16_t c) {
  if (c >= 0x3041 && c <= 0x3093) return static_cast<char16_t>(c + 0x60);
  if (char16_t full = FullSizeKana(c); full != c) return full;
  switch (c) {
    case u'\uFF9E':
      return u'\u309B';
    case u'\uFF9F':
      return u'\u309C';
    case u'\u3002':
    case u',':
    case u'\uFF0C':
      return u'\u3001';
    case u'\uFF08':
      return u'(';
    case u'\uFF09':
      return u')';
    default:
      break;
  }
  static constexpr char16_t kKanjiDigits[] = u"〇一二三四五六七八九";
  if (c >= u'0' && c <= u'9') return kKanjiDigits[c - u'0'];
  return c;
}
