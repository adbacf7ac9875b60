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
  void SetBars(std::vector<GraphBar> bars);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<GraphBar> bars_;
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
  int mode_ = kModeCurrent;
  StatisticsGraph* graph_;
  QPlainTextEdit* report_;
  QPushButton* close_;
  std::vector<QPushButton*> modeButtons_;
};

// The 現在の成績 command: opens the window modally over parent (mode 0) and returns when it is closed.
void OpenStatisticsWindow(QWidget* parent);
