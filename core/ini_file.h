// SPDX-License-Identifier: GPL-3.0-or-later
// A small INI reader and writer with the reading rules of the Windows profile functions, so a settings file
// written by either program reads the same in both.
//
// Reading: section names and keys match without regard to ASCII case; blanks around names, keys and values
// are ignored; a value enclosed in a pair of matching quotes loses them; when a key appears twice in a
// section the first one counts, and of two sections with the same name only the first is searched.
// Writing regenerates the whole file from the parsed form, so keys, sections and comment lines that this
// program does not know survive a save.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One line inside a section. `isEntry` lines are "key=value"; the others (comments, text without '=') are
// kept verbatim in `key`.
struct IniLine {
  std::string key;
  std::string value;
  bool isEntry = false;
};

struct IniSection {
  std::string name;
  bool hasHeader = true;  // false only for the lines before the file's first "[section]"
  std::vector<IniLine> lines;
};

struct IniFile {
  std::vector<IniSection> sections;
};

// Parses UTF-8 or ANSI text (a UTF-8 byte-order mark is skipped; UTF-16LE with its mark is converted).
// Never fails: whatever is not a section header or an entry is kept as a verbatim line.
IniFile ParseIni(std::string_view bytes);
// False when the file cannot be read; `ini` is then empty.
bool ReadIniFile(const std::string& path, IniFile& ini);

// The first value of `key` in the first section called `section`.
std::optional<std::string> IniValue(const IniFile& ini, std::string_view section, std::string_view key);
// Leading-integer read as GetPrivateProfileInt: a missing key or an empty value gives `defaultValue`;
// otherwise optional blanks and sign, then digits; a value that is not a number gives 0; beyond the 32-bit
// range saturates.
int32_t IniInt(const IniFile& ini, std::string_view section, std::string_view key, int32_t defaultValue);

// Sets the first occurrence of `key` (appending it to the section, or the section to the file, when
// missing) and drops later duplicates of that key in the section.
void SetIniValue(IniFile& ini, std::string_view section, std::string_view key, std::string_view value);

// The file's text: "[name]" headers, "key=value" lines, CRLF line ends, a blank line between sections.
std::string FormatIni(const IniFile& ini);
// Replaces the file atomically with FormatIni's text; false (old file untouched) on any failure.
bool WriteIniFile(const std::string& path, const IniFile& ini);
