// SPDX-License-Identifier: GPL-3.0-or-later
// The sheets in the real window: painted pixels, and the mouse on the sheets and on the window.
#include "ui/sheet_widget.h"

#include <gtest/gtest.h>

#include "qt_test_application.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <tuple>

#include "content/telegram_document.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/ini_file.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "practice/judging.h"
#include "sheets/form_geometry.h"
#include "sheets/sheet_view.h"
#include "temporary_home.h"
#include "ui/main_window.h"
#include "ui/window_commands.h"

namespace {

class SheetWidgetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQtApplication(); }
  void SetUp() override {
    ResetProgramState();
    window_ = std::make_unique<MainWindow>();
    window_->resize(1540, 1120);
    window_->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    window_->close();
    window_.reset();
  }
  QWidget* Sheet(int id) { return window_->findChild<QWidget*>(QString::number(id)); }
  // Keys characters straight into the judge, at the text field of the first kana telegram.
  static void KeyText(std::u16string_view text) {
    judgeState.currentField = kText;
    for (char16_t c : text) JudgeInputCharacter(c);
    QApplication::processEvents();
  }
  static int32_t Saved(const char* key) {
    IniFile ini;
    return ReadIniFile(SettingsFilePath(), ini) ? IniInt(ini, "Settings", key, -999999) : -999999;
  }
  TemporaryHome home_;
  std::unique_ptr<MainWindow> window_;
};

enum class Ink { kBlack, kRed, kHintGrey, kFormRule, kPaper };

bool IsInk(QRgb p, Ink ink) {
  const int r = qRed(p), g = qGreen(p), b = qBlue(p);
  switch (ink) {
    case Ink::kBlack:
      return r < 80 && g < 80 && b < 80;
    case Ink::kRed:
      return r > 190 && g < 40 && b < 40;
    case Ink::kHintGrey:
      return std::abs(r - g) < 10 && std::abs(g - b) < 10 && r > 140 && r < 215;
    case Ink::kFormRule:
      return r - g > 40 && g > 60;  // the form's red-brown ink, not a mark's pure red
    case Ink::kPaper:
      return r > 220 && g > 215 && b > 200;
  }
  return false;
}

// Pixels of one ink inside a rectangle of the grabbed sheet.
int CountInk(const QImage& image, const QRect& box, Ink ink) {
  int count = 0;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x)
      count += image.valid(x, y) && IsInk(image.pixel(x, y), ink);
  }
  return count;
}

TEST_F(SheetWidgetTest, GrabbedLearnerSheetShowsMarksHintAndTheFormsRules) {
  QWidget* sheet = Sheet(kLearnerSheet);
  const PictureRect picture = SheetPictureRect({sheet->width(), sheet->height(), 1.0, 0, 0}, false);
  auto x = [&](int px) { return picture.left + px * picture.width / kKanaFormWidth; };
  auto y = [&](int py) { return picture.top + py * picture.height / kKanaFormHeight; };
  auto cell = [&](int column, int row) {
    return QRect(QPoint(x(kKanaColumnEdges[column + 1]) + 3, y(kKanaRowEdges[row]) + 3),
                 QPoint(x(kKanaColumnEdges[column]) - 3, y(kKanaRowEdges[row + 1]) - 3));
  };
  const int ruleX = x(kKanaColumnEdges[1]), rowMiddle = (y(kKanaRowEdges[5]) + y(kKanaRowEdges[6])) / 2;
  struct Row {
    const char* name;
    std::u16string keyed;  // the first telegram's text starts フユノ
    bool hint;
    QRect box;
    Ink ink;
    bool present;
  } rows[] = {
      {"a right cell is black", u"フカ", true, cell(0, 0), Ink::kBlack, true},
      {"a right cell has no red", u"フカ", true, cell(0, 0), Ink::kRed, false},
      {"a wrong cell is red", u"フカ", true, cell(0, 1), Ink::kRed, true},
      {"the rule between the first columns is the form's", u"", true, QRect(ruleX - 1, rowMiddle, 3, 1),
       Ink::kFormRule, true},
      {"an empty cell shows the paper", u"", true, QRect(cell(3, 5).center(), QSize(3, 3)), Ink::kPaper,
       true},
      {"the hint is grey in the next cell", u"フ", true, cell(0, 1), Ink::kHintGrey, true},
      {"no hint when it is not asked for", u"フ", false, cell(0, 1), Ink::kHintGrey, false},
  };
  for (const Row& row : rows) {
    ResetJudging();
    SetControlChecked(kShowNextHintCheck, row.hint);
    KeyText(row.keyed);
    const QImage image = sheet->grab().toImage();
    const int count = CountInk(image, row.box, row.ink);
    EXPECT_EQ(count > (row.box.width() > 5 ? 12 : 0), row.present) << row.name << ": " << count;
  }
}

