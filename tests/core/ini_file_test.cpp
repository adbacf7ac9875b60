// SPDX-License-Identifier: GPL-3.0-or-later
// The INI reader and writer: lookups with the profile functions' rules, regeneration that keeps what it
// does not know.
#include "core/ini_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LookupCase {
  const char* name;
  const char* file;
  const char* key;
  int32_t expected;  // IniInt with default 77
};

TEST(IniFileTest, IntegerLookupsFollowTheProfileRules) {
  static const LookupCase cases[] = {
      {"plain", "[Settings]\nWPM=20\n", "WPM", 20},
      {"crlf", "[Settings]\r\nWPM=21\r\nFreq=700\r\n", "Freq", 700},
      {"blanks around key and value", "[Settings]\n  WPM \t=   22  \n", "WPM", 22},
      {"key case ignored", "[Settings]\nwpm=23\n", "WPM", 23},
      {"section case ignored", "[SETTINGS]\nWPM=24\n", "WPM", 24},
      {"blanks inside header", "[ Settings ]\nWPM=25\n", "WPM", 25},
      {"missing key gives default", "[Settings]\nFreq=700\n", "WPM", 77},
      {"missing section gives default", "[Other]\nWPM=26\n", "WPM", 77},
      {"key before any section is not in Settings", "WPM=27\n[Settings]\nFreq=1\n", "WPM", 77},
      {"empty value gives default", "[Settings]\nWPM=\n", "WPM", 77},
      {"non-number reads 0", "[Settings]\nWPM=fast\n", "WPM", 0},
      {"leading integer", "[Settings]\nWPM=28abc\n", "WPM", 28},
      {"negative", "[Settings]\nWPM=-29\n", "WPM", -29},
      {"plus sign", "[Settings]\nWPM=+30\n", "WPM", 30},
      {"quoted", "[Settings]\nWPM=\"31\"\n", "WPM", 31},
      {"single quoted", "[Settings]\nWPM='32'\n", "WPM", 32},
      {"huge saturates", "[Settings]\nWPM=99999999999999999999\n", "WPM", INT32_MAX},
      {"huge negative saturates", "[Settings]\nWPM=-99999999999999999999\n", "WPM", INT32_MIN},
      {"first duplicate wins", "[Settings]\nWPM=33\nWPM=34\n", "WPM", 33},
      {"first duplicate section searched", "[Settings]\nFreq=1\n[Settings]\nWPM=35\n", "WPM", 77},
      {"line without equals is no key", "[Settings]\nWPM\nWPM=36\n", "WPM", 36},
      {"value may contain equals", "[Settings]\nWPM=37=38\n", "WPM", 37},
      {"header without bracket is no header", "[Settings]\n[Other\nWPM=39\n", "WPM", 39},
      {"utf-8 mark skipped", "\xEF\xBB\xBF[Settings]\nWPM=40\n", "WPM", 40},
      {"no final newline", "[Settings]\nWPM=41", "WPM", 41},
      {"commented out", "[Settings]\n;WPM=42\n", "WPM", 77},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.name);
    const IniFile ini = ParseIni(c.file);
    EXPECT_EQ(IniInt(ini, "Settings", c.key, 77), c.expected);
  }
}

TEST(IniFileTest, Utf16FileWithByteOrderMarkReads) {
  const std::string ascii = "[Settings]\r\nWPM=18\r\n";
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  EXPECT_EQ(IniInt(ParseIni(bytes), "Settings", "WPM", 0), 18);
}

TEST(IniFileTest, BinaryBytesNeverBreakTheParser) {
  uint32_t state = 12345;
  for (int round = 0; round < 50; ++round) {
    std::string bytes;
    for (int i = 0; i < 4000; ++i) {
      state = state * 214013u + 2531011u;
      bytes.push_back(static_cast<char>((state >> 16) & 0xFF));
    }
    if (round % 2 == 1) bytes += "\n[Settings]\nWPM=19\n";
    const IniFile ini = ParseIni(bytes);
    if (round % 2 == 1) {
      EXPECT_EQ(IniInt(ini, "Settings", "WPM", 0), 19);
    }
    // What was parsed formats and parses again to the same lookups.
    const IniFile again = ParseIni(FormatIni(ini));
    EXPECT_EQ(IniInt(again, "Settings", "WPM", -5), IniInt(ini, "Settings", "WPM", -5));
  }
}

TEST(IniFileTest, SetValueReplacesFirstAndDropsLaterDuplicates) {
  IniFile ini = ParseIni("[Settings]\nwpm=10\nFreq=700\nWPM=11\n");
  SetIniValue(ini, "Settings", "WPM", "25");
  EXPECT_EQ(FormatIni(ini), "[Settings]\r\nwpm=25\r\nFreq=700\r\n");
}

TEST(IniFileTest, SetValueAppendsMissingKeyAndSection) {
  IniFile ini = ParseIni("[Other]\nA=1\n");
  SetIniValue(ini, "Settings", "WPM", "15");
  SetIniValue(ini, "Settings", "Freq", "800");
  SetIniValue(ini, "Other", "B", "2");
  EXPECT_EQ(FormatIni(ini), "[Other]\r\nA=1\r\nB=2\r\n\r\n[Settings]\r\nWPM=15\r\nFreq=800\r\n");
}

TEST(IniFileTest, RegenerationKeepsUnknownLinesAndSections) {
  const IniFile ini = ParseIni(
      "; written by hand\n"
      "Loose=1\n"
      "\n"
      "[Settings]\n"
      "WPM=20\n"
      "# note\n"
      "just text\n"
      "Extra = keep me \n"
      "[Window]\n"
      "Left=10\n");
  EXPECT_EQ(FormatIni(ini),
            "; written by hand\r\nLoose=1\r\n"
            "\r\n[Settings]\r\nWPM=20\r\n# note\r\njust text\r\nExtra=keep me\r\n"
            "\r\n[Window]\r\nLeft=10\r\n");
}

}  // namespace
