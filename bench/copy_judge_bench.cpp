// SPDX-License-Identifier: GPL-3.0-or-later
// Copy receive (筆記受信) from a key press to the painted cell. The real main window offscreen (on a
// 1920 x 1200 screen unless QT_QPA_PLATFORM says otherwise), the event and keying threads started as the
// program starts them (no sound), a long Latin telegram loaded as 電報読込 loads it, 受信 and 筆記受信
// chosen and RX START clicked. Once the call-up has been sent, the telegram's own text is typed: key presses
// posted to the focused widget, so they pass the application's key filter as a keyboard's do, 60 to 120 ms
// apart as a fast typist's (a fixed seed). Each press is timed from its posting to the end of the window
// thread's pass whose paint of the learner's sheet showed its cell (the sheet's paint mark counts the
// judged cells each paint showed).
//
//   copy_judge_bench [PRESSES] [--save PNG]   PRESSES: default 500; PNG: the window once all is typed
//
// Prints
//   presses_measured=               presses whose cell was painted
//   typed_char_to_paint_ms_p50=
//   typed_char_to_paint_ms_p99=     target <= 16 (one frame at 60 Hz)
//   typed_char_to_paint_ms_max=
// A stage that does not come (the window never active, the call-up never over, a cell never painted) ends
// the bench with a message and exit 1.
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "content/telegram_document.h"
#include "content/telegram_file.h"
#include "core/app.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/shared_flags.h"
#include "keying/keying_thread.h"
#include "practice/run_control.h"
#include "practice/scoring.h"
#include "records/practice_log.h"
#include "ui/copy_typing.h"
#include "ui/keyboard_keying.h"
#include "ui/main_window.h"
#include "ui/qt_translations.h"
#include "ui/sheet_widget.h"
#include "ui/telegram_file_dialog.h"

