// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/result_window.h"

#include <gtest/gtest.h>

#include "qt_test_application.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <cstdlib>

namespace {

class ResultWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQtApplication(); }
};

TelegramResultSnapshot Snapshot(int accuracy, bool anotherFollows) {
  TelegramResultSnapshot s;
  s.currentNumber = 2;
  s.judged = 40;
  s.correct = 40 * accuracy / 100;
  s.wrong = s.judged - s.correct;
  s.accuracy = accuracy;
  s.points = 120;
  s.maxPoints = 150;
  s.deductions = 30;
  s.anotherFollows = anotherFollows;
  s.colour = AccuracyColour(accuracy);
  s.grade = GradeLetter(accuracy);
  s.comment = ResultComment(accuracy);
  s.title = u"第2通　和文電報 結果";
  s.buttonCaption = anotherFollows ? u"次の電報へ" : u"結果を閉じる";
  return s;
}

TEST_F(ResultWindowTest, PaintsTheBandTilesAndButtonInTheAccuracyColour) {
  struct Row {
    int accuracy;
    bool anotherFollows;
  } rows[] = {{100, true}, {35, false}};
  for (const Row& row : rows) {
    TelegramResultSnapshot snapshot = Snapshot(row.accuracy, row.anotherFollows);
    ResultWindow window(snapshot, nullptr);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("電報受信結果"));
    window.resize(880, 630);
    QImage image = window.grab().toImage();
    if (const char* dir = std::getenv("NEMORA_SCREENSHOTS")) {
      image.save(QString("%1/result-%2.png").arg(dir).arg(row.accuracy));
    }
    QColor accent(snapshot.colour.red, snapshot.colour.green, snapshot.colour.blue);
    EXPECT_EQ(image.pixelColor(5, 5), accent);                    // header band
    EXPECT_EQ(image.pixelColor(5, 200), QColor(241, 246, 252));   // page background
    EXPECT_EQ(image.pixelColor(100, 460), QColor(45, 125, 215));  // 入力文字数 tile
    EXPECT_EQ(image.pixelColor(700, 460), QColor(235, 135, 20));  // 減点 tile
    // The circle ends above its caption: a white gap, then the caption's strokes in the accent colour
    // (the circle once covered the caption, accent on accent).
    for (int y = 279; y <= 284; ++y) EXPECT_EQ(image.pixelColor(142, y), QColor(Qt::white)) << y;
    int captionStrokes = 0;
    for (int y = 286; y <= 316; ++y) {
      for (int x = 100; x <= 185; ++x) captionStrokes += image.pixelColor(x, y) == accent ? 1 : 0;
    }
    EXPECT_GT(captionStrokes, 40);
    EXPECT_LT(captionStrokes, 85 * 31 / 2);
    auto* button = window.findChild<QPushButton*>(QStringLiteral("20501"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(),
              row.anotherFollows ? QStringLiteral("次の電報へ") : QStringLiteral("結果を閉じる"));
    EXPECT_EQ(button->geometry(), QRect((880 - 290) / 2, 630 - 76, 290, 58));
    EXPECT_EQ(image.pixelColor(button->x() + 3, button->y() + 3), accent);
  }
}

}  // namespace
