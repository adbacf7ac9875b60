// SPDX-License-Identifier: GPL-3.0-or-later
// The home dashboard "ホームダッシュボード": a header, four colour chips, a panel with DashboardText and a
// close button, built once when it opens. Modal and always on top.
#pragma once
#include <QDialog>
#include <string>

class PaintedButton;

class HomeDashboardWindow : public QDialog {
 public:
  HomeDashboardWindow(const std::u16string& text, QWidget* parent);
  const std::u16string& Text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::u16string text_;
  PaintedButton* close_;
};

// The ホーム command: builds DashboardText, runs the window modally and returns when it is closed.
void OpenHomeDashboard(QWidget* parent);
