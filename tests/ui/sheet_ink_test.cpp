// SPDX-License-Identifier: GPL-3.0-or-later
// Every character the Morse tables can put on a sheet leaves ink there, in the real faces (a face listing a
// character without an outline must not leave an empty cell), and the sound marks sit at the upper right of
// their cell wherever they are written.
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

// The tables' characters hold both sound marks, so the first four rows place them on both sheets too.
TEST(SheetInkTest, EveryCharacterLeavesInkAndSoundMarksSitAtTheUpperRight) {
  EnsureQtApplication();
  BuildMorseTables();
  InstallSheetTextMeasurer();
  const struct {
    const char* name;
    bool latin, model;
    std::u16string text;  // empty: every character of the tables, a sheet at a time
    char16_t mark;        // every cell's judging mark
  } rows[] = {
      {"kana model", false, true, u"", u'0'},
      {"kana learner, wrong in red", false, false, u"", u'0'},
      {"Latin model", true, true, u"", u'0'},
      {"Latin learner, wrong in red", true, false, u"", u'0'},
      {"sound marks after カ and ハ, learner, judged right", false, false, u"カ\u309Bハ\u309C", u'1'},
  };
  for (const auto& row : rows) {
    const std::u16string all = row.text.empty() ? TableCharacters(row.latin) : row.text;
    if (row.text.empty()) {
      ASSERT_GE(all.size(), 36u) << row.name;
    }
    SheetContent blank;
    blank.model = row.model;
    blank.latin = row.latin;
    blank.sendPractice = true;  // Latin lines in fixed 52-character pieces
    const QImage empty = Render(blank);
    const size_t perPage = row.latin ? 52 : kKanaGridColumns * kKanaGridRows;
    for (size_t start = 0; start < all.size(); start += perPage) {
      SheetContent content = blank;
      content.fields[5] = all.substr(start, perPage);
      content.marks[5] = std::u16string(content.fields[5].size(), row.mark);
      const QImage written = Render(content);
      // A Latin cell comes from the list the sheet was painted from: the first text line ends it.
      const DrawList list = SheetDrawList(kView, content);
      const size_t count = content.fields[5].size();
      for (size_t i = 0; i < count; ++i) {
        const DrawOp& op = list[list.size() - count + i];
        const QRect box = row.latin ? QRect(op.x, op.y, AverageCharWidth(op.font), op.font.height)
                                    : KanaCell(static_cast<int>(i));
        int pixels = 0;
        const QPointF centre = InkIn(written, empty, box, pixels);
        EXPECT_GE(pixels, 4) << row.name << ": U+" << std::hex << int{content.fields[5][i]} << " has no ink";
        if (content.fields[5][i] != u'\u309B' && content.fields[5][i] != u'\u309C') continue;
        EXPECT_GT(centre.x(), box.center().x()) << row.name << ": the sound mark is not on the right";
        EXPECT_LT(centre.y(), box.center().y()) << row.name << ": the sound mark is not at the top";
      }
    }
  }
}

}  // namespace
