// SPDX-License-Identifier: GPL-3.0-or-later
// The timing of the last keyed element and the two status lines under the sheets (controls 1117, 1118).
// Run control, the judge and scoring all refresh them, so they sit below all three.
//
// Thread: RecordElement on the event thread; the rest on any thread.
#pragma once
#include <atomic>
#include <cstdint>

// Timing of the last keyed element. RecordElement (event thread) writes, the status refresh reads.
struct ElementStatistics {
  std::atomic<char16_t> lastElement{0};     // ・ or ー, 0 after a reset
  std::atomic<uint32_t> lastDurationMs{0};  // key-down time of the last element
  std::atomic<uint32_t> previousTickMs{0};  // tickMs of the previous element, 0 when none
  std::atomic<uint32_t> intervalMs{0};      // between the ends of the last two elements, 0 for the first
  std::atomic<int32_t> instantWpm{0};       // 0..999
  std::atomic<int32_t> instantCpm{0};       // 5 x instantWpm
  std::atomic<uint32_t> runStartMs{0};      // TickMs() at RX START, 0 when unset
};
extern ElementStatistics elementStatistics;

// Event thread, for every element event: instant speed from the interval (or the duration of a first
// element), a dash counting three units.
void RecordElement(char16_t element, uint32_t durationMs, uint32_t tickMs);
void ResetElementStatistics();
// Controls 1117 "入力[..] 状態[..] 経過[..] 設定[..]" and 1118 "直前符号[..] 間隔[..] 瞬時[..]"; nothing
// before the main window exists.
void RefreshStatusLines();
