// SPDX-License-Identifier: GPL-3.0-or-later
// Telegram text files.
//   - decoding: UTF-16LE, strict UTF-8, CP932
//   - sections and layouts
//   - loading into the document, writing files
//   - template files
#include "content/telegram_file.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/text.h"

// ---- Decoding ---------------------------------------------------------------------------------------------

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// CP932 through iconv; a byte that starts no valid character becomes U+FFFD and decoding goes on after it.
bool DecodeCp932(std::string_view bytes, std::u16string& out) {
  iconv_t converter = iconv_open("UTF-16LE", "CP932");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::u16string text;
  text.reserve(bytes.size());
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char16_t buffer[4096];
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(buffer);
    size_t outLeft = sizeof(buffer);
    const size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    text.append(buffer, (sizeof(buffer) - outLeft) / sizeof(char16_t));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ: an invalid byte; EINVAL: a lead byte cut off by the end of the text.
      text.push_back(kReplacement);
      ++in;
      --inLeft;
    }
  }
  iconv_close(converter);
  if (text.empty()) return false;
  out.swap(text);
  return true;
}

}  // namespace

bool DecodeText(std::string_view bytes, std::u16string& text) {
  if (bytes.empty()) {
    text.clear();
    return true;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    const size_t units = (bytes.size() - 2) / 2;
    std::u16string decoded(units, u'\0');
    for (size_t i = 0; i < units; ++i) {
      decoded[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                         static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    }
    text.swap(decoded);
    return true;
  }
  std::string_view utf8 = bytes;
  if (utf8.size() >= 3 && utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  std::u16string decoded;
  if (Utf8ToUtf16Strict(utf8, decoded) && !decoded.empty()) {
    text.swap(decoded);
    return true;
  }
  return DecodeCp932(bytes, text);
}

namespace {
bool IsTrimmed(char16_t c) {
  return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' || c == u'\u3000';
}
}  // namespace

void TrimText(std::u16string& text) {
  size_t end = text.size();
  while (end > 0 && IsTrimmed(text[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  text = text.substr(begin, end - begin);
}

// ---- Sections and layouts ---------------------------------------------------------------------------------

std::u16string SectionAfter(std::u16string_view text, std::u16string_view marker, size_t start,
                            size_t limit) {
  const std::u16string_view bounded = text.substr(0, std::min(limit, text.size()));
  if (start > bounded.size()) return {};
  const size_t at = bounded.find(marker, start);
  if (at == std::u16string_view::npos) return {};
  const size_t begin = at + marker.size();
  const size_t end = std::min({bounded.find(u"\n[", begin), bounded.find(u"[VALA]", begin), bounded.size()});
  std::u16string content(bounded.substr(begin, end - begin));
  TrimText(content);
  return content;
}

namespace {

struct Section {
  std::u16string_view marker;
  TelegramField field;
};

constexpr Section kKanaSections[] = {
    {u"[VALA]", kNumber}, {u"[VALB]", kOffice},  {u"[VALC]", kCount},
    {u"[VALD]", kTime},   {u"[VALE]", kAddress}, {u"[TEXT]", kText},
};
constexpr Section kLatinSections[] = {
    {u"[Preamble]", kNumber},
    {u"[To]", kAddress},
    {u"[Text]", kText},
};

// Every telegram that starts at an occurrence of its layout's first marker and has all sections.
template <size_t N>
std::vector<Telegram> CompleteTelegrams(std::u16string_view text, const Section (&sections)[N]) {
  std::vector<Telegram> telegrams;
  const std::u16string_view startMarker = sections[0].marker;
  size_t start = text.find(startMarker);
  while (start != std::u16string_view::npos) {
    const size_t next = text.find(startMarker, start + startMarker.size());
    Telegram telegram;
    bool complete = true;
    for (const Section& section : sections) {
      std::u16string content = SectionAfter(text, section.marker, start, next);
      complete = complete && !content.empty();
      telegram.fields[section.field] = std::move(content);
    }
    if (complete) telegrams.push_back(std::move(telegram));
    start = next;
  }
  return telegrams;
}

}  // namespace

bool ParseTelegramText(std::u16string text, std::vector<Telegram>& telegrams, TelegramLayout& layout) {
  // CR LF becomes two line breaks and a bare CR one: either way a "[" after it starts a line.
  std::replace(text.begin(), text.end(), u'\r', u'\n');
  TelegramLayout found;
  std::vector<Telegram> parsed;
  if (text.find(u"[VALA]") != std::u16string::npos) {
    found = TelegramLayout::kKana;
    parsed = CompleteTelegrams(text, kKanaSections);
  } else if (text.find(u"[Preamble]") != std::u16string::npos) {
    found = TelegramLayout::kLatin;
    parsed = CompleteTelegrams(text, kLatinSections);
  } else {
    return false;
  }
  if (parsed.empty()) return false;
  telegrams.swap(parsed);
  layout = found;
  return true;
}

// ---- Loading and writing ----------------------------------------------------------------------------------

namespace {

// On the event thread, which owns the document: the window thread only reads and parses the file.
void InstallLoadedTelegramsNow(std::vector<Telegram> telegrams, TelegramLayout layout) {
  ReplaceTelegrams(std::move(telegrams));
  // Kana telegrams have no Latin codes and Latin ones no kana codes: the file's layout decides the script.
  if (layout == TelegramLayout::kKana) {
    SetCurrentScript(Script::kKana);
    EmptyWorkingFields({kNumber, kOffice, kCount, kTime, kAddress, kText});
  } else {
    SetCurrentScript(Script::kLatin);
    EmptyWorkingFields({kText, kNumber, kAddress});
  }
  judgeState.currentField = 0;
  judgeState.textPosition = 0;
  InvalidateControl(kLearnerSheet);
  UpdatePageLabels();
  RefreshSheets();
}

void InstallLoadedTelegrams(std::vector<Telegram> telegrams, TelegramLayout layout) {
  auto shared = std::make_shared<std::vector<Telegram>>(std::move(telegrams));
  PostToEventThread([shared, layout] { InstallLoadedTelegramsNow(std::move(*shared), layout); });
}

}  // namespace

bool LoadTelegramFile(const std::string& path) {
  std::string bytes;
  std::u16string text;
  std::vector<Telegram> telegrams;
  TelegramLayout layout;
  if (!ReadWholeFile(path, bytes) || !DecodeText(bytes, text)) return false;
  bytes = std::string();
  if (!ParseTelegramText(std::move(text), telegrams, layout)) return false;
  InstallLoadedTelegrams(std::move(telegrams), layout);
  return true;
}

bool OpenTelegramFile(const std::string& path) {
  if (!LoadTelegramFile(path)) {
    ShowMessageBox(kTelegramFileUnreadable, u"ERROR", MessageBoxIcon::kError);
    return false;
  }
  return true;
}

std::string TelegramFileBytes(const std::vector<Telegram>& telegrams, TelegramLayout layout) {
  std::u16string text;
  for (const Telegram& telegram : telegrams) {
    if (layout == TelegramLayout::kKana) {
      for (const Section& section : kKanaSections) {
        text.append(section.marker).append(u"\n").append(telegram.fields[section.field]).append(u"\n");
      }
    } else {
      for (const Section& section : kLatinSections) {
        text.append(section.marker).append(u"\n").append(telegram.fields[section.field]).append(u"\n");
      }
    }
    text.append(u"\n");
  }
  return Utf16ToUtf8(text);
}

// ---- Template files ---------------------------------------------------------------------------------------

std::string TemplateFilePath(int learningLevel) {
  if (learningLevel <= 1) return AppFilePath("templates_beginner.txt");
  if (learningLevel <= 3) return AppFilePath("templates_nature.txt");
  return AppFilePath("templates_exam.txt");
}

std::vector<std::u16string> ContentLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string line(text.substr(start, end - start));
    TrimText(line);
    if (!line.empty() && line[0] != u'#') lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<std::u16string> TemplateLinesFromBytes(std::string_view bytes) {
  std::u16string text;
  if (!DecodeText(bytes, text)) return {};
  return ContentLines(text);
}

std::vector<std::u16string> ReadTemplateLines(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return {};
  return TemplateLinesFromBytes(bytes);
}
