// SPDX-License-Identifier: GPL-3.0-or-later
// One QApplication for every window test of the program, created on first use as the program creates it, and
// the program state a window test starts from.
#pragma once
#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "content/telegram_document.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "ui/fonts.h"
#include "ui/qt_translations.h"
#include "ui/window_commands.h"

inline void EnsureQtApplication() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  if (qApp) return;
  new QApplication(argc, argv);
  // As the program starts: Qt's dialogs in Japanese, every dialog in the interface face.
  InstallQtTranslations();
  UseInterfaceFontForDialogs();
}

// Tables built, controls and shown message boxes forgotten, default settings, the built-in telegrams and
// the normal view.
inline void ResetProgramState() {
  BuildMorseTables();
  ClearControls();
  ClearShownMessageBoxes();
  ResetSettingsToDefaults();
  ResetTelegramDocument();
  sheetFullScreen = false;
}

// ---- Under Xvfb: real X key events from xdotool ----
inline bool RunningOnX11() {
  return QGuiApplication::platformName() == QLatin1String("xcb") &&
         !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

// Sends X key events and lets them arrive.
inline void Xdotool(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments);
  process.waitForFinished(10000);
  for (int i = 0; i < 10; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
}
