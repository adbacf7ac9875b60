// SPDX-License-Identifier: GPL-3.0-or-later
// Draw operations of the telegram sheets: the plain C++ painters compute a list of these, and the window
// only executes it. The one thing the geometry must ask the drawing side is how large a character is set in
// a font (to centre it in a cell, or to step along a line): the window installs a measurer for that.
//
// Thread: the window thread (painting); tests call everything from their own thread.
#pragma once
#include <cstdint>
#include <vector>

struct SheetColour {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const SheetColour&) const = default;
};
constexpr SheetColour kSheetBlack{0, 0, 0};
constexpr SheetColour kSheetWhite{255, 255, 255};
constexpr SheetColour kSheetWrongRed{220, 0, 0};
constexpr SheetColour kSheetHintGrey{185, 185, 185};
constexpr SheetColour kSheetPendingBlue{40, 90, 200};

// The two faces of the forms: the brush face of kana telegrams ("HGP行書体") and the fixed-pitch gothic of
// Latin telegrams ("MS Gothic"). The window maps them onto installed families.
enum class SheetFace { kBrush, kGothic };

struct SheetFont {
  SheetFace face = SheetFace::kBrush;
  int height = 0;  // whole character cell (ascent + descent) in pixels
  bool bold = true;
  bool operator==(const SheetFont&) const = default;
};

enum class DrawKind {
  kFillWhite,    // rectangle (x, y, width, height) in white
  kPicture,      // form picture `picture` stretched into (x, y, width, height)
  kText,         // `character` upright with the top-left of its cell at (x, y)
  kRotatedText,  // `character` turned a quarter clockwise, baseline centre at (x, y)
  kBar,          // vertical line centred on (x, y): pen `width`, length `height`
};

struct DrawOp {
  DrawKind kind = DrawKind::kText;
  int x = 0, y = 0;
  int width = 0, height = 0;
  SheetColour colour;
  SheetFont font;
  char16_t character = 0;
  int picture = 0;  // resource id of a kPicture
};
using DrawList = std::vector<DrawOp>;

// ---- Measuring -------------------------------------------------------------------------------------------
struct TextExtent {
  int width = 0;
  int height = 0;
};
// Where a character's ink lies, from the top-left of its cell as a kText op places it.
struct InkBox {
  int x = 0, y = 0, width = 0, height = 0;
};
struct TextMeasurer {
  TextExtent (*characterExtent)(const SheetFont& font, char16_t c) = nullptr;
  int (*averageCharWidth)(const SheetFont& font) = nullptr;  // the step of a fixed-pitch Latin line
  InkBox (*inkBox)(const SheetFont& font, char16_t c) = nullptr;
};
// Without an installed measurer a fixed one answers: ASCII half the font height wide, anything else square,
// the ink filling the cell.
void InstallTextMeasurer(const TextMeasurer& measurer);
TextExtent MeasureCharacter(const SheetFont& font, char16_t c);
InkBox MeasureInk(const SheetFont& font, char16_t c);
int AverageCharWidth(const SheetFont& font);  // at least 1
