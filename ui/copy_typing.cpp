// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/copy_typing.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <string>

#include "core/control_ids.h"
#include "core/controls.h"
#include "core/shared_flags.h"
#include "practice/typed_copy.h"
#include "ui/qt_text.h"

namespace {

QPointer<QWidget> typingWidget;
std::u16string composition;  // the input method's pre-edit text

bool Copying() {
  return runFlags.copyReceive.load() != 0;
}

void ShowPending() {
  InvalidateControl(kLearnerSheet);
}

bool TakeKey(QKeyEvent* key) {
  if (key->type() != QEvent::KeyPress) {
    // The release of a key the copy took is the copy's too; others (a shortcut's) are left alone.
    return !key->text().isEmpty() || key->key() == Qt::Key_Backspace;
  }
  // Ctrl and Alt combinations are the window's (or nothing): neither judged nor sounded.
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  if (key->key() == Qt::Key_Backspace) {
    TypeCopyBackspace();
    ShowPending();
    return true;
  }
  const QString text = key->text();
  if (text.isEmpty()) return false;  // F-keys, arrows, modifiers alone
  TypeCopyText(FromQString(text));
  ShowPending();
  return true;  // printable keys never reach a focused button (Space would press it)
}

bool TakeInputMethod(QInputMethodEvent* input) {
  const std::u16string preedit = FromQString(input->preeditString());
  const QString commit = input->commitString();
  if (!commit.isEmpty()) TypeCopyText(FromQString(commit));
  if (preedit != composition || !commit.isEmpty()) {
    composition = preedit;
    ShowPending();
  }
  return true;
}

}  // namespace

void SetCopyTypingWidget(QWidget* widget) {
  typingWidget = widget;
}

void SetCopyTyping(bool on) {
  composition.clear();
  ResetTypedCopy();
  QWidget* widget = typingWidget.data();
  if (!widget) return;
  widget->setAttribute(Qt::WA_InputMethodEnabled, on);
  widget->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
  if (on) widget->setFocus(Qt::OtherFocusReason);
  // The input method asks again whether the focus takes text, so it composes (or stops) at once.
  QGuiApplication::inputMethod()->update(Qt::ImEnabled);
  ShowPending();
}

bool TakeCopyTypingEvent(QEvent* event) {
  if (!Copying()) return false;
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return TakeKey(static_cast<QKeyEvent*>(event));
    case QEvent::InputMethod:
      return TakeInputMethod(static_cast<QInputMethodEvent*>(event));
    default:
      return false;
  }
}

std::u16string CopyTypingComposition() {
  return composition;
}
