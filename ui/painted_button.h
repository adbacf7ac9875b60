// SPDX-License-Identifier: GPL-3.0-or-later
// The flat buttons of the statistics window and the dashboard: a solid colour (darker by 28 while pressed),
// a white caption on one line and a white one-pixel frame; a selected button gets two more frames inside.
#pragma once
#include <QColor>
#include <QPushButton>

class PaintedButton : public QPushButton {
 public:
  PaintedButton(const QString& caption, QColor colour, QWidget* parent);
  void SetSelected(bool selected);
  bool Selected() const { return selected_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
  bool selected_ = false;
};
