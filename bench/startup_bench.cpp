// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up time: from the start of a fresh process to the first paint of the main window.
//
// Each take forks and executes this program again in its child mode, which starts up as the program does
// (worker threads, consumers, key-source hooks, the main window) on the offscreen platform and reports the
// monotonic time of the main window's first paint. The parent measures from just before the fork, so the
// figure holds loading the libraries, Qt's start and the window's initialisation. Prints startup_ms= (the
// median of the takes; the target is at most 600) and startup_ms_max=. An optional argument gives the
// number of takes (default 9).
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "core/app.h"
#include "keying/keying_thread.h"
#include "practice/run_control.h"
#include "ui/keyboard_keying.h"
#include "ui/main_window.h"
#include "ui/serial_port_list.h"

namespace {

double NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

// At the main window's first paint: writes the time to the pipe once the paint is done and quits.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(int fd) : fd_(fd) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      // Taken once this paint has finished, children included (the queued call runs after it).
      const int fd = fd_;
      QMetaObject::invokeMethod(
          qApp,
          [fd]() {
            const double ms = NowMs();
            if (write(fd, &ms, sizeof ms) != sizeof ms) std::perror("startup_bench: write");
            QCoreApplication::quit();
          },
          Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  int fd_;
  bool seen_ = false;
};

// The program's own start-up, as ui/main.cpp does it, until the first paint.
int RunChild(int fd) {
  int argc = 1;
  char name[] = "nemora";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  StartUp({KeyingThreadMain, AudioThreadMain});
  InstallPracticeConsumers();
  RunControlHooks hooks;
  hooks.installKeyHook = InstallKeyHook;
  hooks.removeKeyHook = RemoveKeyHook;
  AddSerialKeyHooks(hooks);
  InstallRunControlHooks(hooks);
  {
    MainWindow window;
    FirstPaint filter(fd);
    window.installEventFilter(&filter);
    window.show();
    application.exec();
    window.removeEventFilter(&filter);
  }
  RemoveKeyHook();
  InstallRunControlHooks({});
  ShutDown();
  return 0;
}

// One take: fork, exec the child mode, read its first-paint time. Negative on failure.
double TakeMs(const char* self) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const double startMs = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execl(self, self, "--child", fd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  double paintedMs = -1;
  const bool got = pid > 0 && read(fds[0], &paintedMs, sizeof paintedMs) == sizeof paintedMs;
  close(fds[0]);
  int status = 0;
  if (pid > 0) waitpid(pid, &status, 0);
  return got ? paintedMs - startMs : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return RunChild(std::atoi(argv[2]));

  // Offscreen, in a home whose settings say the first-run guide has been shown (it would wait for a click).
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char pattern[] = "/tmp/nemora-startup-XXXXXX";
  const char* home = mkdtemp(pattern);
  if (!home) return 1;
  setenv("NEMORA_HOME", home, 1);
  std::ofstream(std::string(home) + "/telegram_practice.ini") << "[Settings]\r\nFirstRun=0\r\n";

  const int takes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  std::vector<double> times;
  for (int i = 0; i < takes; ++i) {
    const double ms = TakeMs("/proc/self/exe");
    if (ms < 0) {
      std::fprintf(stderr, "startup_bench: take %d failed\n", i);
      continue;
    }
    times.push_back(ms);
  }
  std::filesystem::remove_all(home);
  if (times.empty()) return 1;
  std::sort(times.begin(), times.end());
  std::printf("startup_ms=%.0f\n", times[times.size() / 2]);
  std::printf("startup_ms_max=%.0f\n", times.back());
  return 0;
}
