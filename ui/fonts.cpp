#include "ui/fonts.h"

#include <QStringList>

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
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}
