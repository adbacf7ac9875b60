// SPDX-License-Identifier: GPL-3.0-or-later
// Practice run control: starting, pausing and stopping receive practice, demonstration sending and send
// practice; the element statistics and the two status lines under the sheets.
//
// Thread: the window thread, except ShowPlaybackTelegram (event thread). What changes the practice state (the
// judge's reset at a start, the end of following the input at a stop) is posted to the event thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "core/threads.h"
// The element statistics and status lines live beside run control; most callers reach them through here.
#include "practice/status_lines.h"

// ---- Run state
// ---------------------------------------------------------------------------------------------
struct RunControlState {
  ThreadSlot playbackThread;  // receive or demonstration playback; window thread only
};
extern RunControlState runControl;

// ---- Seams to the window and the key sources
// --------------------------------------------------------------- Installed by the UI and the key-source
// code; a null member does nothing (openKeyPort: the open fails).
struct RunControlHooks {
  void (*focusMainWindow)() = nullptr;
  void (*installKeyHook)() = nullptr;  // J/K keyboard filter, afresh
  void (*removeKeyHook)() = nullptr;
  // Opens the key port named inside the port entry's last parentheses ("ttyUSB0"); true when open.
  bool (*openKeyPortHook)(const std::u16string& portName) = nullptr;
  bool (*keyPortIsOpen)() = nullptr;
  void (*serialMonitorThread)() = nullptr;  // thread body watching DSR/CTS until app.serialStopEvent
  void (*detectKeyType)() = nullptr;        // shows the kind of key on the message line
  // Copy receive starts (the learner's sheet takes the keys and the input method) or ends.
  void (*copyTyping)(bool on) = nullptr;
  // Starts a playback thread body; null = a real thread (StartThread). A virtual session installs its own.
  bool (*launchPlayback)(ThreadSlot& slot, void (*body)()) = nullptr;
};
void InstallRunControlHooks(const RunControlHooks& hooks);
const RunControlHooks& CurrentRunControlHooks();

// ---- Button operations (window thread)
// ---------------------------------------------------------------------
void StartPractice();     // RX START (1)
void StopPractice();      // RX STOP (2)
void TogglePause();       // 一旦停止 / 再開 (20053)
void StartDemoSending();  // デモ送信 (6)

// ---- Further operations
// ------------------------------------------------------------------------------------
void SetPause(bool paused);
// Opens the four key levers.
void ClearKeyLevers();
// Gives up the serial key: the monitor thread ends on the serial stop event (waited for up to 1000 ms),
// then the port is closed.
void ReleaseSerialKey();
// Ends the playback thread (waits up to 3000 ms), resets the keying state, clears the demonstration flag.
void StopPlayback();
void StartReceivePlayback();
void StartKeySending();
// Waits for the thread to end while running the window thread's posted messages at least every 50 ms.
// True when it ended (or there is none) within the time-out.
bool WaitWithMessagePump(const ThreadSlot& slot, uint32_t timeoutMs);
// WaitWithMessagePump, then joins the thread when it ended or abandons it; the slot is empty afterwards.
bool WaitAndForgetPumping(ThreadSlot& slot, uint32_t timeoutMs);

// ---- Event-thread consumers
// -------------------------------------------------------------------------------- Playback started telegram
// `number`: the judge follows it (a telegram the judge did not finish is stored and left), the shown page
// goes to 0 and the labels and sheets are refreshed.
void ShowPlaybackTelegram(int32_t number);
// Installs the event thread's consumers: RecordElement, the judge's HandleSpecialSignal,
// JudgeInputCharacter and SpaceExpected, and ShowPlaybackTelegram.
void InstallPracticeConsumers();