namespace {

constexpr int kDefaultPresses = 500;
constexpr int kFirstGapMs = 60, kLastGapMs = 120;
constexpr int kCellWaitMs = 5000;    // a press whose cell is not painted by then is a stall
constexpr int kStageWaitMs = 30000;  // window activation, the run's start, the call-up
constexpr double kTargetP99Ms = 16.0;

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A telegram office's long message in plain words and figures (the Latin table has no punctuation: a
// telegram writes STOP), more than `cells` cells in all with its preamble and address.
Telegram LongTelegram(int cells) {
  static const char16_t* const kSentences[] = {
      u"ARRIVING TUESDAY 14 MARCH BY THE 0930 TRAIN FROM YORK STOP",
      u"PLEASE MEET ME AT THE STATION WITH THE CAR IF POSSIBLE STOP",
      u"THE CONTRACT IS SIGNED AND THE GOODS LEAVE ON 22 APRIL STOP",
      u"SEND 250 POUNDS TO THE BANK AT ONCE REF 7731 STOP",
      u"IS THE HOUSE STILL FREE FOR JUNE WIRE REPLY BEFORE NOON STOP",
      u"MOTHER AND CHILD ARE WELL LETTER FOLLOWS STOP",
  };
  Telegram telegram;
  telegram.fields[kNumber] = u"NR 27 LONDON 14 1030";
  telegram.fields[kAddress] = u"JOHN SMITH 12 HIGH ST BRISTOL";
  std::u16string& text = telegram.fields[kText];
  const int header = static_cast<int>(telegram.fields[kNumber].size() + telegram.fields[kAddress].size());
  for (size_t i = 0; header + static_cast<int>(text.size()) < cells + 40; ++i) {
    if (!text.empty()) text += u' ';
    text += kSentences[i % std::size(kSentences)];
  }
  return telegram;
}

// What the learner types: the fields in their sending order, each ended by the field being full (the judge
// moves on by itself), so every press is one judged cell.
std::u16string CopyToType(const Telegram& telegram) {
  return telegram.fields[kNumber] + telegram.fields[kAddress] + telegram.fields[kText];
}

void Click(MainWindow& window, int id) {
  if (auto* button = qobject_cast<QAbstractButton*>(window.Control(id))) button->click();
}

// Runs the window's events until `done` holds; false after timeoutMs.
template <typename Done>
bool PumpUntil(Done done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
  return true;
}

struct Press {
  double postedMs = 0;
  int64_t cells = 0;  // the judged cells of the copy once this press is judged
  double paintedMs = -1;
};

struct TypingRun {
  std::u16string keys;
  std::vector<Press> presses;
  size_t nextKey = 0;
  size_t firstUnpainted = 0;
  int64_t cellsBefore = 0;
  std::string failure;  // empty while all goes well
};

// The end of a pass of the window thread: the presses whose cells the latest paint showed are painted now.
void NotePaints(TypingRun& run) {
  const int64_t painted = LearnerSheetPaintMark().judgedCells;
  const double now = NowMs();
  while (run.firstUnpainted < run.nextKey && run.presses[run.firstUnpainted].cells <= painted) {
    run.presses[run.firstUnpainted++].paintedMs = now;
  }
}

void PostKey(char16_t c) {
  QWidget* target = QApplication::focusWidget();
  if (!target) target = QApplication::activeWindow();
  const QString text(QChar(c).toLower());
  // A letter's Qt key is its upper-case code, as digits, the blank and the punctuation are theirs.
  const int key = static_cast<int>(QChar(c).toUpper().unicode());
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

int64_t CountWrongCells(const LearnerCopy& copy) {
  int64_t wrong = 0;
  for (const std::u16string& marks : copy.marks) wrong += std::count(marks.begin(), marks.end(), u'0');
  return wrong;
}

int64_t CountCells(const LearnerCopy& copy) {
  int64_t cells = 0;
  for (const std::u16string& marks : copy.marks) cells += static_cast<int64_t>(marks.size());
  return cells;
}

// Types every key of run.keys at the typist's pace and returns when every cell has been painted (or a cell
// stalled).
void TypeAll(TypingRun& run) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> gapMs(kFirstGapMs, kLastGapMs);
  QEventLoop loop;
  QTimer pressTimer;
  pressTimer.setSingleShot(true);
  pressTimer.setTimerType(Qt::PreciseTimer);
  QTimer watchdog;
  watchdog.setInterval(100);
  QObject::connect(&pressTimer, &QTimer::timeout, [&]() {
    const size_t i = run.nextKey;
    Press& press = run.presses[i];
    press.cells = run.cellsBefore + static_cast<int64_t>(i) + 1;
    press.postedMs = NowMs();
    ++run.nextKey;
    PostKey(run.keys[i]);
    if (run.nextKey < run.keys.size()) pressTimer.start(gapMs(random));
  });
  QObject::connect(&watchdog, &QTimer::timeout, [&]() {
    if (run.firstUnpainted == run.keys.size()) {
      loop.quit();
      return;
    }
    if (run.firstUnpainted < run.nextKey &&
        NowMs() - run.presses[run.firstUnpainted].postedMs > kCellWaitMs) {
      const Press& stalled = run.presses[run.firstUnpainted];
      run.failure = "press " + std::to_string(run.firstUnpainted + 1) + " ('" +
                    QString(QChar(run.keys[run.firstUnpainted])).toStdString() + "') not painted within " +
                    std::to_string(kCellWaitMs) + " ms: " + std::to_string(stalled.cells) +
                    " judged cells expected, the event thread published " +
                    std::to_string(CountCells(DisplayedWorkingCopy())) + ", the sheet's last paint showed " +
                    std::to_string(LearnerSheetPaintMark().judgedCells);
      loop.quit();
    }
  });
  // Every pass of the loop ends here before it waits again, the paints of the pass done.
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  const auto blockWatch = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&]() {
    NotePaints(run);
    if (run.firstUnpainted == run.keys.size()) loop.quit();
  });
  pressTimer.start(kFirstGapMs);
  watchdog.start();
  loop.exec();
  QObject::disconnect(blockWatch);
}

