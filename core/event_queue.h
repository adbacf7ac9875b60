// The queue that carries keying reports from the keying thread to the event thread, and the event
// thread's dispatch of them into the judge.
#pragma once
#include <cstdint>
#include <string>

struct KeyEvent {
  int32_t kind;         // 1 element finished, 2 character finished, 3 word gap, 4 playback started a
                        // telegram (durationMs: its number); others are ignored
  char16_t element;     // kind 1: U+30FB dot or U+30FC dash; 0 otherwise
  uint32_t durationMs;  // kind 1: key-down time
  uint32_t tickMs;      // tick when the event was detected
  char code[32];        // kind 2: '.'/'-' code, NUL-terminated, at most 31 characters
};

constexpr int kEventQueueSlots = 256;

constexpr int32_t kCallUpEvent = 5;  // durationMs 1: the call-up begins, 0: it has ended

// Enables the queue with both indices at 0 (start-up); disabling drops every later push (shutdown).
void EnableEventQueue();
void DisableEventQueue();
// Keying thread: never blocks beyond the lock; a full ring drops its oldest record.
void PushKeyEvent(const char* code, int32_t kind, char16_t element, uint32_t durationMs, uint32_t tickMs);
void ClearEventQueue();
// Playback: the call-up begins (true) or ends; noted for the event thread in queue order.
void SetCallUpKeying(bool keying);
bool PopKeyEvent(KeyEvent& event);  // false when empty or disabled
int QueuedEventCount();

// Where the event thread hands what it takes from the queue. The practice code installs the judge; any
// member left null does nothing (a null special-signal handler consumes nothing).
struct KeyEventConsumers {
  void (*recordElement)(char16_t element, uint32_t durationMs, uint32_t tickMs) = nullptr;
  bool (*handleSpecialSignal)(const std::string& code) = nullptr;
  void (*judgeInputCharacter)(char16_t c) = nullptr;
  bool (*spaceExpected)() = nullptr;
  void (*startTelegram)(int32_t number) = nullptr;  // kind 4, pushed by playback
};
void InstallKeyEventConsumers(const KeyEventConsumers& consumers);
// Event thread: one record, as the event thread does (kind 2 through the special signals, then decoding).
void DispatchKeyEvent(const KeyEvent& event);
// Whether the model expects a blank next (false without a judge). Keying and playback threads call it.
bool QuerySpaceExpected();
// Event thread body: drains the queue on its event until the stop-all event is set.
void EventThreadMain();
// Signals the queue's event (shutdown wakes the event thread with it).
void SignalQueueEvent();
