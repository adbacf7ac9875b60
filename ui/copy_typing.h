// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard as the pen in copy receive (筆記受信): while such a run is on, the keys pressed in the main
// window and the text a Japanese input method commits there become the learner's copy
// (practice/typed_copy); none of them is a key lever. The learner's sheet takes the focus and the input
// method, so ibus or fcitx compose on it and their candidate window sits by it.
//
// Thread: the window thread.
#pragma once
#include <string>

class QEvent;
class QWidget;

// The widget that takes the focus and the input method while copying (the learner's sheet).
void SetCopyTypingWidget(QWidget* widget);
// Copying starts (the widget gets the focus and the input method) or ends (both go back).
void SetCopyTyping(bool on);
// The keying filter's first look at a key or input-method event of the keying window while it is the
// active window: true when the copy took it (the caller then consumes it).
bool TakeCopyTypingEvent(QEvent* event);
// An input method's composition not committed yet, for the learner's sheet (empty without one).
std::u16string CopyTypingComposition();
