// SPDX-License-Identifier: GPL-3.0-or-later
// The millisecond tick and sleeping, behind hooks so tests can run the pipeline on virtual time.
#pragma once
#include <cstdint>

// 32-bit millisecond tick from the monotonic clock; differences are taken as unsigned 32-bit.
uint32_t TickMs();
// Microseconds from the monotonic clock (64-bit, never wraps in practice). Used to timestamp key edges.
uint64_t MonotonicMicros();
// Sleeps the calling thread.
void SleepMs(uint32_t ms);
// Sleeps until MonotonicMicros() reaches the deadline (absolute, so loops do not drift).
void SleepUntilMicros(uint64_t deadlineUs);

// Replaceable clock: tests install a virtual clock; nullptr fields keep the real one.
struct ClockHooks {
  uint64_t (*nowMicros)() = nullptr;
  void (*sleepUntilMicros)(uint64_t deadlineUs) = nullptr;
};
void InstallClockHooks(const ClockHooks& hooks);
void RemoveClockHooks();
