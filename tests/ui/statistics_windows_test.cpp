// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window, the home dashboard and the user guide as the learner sees them: painted pixels,
// the controls by dialog id, the commands that open them from the main window. Logs are real files in a
// temporary NEMORA_HOME. NEMORA_SCREENSHOTS=<dir> keeps the pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <ctime>

#include "core/control_ids.h"
#include "core/resources.h"
#include "qt_test_application.h"
#include "records/home_dashboard.h"
#include "records/log_summary.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"
#include "temporary_home.h"
#include "ui/home_dashboard_window.h"
#include "ui/main_window.h"
#include "ui/statistics_window.h"
#include "ui/user_guide.h"

namespace {

class StatisticsWindowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQtApplication(); }
  void SetUp() override {
    ForgetPracticeLogSummary();
    runStatistics.judged = 0;
  }

  // Three finished runs today, so every period has figures, and a character log with a weak character.
  static void WriteTodaysPractice() {
    std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    for (int run = 1; run <= 3; ++run) {
      runStatistics.judged = 40 * run;
      runStatistics.correct = 38 * run;
      runStatistics.wrong = 2 * run;
      runStatistics.completedRuns = 1;
      runStatistics.startTick = 0;
      AppendPracticeLogRowAt(today, 90000, 95, 5, 30, u"完了");
    }
    runStatistics.judged = 0;
    runStatistics.correct = 0;
    runStatistics.wrong = 0;
    WriteCharacterLog({{u'ア', {20, 12, 8, {{u'カ', 8}}}}, {u'イ', {20, 20, 0, {}}}});
  }

  static void Keep(const QImage& image, const char* name) {
    if (const char* dir = std::getenv("NEMORA_SCREENSHOTS")) image.save(QString("%1/%2.png").arg(dir, name));
  }

  // Pixels of the area drawn in a dark text colour: glyphs were painted there.
  static int DarkPixels(const QImage& image, const QRect& area) {
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        if (qGray(image.pixel(x, y)) < 110) ++dark;
      }
    }
    return dark;
  }

  TemporaryHome home_;
};

TEST_F(StatisticsWindowsTest, ScreenshotStatisticsWindowPaintsBandsButtonsGraphAndReport) {
  WriteTodaysPractice();
  StatisticsWindow window(nullptr);
  window.show();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("ネモラ - 現在の成績・CSV履歴"));
  const QImage image = window.grab().toImage();
  Keep(image, "statistics-current");
  struct Pixel {
    const char* what;
    QPoint at;
    QColor colour;
  } pixels[] = {
      {"top band", {990, 48}, QColor(28, 55, 92)},
      {"bottom band", {500, 700}, QColor(224, 235, 248)},
      {"background between graph and report", {500, 284}, QColor(237, 244, 252)},
      {"現在 button, inside its frames", {20, 30}, QColor(35, 115, 210)},
      {"現在 button, first frame inset 3", {13, 27}, Qt::white},
      {"日毎 button", {115, 30}, QColor(0, 160, 105)},
      {"教材 button", {690, 30}, QColor(185, 75, 155)},
      {"閉じる button", {900, 30}, QColor(90, 100, 115)},
      {"日毎 button has no inner frame", {113, 27}, QColor(0, 160, 105)},
      {"graph background", {30, 80}, Qt::white},
  };
  for (const Pixel& p : pixels) EXPECT_EQ(image.pixelColor(p.at), p.colour) << p.what;
  // Bars of today's runs: the input bar of 今日 stands on the baseline (graph y 58 + 220 - 36).
  bool inputBar = false;
  for (int x = 62; x < 970 && !inputBar; ++x)
    inputBar = image.pixelColor(x, 58 + 184 - 2) == QColor(90, 150, 240);
  EXPECT_TRUE(inputBar);
  auto* report = window.findChild<QPlainTextEdit*>(QStringLiteral("20001"));
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(QFontMetrics(report->font()).inFont(QChar(u'績')));
  EXPECT_GT(DarkPixels(image, QRect(20, 300, 400, 200)), 500);
  EXPECT_TRUE(report->toPlainText().contains(QStringLiteral("1位\nア\n60%  出題20回")));

  struct Click {
    int id;
    const char* firstLine;
  } clicks[] = {
      {20003, "日毎の成績"}, {20005, "月間の成績"}, {20006, "文字別の成績"}, {20011, "目標"}, {20002, "━━━"}};
  for (const Click& click : clicks) {
    window.findChild<QPushButton*>(QString::number(click.id))->click();
    EXPECT_TRUE(report->toPlainText().startsWith(QString::fromUtf8(click.firstLine))) << click.id;
  }
  window.resize(1200, 800);
  EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("20008"))->geometry(), QRect(10, 58, 1180, 220));
  EXPECT_EQ(report->geometry(), QRect(10, 290, 1180, 450));
  EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("20007"))->geometry(), QRect(1090, 10, 100, 34));
}

