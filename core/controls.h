// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls by dialog id: a thread-safe table that the logic reads and writes from any
// thread. The Qt window is a view of it; tests run against the table alone.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---- Control state (any thread) --------------------------------------------------------------------------
void SetControlText(int id, std::u16string_view text);
std::u16string ControlText(int id);
void SetControlChecked(int id, bool checked);
bool IsControlChecked(int id);
// Radio groups: checks `id` and clears every other id in [firstId, lastId].
void CheckRadioButton(int firstId, int lastId, int id);
void SetControlItems(int id, const std::vector<std::u16string>& items);  // also clears the selection
std::vector<std::u16string> ControlItems(int id);
int ControlItemCount(int id);
void SetControlSelection(int id, int index);  // -1: nothing selected; out of range is stored as -1
int ControlSelection(int id);                 // -1 when nothing is selected
void SetSliderRange(int id, int minimum, int maximum);
void SetSliderPosition(int id, int position);  // clamped into the range when one is set
int SliderPosition(int id);
void SliderRange(int id, int& minimum, int& maximum);  // 0..100 when no range was set
void SetControlVisible(int id, bool visible);
bool IsControlVisible(int id);
void SetControlEnabled(int id, bool enabled);
bool IsControlEnabled(int id);
bool ControlExists(int id);  // set or written at least once
// Repaint request for a custom-drawn control; the counter lets tests see it.
void InvalidateControl(int id);
uint64_t ControlInvalidations(int id);
// Empties the whole table (tests, and the window before it creates its controls).
void ClearControls();

// The view is told about every change, on the thread that made it; it must marshal to its own thread.
using ControlChangeListener = void (*)(int id);
void InstallControlChangeListener(ControlChangeListener listener);

// ---- The main window ------------------------------------------------------------------------------------
// Marks the main window as existing and records the calling thread as the window thread.
void SetMainWindowExists(bool exists);
bool MainWindowExists();
bool IsWindowThread();

// Work posted to the window thread (the platform's posted messages). The view installs a waker that makes
// its thread call ProcessPostedMessages soon; without a view, tests call it themselves.
void PostToWindowThread(std::function<void()> work);
size_t ProcessPostedMessages();  // runs what was posted, in order; returns how many ran
void InstallPostedMessageWaker(void (*waker)());

// The message line (control 1108) from any thread: set directly on the window thread, posted from others.
// Does nothing before the main window exists.
void SetStatusText(std::u16string_view text);

// The status timer (id 9001, 50 ms, runs during practice): its running state lives in the table so the view
// can run the real timer, which calls the installed tick (RefreshStatusLines) on the window thread.
constexpr int kStatusTimerId = 9001;
void StartStatusTimer();
void StopStatusTimer();
bool StatusTimerRunning();

// ---- Modal windows --------------------------------------------------------------------------------------
enum class MessageBoxIcon { kInformation, kWarning, kError };
struct MessageBoxRecord {
  std::u16string text;
  std::u16string caption;
  MessageBoxIcon icon;
};
// Shows a message box over the main window and blocks until it is closed. Without an installed hook the
// box is only recorded (tests read the records).
void ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxIcon icon);
void InstallMessageBoxHook(void (*hook)(const MessageBoxRecord& box));
std::vector<MessageBoxRecord> ShownMessageBoxes();
void ClearShownMessageBoxes();
