// Every character the Morse tables can put on a sheet leaves ink there, in the real faces: a face that lists
// a character without an outline must not turn a keyed character into an empty cell. The sound marks sit at
// the upper right of their cell.
#include <gtest/gtest.h>

#include <QPainter>
#include <cstdlib>
#include <set>

#include "core/morse_table.h"
#include "qt_test_application.h"
#include "sheets/form_geometry.h"
#include "sheets/sheet_rendering.h"
#include "ui/sheet_widget.h"

namespace {

constexpr QSize kSheet(610, 650);  // the sheet of the full-size layout

QImage Render(const SheetContent& content) {
  QImage image(kSheet, QImage::Format_RGB32);
  SheetBuffers buffers;
  QPainter p(&image);
  PaintSheetContent(p, kSheet, 1.0, {kSheet.width(), kSheet.height(), 1.0, 0, 0}, content, buffers);
  return image;
}

// Pixels that differ clearly between two renders inside a box, and their centre.
struct Ink {
  int pixels = 0;
  QPointF centre;
};
Ink InkBetween(const QImage& written, const QImage& blank, const QRect& box) {
  Ink ink;
  double sx = 0, sy = 0;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) {
      if (!written.valid(x, y)) continue;
      const QRgb a = written.pixel(x, y), b = blank.pixel(x, y);
      if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) <
          90) {
        continue;
      }
      ++ink.pixels;
      sx += x;
      sy += y;
    }
  }
  if (ink.pixels) ink.centre = QPointF(sx / ink.pixels, sy / ink.pixels);
  return ink;
}

// The kana grid cell of character i on the sheet.
QRect KanaCell(int i) {
  const PictureRect picture = SheetPictureRect({kSheet.width(), kSheet.height(), 1.0, 0, 0}, false);
  auto x = [&](int px) { return picture.left + px * picture.width / kKanaFormWidth; };
  auto y = [&](int py) { return picture.top + py * picture.height / kKanaFormHeight; };
  const int column = i / kKanaGridRows, row = i % kKanaGridRows;
  return QRect(QPoint(x(kKanaColumnEdges[column + 1]) + 2, y(kKanaRowEdges[row]) + 2),
               QPoint(x(kKanaColumnEdges[column]) - 2, y(kKanaRowEdges[row + 1]) - 2));
}

// What the tables can produce, and what a model text of that script can hold.
std::u16string TableCharacters(bool latin) {
  std::set<char16_t> characters;
  for (const auto& [code, c] : latin ? morseTable.latinDecoding : morseTable.kanaDecoding)
    characters.insert(c);
  for (const auto& [c, code] : latin ? morseTable.latinEncoding : morseTable.kanaEncoding) {
    const std::u16string shown =
        ExpandMorseText(std::u16string(1, c), latin ? Script::kLatin : Script::kKana);
    for (char16_t s : shown) characters.insert(s);
  }
  std::u16string text;
  for (char16_t c : characters) {
    if (c != u' ' && c != u'\u3000') text.push_back(c);
  }
  return text;
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
    bool latin;
    bool model;
  } rows[] = {
      {"kana model sheet", false, true},
      {"kana learner's sheet, wrong in red", false, false},
      {"Latin model sheet", true, true},
      {"Latin learner's sheet, wrong in red", true, false},
  };
  for (const Row& row : rows) {
    const std::u16string all = TableCharacters(row.latin);
    ASSERT_GE(all.size(), 36u) << row.name << " " << all.size();
    SheetContent blank;
    blank.model = row.model;
    blank.latin = row.latin;
    blank.sendPractice = true;  // Latin lines in fixed 52-character pieces: one cell per character
    const QImage empty = Render(blank);
    const size_t perPage = row.latin ? 52 : kKanaGridColumns * kKanaGridRows;
    for (size_t start = 0; start < all.size(); start += perPage) {
      SheetContent content = blank;
      content.fields[5] = all.substr(start, perPage);
      content.marks[5] = std::u16string(content.fields[5].size(), u'0');
      const QImage written = Render(content);
      if (const char* dir = std::getenv("NEMORA_SCREENSHOTS")) {
        written.save(QString("%1/ink-%2-%3.png").arg(dir).arg(row.latin ? "latin" : "kana").arg(row.model));
      }
      // A Latin character's cell comes from the list the sheet was painted from: the text line is its end.
      const DrawList list = SheetDrawList({kSheet.width(), kSheet.height(), 1.0, 0, 0}, content);
      const size_t count = content.fields[5].size();
      for (size_t i = 0; i < count; ++i) {
        const char16_t c = content.fields[5][i];
        QRect box = KanaCell(static_cast<int>(i));
        if (row.latin) {
          const DrawOp& op = list[list.size() - count + i];
          ASSERT_EQ(op.character, c) << row.name;
          box = QRect(op.x, op.y, AverageCharWidth(op.font), op.font.height);
        }
        const Ink ink = InkBetween(written, empty, box);
        EXPECT_GE(ink.pixels, 4) << row.name << ": U+" << std::hex << int{c} << " has no ink in its cell";
      }
    }
  }
}

TEST_F(SheetInkTest, SoundMarksSitAtTheUpperRightOfTheirCell) {
  struct Row {
    const char* name;
    std::u16string text;  // the mark is the second character: cell 1
    bool model;
  } rows[] = {
      {"voiced mark, model", u"カ\u309B", true},
      {"semi-voiced mark, model", u"ハ\u309C", true},
      {"voiced mark, learner", u"カ\u309B", false},
  };
  for (const Row& row : rows) {
    SheetContent blank;
    blank.model = row.model;
    const QImage empty = Render(blank);
    SheetContent content = blank;
    content.fields[5] = row.text;
    content.marks[5] = u"11";
    const QRect cell = KanaCell(1);
    const Ink ink = InkBetween(Render(content), empty, cell);
    ASSERT_GE(ink.pixels, 4) << row.name;
    EXPECT_GT(ink.centre.x(), cell.center().x()) << row.name << " is not on the right";
    EXPECT_LT(ink.centre.y(), cell.center().y()) << row.name << " is not at the top";
  }
}

}  // namespace
