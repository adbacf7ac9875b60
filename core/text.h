// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-16 text helpers and the printf-style formatter used for every displayed or logged line.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// Conversions. Invalid input sequences become U+FFFD; nothing throws.
std::u16string Utf8ToUtf16(std::string_view utf8);
// UTF-8 that must be valid throughout; false (text untouched) at the first invalid sequence.
bool Utf8ToUtf16Strict(std::string_view utf8, std::u16string& text);
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string AsciiToUtf16(std::string_view ascii);
std::string Utf16ToAscii(std::u16string_view text);  // non-ASCII units become '?'

// One argument of FormatText: an integer, a UTF-16 string or a single UTF-16 unit.
struct FormatArg {
  enum Kind { kInt, kText, kChar } kind;
  int64_t number = 0;
  std::u16string_view text;
  FormatArg(int v) : kind(kInt), number(v) {}
  FormatArg(long v) : kind(kInt), number(v) {}
  FormatArg(long long v) : kind(kInt), number(v) {}
  FormatArg(unsigned v) : kind(kInt), number(v) {}
  FormatArg(unsigned long v) : kind(kInt), number(static_cast<int64_t>(v)) {}
  FormatArg(char16_t c) : kind(kChar), number(c) {}
  FormatArg(std::u16string_view s) : kind(kText), text(s) {}
  FormatArg(const std::u16string& s) : kind(kText), text(s) {}
  FormatArg(const char16_t* s) : kind(kText), text(s ? s : u"") {}
};

// printf subset: %d %i %u %ld %lu with flags '-' '0' and a width; %s (UTF-16 text) with '-' and a width;
// %c (one UTF-16 unit, NUL shows as a blank); %%. A directive without a matching argument prints nothing.
std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args);

// Leading-integer read as the platform's profile and C library readers do: optional blanks, optional sign,
// digits; anything else reads as 0. Values beyond the 32-bit range saturate.
int32_t LeadingInt(std::u16string_view text);
int32_t LeadingInt(std::string_view text);

// The text with every "[key]" replaced by fill(key), left to right (callers that draw random words rely on
// the order); a "[" without a later "]" stays as it is.
std::u16string ReplaceBracketedKeys(std::u16string_view text,
                                    const std::function<std::u16string(std::u16string_view)>& fill);
