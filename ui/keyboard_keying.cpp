#include "ui/keyboard_keying.h"

#include <QApplication>
#include <QKeyEvent>

#include "core/shared_flags.h"

namespace {

class KeyFilter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    if (keyLevers.keyboardKeying.load() != 1) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    KeyLever* lever = key->key() == Qt::Key_J   ? &keyLevers.keyboardDot
                      : key->key() == Qt::Key_K ? &keyLevers.keyboardDash
                                                : nullptr;
    if (!lever) return false;
    // A held key repeats press/release pairs; only a real release opens the lever.
    if (event->type() == QEvent::KeyPress) {
      lever->store(1);
    } else if (!key->isAutoRepeat()) {
      lever->store(0);
    }
    return true;  // J and K type nothing while they are the key
  }
};

KeyFilter* installedFilter = nullptr;

}  // namespace

void InstallKeyHook() {
  RemoveKeyHook();
  if (!qApp) return;
  installedFilter = new KeyFilter;
  qApp->installEventFilter(installedFilter);
}

void RemoveKeyHook() {
  if (!installedFilter) return;
  if (qApp) qApp->removeEventFilter(installedFilter);
  delete installedFilter;
  installedFilter = nullptr;
}
