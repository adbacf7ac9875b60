// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard as the key: the bound keys (setting KeyBinding) are the dot and dash levers while keyboard
// keying is on and the keying window (the main window) is the active window. An application-wide event
// filter; window thread only.
//
// Other windows of the program (a dialog, the result window, the guide, the file dialog) keep every key,
// and the moment the keying window stops being the active window both keyboard levers open, so a key held
// across a change of window never leaves a lever closed.
#pragma once
#include <cstdint>

class QWidget;

void InstallKeyHook();  // installs the filter afresh (an installed one is removed first)
void RemoveKeyHook();
// The window whose keys are the levers (null: none, no key is taken).
void SetKeyingWindow(QWidget* window);
// Opens both keyboard levers.
void ReleaseKeyboardLevers();

// ---- Matching (pure) ----
enum class BoundLever { kNone, kDot, kDash };
// The lever a key is under a binding. Where the platform gives X keyboard keycodes (X11, Wayland), the
// physical key is matched by its keycode, so a keyboard layout does not move the levers; otherwise (0, or
// a platform whose codes are not keycodes) by the Qt key, where both Ctrl keys read as left Ctrl.
BoundLever LeverForKey(int32_t binding, uint32_t nativeScanCode, int qtKey, bool keycodesKnown);
// Whether this platform's native scan codes are X keyboard keycodes.
bool PlatformGivesKeycodes();
