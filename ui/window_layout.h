// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls and where they sit, in a design space of 1540 x 1120 units.
// Plain C++: the Qt view creates and places widgets from this table, and tests check it without Qt.
#pragma once
#include <string>
#include <vector>

enum class ControlKind { kButton, kCheckBox, kRadio, kCombo, kSlider, kLabel, kSheet };

struct DesignRect {
  int x, y, w, h;
};

enum class FontGroup { kNone, kStandard, kLarge };

struct ControlDefinition {
  int id;
  ControlKind kind;
  std::u16string caption;
  DesignRect normal;  // place in the normal view
  FontGroup font;     // font given at initialisation
  bool radioGroupStart = false;
};

const std::vector<ControlDefinition>& MainWindowControls();
const ControlDefinition* FindControlDefinition(int id);

// Scale percent of the fonts: min(W x 100 / 1540, H x 100 / 1120), rounded, limited to 50..130.
int ScalePercent(int clientWidth, int clientHeight);
// A design rectangle in client pixels: each edge by a rounded multiply-divide.
DesignRect PlaceRect(const DesignRect& design, int clientWidth, int clientHeight);
// The full-sheet view shows only these controls, at these places.
bool FullSheetPlace(int id, DesignRect& place);
int StandardFontHeight(int scalePercent);  // max(10, scale x 20 / 100)
int LargeFontHeight(int scalePercent);     // max(10, scale x 28 / 100)
