// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatTextTest, DirectivesUsedByTheProgram) {
  struct Row {
    std::u16string got, expected;
  } rows[] = {
      {FormatText(u"%d/%d", {3, 12}), u"3/12"},
      {FormatText(u"%02d:%02d", {5, 7}), u"05:07"},
      {FormatText(u"経過[%03d:%02d]", {1, 9}), u"経過[001:09]"},
      {FormatText(u"[%04lu ms]", {60u}), u"[0060 ms]"},
      {FormatText(u"%04d/%02d/%02d", {2026, 1, 2}), u"2026/01/02"},
      {FormatText(u"[%-12s]", {u"AB"}), u"[AB          ]"},
      {FormatText(u"%s→%c", {u"x", char16_t(u'ア')}), u"x→ア"},
      {FormatText(u"%c|", {char16_t(0)}), u" |"},
      {FormatText(u"正答率 %d%%", {95}), u"正答率 95%"},
      {FormatText(u"%d", {-3}), u"-3"},
      {FormatText(u"%03d", {-3}), u"-03"},
      {FormatText(u"%d %d", {1}), u"1 "},
  };
  for (const Row& row : rows) EXPECT_EQ(row.got, row.expected) << Utf16ToUtf8(row.expected);
}

TEST(Utf8Test, RoundTripAndInvalidInput) {
  std::u16string text = u"ネモラ ABC 😀";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf8ToUtf16("\xE3\x83"), u"\uFFFD\uFFFD");  // cut off mid-sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(Utf8ToUtf16("\xFF"
                        "A"),
            u"\uFFFDA");
  EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(LeadingIntTest, ReadsLikeTheProfileReader) {
  EXPECT_EQ(LeadingInt(" 42abc"), 42);
  EXPECT_EQ(LeadingInt("-7"), -7);
  EXPECT_EQ(LeadingInt("x5"), 0);
  EXPECT_EQ(LeadingInt(""), 0);
  EXPECT_EQ(LeadingInt("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(LeadingInt("-99999999999999999999"), INT32_MIN);
  EXPECT_EQ(LeadingInt(u"１２"), 0);  // full-width digits are not digits here
}

}  // namespace
