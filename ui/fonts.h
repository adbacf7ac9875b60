// SPDX-License-Identifier: GPL-3.0-or-later
// Font families by the names the forms were designed for, with the Debian substitutes behind them.
#pragma once
#include <QFont>

enum class FontRole { kGothic, kMeiryo, kBrush };  // "MS Gothic", "Meiryo UI", "HGP行書体"
QFont MakeFont(FontRole role, int pixelHeight, bool bold);
// The face of every dialog and message box: the interface gothic at the application's size. Kanji then
// never fall back to the brush face, which belongs to the telegram sheets alone.
QFont InterfaceFont();
void UseInterfaceFontForDialogs();
