// Nemora: start-up, the main window, shutdown.
#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "audio/audio_engine.h"
#include "core/app.h"
#include "core/controls.h"
#include "keying/keying_thread.h"
#include "practice/run_control.h"
#include "ui/keyboard_keying.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_window.h"
#include "ui/serial_port_list.h"

namespace {

void ShowBoxOnWindowThread(const MessageBoxRecord& box) {
  auto show = [&box]() {
    QMessageBox message(box.icon == MessageBoxIcon::kError ? QMessageBox::Critical : QMessageBox::Information,
                        ToQString(box.caption), ToQString(box.text), QMessageBox::Ok, TheMainWindow());
    message.exec();
  };
  if (QThread::currentThread() == qApp->thread()) {
    show();
  } else {
    QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  StartUp({KeyingThreadMain, AudioThreadMain});
  InstallPracticeConsumers();
  RunControlHooks hooks;
  hooks.focusMainWindow = []() {
    if (MainWindow* window = TheMainWindow()) window->activateWindow();
  };
  hooks.installKeyHook = InstallKeyHook;
  hooks.removeKeyHook = RemoveKeyHook;
  AddSerialKeyHooks(hooks);
  InstallRunControlHooks(hooks);
  InstallMessageBoxHook(ShowBoxOnWindowThread);
  InstallTelegramResultHook(ShowResultWindowModal);
  int result;
  {
    MainWindow window;
    window.show();
    result = application.exec();
  }
  InstallMessageBoxHook(nullptr);
  InstallTelegramResultHook(nullptr);
  RemoveKeyHook();
  InstallRunControlHooks({});
  ShutDown();
  return result == 0 ? 0 : result;
}
