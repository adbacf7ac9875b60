// SPDX-License-Identifier: GPL-3.0-or-later
// Every character the Morse tables can put on a sheet leaves ink there, in the real faces (a face listing a
// character without an outline must not leave an empty cell), and the sound marks sit at the upper right.
#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "core/morse_table.h"
#include "qt_test_application.h"
#include "sheets/form_geometry.h"
#include "ui/sheet_widget.h"

namespace {

constexpr SheetView kView{610, 650, 1.0, 0, 0};  // the sheet of the full-size layout

QImage Render(const SheetContent& content) {
  QImage image(kView.clientWidth, kView.clientHeight, QImage::Format_RGB32);
  SheetBuffers buffers;
  QPainter p(&image);
  PaintSheetContent(p, image.size(), 1.0, kView, content, buffers);
  return image;
}

// Pixels clearly changed by writing, inside a box, and their mean position.
QPointF InkIn(const QImage& written, const QImage& blank, const QRect& box, int& pixels) {
  double sx = 0, sy = 0;
  pixels = 0;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) {
      const QRgb a = written.pixel(x, y), b = blank.pixel(x, y);
      if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) <
          90) {
        continue;
      }
      ++pixels, sx += x, sy += y;
    }
  }
  return pixels ? QPointF(sx / pixels, sy / pixels) : QPointF();
}

QRect KanaCell(int i) {
  const PictureRect r = SheetPictureRect(kView, false);
  auto x = [&](int px) { return r.left + px * r.width / kKanaFormWidth; };
  auto y = [&](int py) { return r.top + py * r.height / kKanaFormHeight; };
  const int column = i / kKanaGridRows, row = i % kKanaGridRows;
  return QRect(QPoint(x(kKanaColumnEdges[column + 1]) + 2, y(kKanaRowEdges[row]) + 2),
               QPoint(x(kKanaColumnEdges[column]) - 2, y(kKanaRowEdges[row + 1]) - 2));
}

// What the decoder can produce and what a model text of the script can hold, blanks aside.
std::u16string TableCharacters(bool latin) {
  std::set<char16_t> all;
  for (const auto& [code, c] : latin ? morseTable.latinDecoding : morseTable.kanaDecoding) all.insert(c);
  for (const auto& [c, code] : latin ? morseTable.latinEncoding : morseTable.kanaEncoding) {
    for (char16_t s : ExpandMorseText(std::u16string(1, c), latin ? Script::kLatin : Script::kKana))
      all.insert(s);
  }
  all.erase(u' ');
  return std::u16string(all.begin(), all.end());
}

class SheetInkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnsureQtApplication();
    BuildMorseTables();
    InstallSheetTextMeasurer();
  }
};

TEST_F(SheetInkTest, EveryTableCharacterLeavesInkOnBothSheets) {
  struct Row {
    const char* name;
    bool latin, model;
  } rows[] = {{"kana model", false, true},
              {"kana learner, wrong in red", false, false},
              {"Latin model", true, true},
              {"Latin learner, wrong in red", true, false}};
  for (const Row& row : rows) {
    const std::u16string all = TableCharacters(row.latin);
    ASSERT_GE(all.size(), 36u) << row.name;
    SheetContent blank;
    blank.model = row.model;
    blank.latin = row.latin;
    blank.sendPractice = true;  // Latin lines in fixed 52-character pieces
    const QImage empty = Render(blank);
    const size_t perPage = row.latin ? 52 : kKanaGridColumns * kKanaGridRows;
    for (size_t start = 0; start < all.size(); start += perPage) {
      SheetContent content = blank;
      content.fields[5] = all.substr(start, perPage);
      content.marks[5] = std::u16string(content.fields[5].size(), u'0');
      const QImage written = Render(content);
      // A Latin cell comes from the list the sheet was painted from: the first text line ends it.
      const DrawList list = SheetDrawList(kView, content);
      const size_t count = content.fields[5].size();
      for (size_t i = 0; i < count; ++i) {
        const DrawOp& op = list[list.size() - count + i];
        const QRect box = row.latin ? QRect(op.x, op.y, AverageCharWidth(op.font), op.font.height)
                                    : KanaCell(static_cast<int>(i));
        int pixels = 0;
        InkIn(written, empty, box, pixels);
        EXPECT_GE(pixels, 4) << row.name << ": U+" << std::hex << int{content.fields[5][i]} << " has no ink";
      }
    }
  }
}

TEST_F(SheetInkTest, SoundMarksSitAtTheUpperRightOfTheirCell) {
  struct Row {
    const char* name;
    std::u16string text;  // the mark is in cell 1
    bool model;
  } rows[] = {{"voiced, model", u"カ\u309B", true},
              {"semi-voiced, model", u"ハ\u309C", true},
              {"voiced, learner", u"カ\u309B", false}};
  for (const Row& row : rows) {
    SheetContent content;
    content.model = row.model;
    const QImage empty = Render(content);
    content.fields[5] = row.text;
    content.marks[5] = u"11";
    int pixels = 0;
    const QPointF centre = InkIn(Render(content), empty, KanaCell(1), pixels);
    ASSERT_GE(pixels, 4) << row.name;
    EXPECT_GT(centre.x(), KanaCell(1).center().x()) << row.name << " is not on the right";
    EXPECT_LT(centre.y(), KanaCell(1).center().y()) << row.name << " is not at the top";
  }
}

}  // namespace
