// SPDX-License-Identifier: GPL-3.0-or-later
// Button 4 "電報読込": the open-file dialog for telegram files, then loading the chosen file.
#pragma once
#include <string>

// Shows the dialog (titled for the current script) over the main window; a chosen file is loaded (labels
// and sheets refreshed, the message line says how many telegrams came from which file) or the load message
// is shown. Cancel does nothing.
void ChooseTelegramFile();
// Loads a telegram file as the dialog does, message line included; false after the failure message box.
bool OpenTelegramFileAndSay(const std::string& path);
