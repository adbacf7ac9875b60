// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "core/app_paths.h"
#include "temporary_home.h"

namespace {

class AppFilesTest : public ::testing::Test {
 protected:
  TemporaryHome temporary;
  const std::string dir = temporary.path;
};

TEST_F(AppFilesTest, AppDirectoryFollowsNemoraHomeAndIsCreated) {
  std::string nested = dir + "/a/b/";
  setenv("NEMORA_HOME", nested.c_str(), 1);
  EXPECT_EQ(AppDirectory(), dir + "/a/b");
  struct stat info;
  EXPECT_EQ(stat((dir + "/a/b").c_str(), &info), 0);
  EXPECT_EQ(AppFilePath("x.ini"), dir + "/a/b/x.ini");
}

TEST_F(AppFilesTest, ReplaceLeavesNoTemporaryAndReadsBack) {
  std::string path = AppFilePath("log.csv");
  ASSERT_TRUE(ReplaceFileAtomically(path, "first"));
  ASSERT_TRUE(ReplaceFileAtomically(path, "second"));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "second");
  EXPECT_EQ(std::system(("test $(ls -A " + dir + " | wc -l) -eq 1").c_str()), 0);
}

// A process that no longer runs: the child of a fork that has been reaped.
pid_t EndedProcess() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  int status = 0;
  waitpid(pid, &status, 0);
  return pid;
}

TEST_F(AppFilesTest, StartUpCleaningRemovesTemporariesOfEndedProcessesOnly) {
  std::string path = AppFilePath("chars.csv");
  const std::string ended = path + ".tmp" + std::to_string(EndedProcess());
  const std::string running = path + ".tmp1";  // init never ends
  const std::string otherFile = AppFilePath("other.csv") + ".tmp" + std::to_string(EndedProcess());
  const std::string notOurs = path + ".tmpx1";
  for (const std::string& leftover : {ended, running, otherFile, notOurs}) {
    ASSERT_TRUE(AppendToFile(leftover, "half a file"));
  }
  RemoveLeftoverTemporaries(path);
  ASSERT_TRUE(ReplaceFileAtomically(path, "whole"));
  EXPECT_FALSE(FileExists(ended));
  EXPECT_TRUE(FileExists(running));
  EXPECT_TRUE(FileExists(otherFile));
  EXPECT_TRUE(FileExists(notOurs));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "whole");
}

TEST_F(AppFilesTest, FailedReplaceKeepsTheOldFile) {
  if (geteuid() == 0) {
    // root ignores directory permissions; a missing directory fails for everybody.
    EXPECT_FALSE(ReplaceFileAtomically(dir + "/missing/dir/file", "x"));
    return;
  }
  std::string path = AppFilePath("settings.ini");
  ASSERT_TRUE(ReplaceFileAtomically(path, "old"));
  chmod(dir.c_str(), 0555);
  EXPECT_FALSE(ReplaceFileAtomically(path, "new"));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "old");
}

TEST_F(AppFilesTest, AppendWritesTheHeaderOnlyIntoANewFile) {
  std::string path = AppFilePath("practice.csv");
  ASSERT_TRUE(AppendToFile(path, "row1\r\n", "header\r\n"));
  ASSERT_TRUE(AppendToFile(path, "row2\r\n", "header\r\n"));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "header\r\nrow1\r\nrow2\r\n");
  EXPECT_FALSE(AppendToFile(dir + "/missing/practice.csv", "row"));
}

TEST_F(AppFilesTest, ReadRefusesMissingAndOversizedFiles) {
  std::string bytes = "unchanged";
  EXPECT_FALSE(ReadWholeFile(dir + "/none", bytes));
  ASSERT_TRUE(ReplaceFileAtomically(AppFilePath("big"), std::string(100, 'x')));
  EXPECT_FALSE(ReadWholeFile(AppFilePath("big"), bytes, 99));
  EXPECT_EQ(bytes, "unchanged");
  EXPECT_FALSE(ReadWholeFile(dir, bytes));  // a directory is not a file
}

}  // namespace
