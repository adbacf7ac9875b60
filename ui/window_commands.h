// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window does: initialisation, the command table, slider moves and closing.
// Plain C++ on the window thread; the Qt view calls these after writing the user's action into the table.
#pragma once

void InitializeMainWindow();
// A click on a button, check box or radio button, or a selection change of a combo box.
void HandleCommand(int id);
void HandleSliderMove(int id);
// Button 1121: the normal view or the full-sheet view, laid out again and both sheets repainted.
void ToggleSheetFullScreen();
// The close message: stops practice, gives up the key sources and saves the settings.
void CloseMainWindow();

// The full-sheet view flag, toggled by 用紙全画面; the view lays itself out from it.
extern bool sheetFullScreen;
