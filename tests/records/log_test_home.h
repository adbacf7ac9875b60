// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh NEMORA_HOME per test, so every log test works on real files of its own.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/settings.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"
#include "temporary_home.h"

class LogTestHome : public ::testing::Test {
 protected:
  void SetUp() override {
    runStatistics.judged = 0;
    runStatistics.correct = 0;
    runStatistics.wrong = 0;
    runStatistics.completedRuns = 0;
    runStatistics.startTick = 0;
    runStatistics.wrongList.clear();
    runStatistics.inputList.clear();
    runStatistics.perCharacter.clear();
    practiceSettings.WPM = 20;
    runStatistics.telegramNumber.store(1);
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

  TemporaryHome temporary_;
  const std::string home_ = temporary_.path;
};

inline const std::string kBom = "\xEF\xBB\xBF";
