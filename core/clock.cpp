// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clock.h"

#include <time.h>

#include <atomic>
#include <cerrno>

namespace {

std::atomic<uint64_t (*)()> nowHook{nullptr};
std::atomic<void (*)(uint64_t)> sleepHook{nullptr};

uint64_t RealMicros() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

void RealSleepUntil(uint64_t deadlineUs) {
  timespec ts;
  ts.tv_sec = static_cast<time_t>(deadlineUs / 1000000u);
  ts.tv_nsec = static_cast<long>(deadlineUs % 1000000u) * 1000;
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

}  // namespace

uint64_t MonotonicMicros() {
  auto hook = nowHook.load(std::memory_order_acquire);
  return hook ? hook() : RealMicros();
}

uint32_t TickMs() {
  return static_cast<uint32_t>(MonotonicMicros() / 1000u);
}

void SleepUntilMicros(uint64_t deadlineUs) {
  auto hook = sleepHook.load(std::memory_order_acquire);
  if (hook) {
    hook(deadlineUs);
  } else {
    RealSleepUntil(deadlineUs);
  }
}

void SleepMs(uint32_t ms) {
  SleepUntilMicros(MonotonicMicros() + static_cast<uint64_t>(ms) * 1000u);
}

void InstallClockHooks(const ClockHooks& hooks) {
  nowHook.store(hooks.nowMicros, std::memory_order_release);
  sleepHook.store(hooks.sleepUntilMicros, std::memory_order_release);
}

void RemoveClockHooks() {
  InstallClockHooks(ClockHooks{});
}
