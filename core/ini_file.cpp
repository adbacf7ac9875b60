// SPDX-License-Identifier: GPL-3.0-or-later
// INI reading and writing.
//   - name matching and blank trimming
//   - ParseIni / ReadIniFile
//   - lookups
//   - SetIniValue
//   - FormatIni / WriteIniFile
#include "core/ini_file.h"

#include "core/app_paths.h"
#include "core/text.h"

// ---- Name matching and blank trimming -------------------------------------------------------------------

namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A file saved as "Unicode" by Windows tools is UTF-16LE with a byte-order mark; turn it into UTF-8 so the
// one parser serves both. An odd trailing byte is dropped.
std::string Utf16LeBytesToUtf8(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto lo = static_cast<unsigned char>(bytes[i]);
    const auto hi = static_cast<unsigned char>(bytes[i + 1]);
    text.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  return Utf16ToUtf8(text);
}

// Index of the first section called `name`, or the section count when there is none.
size_t FindSection(const IniFile& ini, std::string_view name) {
  size_t i = 0;
  while (i < ini.sections.size() && !(ini.sections[i].hasHeader && SameName(ini.sections[i].name, name))) ++i;
  return i;
}

}  // namespace

// ---- ParseIni / ReadIniFile -----------------------------------------------------------------------------

IniFile ParseIni(std::string_view bytes) {
  std::string converted;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    converted = Utf16LeBytesToUtf8(bytes.substr(2));
    bytes = converted;
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
  }

  IniFile ini;
  IniSection* section = nullptr;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);

    line = Trim(line);
    if (line.empty()) continue;

    if (line.front() == '[') {
      const size_t close = line.find(']');
      if (close != std::string_view::npos) {
        ini.sections.push_back(IniSection{std::string(Trim(line.substr(1, close - 1))), true, {}});
        section = &ini.sections.back();
        continue;
      }
      // "[" without "]" is no header; it is kept as an ordinary line like any other text.
    }
    if (section == nullptr) {
      ini.sections.push_back(IniSection{std::string(), false, {}});
      section = &ini.sections.back();
    }
    IniLine entry;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      entry.key = std::string(line);
    } else {
      entry.key = std::string(Trim(line.substr(0, equals)));
      entry.value = std::string(Trim(line.substr(equals + 1)));
      entry.isEntry = true;
    }
    section->lines.push_back(std::move(entry));
  }
  return ini;
}

bool ReadIniFile(const std::string& path, IniFile& ini) {
  ini = IniFile{};
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  ini = ParseIni(bytes);
  return true;
}

// ---- Lookups --------------------------------------------------------------------------------------------

std::optional<std::string> IniValue(const IniFile& ini, std::string_view sectionName, std::string_view key) {
  const size_t index = FindSection(ini, sectionName);
  if (index == ini.sections.size()) return std::nullopt;
  for (const IniLine& line : ini.sections[index].lines) {
    if (!line.isEntry || !SameName(line.key, key)) continue;
    std::string_view value = line.value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return std::nullopt;
}

int32_t IniInt(const IniFile& ini, std::string_view section, std::string_view key, int32_t defaultValue) {
  const std::optional<std::string> value = IniValue(ini, section, key);
  if (!value || value->empty()) return defaultValue;
  return LeadingInt(std::string_view(*value));
}

// ---- SetIniValue ----------------------------------------------------------------------------------------

void SetIniValue(IniFile& ini, std::string_view sectionName, std::string_view key, std::string_view value) {
  const size_t index = FindSection(ini, sectionName);
  if (index == ini.sections.size()) ini.sections.push_back(IniSection{std::string(sectionName), true, {}});
  IniSection* section = &ini.sections[index];
  bool found = false;
  std::vector<IniLine> kept;
  kept.reserve(section->lines.size() + 1);
  for (IniLine& line : section->lines) {
    if (line.isEntry && SameName(line.key, key)) {
      if (found) continue;  // a later duplicate would never be read; drop it
      line.value = std::string(value);
      found = true;
    }
    kept.push_back(std::move(line));
  }
  if (!found) kept.push_back(IniLine{std::string(key), std::string(value), true});
  section->lines = std::move(kept);
}

// ---- FormatIni / WriteIniFile ---------------------------------------------------------------------------

std::string FormatIni(const IniFile& ini) {
  std::string text;
  bool first = true;
  for (const IniSection& section : ini.sections) {
    if (!first) text += "\r\n";
    first = false;
    if (section.hasHeader) text += "[" + section.name + "]\r\n";
    for (const IniLine& line : section.lines) {
      text += line.key;
      if (line.isEntry) text += "=" + line.value;
      text += "\r\n";
    }
  }
  return text;
}

bool WriteIniFile(const std::string& path, const IniFile& ini) {
  return ReplaceFileAtomically(path, FormatIni(ini));
}
