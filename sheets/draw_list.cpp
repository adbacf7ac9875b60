// SPDX-License-Identifier: GPL-3.0-or-later
#include "sheets/draw_list.h"

#include <algorithm>

namespace {

TextExtent FixedExtent(const SheetFont& font, char16_t c) {
  return {c < 0x80 ? font.height / 2 : font.height, font.height};
}

int FixedAverageWidth(const SheetFont& font) {
  return font.height / 2;
}

TextMeasurer installedMeasurer;

}  // namespace

void InstallTextMeasurer(const TextMeasurer& measurer) {
  installedMeasurer = measurer;
}

TextExtent MeasureCharacter(const SheetFont& font, char16_t c) {
  return installedMeasurer.characterExtent ? installedMeasurer.characterExtent(font, c)
                                           : FixedExtent(font, c);
}

InkBox MeasureInk(const SheetFont& font, char16_t c) {
  if (installedMeasurer.inkBox) return installedMeasurer.inkBox(font, c);
  const TextExtent extent = MeasureCharacter(font, c);
  return {0, 0, extent.width, extent.height};
}

int AverageCharWidth(const SheetFont& font) {
  int width =
      installedMeasurer.averageCharWidth ? installedMeasurer.averageCharWidth(font) : FixedAverageWidth(font);
  return std::max(1, width);
}
