// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keyboard_keying.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "core/settings.h"
#include "core/shared_flags.h"
#include "ui/copy_typing.h"
#include "ui/cross_thread_call.h"

namespace {

// One physical key: its X keyboard keycode (evdev code + 8, as X11 and Wayland report it, whatever the
// layout) and the Qt key it types on a US layout, for platforms without keycodes.
struct BoundKey {
  uint32_t keycode;
  int qtKey;  // 0: none of its own
};

struct Binding {
  BoundKey dot, dash;
};

// In KeyBinding order. Right Ctrl types the same Qt key as left Ctrl, so without keycodes it cannot be
// told apart: it then has no key of its own and left Ctrl (either Ctrl) is the dot lever.
constexpr Binding kBindings[] = {
    {{44, Qt::Key_J}, {45, Qt::Key_K}},
    {{37, Qt::Key_Control}, {105, 0}},
    {{34, Qt::Key_BracketLeft}, {35, Qt::Key_BracketRight}},
    {{65, Qt::Key_Space}, {0, 0}},  // one key, a straight key: the keying thread sets the keyer aside
};

bool Matches(const BoundKey& bound, uint32_t nativeScanCode, int qtKey, bool useKeycodes) {
  if (useKeycodes) return bound.keycode != 0 && bound.keycode == nativeScanCode;
  return bound.qtKey != 0 && bound.qtKey == qtKey;
}

QPointer<QWidget> keyingWindow;

// The keying window is the active window and no pop-up or other modal window is over it.
bool KeyingWindowActive() {
  QWidget* window = keyingWindow.data();
  return window && QApplication::activeWindow() == window && !QApplication::activePopupWidget() &&
         (!QApplication::activeModalWidget() || QApplication::activeModalWidget() == window);
}

bool BelongsToKeyingWindow(QObject* watched) {
  QWidget* window = keyingWindow.data();
  if (!window) return false;
  if (auto* widget = qobject_cast<QWidget*>(watched)) return widget->window() == window;
  if (auto* handle = qobject_cast<QWindow*>(watched)) return handle == window->windowHandle();
  return false;
}

// In copy receive the keys of the keying window are the copy's (levers are off then): never a lever.
bool TakeCopyTyping(QObject* watched, QEvent* event) {
  return KeyingWindowActive() && BelongsToKeyingWindow(watched) && TakeCopyTypingEvent(event);
}

class KeyFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (IsQueuedCallReceiver(watched)) return false;  // a worker's call, not to be read before delivery
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        if (TakeCopyTyping(watched, event)) return true;
        return HandleKey(watched, static_cast<QKeyEvent*>(event));
      case QEvent::InputMethod:
        return TakeCopyTyping(watched, event);
      case QEvent::WindowDeactivate:
        if (watched == keyingWindow.data()) ReleaseKeyboardLevers();
        return false;
      case QEvent::ApplicationDeactivate:
        ReleaseKeyboardLevers();
        return false;
      default:
        return false;
    }
  }

 private:
  static bool HandleKey(QObject* watched, QKeyEvent* key) {
    if (keyLevers.keyboardKeying.load() != 1) return false;
    if (!KeyingWindowActive() || !BelongsToKeyingWindow(watched)) {
      // The key belongs to another window; whatever the keying window held is let go.
      ReleaseKeyboardLevers();
      return false;
    }
    const BoundLever bound = LeverForKey(practiceSettings.KeyBinding.load(), key->nativeScanCode(),
                                         key->key(), PlatformGivesKeycodes());
    if (bound == BoundLever::kNone) return false;
    KeyLever& lever = bound == BoundLever::kDot ? keyLevers.keyboardDot : keyLevers.keyboardDash;
    // A held key repeats press/release pairs; only a real release opens the lever.
    if (key->type() == QEvent::KeyPress) {
      lever.store(1);
    } else if (!key->isAutoRepeat()) {
      lever.store(0);
    }
    return true;  // the lever keys type nothing while they are the key
  }
};

KeyFilter* installedFilter = nullptr;
QMetaObject::Connection focusConnection;

}  // namespace

BoundLever LeverForKey(int32_t binding, uint32_t nativeScanCode, int qtKey, bool keycodesKnown) {
  if (binding < 0 || binding >= kKeyBindingCount) binding = kJKBinding;
  const Binding& b = kBindings[binding];
  const bool useKeycodes = keycodesKnown && nativeScanCode != 0;
  if (Matches(b.dot, nativeScanCode, qtKey, useKeycodes)) return BoundLever::kDot;
  if (Matches(b.dash, nativeScanCode, qtKey, useKeycodes)) return BoundLever::kDash;
  return BoundLever::kNone;
}

bool PlatformGivesKeycodes() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

void ReleaseKeyboardLevers() {
  keyLevers.keyboardDot.store(0);
  keyLevers.keyboardDash.store(0);
}

void SetKeyingWindow(QWidget* window) {
  keyingWindow = window;
  ReleaseKeyboardLevers();
}

void InstallKeyHook() {
  RemoveKeyHook();
  if (!qApp) return;
  installedFilter = new KeyFilter;
  qApp->installEventFilter(installedFilter);
  // Any other window taking the focus (a dialog opened by a click, another program) opens the levers at
  // once, before a key can reach it.
  focusConnection = QObject::connect(qApp, &QGuiApplication::focusWindowChanged, [](QWindow* focused) {
    QWidget* window = keyingWindow.data();
    if (!window || focused != window->windowHandle()) ReleaseKeyboardLevers();
  });
}

void RemoveKeyHook() {
  QObject::disconnect(focusConnection);
  if (!installedFilter) return;
  if (qApp) qApp->removeEventFilter(installedFilter);
  delete installedFilter;
  installedFilter = nullptr;
}
