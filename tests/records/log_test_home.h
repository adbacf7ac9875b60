// A fresh NEMORA_HOME per test, so every log test works on real files of its own.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "content/telegram_document.h"
#include "core/settings.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"

class LogTestHome : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/nemora_records_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home_ = pattern;
    setenv("NEMORA_HOME", home_.c_str(), 1);
    runStatistics.judged = 0;
    runStatistics.correct = 0;
    runStatistics.wrong = 0;
    runStatistics.completedRuns = 0;
    runStatistics.startTick = 0;
    runStatistics.wrongList.clear();
    runStatistics.inputList.clear();
    runStatistics.perCharacter.clear();
    practiceSettings.WPM = 20;
    telegramDocument.currentNumber = 1;
  }
  void TearDown() override {
    unsetenv("NEMORA_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }

  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::tm Date(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
  }
  // A finished-run row for the given date with the given number of judged characters.
  static void AppendFinishedRow(const std::tm& when, int judged, const char16_t* state = u"完了") {
    runStatistics.judged = judged;
    runStatistics.correct = judged;
    runStatistics.wrong = 0;
    runStatistics.completedRuns = 1;
    runStatistics.startTick = 0;
    ASSERT_TRUE(AppendPracticeLogRowAt(when, 60000, 100, 0, judged, state));
  }

  std::string home_;
};

inline const std::string kBom = "\xEF\xBB\xBF";
