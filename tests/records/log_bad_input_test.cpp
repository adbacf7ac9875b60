// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged, foreign and unwritable log files: readers skip what they cannot use, writers never make it worse.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "core/app_paths.h"
#include "core/text.h"
#include "log_test_home.h"

namespace {

using LogBadInputTest = LogTestHome;

// Every reader on whatever the two files hold; returns the number of practice-log rows.
size_t ReadEverything() {
  std::vector<std::vector<std::u16string>> rows;
  ReadPracticeLogRows(rows);
  LogTotals totals;
  for (const auto& row : rows) AddRowToTotals(row, totals);
  PeriodTotals periods;
  ReadPeriodTotals(2024, 5, 6, periods);
  std::map<std::u16string, LogTotals> days;
  ReadDailyTotals(days);
  CharacterLog log;
  ReadCharacterLog(log);
  return rows.size();
}

TEST_F(LogBadInputTest, MissingEmptyAndMarkOnlyFiles) {
  struct Case {
    const char* name;
    bool create;
    std::string bytes;
    LogReadStatus status;
  } cases[] = {
      {"missing", false, "", kLogMissing},
      {"empty", true, "", kLogMissing},
      {"byte-order mark only", true, kBom, kLogUnconvertible},
      {"two bytes of a mark", true, "\xEF\xBB", kLogRead},
      {"header only", true, kBom + "日時,CPM\r\n", kLogRead},
      {"blank lines only", true, "\r\n\n\r\n", kLogRead},
  };
  for (const Case& c : cases) {
    std::remove(PracticeLogPath().c_str());
    std::remove(CharacterLogPath().c_str());
    if (c.create) {
      WriteBytes(PracticeLogPath(), c.bytes);
      WriteBytes(CharacterLogPath(), c.bytes);
    }
    std::vector<std::u16string> lines;
    EXPECT_EQ(ReadPracticeLogLines(lines), c.status) << c.name;
    CharacterLog log;
    EXPECT_EQ(ReadCharacterLog(log), c.status) << c.name;
    PeriodTotals totals;
    EXPECT_EQ(ReadPeriodTotals(2024, 5, 6, totals), c.status) << c.name;
    EXPECT_EQ(totals.month.rows, 0) << c.name;
    EXPECT_LE(lines.size(), 1u) << c.name;
    EXPECT_TRUE(log.empty()) << c.name;
  }
}

TEST_F(LogBadInputTest, ExistingEmptyOrMarkOnlyLogGetsItsHeader) {
  for (const std::string& start : {std::string(), kBom}) {
    WriteBytes(PracticeLogPath(), start);
    ASSERT_TRUE(AppendPracticeLogRow(90, 10, 30, u"途中"));
    std::string bytes = ReadBytes(PracticeLogPath());
    EXPECT_EQ(bytes.rfind(kBom + "日時,CPM,WPM,", 0), 0u) << "start size " << start.size();
    std::vector<std::vector<std::u16string>> rows;
    ASSERT_EQ(ReadPracticeLogRows(rows), kLogRead);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].size(), 19u);
  }
}

TEST_F(LogBadInputTest, RowAfterATruncatedRowStartsOnItsOwnLine) {
  WriteBytes(PracticeLogPath(), kBom + "日時,CPM\r\n2024/05/06 07:08:09,3,2");
  AppendFinishedRow(Date(2024, 5, 6), 12);
  std::vector<std::vector<std::u16string>> rows;
  ASSERT_EQ(ReadPracticeLogRows(rows), kLogRead);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 3u);
  EXPECT_EQ(rows[1].size(), 19u);
  PeriodTotals totals;
  ReadPeriodTotals(2024, 5, 6, totals);
  EXPECT_EQ(totals.today.inputs, 12);
}

TEST_F(LogBadInputTest, TruncatedCharacterLogKeepsItsWholeRows) {
  WriteBytes(CharacterLogPath(),
             kBom + "文字,出題,正解,誤答,正答率,誤送信文字\r\nア,3,2,1,66,\"カ:1 \"\r\nカ,5,4");
  ASSERT_TRUE(RecordCharacterResult(u'イ', u'ア', false));
  CharacterLog log;
  ASSERT_EQ(ReadCharacterLog(log), kLogRead);
  EXPECT_EQ(log.size(), 2u);  // the cut row "カ,5,4" had too few fields
  EXPECT_EQ(log[u'ア'].asked, 3);
  EXPECT_EQ(log[u'イ'].wrongAnswers[u'ア'], 1);
}

TEST_F(LogBadInputTest, ForeignEncodingAndBinaryJunk) {
  // A UTF-16 file with its own byte-order mark, then random bytes with NULs, CRs, LFs and bad UTF-8.
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"文字,出題\r\nア,3,2,1,66,\"カ:1 \"\r\n")) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  std::mt19937 random(20240506);
  std::string junk(1 << 20, '\0');
  for (char& byte : junk) byte = static_cast<char>(random() & 0xFF);
  for (const std::string& bytes : {utf16, junk}) {
    WriteBytes(PracticeLogPath(), bytes);
    WriteBytes(CharacterLogPath(), bytes);
    ReadEverything();
    // Writing goes on: the new row and the new character are readable afterwards.
    ASSERT_TRUE(AppendPracticeLogRow(100, 0, 30, u"完了"));
    ASSERT_TRUE(RecordCharacterResult(u'ン', u'ア', false));
    std::vector<std::vector<std::u16string>> rows;
    ASSERT_EQ(ReadPracticeLogRows(rows), kLogRead);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().size(), 19u);
    EXPECT_EQ(rows.back()[18], u"完了");
    CharacterLog log;
    ASSERT_EQ(ReadCharacterLog(log), kLogRead);
    EXPECT_GE(log[u'ン'].asked, 1);
    EXPECT_GE(log[u'ン'].wrongAnswers[u'ア'], 1);
  }
}

