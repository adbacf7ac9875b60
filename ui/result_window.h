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

// The hook for ShowTelegramResult: runs the window modally on the window thread; the calling thread waits.
void ShowResultWindowModal(const TelegramResultSnapshot& result);
