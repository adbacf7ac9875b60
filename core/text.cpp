// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text.h"

#include <climits>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void Pad(std::u16string& out, std::u16string_view body, int width, bool left, char16_t fill) {
  int padding = width - static_cast<int>(body.size());
  if (!left) out.append(padding > 0 ? padding : 0, fill);
  out.append(body);
  if (left) out.append(padding > 0 ? padding : 0, u' ');
}

std::u16string FormatInteger(int64_t value, int width, bool left, bool zero) {
  std::u16string digits;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  std::u16string out;
  if (zero && !left) {
    int needed = width - static_cast<int>(digits.size()) - (value < 0 ? 1 : 0);
    if (value < 0) out.push_back(u'-');
    out.append(needed > 0 ? needed : 0, u'0');
    out.append(digits);
    return out;
  }
  if (value < 0) digits.insert(digits.begin(), u'-');
  Pad(out, digits, width, left, u' ');
  return out;
}

}  // namespace

namespace {

// One pass over UTF-8. An invalid sequence (a stray or invalid byte, a cut-off sequence, an overlong form,
// an encoded surrogate, a value above U+10FFFF) becomes U+FFFD, or stops the pass when strict.
bool DecodeUtf8(std::string_view utf8, bool strict, std::u16string& out) {
  out.reserve(out.size() + utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    int extra = lead < 0x80           ? 0
                : (lead >> 5) == 0x6  ? 1
                : (lead >> 4) == 0xE  ? 2
                : (lead >> 3) == 0x1E ? 3
                                      : -1;
    bool valid = extra >= 0 && i + extra < utf8.size() + (extra == 0 ? 1 : 0);
    char32_t cp = 0;
    if (valid) {
      cp = extra == 0 ? lead : lead & (0x3F >> extra);
      for (int k = 1; k <= extra && valid; ++k) {
        unsigned char next = static_cast<unsigned char>(utf8[i + k]);
        valid = (next & 0xC0) == 0x80;
        cp = (cp << 6) | (next & 0x3F);
      }
      static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
      valid = valid && cp >= kMinimum[extra] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    }
    if (!valid) {
      if (strict) return false;
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    AppendUtf16(out, cp);
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  DecodeUtf8(utf8, false, out);
  return out;
}

bool Utf8ToUtf16Strict(std::string_view utf8, std::u16string& text) {
  std::u16string out;
  if (!DecodeUtf8(utf8, true, out)) return false;
  text.swap(out);
  return true;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::u16string AsciiToUtf16(std::string_view ascii) {
  std::u16string out;
  for (char c : ascii) out.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'?');
  return out;
}

std::string Utf16ToAscii(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args) {
  std::u16string out;
  const FormatArg* arg = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    char16_t c = format[i];
    if (c != u'%') {
      out.push_back(c);
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == u'%') {
      out.push_back(u'%');
      ++i;
      continue;
    }
    bool left = false, zero = false;
    size_t j = i + 1;
    for (; j < format.size() && (format[j] == u'-' || format[j] == u'0'); ++j) {
      if (format[j] == u'-') left = true;
      if (format[j] == u'0') zero = true;
    }
    int width = 0;
    for (; j < format.size() && format[j] >= u'0' && format[j] <= u'9'; ++j)
      width = width * 10 + (format[j] - u'0');
    while (j < format.size() && (format[j] == u'l' || format[j] == u'h')) ++j;
    if (j >= format.size()) break;
    char16_t conversion = format[j];
    i = j;
    if (arg == args.end()) continue;
    const FormatArg& a = *arg++;
    switch (conversion) {
      case u'd':
      case u'i':
      case u'u':
        out += FormatInteger(a.kind == FormatArg::kText ? 0 : a.number, width, left, zero);
        break;
      case u's':
        Pad(out, a.kind == FormatArg::kText ? a.text : std::u16string_view(), width, left, u' ');
        break;
      case u'c': {
        char16_t unit = a.kind == FormatArg::kText ? (a.text.empty() ? u' ' : a.text[0])
                                                   : static_cast<char16_t>(a.number);
        char16_t shown[1] = {unit == 0 ? u' ' : unit};
        Pad(out, std::u16string_view(shown, 1), width, left, u' ');
        break;
      }
      default:
        break;
    }
  }
  return out;
}

namespace {
template <typename Text>
int32_t LeadingIntOf(const Text& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}
}  // namespace

int32_t LeadingInt(std::u16string_view text) {
  return LeadingIntOf(text);
}
int32_t LeadingInt(std::string_view text) {
  return LeadingIntOf(text);
}

std::u16string ReplaceBracketedKeys(std::u16string_view text,
                                    const std::function<std::u16string(std::u16string_view)>& fill) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const size_t close = text[i] == u'[' ? text.find(u']', i + 1) : std::u16string_view::npos;
    if (close == std::u16string_view::npos) {
      out.push_back(text[i++]);
      continue;
    }
    out += fill(text.substr(i + 1, close - i - 1));
    i = close + 1;
  }
  return out;
}
