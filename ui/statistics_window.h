// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window "ネモラ - 現在の成績・CSV履歴": eight mode buttons, the bar graph and the report of
// records/statistics_report.h, rebuilt from the logs on every mode change. Modal over its parent.
#pragma once
#include <QDialog>
#include <vector>

#include "records/statistics_report.h"

class QPlainTextEdit;
class QPushButton;

// The graph control (20008): paints the layout computed by LayoutGraph.
class StatisticsGraph : public QWidget {
 public:
  explicit StatisticsGraph(QWidget* parent) : QWidget(parent) {}
  // The bars, and what to say in their place when there are none.
  void SetBars(std::vector<GraphBar> bars, std::u16string sentence);
  // The labels as painted under the groups: the short form where the label does not fit its group.
  std::vector<QString> ShownLabels() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<GraphBar> bars_;
  std::u16string sentence_;
};

class StatisticsWindow : public QDialog {
 public:
  explicit StatisticsWindow(QWidget* parent);
  // Sets the mode, rebuilds the bars and the report from the logs, repaints.
  void SelectMode(int mode);
  int Mode() const { return mode_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Refresh();
  // The report's face, as large as 22 pixels but small enough for its widest line to fit the box.
  void FitReportFont();
  int mode_ = kModeCurrent;
  StatisticsGraph* graph_;
  QPlainTextEdit* report_;
  QPushButton* close_;
  std::vector<QPushButton*> modeButtons_;
};

// What the statistics read, with the telegrams of the document for the 教材 mode.
StatisticsSources GatherWindowStatistics();
// The 現在の成績 command: opens the window modally over parent (mode 0) and returns when it is closed.
void OpenStatisticsWindow(QWidget* parent);
