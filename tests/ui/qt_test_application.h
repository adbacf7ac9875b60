// One QApplication for every window test of the program, created on first use.
#pragma once
#include <QApplication>

inline void EnsureQtApplication() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  if (!qApp) new QApplication(argc, argv);
}