TEST_F(LogBadInputTest, LongFieldsAndOverlongLines) {
  std::u16string list;
  for (int i = 0; i < 2500; ++i) list += u"カ:1 ";  // 10 000 characters
  std::u16string longField(10000, u'x');
  std::u16string practice = u"日時\r\n" + longField + u",1,2\r\n";
  std::vector<std::u16string> row(19, u"1");
  row[0] = u"2024/05/06 10:00:00";
  row[17] = longField;
  row[18] = u"完了";
  for (size_t i = 0; i < row.size(); ++i) practice += (i ? u"," : u"") + row[i];
  practice += u"\r\n";
  WriteBytes(PracticeLogPath(), Utf16ToUtf8(practice) + std::string(kMaxLogLineBytes + 10, 'z') +
                                    "\r\n2024/05/06 11:00:00,2\r\n");
  std::u16string characters = u"ア,1,0,1,0,\"" + list + u"\"\r\n" + longField + u",3,2,1\r\n";
  WriteBytes(CharacterLogPath(), Utf16ToUtf8(characters));

  std::vector<std::vector<std::u16string>> rows;
  ASSERT_EQ(ReadPracticeLogRows(rows), kLogRead);
  ASSERT_EQ(rows.size(), 3u);  // the overlong line is skipped whole
  EXPECT_EQ(rows[0][0], longField);
  EXPECT_EQ(rows[1][17], longField);
  EXPECT_EQ(rows[2][0], u"2024/05/06 11:00:00");
  PeriodTotals totals;
  ReadPeriodTotals(2024, 5, 6, totals);
  EXPECT_EQ(totals.today.rows, 1);
  CharacterLog log;
  ASSERT_EQ(ReadCharacterLog(log), kLogRead);
  EXPECT_EQ(log.size(), 1u);  // the row with a 10 000-character "character" is ignored
  EXPECT_EQ(log[u'ア'].wrongAnswers[u'カ'], 2500);
}

TEST_F(LogBadInputTest, RowsOfEveryFieldCount) {
  std::string practice, characters;
  for (int n = 0; n <= 30; ++n) {
    std::string line = "2024/05/06 10:00:00";
    std::string character = "ア";
    for (int i = 1; i < n; ++i) {
      line += ",1";
      character += ",1";
    }
    practice += line + "\r\n";
    characters += character + "\r\n";
  }
  WriteBytes(PracticeLogPath(), practice);
  WriteBytes(CharacterLogPath(), characters);
  EXPECT_EQ(ReadEverything(), 31u);
  PeriodTotals totals;
  ReadPeriodTotals(2024, 5, 6, totals);
  EXPECT_EQ(totals.today.rows, 23);  // rows of 8 to 30 fields
  EXPECT_EQ(totals.today.inputs, 23);
  CharacterLog log;
  ReadCharacterLog(log);
  EXPECT_EQ(log[u'ア'].asked, 27);  // rows of 4 to 30 fields
}

TEST_F(LogBadInputTest, UnwritableLogsLeaveTheRunGoing) {
  // A directory where the files should be: nothing can be opened, read or replaced.
  ASSERT_EQ(mkdir(PracticeLogPath().c_str(), 0755), 0);
  ASSERT_EQ(mkdir(CharacterLogPath().c_str(), 0755), 0);
  EXPECT_FALSE(AppendPracticeLogRow(100, 0, 30, u"途中"));
  EXPECT_FALSE(RecordCharacterResult(u'ア', u'カ', false));
  std::vector<std::u16string> lines;
  EXPECT_EQ(ReadPracticeLogLines(lines), kLogUnreadable);
  CharacterLog log;
  EXPECT_EQ(ReadCharacterLog(log), kLogUnreadable);
}

TEST_F(LogBadInputTest, UnreadableCharacterLogIsNotReplaced) {
  // A FIFO cannot be read as a log (and must not block the reader); rewriting it from an empty map would
  // throw its owner's data away, so it stays.
  ASSERT_EQ(mkfifo(CharacterLogPath().c_str(), 0644), 0);
  EXPECT_FALSE(RecordCharacterResult(u'ア', u'カ', false));
  struct stat info;
  ASSERT_EQ(stat(CharacterLogPath().c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(LogBadInputTest, CrashDuringRewriteLeavesAWholeFile) {
  CharacterLog small, large;
  small[u'ア'] = {1, 1, 0, {}};
  for (char16_t c = u'ア'; c < u'ア' + 80; ++c) large[c] = {100, 90, 10, {{u'カ', 4}, {u'サ', 6}}};
  const std::string smallBytes = CharacterLogBytes(small), largeBytes = CharacterLogBytes(large);
  ASSERT_TRUE(WriteCharacterLog(small));
  for (int round = 0; round < 20; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) {
        WriteCharacterLog(large);
        WriteCharacterLog(small);
      }
    }
    usleep(static_cast<useconds_t>(1000 + round * 700));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::string bytes = ReadBytes(CharacterLogPath());
    EXPECT_TRUE(bytes == smallBytes || bytes == largeBytes)
        << "round " << round << ", " << bytes.size() << " bytes";
  }
}

}  // namespace
