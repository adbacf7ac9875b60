// SPDX-License-Identifier: GPL-3.0-or-later
// Each mode of the statistics window over two weeks of real logs in a temporary NEMORA_HOME: what its report
// says, labels under the bars that tell the days apart, and totals lines that fit the report box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <ctime>
#include <set>

#include "content/telegram_document.h"
#include "qt_test_application.h"
#include "records/log_summary.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"
#include "temporary_home.h"
#include "ui/qt_text.h"
#include "ui/statistics_window.h"

namespace {

TEST(StatisticsModesTest, EveryModeShowsItsOwnContentReadably) {
  EnsureQtApplication();
  TemporaryHome home;
  ResetProgramState();
  ForgetPracticeLogSummary();
  // A finished run at noon on each of the last 16 days, and a character log.
  for (int back = 15; back >= 0; --back) {
    const std::time_t when = std::time(nullptr) - static_cast<std::time_t>(back) * 86400;
    std::tm day{};
    localtime_r(&when, &day);
    day.tm_hour = 12;
    runStatistics.judged = 100 + back;
    runStatistics.correct = 90 + back;
    runStatistics.wrong = 10;
    runStatistics.completedRuns = 1;
    runStatistics.startTick = 0;
    ASSERT_TRUE(AppendPracticeLogRowAt(day, 754000, 90, 10, 25, u"完了"));
  }
  runStatistics.judged = runStatistics.correct = runStatistics.wrong = 0;
  ASSERT_TRUE(WriteCharacterLog({{u'ア', {20, 12, 8, {}}}, {u'イ', {20, 20, 0, {}}}}));
  const struct {
    const char* name;
    int button;
    int mode;
    std::u16string says;  // the report holds this
    bool distinctLabels;  // the bars' labels tell every group apart
    bool totalsLines;     // the report has totals lines, which must fit
  } rows[] = {
      {"現在", 20002, kModeCurrent, u"今日の練習", true, true},
      {"日毎", 20003, kModeDaily, u"CSV履歴の日別集計", true, true},
      {"週間", 20004, kModeWeek, u"直近7日間", true, true},
      {"月間", 20005, kModeMonth, u"今月の集計", false, true},
      {"DB", 20010, kModeDatabase, u"telegram_practice_log.csv", false, false},
      {"目標", 20011, kModeGoal, u"次の段階", true, false},
      {"教材", 20012, kModeMaterial, u"内蔵の見本電報  和文電報 2通", false, false},
  };
  StatisticsWindow window(nullptr);
  window.show();
  QApplication::processEvents();
  auto* report = window.findChild<QPlainTextEdit*>(QStringLiteral("20001"));
  auto* graph = window.findChild<StatisticsGraph*>(QStringLiteral("20008"));
  ASSERT_TRUE(report && graph);
  for (const auto& row : rows) {
    window.findChild<QPushButton*>(QString::number(row.button))->click();
    QApplication::processEvents();
    ASSERT_EQ(window.Mode(), row.mode) << row.name;
    const QString text = report->toPlainText();
    EXPECT_TRUE(text.contains(ToQString(row.says))) << row.name << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("文字別の成績")) && row.mode >= kModeDatabase) << row.name;
    // The logs exist: no mode may say that the history is missing.
    EXPECT_NE(GraphSentence(row.mode, GatherWindowStatistics()), kNoHistorySentence) << row.name;
    if (row.distinctLabels) {
      const std::vector<QString> labels = graph->ShownLabels();
      ASSERT_FALSE(labels.empty()) << row.name;
      EXPECT_EQ(std::set<QString>(labels.begin(), labels.end()).size(), labels.size()) << row.name;
      for (const QString& label : labels) EXPECT_FALSE(label.contains(QChar(0x2026))) << row.name;
    }
    if (row.totalsLines) {
      int seen = 0;
      // What a line has before the box would wrap it.
      const int room =
          report->viewport()->width() - 2 * static_cast<int>(report->document()->documentMargin());
      for (QTextBlock block = report->document()->begin(); block.isValid(); block = block.next()) {
        if (!block.text().contains(QStringLiteral("回数:"))) continue;
        ++seen;
        EXPECT_LE(QFontMetrics(report->font()).horizontalAdvance(block.text()), room)
            << row.name << ": " << block.text().toStdString();
      }
      EXPECT_GT(seen, 0) << row.name;
    }
  }
}

}  // namespace