TEST_F(SheetWidgetTest, WheelOverASheetIsAnchoredThereAndOverTheWindowKeepsTheOffsets) {
  struct Row {
    const char* name;
    int target;  // control the wheel is turned over
    QPoint at;
    double zoom;
    int offsetX, offsetY;
  } rows[] = {
      {"over the learner's sheet", kLearnerSheet, QPoint(100, 50), 1.1, -10, -5},
      {"over the model sheet", kModelSheet, QPoint(100, 50), 1.1, -10, -5},
      {"over the window itself", 0, QPoint(100, 50), 1.1, 0, 0},
  };
  for (const Row& row : rows) {
    practiceSettings.paperZoom.store(1.0);
    practiceSettings.PaperOffsetX.store(0);
    practiceSettings.PaperOffsetY.store(0);
    QWidget* target = row.target ? Sheet(row.target) : window_.get();
    QWheelEvent wheel(QPointF(row.at), QPointF(target->mapToGlobal(row.at)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    EXPECT_NEAR(practiceSettings.paperZoom.load(), row.zoom, 1e-9) << row.name;
    EXPECT_EQ(practiceSettings.PaperOffsetX.load(), row.offsetX) << row.name;
    EXPECT_EQ(practiceSettings.PaperOffsetY.load(), row.offsetY) << row.name;
  }
}

TEST_F(SheetWidgetTest, DraggingASheetOrTheWindowMovesBothSheetsAndIsSavedAtTheEnd) {
  struct Row {
    const char* name;
    int target;  // 0: the window itself
  } rows[] = {{"on the learner's sheet", kLearnerSheet}, {"on the window's background", 0}};
  for (const Row& row : rows) {
    practiceSettings.PaperOffsetX.store(0);
    practiceSettings.PaperOffsetY.store(0);
    QWidget* target = row.target ? Sheet(row.target) : window_.get();
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
      QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, held, Qt::NoModifier);
      QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(65, 45), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(80, 40), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(80, 40), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(practiceSettings.PaperOffsetX.load(), 30) << row.name;
    EXPECT_EQ(practiceSettings.PaperOffsetY.load(), -10) << row.name;
    EXPECT_EQ(Saved("PaperOffsetX"), 30) << row.name;
    EXPECT_EQ(Saved("PaperOffsetY"), -10) << row.name;
  }
}

// The printed captions of the kana form stay whole inside the sheet at the sizes the issue was seen at:
// each caption's box on screen lies inside the widget and holds the form's ink.
TEST_F(SheetWidgetTest, KanaFormCaptionsStayInsideTheSheetAtEveryWindowSize) {
  struct Row {
    const char* name;
    QSize window;
    bool fullSheet;
  } rows[] = {
      {"full-size layout", QSize(1540, 1120), false},
      {"1024 x 768", QSize(1024, 738), false},
      {"full-sheet view at 1366 x 768", QSize(1366, 738), true},
  };
  for (const Row& row : rows) {
    sheetFullScreen = row.fullSheet;
    window_->resize(row.window);
    window_->LayoutMainWindow();
    QApplication::processEvents();
    QWidget* sheet = Sheet(kModelSheet);
    const QImage image = sheet->grab().toImage();
    const PictureRect picture = SheetPictureRect({sheet->width(), sheet->height(), 1.0, 0, 0}, false);
    for (const FormCaption& caption : kKanaSightCaptions) {
      const QRect box(QPoint(picture.left + caption.left * picture.width / kKanaFormWidth,
                             picture.top + caption.top * picture.height / kKanaFormHeight),
                      QPoint(picture.left + caption.right * picture.width / kKanaFormWidth - 1,
                             picture.top + caption.bottom * picture.height / kKanaFormHeight - 1));
      EXPECT_TRUE(sheet->rect().contains(box)) << row.name << ": " << caption.text;
      EXPECT_GT(CountInk(image, box, Ink::kFormRule), 3) << row.name << ": " << caption.text;
    }
  }
  sheetFullScreen = false;
}

TEST_F(SheetWidgetTest, DoubleClickResetsTheViewAndOffsetsKeepAQuarterOfTheFormInSight) {
  QWidget* sheet = Sheet(kLearnerSheet);
  const QPoint middle(sheet->width() / 2, sheet->height() / 2);
  auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(sheet->mapToGlobal(at)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(sheet, &event);
  };
  struct Row {
    const char* name;
    double zoom;
    QPoint dragBy;  // (0, 0): a double-click instead
  } rows[] = {{"double-click after zooming and dragging", 3.2, QPoint()},
              {"dragged far to the right and down", 1.0, QPoint(5000, 5000)},
              {"zoomed out and dragged into the top left corner", 0.3, QPoint(-4000, -4000)}};
  for (const Row& row : rows) {
    practiceSettings.paperZoom.store(row.zoom);
    practiceSettings.PaperOffsetX.store(row.dragBy.isNull() ? 400 : 0);
    practiceSettings.PaperOffsetY.store(row.dragBy.isNull() ? -900 : 0);
    send(QEvent::MouseButtonPress, middle, Qt::LeftButton);
    if (row.dragBy.isNull()) {
      send(QEvent::MouseButtonRelease, middle, Qt::NoButton);
      send(QEvent::MouseButtonDblClick, middle, Qt::LeftButton);
    } else {
      send(QEvent::MouseMove, middle + row.dragBy, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, middle + row.dragBy, Qt::NoButton);
    const PictureRect r =
        SheetPictureRect({sheet->width(), sheet->height(), practiceSettings.paperZoom.load(),
                          practiceSettings.PaperOffsetX.load(), practiceSettings.PaperOffsetY.load()},
                         false);
    if (row.dragBy.isNull()) {
      EXPECT_EQ(std::make_tuple(Saved("PaperZoom1000"), Saved("PaperOffsetX"), Saved("PaperOffsetY")),
                std::make_tuple(1000, 0, 0))
          << row.name;
      continue;
    }
    // The form's rectangle against the sheet's, and the paper really there on screen.
    const QRect seen = QRect(r.left, r.top, r.width, r.height).intersected(sheet->rect());
    EXPECT_GE(seen.width(), std::min(r.width / 4, sheet->width()) - 1) << row.name;
    EXPECT_GE(seen.height(), std::min(r.height / 4, sheet->height()) - 1) << row.name;
    EXPECT_GT(CountInk(sheet->grab().toImage(), seen.adjusted(2, 2, -2, -2), Ink::kPaper), 50) << row.name;
  }
}

}  // namespace
