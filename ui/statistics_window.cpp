// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/statistics_window.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "content/statistics_material.h"
#include "core/clock.h"
#include "ui/fonts.h"
#include "ui/painted_button.h"
#include "ui/qt_text.h"

namespace {

struct ModeButtonDefinition {
  int id;
  int mode;  // -1: the close button
  const char* caption;
  int x, width;
  QColor colour;
};

const ModeButtonDefinition kButtons[] = {
    {20002, kModeCurrent, "現在", 10, 90, QColor(35, 115, 210)},
    {20003, kModeDaily, "日毎", 110, 90, QColor(0, 160, 105)},
    {20004, kModeWeek, "週間", 210, 90, QColor(135, 80, 195)},
    {20005, kModeMonth, "月間", 310, 90, QColor(235, 135, 20)},
    {20006, kModeCharacter, "文字別", 410, 110, QColor(215, 65, 80)},
    {20010, kModeDatabase, "DB", 530, 60, QColor(0, 145, 165)},
    {20011, kModeGoal, "目標", 600, 70, QColor(190, 145, 0)},
    {20012, kModeMaterial, "教材", 680, 70, QColor(185, 75, 155)},
    {20007, -1, "閉じる", 870, 100, QColor(90, 100, 115)},
};

QString DisplayText(const std::u16string& text) {
  // The report keeps CR LF line ends; the text box wants plain LF.
  QString shown = ToQString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

}  // namespace

void StatisticsGraph::SetBars(std::vector<GraphBar> bars, std::u16string sentence) {
  bars_ = std::move(bars);
  sentence_ = std::move(sentence);
  update();
}

std::vector<QString> StatisticsGraph::ShownLabels() const {
  const GraphLayout layout = LayoutGraph(bars_, width(), height());
  const QFontMetrics metrics(font());
  std::vector<QString> shown;
  for (size_t i = 0; i < layout.labels.size(); ++i) {
    const int room = layout.labels[i].box.width;
    QString text = ToQString(layout.labels[i].text);
    if (metrics.horizontalAdvance(text) > room && !bars_[i].shortLabel.empty()) {
      text = ToQString(bars_[i].shortLabel);
    }
    shown.push_back(metrics.elidedText(text, Qt::ElideRight, room));
  }
  return shown;
}

void StatisticsGraph::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.setPen(QColor(20, 20, 20));
  p.setFont(font());
  const GraphLayout layout = LayoutGraph(bars_, width(), height());
  if (layout.noBars) {
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, ToQString(sentence_));
    return;
  }
  if (!layout.plotted) return;
  p.drawLine(layout.axisLeft, layout.baseline, layout.axisRight, layout.baseline);
  p.drawLine(layout.axisLeft, layout.axisTop, layout.axisLeft, layout.baseline);
  for (const GraphBarRect& bar : layout.bars) {
    p.fillRect(QRect(bar.box.x, bar.box.y, bar.box.width, bar.box.height),
               QColor(bar.colour.red, bar.colour.green, bar.colour.blue));
  }
  const std::vector<QString> shown = ShownLabels();
  for (size_t i = 0; i < layout.labels.size(); ++i) {
    const GraphBox& box = layout.labels[i].box;
    p.drawText(QRect(box.x, box.y, box.width, box.height), Qt::AlignCenter | Qt::TextSingleLine, shown[i]);
  }
  const GraphBox& legend = layout.legendBox;
  p.drawText(QRect(legend.x, legend.y, legend.width, legend.height), Qt::AlignLeft | Qt::AlignVCenter,
             ToQString(kGraphLegend));
}

