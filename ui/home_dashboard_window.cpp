// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/home_dashboard_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "records/home_dashboard.h"
#include "ui/fonts.h"
#include "ui/painted_button.h"
#include "ui/qt_text.h"

namespace {

const QColor kHeaderColour(35, 115, 210);
const QColor kAccentColour(0, 165, 105);

// Lines are set 19 pixels apart, the font's full cell, as the panel was laid out for: with the wider
// default spacing the recommendations would fall off the panel's end. A line wider than the box wraps.
void DrawLines(QPainter& p, const QRect& box, const QString& text) {
  constexpr int kLinePitch = 19;
  const QFontMetrics metrics(p.font());
  int y = box.top();
  for (const QString& line : text.split(QStringLiteral("\r\n"))) {
    const QRect needed = metrics.boundingRect(QRect(0, 0, box.width(), 10000), Qt::TextWordWrap, line);
    const int rows = std::max(1, (needed.height() + metrics.lineSpacing() / 2) / metrics.lineSpacing());
    if (y + kLinePitch * rows > box.bottom() + 1) break;
    p.drawText(QRect(box.left(), y, box.width(), metrics.lineSpacing() * rows),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, line);
    y += kLinePitch * rows;
  }
}

}  // namespace

HomeDashboardWindow::HomeDashboardWindow(const std::u16string& text, QWidget* parent)
    : QDialog(parent), text_(text) {
  setWindowTitle(ToQString(kDashboardTitle));
  setObjectName(QStringLiteral("TelegramColorInfoWindow"));
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  setModal(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(880, 720);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - 880) / 2, area.top() + (area.height() - 720) / 2);
  }
  close_ = new PaintedButton(QStringLiteral("閉じる"), kHeaderColour, this);
  close_->setObjectName(QStringLiteral("20610"));
  close_->setFont(MakeFont(FontRole::kMeiryo, 25, true));
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
}

void HomeDashboardWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  close_->setGeometry((width() - 280) / 2, height() - 76, 280, 58);
}

void HomeDashboardWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width();
  const int h = height();
  p.fillRect(rect(), QColor(240, 248, 253));
  p.fillRect(QRect(0, 0, w, 105), kHeaderColour);
  p.setPen(Qt::white);
  p.setFont(MakeFont(FontRole::kMeiryo, 42, true));
  p.drawText(QRect(24, 0, w - 48, 105), Qt::AlignCenter | Qt::TextSingleLine, ToQString(kDashboardTitle));
  const struct {
    int left, right;
    QColor colour;
  } chips[] = {{24, 214, kHeaderColour},
               {224, 414, kAccentColour},
               {424, 614, QColor(235, 135, 20)},
               {624, 814, QColor(185, 75, 155)}};
  for (const auto& chip : chips)
    p.fillRect(QRect(QPoint(chip.left, 122), QPoint(chip.right - 1, 139)), chip.colour);
  p.setPen(kHeaderColour);
  p.setFont(MakeFont(FontRole::kMeiryo, 24, true));
  p.drawText(QRect(QPoint(32, 145), QPoint(w - 33, 187)), Qt::AlignCenter | Qt::TextSingleLine,
             ToQString(kDashboardSubtitle));
  const QRect panel(QPoint(24, 196), QPoint(w - 25, h - 97));
  p.fillRect(panel, Qt::white);
  p.fillRect(QRect(panel.left(), panel.top(), 12, panel.height()), kAccentColour);
  p.setPen(QColor(35, 50, 70));
  const QFont body = MakeFont(FontRole::kMeiryo, 19, true);
  p.setFont(body);
  DrawLines(
      p, QRect(QPoint(panel.left() + 30, panel.top() + 18), QPoint(panel.right() - 22, panel.bottom() - 16)),
      ToQString(text_));
}

void OpenHomeDashboard(QWidget* parent) {
  HomeDashboardWindow window(BuildDashboardText(GatherDashboardFigures()), parent);
  window.exec();
  if (parent) parent->activateWindow();
}
