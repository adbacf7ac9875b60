// SPDX-License-Identifier: GPL-3.0-or-later
// The logs when the worst happens while the learner keys: the process killed at any moment, and a disk
// that fills up. Every file stays well-formed, no judged character is lost to a kill, and a write that
// cannot be made is said on the message line while the old files stay whole.
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "core/failure_report.h"
#include "judge_test_fixture.h"
#include "records/practice_log.h"

namespace {

// Keys the telegram's text over and over in a child process, reporting each judged character on the pipe.
[[noreturn]] void KeyUntilKilled(int reportFd, const std::u16string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const std::optional<std::string> code = EncodeCharacter(Script::kLatin, i % 3 == 2 ? u'E' : text[i]);
    DispatchKeyEvent(CharacterEvent(code ? code->c_str() : ".", 0));
    const char judged = 'j';
    if (write(reportFd, &judged, 1) != 1) _exit(1);
  }
  _exit(0);
}

// Longer than any row of the table keys before the kill.
std::u16string LongText() {
  std::u16string text;
  while (text.size() < 400) text += u"ETAOINSHRDLU";
  return text;
}

struct LogCounts {
  size_t progressRows = 0;  // "途中" rows of the practice log
  int32_t asked = 0;        // judgements in the character log
};

LogCounts ReadWellFormedLogs() {
  LogCounts counts;
  std::vector<std::vector<std::u16string>> rows;
  EXPECT_EQ(ReadPracticeLogRows(rows), kLogRead);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].size(), 19u) << "practice log row " << i;
    counts.progressRows += rows[i].back() == u"途中";
  }
  CharacterLog log;
  EXPECT_EQ(ReadCharacterLog(log), kLogRead);
  for (const auto& [c, stat] : log) counts.asked += stat.asked;
  return counts;
}

class LogDurabilityTest : public JudgeTest {
 protected:
  void StartLatinRun() {
    UseScript(Script::kLatin, {MakeTelegram(u"1", u"", u"", u"", u"A", LongText())});
    SetProceed(true);
    KeyText(u"1");
    KeyCode("-...-");
    KeyText(u"A");
    KeyCode("-...-");
  }
};

}  // namespace

TEST_F(LogDurabilityTest, KilledWhileJudgingLosesNoCharacterAndLeavesTheLogsWhole) {
  const struct {
    const char* name;
    int killAfter;  // judged characters reported before the kill
  } rows[] = {{"early", 3}, {"mid-telegram", 40}, {"later", 150}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::remove(PracticeLogPath().c_str());
    std::remove(CharacterLogPath().c_str());
    StartLatinRun();
    const LogCounts header = ReadWellFormedLogs();  // the header fields were judged too
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipeFds[0]);
      KeyUntilKilled(pipeFds[1], LongText());
    }
    close(pipeFds[1]);
    int reported = 0;
    char judged;
    while (reported < row.killAfter && read(pipeFds[0], &judged, 1) == 1) ++reported;
    kill(child, SIGKILL);
    while (read(pipeFds[0], &judged, 1) == 1) ++reported;  // what it said before it died
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    const LogCounts counts = ReadWellFormedLogs();
    // The kill may fall between a character's two writes, or after its writes but before its report.
    const int rows = static_cast<int>(counts.progressRows - header.progressRows);
    const int asked = counts.asked - header.asked;
    EXPECT_GE(rows, reported);
    EXPECT_LE(rows, reported + 1);
    EXPECT_GE(asked, rows - 1);
    EXPECT_LE(asked, rows);
  }
}

TEST_F(LogDurabilityTest, FullDiskIsSaidAndKeepsTheOldFiles) {
  const std::string disk = home_ + "/small-disk";
  ASSERT_TRUE(std::filesystem::create_directory(disk));
  if (mount("nemora-test", disk.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP()
        << "SKIPPED LOUDLY: cannot mount a small tmpfs here (needs root); the full-disk test did not run";
  }
  setenv("NEMORA_HOME", disk.c_str(), 1);
  StartLatinRun();
  SaveSettings();
  const std::string settingsBefore = ReadAppFile("telegram_practice.ini");
  const std::string charactersBefore = ReadAppFile("telegram_practice_char_log.csv");
  ASSERT_FALSE(settingsBefore.empty());
  {
    std::ofstream filler(disk + "/filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), block.size())) {
    }
  }
  const int failuresBefore = ReportedFailureCount();
  practiceSettings.WPM.store(33);
  SaveSettings();
  KeyText(u"ETA");
  const std::u16string message = MessageLine();
  EXPECT_GE(ReportedFailureCount(), failuresBefore + 2) << "the settings and at least one log";
  EXPECT_NE(message.find(u"書き込めません（"), std::u16string::npos)
      << Utf8(message) << ": said with its reason";
  EXPECT_EQ(ReadAppFile("telegram_practice.ini"), settingsBefore);
  EXPECT_EQ(ReadAppFile("telegram_practice_char_log.csv"), charactersBefore);
  ReadWellFormedLogs();
  ClosePracticeLogs();
  setenv("NEMORA_HOME", home_.c_str(), 1);
  umount(disk.c_str());
}
