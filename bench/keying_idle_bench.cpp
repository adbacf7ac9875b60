// SPDX-License-Identifier: GPL-3.0-or-later
// The keying thread's cost while nobody keys: its own CPU time over 10 s of real 1 ms ticks.
//
// Prints keying_idle_core_percent= (thread CPU time / wall time, in percent of one core; the target is at
// most 2) and keying_tick_rate_hz= (ticks per second; 1000 when the absolute deadlines hold).
// An optional argument gives the measuring time in seconds.
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/app.h"
#include "core/clock.h"
#include "core/event.h"
#include "core/event_queue.h"
#include "core/settings.h"
#include "keying/keying_thread.h"

namespace {

std::atomic<uint64_t> sleeps{0};

// The real absolute-deadline sleep, counted: one sleep per tick.
void CountingSleepUntil(uint64_t deadlineUs) {
  sleeps.fetch_add(1, std::memory_order_relaxed);
  timespec ts;
  ts.tv_sec = static_cast<time_t>(deadlineUs / 1000000u);
  ts.tv_nsec = static_cast<long>(deadlineUs % 1000000u) * 1000;
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

double Seconds(clockid_t clock) {
  timespec ts;
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
  double measureSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (measureSeconds <= 0) measureSeconds = 10.0;

  ResetSettingsToDefaults();
  app.stopAllEvent = CreateEvent(true, false);
  EnableEventQueue();
  ClockHooks hooks;
  hooks.sleepUntilMicros = CountingSleepUntil;
  InstallClockHooks(hooks);

  std::thread keying(KeyingThreadMain);
  clockid_t threadClock;
  if (pthread_getcpuclockid(keying.native_handle(), &threadClock) != 0) {
    std::fprintf(stderr, "no CPU clock for the keying thread\n");
    SetEvent(app.stopAllEvent);
    keying.join();
    return 1;
  }

  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // past start-up
  double wall0 = Seconds(CLOCK_MONOTONIC), cpu0 = Seconds(threadClock);
  uint64_t ticks0 = sleeps.load();
  std::this_thread::sleep_for(std::chrono::duration<double>(measureSeconds));
  double wall1 = Seconds(CLOCK_MONOTONIC), cpu1 = Seconds(threadClock);
  uint64_t ticks1 = sleeps.load();

  SetEvent(app.stopAllEvent);
  keying.join();
  RemoveClockHooks();
  DisableEventQueue();

  double wall = wall1 - wall0;
  std::printf("keying_idle_core_percent=%.2f\n", 100.0 * (cpu1 - cpu0) / wall);
  std::printf("keying_tick_rate_hz=%.1f\n", static_cast<double>(ticks1 - ticks0) / wall);
  return 0;
}
