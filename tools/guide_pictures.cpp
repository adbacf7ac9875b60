// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the user guide's pictures: Nemora's real windows, in the states the guide pages explain, saved as
// page-1.png .. page-9.png in the folder given. Run by tools/make-guide-pictures.sh under Xvfb with an empty
// NEMORA_HOME; the practice shown is a real receive session of the built-in telegrams, run on a virtual
// clock through the real playback, keying, judging, scoring and logs.
//
//   guide_pictures OUTDIR
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>

#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/morse_table.h"
#include "practice/run_control.h"
#include "practice/scoring.h"
#include "practice/virtual_session.h"
#include "ui/main_window.h"
#include "ui/result_window.h"
#include "ui/statistics_window.h"

namespace {

QString outDir;

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool Save(const QImage& image, int page) {
  const QString path = QStringLiteral("%1/page-%2.png").arg(outDir).arg(page);
  // The guide shows pictures at most 640 × 440; a little more keeps them sharp on large screens.
  const QImage scaled = image.scaled(960, 660, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  if (!scaled.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// A part of the main window given in its 1540 × 1120 design units.
QImage Part(MainWindow& window, int x, int y, int w, int h) {
  const QImage whole = window.grab().toImage();
  const double sx = whole.width() / 1540.0;
  const double sy = whole.height() / 1120.0;
  return whole.copy(static_cast<int>(x * sx), static_cast<int>(y * sy), static_cast<int>(w * sx),
                    static_cast<int>(h * sy));
}

template <typename T>
T* Find(MainWindow& window, int id) {
  return window.findChild<T*>(QString::number(id));
}

void ReceiveOneSession(MainWindow& window) {
  Find<QRadioButton>(window, kReceiveRadio)->click();
  VirtualSessionOptions options;
  options.start = StartPractice;
  VirtualSessionResult result;
  RunVirtualSession(options, result);
  ProcessPostedMessages();
  Settle();
}

bool TakePictures() {
  BuildMorseTables();
  EnableEventQueue();
  InstallPracticeConsumers();
  MainWindow window;
  window.show();
  Settle();
  Find<QRadioButton>(window, kKanaRadio)->click();
  ReceiveOneSession(window);
  bool ok = Save(window.grab().toImage(), 1);

  Find<QRadioButton>(window, kSendRadio)->click();
  Find<QCheckBox>(window, kKeyboardKeyerCheck)->setChecked(true);
  SetControlChecked(kKeyboardKeyerCheck, true);
  Settle();
  ok = Save(Part(window, 250, 0, 1290, 700), 2) && ok;
  ok = Save(Part(window, 260, 0, 760, 150), 3) && ok;
  Find<QCheckBox>(window, kBandQRNCheck)->click();
  Find<QCheckBox>(window, kBandQSBCheck)->click();
  Settle();
  ok = Save(Part(window, 0, 230, 760, 880), 4) && ok;

  Find<QRadioButton>(window, kLatinRadio)->click();
  ReceiveOneSession(window);
  ok = Save(window.grab().toImage(), 5) && ok;
  ok = Save(Part(window, 0, 0, 1540, 620), 6) && ok;

  const std::vector<TelegramResultSnapshot> results = ShownTelegramResults();
  if (!results.empty()) {
    ResultWindow result(results.back(), &window);
    result.show();
    Settle();
    ok = Save(result.grab().toImage(), 7) && ok;
  } else {
    ok = false;
  }

  StatisticsWindow statistics(&window);
  statistics.show();
  Settle();
  ok = Save(statistics.grab().toImage(), 8) && ok;
  auto* report = statistics.findChild<QPlainTextEdit*>(QStringLiteral("20001"));
  report->verticalScrollBar()->setValue(report->verticalScrollBar()->maximum());
  Settle();
  ok = Save(statistics.grab().toImage(), 9) && ok;
  statistics.close();
  window.close();
  Settle();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: guide_pictures OUTDIR\n");
    return 2;
  }
  outDir = QString::fromLocal8Bit(argv[1]);
  return TakePictures() ? 0 : 1;
}
