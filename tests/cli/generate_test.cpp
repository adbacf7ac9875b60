// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli generate, run as a teacher runs it: the files it writes load back into the trainer unchanged,
// a seed reproduces them, and bad options are refused before anything is written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "content/telegram_file.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "temporary_home.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class GenerateCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { BuildMorseTables(); }
  void TearDown() override { ResetTelegramDocument(); }
  // Runs the command; returns the exit status.
  int Run(const std::string& arguments) {
    const std::string command = std::string(NEMORA_CLI_PATH) + " generate " + arguments + " >" + home.path +
                                "/out 2>" + home.path + "/err";
    const int raw = std::system(command.c_str());
    errors = ReadFile(home.path + "/err");
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  // The file's telegrams as the trainer loads them.
  std::vector<Telegram> Load(const std::string& name) {
    EXPECT_TRUE(LoadTelegramFile(home.path + "/" + name)) << name;
    std::vector<Telegram> telegrams;
    for (int i = 0; i < TelegramCount(); ++i) telegrams.push_back(TelegramAt(i));
    return telegrams;
  }
  TemporaryHome home;
  std::string errors;
};

TEST_F(GenerateCommandTest, FilesLoadBackAndSeedsReproduceThem) {
  const struct {
    const char* name;
    std::string arguments;
    size_t telegrams;
  } cases[] = {
      {"normal", "--kana --normal --seed 11", 10},
      {"second generation at level 3", "--kana --second-generation --level 3 --seed 11", 10},
      {"weak telegrams", "--kana --weak --category 旅行 --seed 11", 10},
      {"three batches cut to 25", "--kana --normal --seed 11 --count 25", 25},
  };
  for (const auto& row : cases) {
    ASSERT_EQ(Run(row.arguments + " -o " + home.path + "/a.txt"), 0) << row.name << ": " << errors;
    ASSERT_EQ(Run(row.arguments + " -o " + home.path + "/b.txt"), 0) << row.name << ": " << errors;
    const std::string bytes = ReadFile(home.path + "/a.txt");
    EXPECT_EQ(bytes, ReadFile(home.path + "/b.txt")) << row.name;
    const std::vector<Telegram> telegrams = Load("a.txt");
    ASSERT_EQ(telegrams.size(), row.telegrams) << row.name;
    // Loaded and written again, the file is the same byte for byte.
    EXPECT_EQ(TelegramFileBytes(telegrams, TelegramLayout::kKana), bytes) << row.name;
  }
  // Further batches continue the sequence: the first ten of 25 are the seed's first batch.
  const std::vector<Telegram> many = Load("a.txt");
  ASSERT_EQ(Run("--kana --normal --seed 11 -o " + home.path + "/one.txt"), 0) << errors;
  const std::vector<Telegram> one = Load("one.txt");
  for (size_t i = 0; i < one.size(); ++i) EXPECT_EQ(many[i].fields, one[i].fields) << i;
  EXPECT_NE(many[10].fields, one[0].fields);
}

TEST_F(GenerateCommandTest, UnsetOptionsComeFromTheSettingsFile) {
  std::ofstream(home.path + "/telegram_practice.ini") << "[Settings]\r\nLearningLevel=4\r\nLang=1\r\n";
  ASSERT_EQ(Run("--normal -o " + home.path + "/level.txt"), 0) << errors;
  for (const Telegram& telegram : Load("level.txt")) {
    const size_t length = telegram.fields[kText].size();
    EXPECT_TRUE((length >= 145 && length <= 155) || (length >= 165 && length <= 175)) << length;
  }
}

TEST_F(GenerateCommandTest, BadOptionsAreRefusedBeforeWriting) {
  const char* cases[] = {
      "--level 5 -o x.txt",
      "--level -1 -o x.txt",
      "--category 天気 -o x.txt",
      "--count 0 -o x.txt",
      "--count 100001 -o x.txt",
      "--seed 4294967296 -o x.txt",
      "--seed -3 -o x.txt",
      "--kana --latin -o x.txt",
      "--normal --second-generation -o x.txt",
      "--level",
      "--kana",
      "--bogus -o x.txt",
      "--kana extra.txt -o x.txt",
  };
  for (const char* arguments : cases) {
    EXPECT_EQ(Run(arguments), 2) << arguments;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << arguments << ": " << errors;
    EXPECT_FALSE(std::filesystem::exists(home.path + "/x.txt")) << arguments;
  }
  EXPECT_EQ(Run("--kana -o " + home.path + "/no/such/dir/x.txt"), 1);
}

}  // namespace
