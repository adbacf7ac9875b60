// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/run_statistics.h"

RunStatistics runStatistics;
TelegramScore telegramScore;

std::map<char16_t, CharacterStat> CopyPerCharacterStatistics() {
  std::lock_guard<std::mutex> hold(runStatistics.perCharacterLock);
  return runStatistics.perCharacter;
}

namespace {
struct RunClock {
  std::mutex lock;
  uint32_t heldMs = 0;       // held time already over
  uint32_t holdStartMs = 0;  // when the present hold began (reasons != 0)
  uint32_t reasons = 0;      // ClockHold bits
};
RunClock runClock;
}  // namespace

void HoldRunClock(ClockHold reason, uint32_t nowMs) {
  std::lock_guard<std::mutex> guard(runClock.lock);
  if (runClock.reasons == 0) runClock.holdStartMs = nowMs;
  runClock.reasons |= static_cast<uint32_t>(reason);
}

void ReleaseRunClock(ClockHold reason, uint32_t nowMs) {
  std::lock_guard<std::mutex> guard(runClock.lock);
  if ((runClock.reasons & static_cast<uint32_t>(reason)) == 0) return;
  runClock.reasons &= ~static_cast<uint32_t>(reason);
  if (runClock.reasons == 0) runClock.heldMs += nowMs - runClock.holdStartMs;
}

void RestartRunClock(uint32_t nowMs) {
  std::lock_guard<std::mutex> guard(runClock.lock);
  runClock.heldMs = 0;
  runClock.holdStartMs = nowMs;
  runStatistics.startTick.store(nowMs);
}

uint32_t RunHeldMs(uint32_t nowMs) {
  return (nowMs - runStatistics.startTick.load()) - RunElapsedMs(nowMs);
}

uint32_t RunElapsedMs(uint32_t nowMs) {
  std::lock_guard<std::mutex> guard(runClock.lock);
  uint32_t held = runClock.heldMs;
  if (runClock.reasons != 0) held += nowMs - runClock.holdStartMs;
  const uint32_t total = nowMs - runStatistics.startTick.load();
  return held < total ? total - held : 0;
}
