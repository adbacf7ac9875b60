// SPDX-License-Identifier: GPL-3.0-or-later
// Flags shared between the window thread and the worker threads. All are atomics: 0 = off/open.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/event.h"

// One key contact. A change wakes the keying thread when it rests between keyings (see KeyingThreadMain):
// it then need not wake every millisecond to find out that nothing happened.
struct KeyLever {
  std::atomic<int32_t> value{0};
  int32_t load(std::memory_order order = std::memory_order_seq_cst) const { return value.load(order); }
  void store(int32_t closed) { exchange(closed); }
  int32_t exchange(int32_t closed);
};

// Set (auto-reset) whenever a lever changes.
extern Event leverChanged;

struct KeyLevers {
  KeyLever serialDot;                      // DSR contact; serial monitor and playback write it
  KeyLever serialDash;                     // CTS contact; serial monitor and playback write it
  KeyLever keyboardDot;                    // J held; keyboard filter writes it
  KeyLever keyboardDash;                   // K held; keyboard filter writes it
  std::atomic<int32_t> paused{0};          // practice paused; the keying thread idles and forgets
  std::atomic<int32_t> keyboardKeying{0};  // J/K act as the key
  // Asks the keying thread to drop its partly keyed character and any key-down in progress (set by
  // keying-state resets, cleared by the keying thread when it has done so).
  std::atomic<int32_t> dropPendingCharacter{0};
};
extern KeyLevers keyLevers;

struct RunFlags {
  std::atomic<int32_t> playing{0};        // playback may run; cleared to ask it to stop
  std::atomic<int32_t> demonstration{0};  // a demonstration is running
  // The Latin call-up, as the judge sees it: set and cleared by call-up events that playback puts into the
  // queue around the call-up's characters (event thread writes), so those characters are ignored even when
  // they are judged late, after a result window held the event thread.
  std::atomic<int32_t> CallUpSending{0};
  std::atomic<int32_t> callUpKeying{0};      // playback is keying the call-up (playback thread writes)
  std::atomic<int32_t> resultWindowOpen{0};  // a per-telegram result window is open (event thread writes)
  std::atomic<int32_t> bandMasterSwitch{0};  // band simulation audible (audio thread reads per frame)
  // A copy-receive run (筆記受信): the learner's typing is the copy, the program's decoding is not judged.
  // Set by run control when such a run starts, cleared by every other start and by the stop.
  std::atomic<int32_t> copyReceive{0};
  // Copy receive: the copies of the telegrams up to this one are closed, their result windows too (the event
  // thread writes; playback waits for it before the next telegram). Zeroed when a run starts.
  std::atomic<int32_t> copyClosedUpTo{0};
};
extern RunFlags runFlags;
