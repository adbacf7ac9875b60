// SPDX-License-Identifier: GPL-3.0-or-later
// The sheets' draw lists: where characters land on the forms, and in which colour.
#include "sheets/sheet_rendering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "practice/judge_test_fixture.h"
#include "sheets/form_geometry.h"

namespace {

// Every character as wide as it is high: a glyph's centre is then its cell's centre.
TextExtent SquareExtent(const SheetFont& font, char16_t) {
  return {font.height, font.height};
}
int HalfWidth(const SheetFont& font) {
  return font.height / 2;
}

constexpr SheetView kSheet{610, 650, 1.0, 0, 0};  // the sheet at the 1540 x 1120 layout

struct Box {
  int left, top, right, bottom;
  bool Holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Picture coordinates of the kana form as sheet pixels.
int PictureX(int x) {
  const PictureRect r = SheetPictureRect(kSheet, false);
  return r.left + x * r.width / kKanaFormWidth;
}
int PictureY(int y) {
  const PictureRect r = SheetPictureRect(kSheet, false);
  return r.top + y * r.height / kKanaFormHeight;
}
Box GridCell(int column, int row) {
  return {PictureX(kKanaColumnEdges[column + 1]), PictureY(kKanaRowEdges[row]),
          PictureX(kKanaColumnEdges[column]), PictureY(kKanaRowEdges[row + 1])};
}

// Centre of the drawn character (text ops: its square cell; turned characters and bars: their anchor).
struct Placed {
  const DrawOp* op = nullptr;
  int x = 0, y = 0;
};
std::vector<Placed> Find(const DrawList& list, char16_t c) {
  std::vector<Placed> found;
  for (const DrawOp& op : list) {
    if (op.kind == DrawKind::kText && op.character == c) {
      found.push_back({&op, op.x + op.font.height / 2, op.y + op.font.height / 2});
    } else if (op.kind == DrawKind::kRotatedText && op.character == c) {
      found.push_back({&op, op.x, op.y});
    }
  }
  return found;
}

SheetContent KanaModel(std::u16string text) {
  SheetContent content;
  content.fields[kText] = std::move(text);
  return content;
}

class SheetRenderingTest : public JudgeTest {
 protected:
  void SetUp() override {
    JudgeTest::SetUp();
    InstallTextMeasurer(TextMeasurer{SquareExtent, HalfWidth});
  }
  void TearDown() override {
    InstallTextMeasurer(TextMeasurer{});
    JudgeTest::TearDown();
  }
};

TEST_F(SheetRenderingTest, KanaTextFillsColumnsRightToLeftOnePageAtATime) {
  // 70 cells: filler ア with markers at 9, 10, 59, 60 and 69.
  std::u16string text(70, u'ア');
  text[9] = u'コ';
  text[10] = u'サ';
  text[59] = u'ヌ';
  text[60] = u'ネ';
  text[69] = u'ノ';
  struct Row {
    const char* name;
    int page;
    char16_t marker;
    int column, row;  // -1: not on this page
  } rows[] = {
      {"10th cell at the bottom of the rightmost column", 0, u'コ', 0, 9},
      {"11th cell at the top of the next column", 0, u'サ', 1, 0},
      {"60th cell ends page 1", 0, u'ヌ', 5, 9},
      {"61st cell not on page 1", 0, u'ネ', -1, -1},
      {"61st cell starts page 2", 1, u'ネ', 0, 0},
      {"70th cell at the bottom of page 2's first column", 1, u'ノ', 0, 9},
      {"page 1's cells not on page 2", 1, u'ヌ', -1, -1},
  };
  for (const Row& row : rows) {
    SheetContent content = KanaModel(text);
    content.shownPage = row.page;
    const std::vector<Placed> found = Find(SheetDrawList(kSheet, content), row.marker);
    if (row.column < 0) {
      EXPECT_TRUE(found.empty()) << row.name;
      continue;
    }
    ASSERT_EQ(found.size(), 1u) << row.name;
    EXPECT_TRUE(GridCell(row.column, row.row).Holds(found[0].x, found[0].y))
        << row.name << ": at " << found[0].x << "," << found[0].y;
  }
}

TEST_F(SheetRenderingTest, KanaHeaderAndAddressColumnsStayInsideTheirBoxes) {
  const int headerTop = PictureY(kKanaHeaderTop);
  const int headerBottom = PictureY(kKanaHeaderBottom);
  const int addressBottom = PictureY(kKanaAddressBottom);
  struct Row {
    const char* name;
    int field;
    std::u16string text;
    char16_t probe;
    int centreX;  // picture x the probe is centred on
    int topY;     // its top, -1: not checked
    int limitY;   // every character of the field ends above this sheet y
  } rows[] = {
      {"office of 8: the 5th in the first column", 1, u"アイウエオカキク", u'オ', kKanaOfficeCentreX, -1,
       headerBottom},
      {"office of 8: the 6th starts the second column", 1, u"アイウエオカキク", u'カ',
       kKanaOfficeSecondCentreX, headerTop, headerBottom},
      {"office of 16: the long second column ends in its box", 1, u"アイウエオカキクケコサシスセソタ", u'タ',
       kKanaOfficeSecondCentreX, -1, headerBottom},
      {"number field on its own centre", 0, u"一五八", u'一', kKanaNumberCentreX, headerTop, headerBottom},
      {"address of 20 in one column ends in the address box", 4, u"アイウエオカキクケコサシスセソタチツテト",
       u'ト', kKanaAddressCentreX, -1, addressBottom},
  };
  for (const Row& row : rows) {
    SheetContent content;
    content.fields[row.field] = row.text;
    const DrawList list = SheetDrawList(kSheet, content);
    const std::vector<Placed> probe = Find(list, row.probe);
    ASSERT_EQ(probe.size(), 1u) << row.name;
    EXPECT_NEAR(probe[0].x, PictureX(row.centreX), 1) << row.name;
    if (row.topY >= 0) {
      EXPECT_EQ(probe[0].op->y, row.topY) << row.name;
    }
    for (char16_t c : row.text) {
      for (const Placed& placed : Find(list, c)) {
        EXPECT_LE(placed.op->y + placed.op->font.height, row.limitY + 2) << row.name;
      }
    }
  }
}

TEST_F(SheetRenderingTest, LongHeaderFieldWrapsIntoASecondColumnBeforeItBecomesUnreadable) {
  const int headerFont = SheetPictureRect(kSheet, false).height * kKanaHeaderFont / 1000;
  struct Row {
    const char* name;
    int field;
    int centreX;
    std::u16string text;
    size_t columns;
  } rows[] = {
      {"a 13-cell time field", 3, kKanaTimeCentreX, u"セ一〇、三〇、ア一二、三〇", 2},
      {"a 7-cell count only set closer", 2, kKanaCountCentreX, u"一二三四五六七", 1},
      {"a 3-cell number as it is", 0, kKanaNumberCentreX, u"一五八", 1},
  };
  for (const Row& row : rows) {
    SheetContent content;
    content.fields[row.field] = row.text;
    const DrawList list = SheetDrawList(kSheet, content);
    std::vector<int> columns;
    int smallest = 1 << 20;
    for (const DrawOp& op : list) {
      if (op.kind != DrawKind::kText || op.y < PictureY(kKanaHeaderTop) - 2) continue;
      if (std::find(columns.begin(), columns.end(), op.x) == columns.end()) columns.push_back(op.x);
      smallest = std::min(smallest, op.font.height);
      EXPECT_GE(op.x, PictureX(row.centreX - kKanaHeaderBoxHalfWidth) - 1) << row.name;
      EXPECT_LE(op.x + op.font.height * 85 / 100, PictureX(row.centreX + kKanaHeaderBoxHalfWidth) + 1)
          << row.name;
      EXPECT_LE(op.y + op.font.height, PictureY(kKanaHeaderBottom) + 2) << row.name;
    }
    EXPECT_EQ(columns.size(), row.columns) << row.name;
    EXPECT_GE(smallest * 100, headerFont * 60) << row.name << ": " << smallest << " of " << headerFont;
  }
}

TEST_F(SheetRenderingTest, ThreePartAddressFillsThreeColumnsEachEndingInATurnedBracket) {
  SheetContent content;
  content.fields[kAddress] = ExpandMorseText(u"ミヤギケン」センダイシ」タカハシ ミツコ」", Script::kKana);
  const DrawList list = SheetDrawList(kSheet, content);
  std::vector<Placed> brackets = Find(list, u'」');
  ASSERT_EQ(brackets.size(), 3u);
  const int columnPitch = SheetPictureRect(kSheet, false).height * kKanaAddressColumnPitch / 1000;
  for (size_t k = 0; k < brackets.size(); ++k) {
    EXPECT_EQ(brackets[k].op->kind, DrawKind::kRotatedText) << k;
    // Each bracket is the lowest character of its column.
    const int columnX = PictureX(kKanaAddressCentreX) - static_cast<int>(k) * columnPitch;
    for (const DrawOp& op : list) {
      if (op.kind == DrawKind::kText && std::abs(op.x + op.font.height / 2 - columnX) <= 2) {
        EXPECT_LT(op.y, brackets[k].y) << "column " << k;
      }
    }
  }
  EXPECT_TRUE(Find(list, u'ツ').size() == 1 && Find(list, u' ').empty());
}

TEST_F(SheetRenderingTest, LatinTextIsWordWrappedExceptInSendPractice) {
  // 26 words "ABCDEFG ": no word ends at a multiple of 52.
  std::u16string slice;
  for (int i = 0; i < 26; ++i) slice += u"ABCDEFG ";
  struct Row {
    const char* name;
    bool send;
    std::u16string lineStarts;
    bool lastWordShown;
  } rows[] = {
      {"word-wrapped in receive practice", false, u"AAAA", false},
      {"fixed 52-character lines in send practice", true, u"AEAE", true},
  };
  for (const Row& row : rows) {
    SheetContent content;
    content.latin = true;
    content.sendPractice = row.send;
    content.fields[kText] = slice;
    const DrawList list = SheetDrawList(kSheet, content);
    std::u16string starts;
    int lineY = -1;
    for (const DrawOp& op : list) {
      if (op.kind != DrawKind::kText || op.y <= lineY) continue;
      lineY = op.y;
      starts += op.character;
    }
    EXPECT_EQ(Utf8(starts), Utf8(row.lineStarts)) << row.name;
    const size_t drawn =
        std::count_if(list.begin(), list.end(), [](const DrawOp& op) { return op.kind == DrawKind::kText; });
    EXPECT_EQ(drawn == 26u * 7u, row.lastWordShown) << row.name << ": " << drawn;
  }
}

TEST_F(SheetRenderingTest, PicturePlacedByScriptZoomAndOffsets) {
  struct Row {
    const char* name;
    SheetView view;
    bool latin;
    PictureRect expected;
  } rows[] = {
      {"kana 1.6 times the fitting size, 135 up", {610, 650, 1.0, 0, 0}, false, {-63, -330, 736, 1040}},
      {"kana zoomed keeps the 135 shift", {610, 650, 2.0, 0, 0}, false, {-431, -850, 1472, 2080}},
      {"kana moved by the offsets", {610, 650, 1.0, 30, -10}, false, {-33, -340, 736, 1040}},
      {"Latin 1.02 times the fitting size, centred", {610, 650, 1.0, 0, 0}, true, {-6, 105, 622, 440}},
      {"offsets at the limits of the saved range",
       {610, 650, 1.0, INT32_MAX, INT32_MIN},
       false,
       {100'000'000, -100'000'000, 736, 1040}},
  };
  for (const Row& row : rows) {
    const PictureRect r = SheetPictureRect(row.view, row.latin);
    EXPECT_EQ(std::make_tuple(r.left, r.top, r.width, r.height),
              std::make_tuple(row.expected.left, row.expected.top, row.expected.width, row.expected.height))
        << row.name;
  }
  EXPECT_TRUE(SheetDrawList({0, 650, 1.0, 0, 0}, KanaModel(u"ア")).empty());
}

// At zoom 1 the kana form's header fields (from picture y 350) and the foot of its grid (y 910) are inside
// the sheet whatever size the window gives it; before, the fixed lift hid the header on laptop screens and
// cut the grid's last row in the full-sheet view.
TEST_F(SheetRenderingTest, KanaHeaderAndGridStayInTheSheetAtEveryWindowSize) {
  struct Row {
    const char* name;
    int width, height;
  } rows[] = {{"1024 x 768 screen", 406, 428},
              {"1366 x 768 screen", 541, 428},
              {"full-size layout", 610, 650},
              {"1920 x 1080 screen", 760, 609},
              {"full-sheet view, 1366 x 768", 665, 676},
              {"full-sheet view, 1920 x 1080", 935, 962},
              {"full-sheet view, 1280 x 1024", 623, 910},
              {"full-sheet view, 1024 x 768", 499, 676}};
  for (const Row& row : rows) {
    const PictureRect r = SheetPictureRect({row.width, row.height, 1.0, 0, 0}, false);
    EXPECT_GE(r.top + 350 * r.height / 1000, 0) << row.name;
    EXPECT_LE(r.top + 910 * r.height / 1000, row.height) << row.name;
    // The printed captions of the form, whole.
    for (const FormCaption& caption : kKanaSightCaptions) {
      EXPECT_GE(r.left + caption.left * r.width / kKanaFormWidth, 0) << row.name << " " << caption.text;
      EXPECT_LE(r.left + caption.right * r.width / kKanaFormWidth, row.width)
          << row.name << " " << caption.text;
      EXPECT_GE(r.top + caption.top * r.height / kKanaFormHeight, 0) << row.name << " " << caption.text;
      EXPECT_LE(r.top + caption.bottom * r.height / kKanaFormHeight, row.height)
          << row.name << " " << caption.text;
    }
  }
}

// The learner's sheet as the judge leaves it, with the hint when asked for.
DrawList LearnerSheet(bool hint) {
  SheetContent content;
  content.model = false;
  content.latin = LatinMode.load() != 0;
  const LearnerCopy copy = DisplayedWorkingCopy();
  content.fields = copy.entered;
  content.marks = copy.marks;
  content.shownPage = telegramDocument.shownPage;
  const NextCell next = NextExpectedCell();
  return SheetDrawList(kSheet,
                       hint ? WithNextHint(content, next.field, next.position, next.expected) : content);
}

SheetColour ColourOfFirst(const DrawList& list, char16_t c) {
  const std::vector<Placed> found = Find(list, c);
  return found.empty() ? kSheetWhite : found[0].op->colour;
}

TEST_F(SheetRenderingTest, WrongCellRedUntilOverwrittenByTheRightCharacter) {
  UseScript(Script::kKana, {MakeTelegram(u"一", u"ア", u"一", u"", u"イ」", u"ウエオ")});
  KeyText(u"一ア一イ」");
  KeyText(u"カ");
  EXPECT_EQ(ColourOfFirst(LearnerSheet(false), u'カ'), kSheetWrongRed);
  KeyText(u"ウ");
  const DrawList corrected = LearnerSheet(false);
  EXPECT_TRUE(Find(corrected, u'カ').empty());
  EXPECT_EQ(ColourOfFirst(corrected, u'ウ'), kSheetBlack);
}

TEST_F(SheetRenderingTest, HintShowsTheNextExpectedCharacterInGrey) {
  struct Row {
    const char* name;
    Script script;
    Telegram telegram;
    std::u16string keyed;
    char16_t hint;  // 0: no grey character
    int centreX;    // picture x of the hint's column, 0: not checked
  } rows[] = {
      {"first cell of the number field", Script::kKana,
       MakeTelegram(u"一五", u"ア", u"一", u"", u"イ」", u"ウエ"), u"", u'一', kKanaNumberCentreX},
      {"a completed field hands on to the next", Script::kKana,
       MakeTelegram(u"一五", u"アキ", u"一", u"", u"イ」", u"ウエ"), u"一五", u'ア', kKanaOfficeCentreX},
      {"text cell after the last keyed", Script::kKana,
       MakeTelegram(u"一", u"ア", u"一", u"", u"イ」", u"ウエ"), u"一ア一イ」ウ", u'エ', 0},
      {"a wrong cell keeps the learner's character", Script::kKana,
       MakeTelegram(u"一", u"ア", u"一", u"", u"イ」", u"ウエ"), u"一ア一イ」カ", 0, 0},
      {"a Latin blank is stepped over", Script::kLatin, MakeTelegram(u"1 AB", u"", u"", u"", u"", u""), u"1",
       u'A', 0},
  };
  for (const Row& row : rows) {
    UseScript(row.script, {row.telegram});
    KeyText(row.keyed);
    const DrawList list = LearnerSheet(true);
    std::vector<const DrawOp*> grey;
    for (const DrawOp& op : list) {
      if (op.colour == kSheetHintGrey && op.kind == DrawKind::kText) grey.push_back(&op);
    }
    if (row.hint == 0) {
      EXPECT_TRUE(grey.empty()) << row.name;
      continue;
    }
    ASSERT_EQ(grey.size(), 1u) << row.name;
    EXPECT_EQ(grey[0]->character, row.hint) << row.name;
    if (row.centreX) {
      EXPECT_NEAR(grey[0]->x + grey[0]->font.height / 2, PictureX(row.centreX), 1) << row.name;
    }
    EXPECT_TRUE(Find(LearnerSheet(false), row.hint).size() < Find(list, row.hint).size()) << row.name;
  }
}

}  // namespace
