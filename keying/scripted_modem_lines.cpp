// SPDX-License-Identifier: GPL-3.0-or-later
#include "keying/scripted_modem_lines.h"

#include <algorithm>
#include <mutex>

#include "core/clock.h"

namespace {

std::mutex scriptMutex;
ModemLineScript script;
ScriptedLineCalls calls;
uint64_t openedUs = 0;

uint32_t SinceOpenMs() {
  return static_cast<uint32_t>((MonotonicMicros() - openedUs) / 1000u);
}

bool Vanished(uint32_t nowMs) {
  return script.vanishAtMs != 0 && nowMs >= script.vanishAtMs;
}

bool Open(const std::string&, int& handle, int& error) {
  std::lock_guard<std::mutex> lock(scriptMutex);
  ++calls.opens;
  if (script.openError != 0) {
    error = script.openError;
    return false;
  }
  openedUs = MonotonicMicros();
  calls.open = true;
  handle = 7;
  return true;
}

void Close(int) {
  std::lock_guard<std::mutex> lock(scriptMutex);
  ++calls.closes;
  calls.open = false;
}

bool Read(int, ModemLines& lines) {
  std::lock_guard<std::mutex> lock(scriptMutex);
  ++calls.reads;
  const uint32_t nowMs = SinceOpenMs();
  if (Vanished(nowMs)) return false;
  lines = ModemLines{};
  for (const LineStep& step : script.steps) {
    if (step.atMs <= nowMs) lines = ModemLines{step.dsr, step.cts};
  }
  return true;
}

LineWait Wait(int, uint32_t timeoutMs) {
  uint64_t wakeUs = 0;
  bool change = false;
  {
    std::lock_guard<std::mutex> lock(scriptMutex);
    ++calls.waits;
    if (!script.waitSupported) return LineWait::kUnsupported;
    const uint32_t nowMs = SinceOpenMs();
    if (Vanished(nowMs)) return LineWait::kFailed;
    uint32_t nextMs = nowMs + timeoutMs;
    for (const LineStep& step : script.steps) {
      if (step.atMs > nowMs && step.atMs <= nextMs) {
        nextMs = step.atMs;
        change = true;
      }
    }
    if (script.vanishAtMs > nowMs && script.vanishAtMs <= nextMs) {
      nextMs = script.vanishAtMs;
      change = true;
    }
    wakeUs = openedUs + static_cast<uint64_t>(nextMs) * 1000u;
  }
  SleepUntilMicros(wakeUs);
  return change && !script.wakesLost ? LineWait::kChanged : LineWait::kTimedOut;
}

}  // namespace

void SetModemLineScript(const ModemLineScript& next) {
  std::lock_guard<std::mutex> lock(scriptMutex);
  script = next;
  calls = ScriptedLineCalls{};
}

const ModemLineBackend& ScriptedModemLines() {
  static const ModemLineBackend backend{Open, Close, Read, Wait};
  return backend;
}

ScriptedLineCalls ScriptedModemLineCalls() {
  std::lock_guard<std::mutex> lock(scriptMutex);
  return calls;
}
