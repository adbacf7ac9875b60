// SPDX-License-Identifier: GPL-3.0-or-later
// Nemora: start-up, the main window, shutdown.
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "audio/audio_engine.h"
#include "content/random_source.h"
#include "content/telegram_file.h"
#include "core/app.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/settings.h"
#include "keying/keying_thread.h"
#include "nemora_version.h"
#include "practice/copy_judging.h"
#include "practice/judging.h"
#include "practice/run_control.h"
#include "records/log_summary.h"
#include "records/practice_log.h"
#include "ui/copy_typing.h"
#include "ui/cross_thread_call.h"
#include "ui/fonts.h"
#include "ui/keyboard_keying.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/qt_translations.h"
#include "ui/result_window.h"
#include "ui/serial_port_list.h"
#include "ui/telegram_file_dialog.h"

namespace {

void ShowBoxOnWindowThread(const MessageBoxRecord& box) {
  auto show = [&box]() {
    const QMessageBox::Icon icon = box.icon == MessageBoxIcon::kError     ? QMessageBox::Critical
                                   : box.icon == MessageBoxIcon::kWarning ? QMessageBox::Warning
                                                                          : QMessageBox::Information;
    QMessageBox message(icon, ToQString(box.caption), ToQString(box.text), QMessageBox::Ok, TheMainWindow());
    message.exec();
  };
  RunOnWindowThreadAndWait(show);
}

// nemora [--seed N] [FILE]: a telegram file to open at start, and a fixed seed for the random telegrams.
struct StartOptions {
  std::string telegramFile;
  bool seedGiven = false;
  uint32_t seed = 0;
};

bool ParseStartOptions(int argc, char** argv, StartOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--seed" && i + 1 < argc) {
      char* end = nullptr;
      const unsigned long long seed = std::strtoull(argv[++i], &end, 10);
      if (end == argv[i] || *end != '\0' || seed > 0xFFFFFFFFull) return false;
      options.seedGiven = true;
      options.seed = static_cast<uint32_t>(seed);
    } else if (!arg.empty() && arg[0] != '-' && options.telegramFile.empty()) {
      options.telegramFile = arg;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Before the application object: it needs a display, and the version is asked for where there is none.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("nemora %s\n", kNemoraVersion);
    return 0;
  }
  QApplication application(argc, argv);
  StartOptions options;
  if (!ParseStartOptions(argc, argv, options)) {
    std::fprintf(stderr, "Usage: nemora [--seed N] [TELEGRAM_FILE]\n");
    return 2;
  }
  if (options.seedGiven) SeedRandom(options.seed);
  InstallQtTranslations();
  UseInterfaceFontForDialogs();
  StartUp({KeyingThreadMain, AudioThreadMain});
  InstallPracticeConsumers();
  RunControlHooks hooks = WindowRunControlHooks();
  AddSerialKeyHooks(hooks);
  InstallRunControlHooks(hooks);
  InstallMessageBoxHook(ShowBoxOnWindowThread);
  InstallTelegramResultHook(ShowResultWindowModal);
  // Sums up the practice log while the learner looks at the main window, so 現在の成績 opens at once.
  StartPracticeLogWarmUp();
  int result;
  {
    MainWindow window;
    window.show();
    if (!options.telegramFile.empty()) {
      // As if loaded with 電報読込 once the window is up: a bad file gives its message over the window.
      QTimer::singleShot(0, &window, [path = options.telegramFile]() {
        OpenTelegramFileAndSay(path);
        PostToEventThread(PublishSpaceExpected);
      });
    }
    result = application.exec();
  }
  InstallMessageBoxHook(nullptr);
  InstallTelegramResultHook(nullptr);
  RemoveKeyHook();
  InstallRunControlHooks({});
  FinishPracticeLogWarmUp();
  ShutDown();
  // The event thread has ended, so this thread is the practice state's only one now: a run still open
  // counts (and a level it changes is kept), then the logs it kept open are flushed and closed.
  const int32_t levelBefore = practiceSettings.LearningLevel.load();
  FinishOpenRun();
  if (practiceSettings.LearningLevel.load() != levelBefore) SaveOneSetting("LearningLevel");
  ClosePracticeLogs();
  return result == 0 ? 0 : result;
}
