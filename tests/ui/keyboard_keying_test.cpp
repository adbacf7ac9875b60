// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard levers: which physical key is which lever under each binding, the levers opening when the
// main window loses activation, and (under Xvfb, typed by xdotool through the X server) keys typed into
// the telegram file dialog arriving whole while the main window's bound keys still key.
#include "ui/keyboard_keying.h"

#include <gtest/gtest.h>

#include "qt_test_application.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <string>

#include "core/control_ids.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "temporary_home.h"
#include "ui/main_window.h"
#include "ui/window_commands.h"

namespace {

// What happens to one key: each binding's lever for it, by X keycode or (no keycodes) by Qt key. Rows
// with a keysym are also typed through a real X server, which checks the keycodes themselves.
struct KeyRow {
  const char* name;
  int32_t binding;
  uint32_t keycode;  // 0: the platform gives none
  int qtKey;
  BoundLever lever;
  const char* keysym;  // as xdotool names the key, or null
};

// clang-format off
const KeyRow kKeyRows[] = {
  {"J by keycode",                     kJKBinding,       44, Qt::Key_J,       BoundLever::kDot,  "j"},
  {"K by keycode",                     kJKBinding,       45, Qt::Key_K,       BoundLever::kDash, "k"},
  {"the J key where the layout types H", kJKBinding,     44, Qt::Key_H,       BoundLever::kDot,  nullptr},
  {"J typed by another key",           kJKBinding,       43, Qt::Key_J,       BoundLever::kNone, nullptr},
  {"J without keycodes",               kJKBinding,        0, Qt::Key_J,       BoundLever::kDot,  nullptr},
  {"left Ctrl",                        kCtrlBinding,     37, Qt::Key_Control, BoundLever::kDot,  "Control_L"},
  {"right Ctrl",                       kCtrlBinding,    105, Qt::Key_Control, BoundLever::kDash, "Control_R"},
  {"Ctrl without keycodes",            kCtrlBinding,      0, Qt::Key_Control, BoundLever::kDot,  nullptr},
  {"J under the Ctrl binding",         kCtrlBinding,     44, Qt::Key_J,       BoundLever::kNone, "j"},
  {"[",                                kBracketBinding,  34, Qt::Key_BracketLeft,  BoundLever::kDot,  "bracketleft"},
  {"]",                                kBracketBinding,  35, Qt::Key_BracketRight, BoundLever::kDash, "bracketright"},
  {"] without keycodes",               kBracketBinding,   0, Qt::Key_BracketRight, BoundLever::kDash, nullptr},
  {"Space, the one straight key",      kSpaceStraightBinding, 65, Qt::Key_Space, BoundLever::kDot, "space"},
  {"K under the Space binding",        kSpaceStraightBinding, 45, Qt::Key_K,     BoundLever::kNone, "k"},
  {"a binding out of range is J / K",  7,                45, Qt::Key_K,       BoundLever::kDash, nullptr},
};
// clang-format on

TEST(KeyboardLevers, KeysAndBindings) {
  for (const KeyRow& row : kKeyRows) {
    EXPECT_EQ(LeverForKey(row.binding, row.keycode, row.qtKey, true), row.lever) << row.name;
  }
  // Scan codes of a platform whose codes are not X keycodes are never read as keycodes.
  EXPECT_EQ(LeverForKey(kJKBinding, 45, Qt::Key_J, false), BoundLever::kDot);
}

int32_t Levers() {
  return keyLevers.keyboardDot.load() + 2 * keyLevers.keyboardDash.load();  // 1 dot, 2 dash, 3 both
}

bool WaitActive(QWidget& window) {
  window.activateWindow();
  QElapsedTimer timer;
  timer.start();
  while (QApplication::activeWindow() != &window && timer.elapsed() < 3000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return QApplication::activeWindow() == &window;
}

void SendKeys(QWidget* target, QEvent::Type type, const QString& letters) {
  for (QChar letter : letters) {
    QKeyEvent event(type, Qt::Key_A + (letter.toLatin1() - 'a'), Qt::NoModifier, letter);
    QApplication::sendEvent(target, &event);
  }
}

// The main window shown and active with keyboard keying on (it starts off, as in the program).
class KeyboardKeyingWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQtApplication(); }
  void SetUp() override {
    ResetProgramState();
    InstallKeyHook();
    window_ = std::make_unique<MainWindow>();
    window_->show();
    keyLevers.keyboardKeying.store(1);
    ASSERT_TRUE(WaitActive(*window_));
  }
  void TearDown() override {
    window_->close();
    keyLevers.keyboardKeying.store(0);
    ReleaseKeyboardLevers();
    RemoveKeyHook();
  }
  TemporaryHome temporary_;
  std::unique_ptr<MainWindow> window_;
};