TEST_F(StatisticsWindowsTest, ScreenshotStatisticsWindowWithoutLogsShowsTheEmptyHistorySentence) {
  StatisticsWindow window(nullptr);
  window.show();
  window.findChild<QPushButton*>(QStringLiteral("20010"))->click();  // DB
  const QImage image = window.grab().toImage();
  Keep(image, "statistics-empty");
  EXPECT_GT(DarkPixels(image, QRect(200, 150, 600, 30)), 200);  // the sentence across the graph's middle
  EXPECT_EQ(image.pixelColor(535, 27), Qt::white);              // DB selected: frame inset 5
}

TEST_F(StatisticsWindowsTest, ScreenshotHomeDashboardPaintsHeaderChipsPanelAndText) {
  WriteTodaysPractice();
  runStatistics.judged = 2000;
  HomeDashboardWindow window(BuildDashboardText(GatherDashboardFigures()), nullptr);
  window.show();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("ホームダッシュボード"));
  EXPECT_TRUE(window.Text().find(u"Lv.3   EXP 2240\r\n") != std::u16string::npos);
  const QImage image = window.grab().toImage();
  Keep(image, "dashboard");
  struct Pixel {
    const char* what;
    QPoint at;
    QColor colour;
  } pixels[] = {
      {"header", {5, 5}, QColor(35, 115, 210)},
      {"page", {5, 150}, QColor(240, 248, 253)},
      {"chip 1", {30, 130}, QColor(35, 115, 210)},
      {"chip 2", {230, 130}, QColor(0, 165, 105)},
      {"chip 3", {430, 130}, QColor(235, 135, 20)},
      {"chip 4", {810, 130}, QColor(185, 75, 155)},
      {"accent bar", {30, 400}, QColor(0, 165, 105)},
      {"panel", {850, 400}, Qt::white},
      {"close button", {(880 - 280) / 2 + 5, 720 - 76 + 10}, QColor(35, 115, 210)},
      {"close button frame", {(880 - 280) / 2, 720 - 76 + 10}, Qt::white},
  };
  for (const Pixel& p : pixels) EXPECT_EQ(image.pixelColor(p.at), p.colour) << p.what;
  EXPECT_GT(DarkPixels(image, QRect(60, 210, 300, 400)), 1000);
}

TEST_F(StatisticsWindowsTest, ScreenshotUserGuidePagesHaveTheirPicturesAndTurn) {
  const std::vector<GuidePage>& pages = GuidePages();
  ASSERT_EQ(pages.size(), 9u);
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string bytes;
    QImage picture;
    EXPECT_EQ(pages[i].pictureId, 5101 + static_cast<int>(i));
    ASSERT_TRUE(ReadResourceBytes(pages[i].pictureId, bytes)) << i;
    EXPECT_TRUE(
        picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size())));
    EXPECT_GT(picture.width(), 400) << i;
  }
  UserGuideDialog guide(nullptr);
  guide.show();
  EXPECT_EQ(guide.windowTitle(), QStringLiteral("取扱説明"));
  auto* previous = guide.findChild<QPushButton*>(QStringLiteral("guide-previous"));
  auto* next = guide.findChild<QPushButton*>(QStringLiteral("guide-next"));
  auto* text = guide.findChild<QLabel*>(QStringLiteral("guide-text"));
  auto* picture = guide.findChild<QLabel*>(QStringLiteral("guide-picture"));
  EXPECT_FALSE(previous->isEnabled());
  for (size_t i = 0; i < pages.size(); ++i) {
    EXPECT_EQ(guide.Page(), static_cast<int>(i));
    EXPECT_FALSE(picture->pixmap().isNull()) << i;
    EXPECT_FALSE(text->text().isEmpty()) << i;
    const QImage image = guide.grab().toImage();
    Keep(image, QString("guide-%1").arg(i + 1).toUtf8().constData());
    EXPECT_GT(DarkPixels(image, QRect(picture->geometry().right() + 20, 60, 300, 200)), 300) << i;
    next->click();
  }
  EXPECT_EQ(guide.Page(), 8);
  EXPECT_FALSE(next->isEnabled());
  previous->click();
  EXPECT_EQ(guide.Page(), 7);
}

TEST_F(StatisticsWindowsTest, MainWindowButtonsOpenTheirWindowsModally) {
  struct Row {
    int id;
    const char* title;
  } rows[] = {
      {kGuideButton, "取扱説明"},
      {kStatisticsButton, "ネモラ - 現在の成績・CSV履歴"},
      {kHomeButton, "ホームダッシュボード"},
  };
  MainWindow window;
  // The frame's icon is resource 5001; at 16 pixels the dark tile and the brass key still show.
  const QImage icon = window.windowIcon().pixmap(16, 16).toImage();
  ASSERT_FALSE(icon.isNull());
  EXPECT_LT(qGray(icon.pixel(2, 8)), 80);
  EXPECT_GT(qRed(icon.pixel(11, 5)), 200);
  for (const Row& row : rows) {
    QString seen;
    QWidget* seenParent = nullptr;
    QTimer::singleShot(0, [&]() {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        seen = modal->windowTitle();
        seenParent = modal->parentWidget();
        modal->close();
      }
    });
    window.findChild<QPushButton*>(QString::number(row.id))->click();
    EXPECT_EQ(seen, QString::fromUtf8(row.title)) << row.id;
    EXPECT_EQ(seenParent, &window) << row.id;
  }
}

}  // namespace
