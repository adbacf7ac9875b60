// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/result_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QThread>

#include "ui/cross_thread_call.h"
#include "ui/fonts.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace {

QColor ToColor(const ResultColour& c) {
  return QColor(c.red, c.green, c.blue);
}

// A push button drawn in the accuracy colour, darker while pressed, with a white caption and frame.
class ResultButton : public QPushButton {
 public:
  ResultButton(const QString& caption, QColor colour, QWidget* parent)
      : QPushButton(caption, parent), colour_(colour) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QColor fill = colour_;
    if (isDown())
      fill =
          QColor(std::max(0, fill.red() - 25), std::max(0, fill.green() - 25), std::max(0, fill.blue() - 25));
    p.fillRect(rect(), fill);
    p.setPen(Qt::white);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text());
  }

 private:
  QColor colour_;
};

void DrawCentred(QPainter& p, const QRect& box, const QString& text, const QFont& font,
                 const QColor& colour) {
  // A text wider than its box ("100%" in the circle) is set smaller rather than cut.
  QFont fitted = font;
  const int width = QFontMetrics(fitted).horizontalAdvance(text);
  if (width > box.width()) fitted.setPixelSize(std::max(1, fitted.pixelSize() * box.width() / width));
  p.setFont(fitted);
  p.setPen(colour);
  p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
}

}  // namespace

ResultWindow::ResultWindow(const TelegramResultSnapshot& result, QWidget* owner)
    : QDialog(owner), result_(result) {
  setWindowTitle(QStringLiteral("電報受信結果"));
  setObjectName(QStringLiteral("TelegramOneResultColorWindow"));
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  resize(880, 630);
  button_ = new ResultButton(ToQString(result.buttonCaption), ToColor(result.colour), this);
  button_->setObjectName(QStringLiteral("20501"));
  button_->setFont(MakeFont(FontRole::kMeiryo, 27, true));
  button_->setGeometry(285, 500, 290, 58);
  connect(button_, &QPushButton::clicked, this, &QDialog::accept);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

void ResultWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  button_->move((width() - 290) / 2, height() - 76);
}

void ResultWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  QColor accent = ToColor(result_.colour);
  p.fillRect(rect(), QColor(241, 246, 252));
  p.fillRect(QRect(0, 0, width(), 108), accent);
  DrawCentred(p, QRect(18, 0, width() - 36, 108), ToQString(result_.title),
              MakeFont(FontRole::kMeiryo, 44, true), Qt::white);

  QFont large = MakeFont(FontRole::kMeiryo, 82, true);
  QFont small = MakeFont(FontRole::kMeiryo, 24, true);
  QFont line = MakeFont(FontRole::kMeiryo, 25, true);
  p.fillRect(QRect(QPoint(26, 126), QPoint(259, 325)), Qt::white);
  p.setBrush(accent);
  p.setPen(QPen(accent, 3));
  // The circle stands above its caption inside the white box; the figure keeps clear of the circle's edge.
  const QRect circle(QPoint(72, 136), QPoint(212, 276));
  p.drawEllipse(circle);
  p.setBrush(Qt::NoBrush);
  DrawCentred(p, circle.adjusted(14, 0, -14, 0), QString("%1%").arg(result_.accuracy), large, Qt::white);
  DrawCentred(p, QRect(QPoint(32, 283), QPoint(253, 318)), QStringLiteral("正答率"), small, accent);

  p.fillRect(QRect(QPoint(278, 126), QPoint(833, 325)), Qt::white);
  DrawCentred(p, QRect(QPoint(292, 140), QPoint(819, 217)),
              QStringLiteral("評価  ") + ToQString(result_.grade), large, accent);
  DrawCentred(p, QRect(QPoint(292, 220), QPoint(819, 274)),
              QStringLiteral("得点  %1 / %2　　減点  %3")
                  .arg(result_.points)
                  .arg(result_.maxPoints)
                  .arg(result_.deductions),
              line, QColor(40, 55, 75));
  DrawCentred(p, QRect(QPoint(292, 274), QPoint(819, 315)), ToQString(result_.comment), line, accent);

  struct Tile {
    int left, right;
    QColor colour;
    const char* label;
    int value;
  } tiles[] = {
      {26, 220, QColor(45, 125, 215), "入力文字数", result_.judged},
      {230, 424, QColor(0, 165, 105), "正解", result_.correct},
      {434, 628, QColor(220, 65, 75), "誤答", result_.wrong},
      {638, 834, QColor(235, 135, 20), "減点", result_.deductions},
  };
  QFont tileValue = MakeFont(FontRole::kMeiryo, 38, true);
  for (const Tile& tile : tiles) {
    QRect box(QPoint(tile.left, 350), QPoint(tile.right - 1, 473));
    p.fillRect(box, tile.colour);
    DrawCentred(p, QRect(tile.left, 362, tile.right - tile.left, 34), QString::fromUtf8(tile.label), small,
                Qt::white);
    DrawCentred(p, QRect(tile.left, 398, tile.right - tile.left, 474 - 8 - 398), QString::number(tile.value),
                tileValue, Qt::white);
  }
}

namespace {
QPointer<ResultWindow> openResultWindow;  // window thread
}  // namespace

void ShowResultWindowModal(const TelegramResultSnapshot& result) {
  auto show = [&result]() {
    // Not a modal dialog: a window blocked by one ignores its close button, so closing the program while a
    // result was up did nothing (the run went on and the settings were not saved). The main window is
    // disabled instead, which keeps its controls away from the learner but lets its close through.
    QPointer<MainWindow> main = TheMainWindow();
    ResultWindow window(result, nullptr);
    QEventLoop loop;
    QObject::connect(&window, &QDialog::finished, &loop, &QEventLoop::quit);
    if (main) main->setEnabled(false);
    openResultWindow = &window;
    window.show();
    window.activateWindow();
    loop.exec();
    openResultWindow = nullptr;
    if (main) {
      main->setEnabled(true);
      main->activateWindow();
    }
  };
  RunOnWindowThreadAndWait(show);
}

void CloseOpenResultWindow() {
  if (ResultWindow* window = openResultWindow.data()) window->reject();
}
