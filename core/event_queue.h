// SPDX-License-Identifier: GPL-3.0-or-later
// The event thread and what reaches it: keying reports from the keying thread, reports posted by playback,
// and work posted by the window thread.
//
// The event thread owns the practice state (the telegram document, the judge, the run statistics and the
// result texts): only it changes them. Other threads reach that state in one of three ways:
//   - the keying thread pushes KeyEvents into a single-producer ring (atomics only, no lock, no system
//     call; a full ring drops the new record and counts it);
//   - playback (and any thread that is not the keying thread) posts KeyEvents into a second, locked queue;
//   - the window thread posts work (RESET, page turns, installing telegrams, script switches) that the event
//     thread runs between two records.
// Every record and every piece of work is stamped from one sequence counter, and the event thread takes
// them in stamp order, so a report posted after another (say a word gap after the character before it) is
// never judged first. Readers on other threads see published copies (the sheets' copy, the answers the
// keying tick asks for, the statistics' atomics).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

enum class KeyEventKind : int32_t {
  kNone = 0,
  kElement = 1,        // one element finished keying
  kCharacter = 2,      // a character finished: its code
  kWordGap = 3,        // a gap long enough for a word space
  kTelegramStart = 4,  // playback started a telegram
  kCallUp = 5,         // playback's Latin call-up begins or ends
  kTyped = 6,          // the learner typed a character of the copy (筆記受信), or took one back
  kTelegramSent = 7,   // playback keyed a telegram's end signal
  kCopyTimeOver = 8,   // the pause after a telegram's end signal is over: the copy of it is closed
  kPlaybackEnded = 9,  // playback sent every telegram (it was not stopped)
};

struct KeyEvent {
  KeyEventKind kind = KeyEventKind::kNone;
  char16_t element = 0;        // kElement: U+30FB dot or U+30FC dash
  uint32_t durationMs = 0;     // kElement: key-down time
  uint32_t tickMs = 0;         // tick when the event was detected
  char code[32] = {};          // kCharacter: '.'/'-' code, NUL-terminated, at most 31 characters
  int32_t telegramNumber = 0;  // kTelegramStart, kTelegramSent, kCopyTimeOver: the telegram, from 1
  bool callUpBegins = false;   // kCallUp: true when it begins, false when it has ended
  char16_t typed = 0;          // kTyped: the character (one judged cell), kTypedBackspace to take one back
};
constexpr char16_t kTypedBackspace = u'\b';

constexpr int kEventQueueSlots = 256;

// ---- Queues ----------------------------------------------------------------------------------------------
// Enables both queues empty (start-up); disabling drops every later push (shutdown).
void EnableEventQueue();
void DisableEventQueue();
// Keying thread only (one producer): no lock, no allocation, no system call.
void PushKeyEvent(const KeyEvent& event);
// Any other thread (playback): under the second queue's lock; a full queue drops its oldest record.
void PostKeyEvent(const KeyEvent& event);
// Records of a kind with their payload (any thread; they post, except PushElement/PushCharacter/PushWordGap
// that the keying thread calls).
KeyEvent ElementEvent(char16_t element, uint32_t durationMs, uint32_t tickMs);
KeyEvent CharacterEvent(const char* code, uint32_t tickMs);
KeyEvent WordGapEvent(uint32_t tickMs);
KeyEvent TelegramStartEvent(int32_t number, uint32_t tickMs);
KeyEvent TypedEvent(char16_t typed, uint32_t tickMs);
// kTelegramSent, kCopyTimeOver or kPlaybackEnded (number 0).
KeyEvent PlaybackProgressEvent(KeyEventKind kind, int32_t number, uint32_t tickMs);
// Drops the keying records pushed so far (any thread: the event thread skips them). Posted records stay.
void ClearEventQueue();
// Playback: the call-up begins (true) or ends; noted for the event thread in queue order.
void SetCallUpKeying(bool keying);
// The event thread (or the one thread of a virtual session): the next record of either queue, in stamp
// order. False when both are empty or disabled.
bool PopKeyEvent(KeyEvent& event);
int QueuedEventCount();
// Keying records dropped because the ring was full, since start-up.
uint32_t DroppedKeyEventCount();

// ---- Work for the event thread ---------------------------------------------------------------------------
// Runs `work` on the event thread, after everything posted or pushed before it. Without a running event
// thread (tests, a virtual session, before start-up) it runs at once on the caller, which is then the only
// thread touching the practice state. Returns a ticket for EventThreadReached.
uint64_t PostToEventThread(std::function<void()> work);
bool EventThreadReached(uint64_t ticket);
// Posts `work` and waits until it has run, at most timeoutMs; false on time-out. Never from the window
// thread in the program: the event thread may be waiting for the window (the result window).
bool RunOnEventThreadAndWait(std::function<void()> work, uint32_t timeoutMs);
bool EventThreadRunning();
// Start-up marks the thread as running before it starts it, shutdown clears the mark once it has ended.
void SetEventThreadRunning(bool running);

// ---- Dispatch --------------------------------------------------------------------------------------------
// Where the event thread hands what it takes from the queue. The practice code installs the judge; any
// member left null does nothing (a null special-signal handler consumes nothing).
struct KeyEventConsumers {
  void (*recordElement)(char16_t element, uint32_t durationMs, uint32_t tickMs) = nullptr;
  bool (*handleSpecialSignal)(const std::string& code) = nullptr;
  void (*judgeInputCharacter)(char16_t c) = nullptr;
  bool (*spaceExpected)() = nullptr;
  void (*startTelegram)(int32_t number) = nullptr;
  // Copy receive: what the learner types, and where the sending stands.
  void (*typedCharacter)(char16_t typed) = nullptr;
  void (*telegramSent)(int32_t number) = nullptr;
  void (*copyTimeOver)(int32_t number) = nullptr;
  void (*playbackEnded)() = nullptr;
};
void InstallKeyEventConsumers(const KeyEventConsumers& consumers);
// Event thread: one record, as the event thread does (a character through the special signals, then
// decoding).
void DispatchKeyEvent(const KeyEvent& event);
// Whether the model expects a blank next (false without a judge). Keying and playback threads call it.
bool QuerySpaceExpected();
// Event thread body: runs posted work and drains both queues until the stop-all event is set. The keying
// ring is looked at every few milliseconds (its producer makes no system call to wake anyone).
void EventThreadMain();
// One pass of the event thread's work: posted work and every record, in stamp order.
void RunEventThreadWork();
// Wakes the event thread (shutdown wakes it with this).
void SignalQueueEvent();
