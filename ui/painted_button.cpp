// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/painted_button.h"

#include <QPainter>
#include <algorithm>

PaintedButton::PaintedButton(const QString& caption, QColor colour, QWidget* parent)
    : QPushButton(caption, parent), colour_(colour) {
  setAccessibleName(caption);
  setFlat(true);
}

void PaintedButton::SetSelected(bool selected) {
  selected_ = selected;
  update();
}

void PaintedButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QColor fill = colour_;
  if (isDown()) {
    fill =
        QColor(std::max(0, fill.red() - 28), std::max(0, fill.green() - 28), std::max(0, fill.blue() - 28));
  }
  p.fillRect(rect(), fill);
  p.setPen(Qt::white);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (selected_) {
    p.drawRect(rect().adjusted(3, 3, -4, -4));
    p.drawRect(rect().adjusted(5, 5, -6, -6));
  }
  p.setFont(font());
  p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}
