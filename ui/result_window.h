// SPDX-License-Identifier: GPL-3.0-or-later
// The per-telegram result window "電報受信結果", opened from the event thread at the end of a telegram.
#pragma once
#include <QDialog>

#include "practice/scoring.h"

class ResultWindow : public QDialog {
  Q_OBJECT
 public:
  ResultWindow(const TelegramResultSnapshot& result, QWidget* owner);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TelegramResultSnapshot result_;
  class QPushButton* button_;
};

// The hook for ShowTelegramResult: runs the window on the window thread until it is closed; the calling
// thread waits. The main window takes no input meanwhile, but closing it still works and closes this window.
void ShowResultWindowModal(const TelegramResultSnapshot& result);
// Closes the result window if one is open (the main window's close).
void CloseOpenResultWindow();
