// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: a view of the control table. It creates one widget per dialog id, lays them out in the
// design space, mirrors table changes into the widgets and writes the user's actions back into the table.
#pragma once
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <map>
#include "practice/run_control.h"

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;
  QWidget* Control(int id) const;
  void LayoutMainWindow();
  void FitToWorkArea();
  // Brings one widget in line with the table (window thread).
  void RefreshControl(int id);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void ApplyFonts(bool afterLayout);
  void WatchScreen(QScreen* screen);
  std::map<int, QWidget*> controls_;
  QTimer statusTimer_;
  bool closed_ = false;
  bool fitting_ = false;  // size changes are ignored while the window is fitted to the work area
  bool screenWatched_ = false;
  int toggledRadio_ = 0;  // radio button whose toggle already ran its command for the current click
  QMetaObject::Connection screenConnection_;
};

// The one main window while it exists (the table's change listener forwards to it).
// The run-control hooks the window provides: focusing it, the keyboard filter, copy typing. The program adds
// the serial key's to them.
RunControlHooks WindowRunControlHooks();
MainWindow* TheMainWindow();
