// Button 4 "電報読込": the open-file dialog for telegram files, then loading the chosen file.
#pragma once

// Shows the dialog over the main window; a chosen file is loaded (labels and sheets refreshed) or the load
// message is shown. Cancel does nothing.
void ChooseTelegramFile();
