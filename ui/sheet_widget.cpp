#include "ui/sheet_widget.h"

#include <QPainter>

#include "content/telegram_document.h"
#include "core/settings.h"
#include "ui/fonts.h"
#include "ui/qt_text.h"

namespace {

const QColor kPaper(250, 246, 232);
const QColor kRule(196, 120, 96);
const QColor kInk(20, 20, 20);
const QColor kWrong(220, 0, 0);
const QColor kHint(190, 190, 190);

struct SheetText {
  std::array<std::u16string, 6> fields;
  std::array<std::u16string, 6> marks;
};

SheetText CurrentSheetText(bool model) {
  SheetText sheet;
  if (model) {
    Telegram telegram = TelegramAt(CurrentIndex());
    for (int k = 0; k < 6; ++k) {
      sheet.fields[k] =
          LatinMode.load() ? telegram.fields[k] : ExpandMorseText(telegram.fields[k], Script::kKana);
    }
  } else {
    LearnerCopy copy = DisplayedWorkingCopy();
    sheet.fields = copy.entered;
    sheet.marks = copy.marks;
  }
  return sheet;
}

std::u16string Slice(const std::u16string& text) {
  size_t start = static_cast<size_t>(telegramDocument.shownPage) * static_cast<size_t>(pageSize());
  return start < text.size() ? text.substr(start, static_cast<size_t>(pageSize())) : std::u16string();
}

QColor InkOf(const std::u16string& marks, size_t index) {
  return index < marks.size() && marks[index] == u'0' ? kWrong : kInk;
}

// Kana: a header band of the five header fields, then 6 columns x 10 cells written top to bottom, right to
// left, as on a telegram form.
void PaintKana(QPainter& p, const QRect& paper, const SheetText& sheet, bool model) {
  int headerHeight = paper.height() / 5;
  QRect header(paper.left(), paper.top(), paper.width(), headerHeight);
  p.setPen(QPen(kRule, 2));
  p.drawRect(header);
  p.setFont(MakeFont(FontRole::kBrush, std::max(10, headerHeight / 6), false));
  static const char16_t* kHeaderNames[] = {u"番号", u"発信局", u"字数", u"時刻", u"宛先"};
  int lineHeight = headerHeight / 5;
  for (int k = 0; k < 5; ++k) {
    QRect line(header.left() + 8, header.top() + k * lineHeight, header.width() - 16, lineHeight);
    p.setPen(kRule);
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, ToQString(kHeaderNames[k]));
    int x = line.left() + line.width() / 5;
    for (size_t i = 0; i < sheet.fields[k].size(); ++i) {
      p.setPen(model ? kInk : InkOf(sheet.marks[k], i));
      QRect cell(x, line.top(), lineHeight, lineHeight);
      p.drawText(cell, Qt::AlignCenter, ToQString(std::u16string(1, sheet.fields[k][i])));
      x += lineHeight;
    }
  }
  QRect grid(paper.left(), header.bottom() + 6, paper.width(), paper.bottom() - header.bottom() - 6);
  int cellW = grid.width() / 6, cellH = grid.height() / 10;
  std::u16string text = Slice(sheet.fields[5]);
  std::u16string marks = Slice(sheet.marks[5]);
  p.setFont(MakeFont(FontRole::kBrush, std::max(10, std::min(cellW, cellH) * 7 / 10), false));
  for (int k = 0; k < 60; ++k) {
    QRect cell(grid.right() - (k / 10 + 1) * cellW, grid.top() + (k % 10) * cellH, cellW, cellH);
    p.setPen(QPen(kRule, 1));
    p.drawRect(cell);
    if (static_cast<size_t>(k) < text.size()) {
      p.setPen(model ? kInk : InkOf(marks, k));
      p.drawText(cell, Qt::AlignCenter, ToQString(std::u16string(1, text[k])));
    }
  }
}

// Latin: the preamble, the address and the text on ruled lines, in a fixed-pitch face.
void PaintLatin(QPainter& p, const QRect& paper, const SheetText& sheet, bool model) {
  int lineHeight = std::max(12, paper.height() / 22);
  QFont font = MakeFont(FontRole::kGothic, lineHeight * 6 / 10, true);
  p.setFont(font);
  int charWidth = std::max(1, QFontMetrics(font).horizontalAdvance(QLatin1Char('M')));
  int perLine = std::max(1, (paper.width() - 16) / charWidth);
  int y = paper.top() + lineHeight;
  auto drawLine = [&](const std::u16string& text, const std::u16string& marks, size_t offset) {
    p.setPen(QPen(kRule, 1));
    p.drawLine(paper.left() + 4, y + lineHeight - 2, paper.right() - 4, y + lineHeight - 2);
    for (size_t i = 0; i < text.size(); ++i) {
      p.setPen(model ? kInk : InkOf(marks, offset + i));
      p.drawText(QRect(paper.left() + 8 + static_cast<int>(i) * charWidth, y, charWidth, lineHeight),
                 Qt::AlignCenter, ToQString(std::u16string(1, text[i])));
    }
    y += lineHeight;
  };
  drawLine(sheet.fields[0], sheet.marks[0], 0);
  drawLine(sheet.fields[4], sheet.marks[4], 0);
  y += lineHeight / 2;
  std::u16string text = Slice(sheet.fields[5]);
  std::u16string marks = Slice(sheet.marks[5]);
  for (size_t start = 0; start < text.size() || start == 0; start += static_cast<size_t>(perLine)) {
    drawLine(text.substr(start, static_cast<size_t>(perLine)),
             marks.size() > start ? marks.substr(start) : std::u16string(), 0);
    if (y + lineHeight > paper.bottom()) break;
  }
}

}  // namespace

SheetWidget::SheetWidget(bool model, QWidget* parent) : QWidget(parent), model_(model) {}

void SheetWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(rect(), kPaper);
  QRect paper = rect().adjusted(10, 10, -10, -10);
  p.setPen(QPen(kRule, 3));
  p.drawRect(paper);
  SheetText sheet = CurrentSheetText(model_);
  if (LatinMode.load()) {
    PaintLatin(p, paper.adjusted(6, 6, -6, -6), sheet, model_);
  } else {
    PaintKana(p, paper.adjusted(6, 6, -6, -6), sheet, model_);
  }
}
