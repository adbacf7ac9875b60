// SPDX-License-Identifier: GPL-3.0-or-later
// Copy receive in the real window with the real threads: the learner ticks 筆記受信, starts, and types the
// telegram while it is sent (under Xvfb through the X server with xdotool, offscreen as key events to the
// focused widget). The model stays hidden until the copy is closed; the result window shows the typed
// copy's score; the run's "完了" row is written. Screenshots of both windows go to $NEMORA_SCREENSHOTS when
// it is set.
#include <gtest/gtest.h>

#include "qt_test_application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSlider>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "content/telegram_document.h"
#include "content/telegram_file.h"
#include "core/app.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/event_queue.h"
#include "core/shared_flags.h"
#include "keying/keying_thread.h"
#include "practice/run_control.h"
#include "records/practice_log.h"
#include "temporary_home.h"
#include "ui/copy_typing.h"
#include "ui/keyboard_keying.h"
#include "ui/main_window.h"
#include "ui/result_window.h"
#include "ui/telegram_file_dialog.h"

namespace {

TelegramResultSnapshot shown;  // the result window's content (window thread, read after it closed)
bool resultShown = false;

void ShowAndRecordResult(const TelegramResultSnapshot& result) {
  shown = result;
  resultShown = true;
  ShowResultWindowModal(result);
}

void Pump(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Types as the learner does: through the X server when there is one, else as key events to the focus.
void Type(const QString& text, bool backspace = false) {
  if (RunningOnX11()) {
    Xdotool(backspace
                ? QStringList{QStringLiteral("key"), QStringLiteral("BackSpace")}
                : QStringList{QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
  } else {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    const int key = backspace ? Qt::Key_Backspace : 0;
    for (const QChar c : backspace ? QString(QChar(u'\b')) : text) {
      const QString typed = backspace ? QString() : QString(c);
      QKeyEvent press(QEvent::KeyPress, key ? key : c.toUpper().unicode(), Qt::NoModifier, typed);
      QApplication::sendEvent(focus, &press);
      QKeyEvent release(QEvent::KeyRelease, key ? key : c.toUpper().unicode(), Qt::NoModifier, typed);
      QApplication::sendEvent(focus, &release);
      Pump(40);
    }
  }
  Pump(200);
}

void Save(QWidget& widget, const char* name) {
  if (const char* folder = std::getenv("NEMORA_SCREENSHOTS")) {
    widget.grab().save(QString::fromUtf8(folder) + QStringLiteral("/") + QString::fromLatin1(name));
  }
}

TEST(CopyReceiveWindowTest, TypedTelegramIsJudgedAndShownInTheResultWindow) {
  EnsureQtApplication();
  TemporaryHome home;
  ResetProgramState();
  resultShown = false;
  InstallTelegramResultHook(ShowAndRecordResult);
  Telegram telegram;
  telegram.fields = {u"12", u"", u"", u"", u"AB", u"HI YOU"};
  const std::string path = AppFilePath("copy.txt");
  ASSERT_TRUE(ReplaceFileAtomically(path, TelegramFileBytes({telegram}, TelegramLayout::kLatin)));
  StartUp({KeyingThreadMain, nullptr});
  InstallPracticeConsumers();
  InstallRunControlHooks(WindowRunControlHooks());  // as the program installs them
  {
    MainWindow window;
    window.show();
    window.activateWindow();
    Pump(300);
    // The script first: a switch puts the built-in samples on the sheets.
    if (auto* latin = qobject_cast<QAbstractButton*>(window.Control(kLatinRadio))) latin->click();
    ASSERT_TRUE(OpenTelegramFileAndSay(path));
    if (auto* speed = qobject_cast<QSlider*>(window.Control(kSpeedSlider))) speed->setValue(40);
    for (int id : {kReceiveRadio, kCopyReceiveCheck, kRxStartButton}) {
      if (auto* button = qobject_cast<QAbstractButton*>(window.Control(id))) button->click();
    }
    Pump(300);
    Type(QStringLiteral("12=ab=hi yox"));
    Type(QString(), true);
    Type(QStringLiteral("u+"));  // before the end signal was sent: the "+" is not taken
    EXPECT_TRUE(DisplayedSheets().modelHidden);
    Save(window, "copy-receive-typing.png");
    // The copy closes 5 s after the end signal; the result window then waits for the learner.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&]() {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* result = qobject_cast<ResultWindow*>(top);
        if (!result || !result->isVisible()) continue;
        Save(window, "copy-receive-revealed.png");
        Save(*result, "copy-receive-result.png");
        if (auto* button = result->findChild<QAbstractButton*>(QStringLiteral("20501"))) button->click();
      }
    });
    closer.start(500);
    QElapsedTimer waited;
    waited.start();
    // Playback ends once the last copy is closed (the judge's own state is read after the threads end).
    while (runFlags.playing.load() != 0 && waited.elapsed() < 60000) Pump(100);
    closer.stop();
    EXPECT_TRUE(resultShown);
    if (auto* stop = qobject_cast<QAbstractButton*>(window.Control(kRxStopButton))) stop->click();
    Pump(200);
  }
  ShutDown();
  EXPECT_TRUE(judgeState.runFinished);
  InstallRunControlHooks({});
  InstallTelegramResultHook(nullptr);
  // 2 + 2 header cells, the text's six with the blank; the X taken back by Backspace stays counted.
  EXPECT_EQ(shown.judged, 11);
  EXPECT_EQ(shown.correct, 10);
  EXPECT_EQ(shown.wrong, 1);
  std::string log;
  ReadWholeFile(AppFilePath("telegram_practice_log.csv"), log);
  size_t finished = 0;
  for (size_t at = log.find(",\"完了\"\r\n"); at != std::string::npos;
       at = log.find(",\"完了\"\r\n", at + 1)) {
    ++finished;
  }
  EXPECT_EQ(finished, 1u);
}

}  // namespace
