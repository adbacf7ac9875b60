// SPDX-License-Identifier: GPL-3.0-or-later
// Where things sit on the two empty telegram forms. The sheet painters write into these places, and the
// picture generator (tools/draw_forms.cpp) rules its boxes on them, so text and paper always agree.
#pragma once

// ---- Kana form: portrait picture, coordinates in its 708 x 1000 pixels -----------------------------------
constexpr int kKanaFormWidth = 708;
constexpr int kKanaFormHeight = 1000;

// Text grid, 6 columns x 10 rows, written top to bottom and right to left: column 0 is the rightmost and
// runs from kKanaColumnEdges[1] to kKanaColumnEdges[0].
constexpr int kKanaGridColumns = 6;
constexpr int kKanaGridRows = 10;
constexpr int kKanaColumnEdges[kKanaGridColumns + 1] = {433, 391, 348, 305, 262, 219, 176};
constexpr int kKanaRowEdges[kKanaGridRows + 1] = {482, 525, 568, 611, 653, 696, 739, 782, 825, 867, 910};

// Header fields: vertical columns starting at one height, each on its own centre line.
constexpr int kKanaHeaderTop = 350;
constexpr int kKanaHeaderBottom = 482;  // the header boxes close on the grid's top rule
constexpr int kKanaNumberCentreX = 529;
constexpr int kKanaOfficeCentreX = 490;        // first five characters
constexpr int kKanaOfficeSecondCentreX = 460;  // the sixth character on
constexpr int kKanaOfficeFirstColumn = 5;
constexpr int kKanaCountCentreX = 400;
constexpr int kKanaTimeCentreX = 357;
// Half the width of the number, count and time boxes: room for a field wrapped into two columns.
constexpr int kKanaHeaderBoxHalfWidth = 20;

// Address: up to four columns right of the grid, the first on kKanaAddressCentreX and each further one a
// column pitch (36 thousandths of the drawn height) to the left.
constexpr int kKanaAddressCentreX = 560;
constexpr int kKanaAddressTop = 510;
constexpr int kKanaAddressBottom = 908;
constexpr int kKanaAddressColumns = 4;

// Font sizes and pitches in thousandths of the drawn picture height.
constexpr int kKanaGridFont = 38;
constexpr int kKanaHeaderFont = 27;
constexpr int kKanaHeaderPitch = 22;
constexpr int kKanaAddressFont = 35;
constexpr int kKanaAddressPitch = 28;
constexpr int kKanaAddressColumnPitch = 36;

// The printed captions that must stay in sight. At zoom 1 a kana sheet shows the part of the picture that
// the scale and lift of the sheet painter leave in the control; over every shape the window can take (sheets
// from wide to taller than the form) the part always shown is x 133..575, y 318..941. Captions outside it
// would be cut at some window size, so the form prints these inside it.
struct FormCaption {
  const char* text;
  int left, top, right, bottom;  // the caption's printed box
};
constexpr int kKanaSightLeft = 133, kKanaSightTop = 318, kKanaSightRight = 575, kKanaSightBottom = 941;
constexpr int kKanaCaptionTop = 320;  // the header boxes' caption strip
constexpr FormCaption kKanaSightCaptions[] = {
    {"記事", 140, kKanaCaptionTop, 216, 344},
    {"受付", 216, kKanaCaptionTop, 276, 344},
    {"取扱者", 276, kKanaCaptionTop, 336, 344},
    {"時刻", 337, kKanaCaptionTop, 378, 344},
    {"字数", 380, kKanaCaptionTop, 421, 344},
    {"発信局", 441, kKanaCaptionTop, 509, 344},
    {"番号", 509, kKanaCaptionTop, 549, 344},
    {"宛先（住所氏名）", 436, 484, 575, 506},
    {"料金", 137, 484, 175, 506},
    {"照合", 137, 622, 175, 644},
    {"本文は右の列から縦に一字ずつ。濁点・半濁点も一字に数えます。", 140, 927, 568, 941},
};

// ---- Latin form: landscape picture 1458 x 1032, places as fractions of its size ---------------------------
constexpr int kLatinFormWidth = 1458;
constexpr int kLatinFormHeight = 1032;
constexpr double kLatinMargin = 0.12;  // of the width: left edge of every line
constexpr double kLatinPreambleY = 0.25;
constexpr double kLatinAddressY = 0.388;
constexpr double kLatinTextY = 0.525;  // first of the four text lines
constexpr double kLatinTextLineStep = 0.068;
constexpr double kLatinFont = 0.038;
constexpr int kLatinTextLines = 4;
constexpr int kLatinLineLength = 52;