double Percentile(const std::vector<double>& sorted, double fraction) {
  const size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

// The last resort when the window thread itself is stuck (a modal window waiting for a click): the
// watchdog timer cannot end a loop that never returns.
void GiveUp(int) {
  static const char kMessage[] =
      "copy_judge_bench: no end within the time allowed; the window thread is stuck\n";
  if (write(STDERR_FILENO, kMessage, sizeof kMessage - 1) < 0) _exit(1);
  _exit(1);
}

// The bench in a started program; returns the exit status.
int RunBench(int pressCount, const char* savePath) {
  TypingRun run;
  const Telegram telegram = LongTelegram(pressCount);
  run.keys = CopyToType(telegram).substr(0, static_cast<size_t>(pressCount));
  run.presses.resize(run.keys.size());
  const std::string file = AppFilePath("copy_bench.txt");
  if (!ReplaceFileAtomically(file, TelegramFileBytes({telegram}, TelegramLayout::kLatin))) {
    std::fprintf(stderr, "copy_judge_bench: cannot write %s\n", file.c_str());
    return 1;
  }

  MainWindow window;
  window.show();
  window.activateWindow();
  if (!PumpUntil([&]() { return QApplication::activeWindow() == &window; }, kStageWaitMs)) {
    std::fprintf(stderr, "copy_judge_bench: the main window never became the active window\n");
    return 1;
  }
  if (!OpenTelegramFileAndSay(file)) {
    std::fprintf(stderr, "copy_judge_bench: the telegram file did not load\n");
    return 1;
  }
  Click(window, kReceiveRadio);
  if (!IsControlChecked(kCopyReceiveCheck)) Click(window, kCopyReceiveCheck);
  Click(window, kRxStartButton);

  // Typing is judged once the call-up (HR HR NR) is over: the judge sets aside what comes during it.
  bool callUpSeen = false;
  const bool started = PumpUntil(
      [&]() {
        callUpSeen = callUpSeen || runFlags.CallUpSending.load() != 0;
        return callUpSeen && runFlags.CallUpSending.load() == 0;
      },
      kStageWaitMs);
  if (!started || runFlags.copyReceive.load() == 0) {
    std::fprintf(stderr, "copy_judge_bench: the copy-receive run did not start (call-up %s)\n",
                 callUpSeen ? "never ended" : "never began");
    return 1;
  }
  if (QApplication::focusWidget() != window.Control(kLearnerSheet)) {
    std::fprintf(stderr, "copy_judge_bench: the learner's sheet does not have the focus\n");
    return 1;
  }
  run.cellsBefore = CountCells(DisplayedWorkingCopy());

  TypeAll(run);

  const LearnerCopy copy = DisplayedWorkingCopy();
  if (savePath && !window.grab().save(savePath))
    std::fprintf(stderr, "copy_judge_bench: cannot save %s\n", savePath);
  Click(window, kRxStopButton);
  PumpUntil([]() { return false; }, 200);  // the stop's work on the event thread, the logs flushed
  window.close();

  if (!run.failure.empty()) {
    std::fprintf(stderr, "copy_judge_bench: %s\n", run.failure.c_str());
    return 1;
  }
  // Every key typed the model's own cell: anything else means the presses were not judged as the copy.
  const int64_t wrong = CountWrongCells(copy);
  const int64_t cells = CountCells(copy) - run.cellsBefore;
  if (wrong != 0 || cells != static_cast<int64_t>(run.keys.size())) {
    std::fprintf(stderr, "copy_judge_bench: the copy has %lld cells (%zu typed), %lld of them wrong\n",
                 static_cast<long long>(cells), run.keys.size(), static_cast<long long>(wrong));
    return 1;
  }
  std::vector<double> latencies;
  for (const Press& press : run.presses) latencies.push_back(press.paintedMs - press.postedMs);
  std::sort(latencies.begin(), latencies.end());
  std::printf("presses_measured=%zu\n", latencies.size());
  std::printf("typed_char_to_paint_ms_p50=%.2f\n", Percentile(latencies, 0.50));
  std::printf("typed_char_to_paint_ms_p99=%.2f\n", Percentile(latencies, 0.99));
  std::printf("typed_char_to_paint_ms_max=%.2f\n", latencies.back());
  if (Percentile(latencies, 0.99) > kTargetP99Ms) {
    std::printf("typed_char_to_paint_ms_p99 is above the target of %.0f ms\n", kTargetP99Ms);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int presses = kDefaultPresses;
  const char* savePath = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc) {
      savePath = argv[++i];
    } else {
      presses = std::max(10, std::atoi(argv[i]));
    }
  }
  // A home of its own, whose settings say the first-run guide has been shown (it would wait for a click).
  char pattern[] = "/var/tmp/nemora-copy-bench-XXXXXX";
  const char* home = mkdtemp(pattern);
  if (!home) return 1;
  setenv("NEMORA_HOME", home, 1);
  std::ofstream(std::string(home) + "/telegram_practice.ini") << "[Settings]\r\nFirstRun=0\r\n";
  if (!std::getenv("QT_QPA_PLATFORM")) {
    // Offscreen on a desktop-sized screen: the window and its sheets get the size they have in use, and
    // the paints cost what they cost there.
    const std::string screen = std::string(home) + "/screen.json";
    std::ofstream(screen) << R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920, "height": 1200,
                              "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screen).c_str(), 1);
  }

  std::signal(SIGALRM, GiveUp);
  alarm(static_cast<unsigned>(presses * kLastGapMs / 1000 + 3 * kStageWaitMs / 1000 + 30));
  QApplication application(argc, argv);
  InstallQtTranslations();
  // As the program starts, without the sound: the copy is judged from the keys, playback only keys.
  StartUp({KeyingThreadMain, nullptr});
  InstallPracticeConsumers();
  RunControlHooks hooks = WindowRunControlHooks();
  InstallRunControlHooks(hooks);
  InstallTelegramResultHook(nullptr);  // a closed copy's result window would wait for a click

  const int status = RunBench(presses, savePath);

  RemoveKeyHook();
  InstallRunControlHooks({});
  ShutDown();
  ClosePracticeLogs();
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return status;
}