StatisticsWindow::StatisticsWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("ネモラ - 現在の成績・CSV履歴"));
  setObjectName(QStringLiteral("WabunPracticeResultWindow"));
  setModal(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(1000, 720);
  if (parent) {
    const QRect frame = parent->window()->frameGeometry();
    move(frame.left() + (frame.width() - 1000) / 2, frame.top() + (frame.height() - 720) / 2);
  }
  const QFont buttonFont = MakeFont(FontRole::kMeiryo, 18, true);
  for (const ModeButtonDefinition& def : kButtons) {
    auto* button = new PaintedButton(QString::fromUtf8(def.caption), def.colour, this);
    button->setObjectName(QString::number(def.id));
    button->setFont(buttonFont);
    button->setGeometry(def.x, 10, def.width, 34);
    if (def.mode < 0) {
      close_ = button;
      connect(button, &QPushButton::clicked, this, &QDialog::accept);
    } else {
      modeButtons_.push_back(button);
      const int mode = def.mode;
      connect(button, &QPushButton::clicked, this, [this, mode]() { SelectMode(mode); });
    }
  }
  graph_ = new StatisticsGraph(this);
  graph_->setObjectName(QStringLiteral("20008"));
  graph_->setFont(buttonFont);
  report_ = new QPlainTextEdit(this);
  report_->setObjectName(QStringLiteral("20001"));
  report_->setReadOnly(true);
  // Lines are fitted by the font (FitReportFont); one still too wide (a long path) wraps rather than
  // making the learner scroll sideways.
  report_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  report_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  report_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  report_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  report_->setFrameShape(QFrame::StyledPanel);
  QFont reportFont = MakeFont(FontRole::kGothic, 22, true);
  reportFont.setFixedPitch(true);
  report_->setFont(reportFont);
  QPalette palette = report_->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, QColor(35, 50, 70));
  report_->setPalette(palette);
  Refresh();
}

void StatisticsWindow::SelectMode(int mode) {
  mode_ = mode;
  Refresh();
  update();
}

StatisticsSources GatherWindowStatistics() {
  StatisticsSources sources = GatherStatistics(CurrentRunAt(TickMs()));
  AddTelegramMaterial(sources);
  return sources;
}

// The totals lines of modes 0 to 3 are read across, column by column: the widest of them decides the size,
// down to a least size that still reads well. Other long lines (paths) wrap.
void StatisticsWindow::FitReportFont() {
  constexpr int kReportPixels = 22, kLeastPixels = 14;
  const int room =
      report_->viewport()->width() - 2 * static_cast<int>(report_->document()->documentMargin()) - 4;
  const QStringList lines = report_->toPlainText().split(QLatin1Char('\n'));
  int pixels = kReportPixels;
  for (; pixels > kLeastPixels; --pixels) {
    QFont font = MakeFont(FontRole::kGothic, pixels, true);
    font.setFixedPitch(true);
    const QFontMetrics metrics(font);
    bool fits = true;
    for (const QString& line : lines) {
      if (metrics.horizontalAdvance(line) > room && line.contains(QStringLiteral("回数:"))) fits = false;
    }
    if (fits) break;
  }
  QFont font = MakeFont(FontRole::kGothic, pixels, true);
  font.setFixedPitch(true);
  if (report_->font() != font) report_->setFont(font);
}

void StatisticsWindow::Refresh() {
  const StatisticsSources sources = GatherWindowStatistics();
  graph_->SetBars(BuildGraphBars(mode_, sources), GraphSentence(mode_, sources));
  report_->setPlainText(DisplayText(BuildReportText(mode_, sources)));
  FitReportFont();
  for (int i = 0; i < static_cast<int>(modeButtons_.size()); ++i) {
    static_cast<PaintedButton*>(modeButtons_[i])->SetSelected(kButtons[i].mode == mode_);
  }
}

void StatisticsWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  graph_->setGeometry(10, 58, width() - 20, 220);
  report_->setGeometry(10, 290, width() - 20, height() - 350);
  FitReportFont();
  close_->setGeometry(width() - 110, 10, 100, 34);
}

void StatisticsWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(237, 244, 252));
  p.fillRect(QRect(0, 0, width(), 52), QColor(28, 55, 92));
  p.fillRect(QRect(0, height() - 58, width(), 58), QColor(224, 235, 248));
}

void OpenStatisticsWindow(QWidget* parent) {
  StatisticsWindow window(parent);
  window.exec();
}
