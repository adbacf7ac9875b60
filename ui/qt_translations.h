// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own dialog texts (the file dialog's buttons, columns and places) in Japanese, like everything else
// the program says.
#pragma once

// Loads Qt's Japanese catalogue (qtbase_ja.qm from Debian's qt6-translations-l10n) into the application.
// False when it is not installed: the dialogs then keep Qt's English texts.
bool InstallQtTranslations();
