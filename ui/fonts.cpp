// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/fonts.h"

#include <QApplication>
#include <QStringList>
#include <algorithm>

QFont MakeFont(FontRole role, int pixelHeight, bool bold) {
  QStringList families;
  switch (role) {
    case FontRole::kGothic:
      families = {"MS Gothic", "Noto Sans Mono CJK JP", "Noto Sans CJK JP"};
      break;
    case FontRole::kMeiryo:
      families = {"Meiryo UI", "Noto Sans CJK JP"};
      break;
    case FontRole::kBrush:
      families = {"HGP行書体", "AoyagiKouzanFontT", "Noto Serif CJK JP", "Noto Sans CJK JP"};
      break;
  }
  QFont font;
  font.setFamilies(families);
  // Heights are given as the whole character cell, as the forms were designed; the em is about 85 % of it.
  font.setPixelSize(std::max(1, pixelHeight * 85 / 100));
  font.setBold(bold);
  return font;
}

QFont InterfaceFont() {
  QFont font = QApplication::font();
  font.setFamilies({"Meiryo UI", "Noto Sans CJK JP"});
  return font;
}

void UseInterfaceFontForDialogs() {
  QApplication::setFont(InterfaceFont());
}
