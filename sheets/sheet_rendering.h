// SPDX-License-Identifier: GPL-3.0-or-later
// The two telegram sheets as draw lists: the model ("お手本", control 1100) and the learner's copy
// ("ユーザー入力", control 1101). A sheet is an empty form picture scaled into the control, with the
// telegram's fields written onto it: kana vertically into the grid and header boxes, Latin on lines.
//
// Pure: everything a paint reads (document, copy, page, script, view) comes in as values, so the window
// thread fills a SheetContent and executes the list, and tests check the lists without any window.
#pragma once
#include <array>
#include <string>

#include "sheets/draw_list.h"

// Marks hold u'1' (right) and u'0' (wrong) as the judge writes them; the learner's sheet adds kHintMark for
// the next expected character, drawn in light grey.
constexpr char16_t kHintMark = u'h';
// Typed input that is not a cell yet (romaji letters, an input method's composition), drawn in blue.
constexpr char16_t kPendingMark = u'p';

struct SheetView {
  int clientWidth = 0;
  int clientHeight = 0;
  double zoom = 1.0;  // 0.1 .. 5.0
  int offsetX = 0;    // pixels added to the centred position
  int offsetY = 0;
};

struct SheetContent {
  bool model = true;
  bool latin = false;
  bool sendPractice = false;  // 送信 selected: Latin text in fixed 52-character lines
  int shownPage = 0;
  std::array<std::u16string, 6> fields;  // model: the telegram (kana expanded); learner: the entered copy
  std::array<std::u16string, 6> marks;   // learner only
};

struct PictureRect {
  int left = 0, top = 0, width = 0, height = 0;
};

// Where the form picture is drawn: the largest size that fits, times the zoom and the script's factor
// (1.02 Latin, 1.6 kana), centred plus the offsets; a kana form sits further up, 135 pixels on the
// 610 x 650 sheet of the full-size layout and in proportion to the fitting size on others.
PictureRect SheetPictureRect(const SheetView& view, bool latin);
// The page of a text the sheets show: pageSize characters from shownPage x pageSize, or empty.
std::u16string PageSlice(const std::u16string& text, int shownPage, int pageSize);
// The learner's copy with the next expected character put in at its place (field 0..5, position in the
// field's cells) and marked kHintMark. A cell already entered keeps what the learner keyed.
SheetContent WithNextHint(SheetContent content, int field, int position, char16_t expected);
// The learner's copy with pending typed input put in from the input position on, marked kPendingMark.
SheetContent WithPendingInput(SheetContent content, int field, int position, std::u16string_view pending);

// The whole paint of one sheet: white, the picture, the form's text. Empty for a control without area.
DrawList SheetDrawList(const SheetView& view, const SheetContent& content);

// ---- The form painters and their drawing steps (appending to a list) -------------------------------------
void DrawKanaForm(DrawList& list, const PictureRect& picture, const SheetContent& content);
void DrawLatinForm(DrawList& list, const PictureRect& picture, const SheetContent& content);
// One vertical column: the n-th character's top at top + n x pitch, centred on x; brackets turned, ー a bar.
void DrawVerticalText(DrawList& list, const SheetFont& font, int pitch, std::u16string_view text,
                      std::u16string_view marks, int x, int top);
// One line from (x, y), one average character width per character; blanks and tabs only take their step.
void DrawHorizontalText(DrawList& list, const SheetFont& font, std::u16string_view text, int x, int y,
                        std::u16string_view marks, bool model);
void DrawRotatedChar(DrawList& list, int fontHeight, char16_t c, int x, int y, SheetColour colour);
// The long-vowel mark standing upright: pen max(2, size/8), length max(8, 7 x size/10), centred on (x, y).
void DrawVerticalBar(DrawList& list, int size, int x, int y, SheetColour colour);
bool IsRotatedBracket(char16_t c);  // ( ) （ ） 」
// Black for a right or missing mark, light grey for the hint, blue for pending input, red for the rest.
SheetColour MarkColour(std::u16string_view marks, size_t index);

// ---- Text cutting (shared with tests) --------------------------------------------------------------------
struct TextPiece {
  size_t start = 0;
  size_t length = 0;
};
// Kana address: a column ends after every 」; at most four columns, a remainder without 」 last.
std::vector<TextPiece> CutAddressColumns(std::u16string_view address);
// Latin text page: four word-wrapped lines of at most 52, or fixed 52-character pieces in send practice.
std::vector<TextPiece> CutLatinLines(std::u16string_view slice, bool fixedLines);