// Regression: J held while the window lost activation stayed closed until J was tapped again, and the
// keys typed into the next window went to the key instead.
TEST_F(KeyboardKeyingWindowTest, LeversOpenWhenTheMainWindowLosesActivation) {
  QWidget* target = window_->focusWidget() ? window_->focusWidget() : window_.get();
  SendKeys(target, QEvent::KeyPress, QStringLiteral("jk"));
  EXPECT_EQ(Levers(), 3);
  QDialog dialog(window_.get());
  auto* edit = new QLineEdit(&dialog);
  (new QVBoxLayout(&dialog))->addWidget(edit);
  dialog.show();
  ASSERT_TRUE(WaitActive(dialog));
  EXPECT_EQ(Levers(), 0);
  edit->setFocus();
  SendKeys(edit, QEvent::KeyPress, QStringLiteral("jk"));
  SendKeys(edit, QEvent::KeyRelease, QStringLiteral("jk"));
  SendKeys(target, QEvent::KeyPress, QStringLiteral("j"));  // the inactive main window takes none either
  EXPECT_EQ(edit->text(), QStringLiteral("jk"));
  EXPECT_EQ(Levers(), 0);
}

// ---- Under Xvfb: real X key events from xdotool ----

TEST_F(KeyboardKeyingWindowTest, X11KeysAreTheLeversByKeycode) {
  if (!RunningOnX11())
    GTEST_SKIP() << "needs the xcb platform and xdotool (run under tests/ui/under_xvfb.sh)";
  for (const KeyRow& row : kKeyRows) {
    if (!row.keysym) continue;
    SCOPED_TRACE(row.name);
    practiceSettings.KeyBinding.store(row.binding);
    ResetEvent(leverChanged);
    Xdotool({QStringLiteral("keydown"), QString::fromLatin1(row.keysym)});
    // Only the row's own lever is looked at: xdotool presses left Ctrl along with right Ctrl.
    const int32_t own = row.lever == BoundLever::kDot ? 1 : row.lever == BoundLever::kDash ? 2 : 0;
    EXPECT_EQ(own == 0 ? Levers() : Levers() & own, own);
    Xdotool({QStringLiteral("keyup"), QString::fromLatin1(row.keysym)});
    EXPECT_EQ(IsEventSet(leverChanged), own != 0);
    EXPECT_EQ(Levers(), 0);
  }
}

// Regression: typing "smallkana.txt" into 電報読込's file dialog with keyboard keying on gave
// "smallana.txt" and keyed a wrong character.
TEST_F(KeyboardKeyingWindowTest, FileDialogGetsEveryKeyAndNothingIsKeyed) {
  if (!RunningOnX11())
    GTEST_SKIP() << "needs the xcb platform and xdotool (run under tests/ui/under_xvfb.sh)";
  ResetEvent(leverChanged);
  std::string typed = "(no dialog)";
  QTimer::singleShot(300, [&]() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    WaitActive(*dialog);
    Xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
             QStringLiteral("smallkana.txt")});
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
      typed = edit->text().toStdString();
    }
    dialog->reject();
  });
  HandleCommand(kLoadTelegramButton);  // the dialog's own loop runs until the timer rejects it
  EXPECT_EQ(typed, "smallkana.txt");
  EXPECT_FALSE(IsEventSet(leverChanged)) << "a keyboard lever moved while the dialog had the keys";
  EXPECT_EQ(Levers(), 0);
}

}  // namespace
