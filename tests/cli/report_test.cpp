// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli report, run as a script would run it, over hand-written logs and settings in a temporary
// NEMORA_HOME: the window's report text of the mode, UTF-8 with CR LF, as in a process with no practice.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "temporary_home.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out;
};

class ReportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    char date[32];
    std::strftime(date, sizeof date, "%Y/%m/%d", &today);
    Write("telegram_practice.ini", "[Settings]\r\nWPM=23\r\n");
    Write("telegram_practice_log.csv",
          "\xEF\xBB\xBF日時,CPM,WPM,正答率,誤答率,練習時間,電報数,文字数,平均CPM,平均正答率,最速CPM,"
          "最長練習時間,"
          "電報番号,入力文字数,正解文字数,誤答文字数,完了電報数,誤答文字一覧,状態\r\n" +
              std::string(date) +
              " 10:00:00,30,20,90,10,02:00,2,40,30,90,30,02:00,1,40,36,4,2,\"ア→カ \",\"完了\"\r\n");
    Write("telegram_practice_char_log.csv",
          "\xEF\xBB\xBF文字,出題,正解,誤答,正答率,誤送信文字\r\nア,3,2,1,66,\"カ:1 \"\r\n");
  }

  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(home_.path + "/" + name, std::ios::binary) << bytes;
  }

  CliRun Run(const std::string& arguments) {
    const std::string out = home_.path + "/stdout";
    const std::string command =
        std::string(NEMORA_CLI_PATH) + " report " + arguments + " >" + out + " 2>/dev/null";
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(out, std::ios::binary);
    run.out = std::string(std::istreambuf_iterator<char>(in), {});
    return run;
  }

  TemporaryHome home_;
};

TEST_F(ReportCommandTest, PrintsTheReportOfEachMode) {
  const std::string totals =
      "回数:   1  電報:   2通  入力:   40  正解:   36  誤答:    4  時間:  2分00秒  CPM:  20  正答: 90%  "
      "誤答: 10%\r\n";
  const std::string note = "\r\n※ CSV履歴 telegram_practice_log.csv から読み込んでいます。\r\n";
  struct Row {
    const char* arguments;
    std::string expected;  // the whole output, or a part of it when whole is false
    bool whole;
  } rows[] = {
      {"--mode 3", "月間の成績\r\n\r\n今月の集計です。\r\n月間            " + totals + note, true},
      {"--mode=2", "週間の成績\r\n\r\n直近7日間の集計です。\r\n週間            " + totals + note, true},
      {"", "練習時間 0分1秒  CPM 0  WPM 23  入力 0文字  正答率 0%  誤答率 0%\r\n", false},
      {"--mode 0", "1位\r\nア\r\n66%  出題3回\r\n", false},
      {"--mode 0", "CSV保存先\r\n" + home_.path + "/telegram_practice_log.csv\r\n", false},
      {"--mode 0", "[達成] 初回受信\r\n[未達] 100文字突破\r\n", false},
      {"--mode 4", "まだ現在練習中の文字別記録はありません。\r\n", false},
      {"--mode 4", "ア  出題:     3  正解:     2  間違い:     1  正答率: 66%\r\n", false},
      {"--mode 5", home_.path + "/telegram_practice_char_log.csv\r\n", false},
      {"--mode 6", "次の段階  「初級」へ", false},
      {"--mode 7", "内蔵の見本電報  和文電報 2通\r\n", false},
  };
  for (const Row& row : rows) {
    const CliRun run = Run(row.arguments);
    EXPECT_EQ(run.status, 0) << row.arguments;
    if (row.whole) {
      EXPECT_EQ(run.out, row.expected) << row.arguments;
    } else {
      EXPECT_NE(run.out.find(row.expected), std::string::npos) << row.arguments << "\n" << run.out;
    }
  }
}

TEST_F(ReportCommandTest, RefusesBadArgumentsWithUsageStatus) {
  const char* rows[] = {"--mode 8", "--mode", "--mode x", "--weekly"};
  for (const char* arguments : rows) {
    const CliRun run = Run(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_TRUE(run.out.empty()) << arguments;
  }
}

}  // namespace
