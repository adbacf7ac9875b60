// SPDX-License-Identifier: GPL-3.0-or-later
// The element statistics and the two status lines under the sheets.
#include "practice/status_lines.h"

#include <algorithm>

#include "core/clock.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/text.h"
#include "records/run_statistics.h"

ElementStatistics elementStatistics;

void ResetElementStatistics() {
  ElementStatistics& s = elementStatistics;
  s.lastElement.store(0);
  s.previousTickMs.store(0);
  s.lastDurationMs.store(0);
  s.intervalMs.store(0);
  s.instantWpm.store(0);
  s.instantCpm.store(0);
  s.runStartMs.store(TickMs());
}

void RecordElement(char16_t element, uint32_t durationMs, uint32_t tickMs) {
  if (element != u'\u30FB' && element != u'\u30FC') return;
  ElementStatistics& s = elementStatistics;
  s.lastElement.store(element);
  s.lastDurationMs.store(durationMs);
  const uint32_t previousTickMs = s.previousTickMs.load();
  const uint32_t intervalMs = previousTickMs != 0 ? tickMs - previousTickMs : 0;
  s.intervalMs.store(intervalMs);
  s.previousTickMs.store(tickMs);
  // One unit per dot, three per dash: the interval (or a first element's own length) over the units.
  uint32_t basisMs = std::max<uint32_t>(intervalMs != 0 ? intervalMs : durationMs, 1);
  if (element == u'\u30FC') basisMs = std::max<uint32_t>(basisMs / 3, 1);
  const int32_t wpm = static_cast<int32_t>(std::min<uint32_t>(1200 / basisMs, 999));
  s.instantWpm.store(wpm);
  s.instantCpm.store(5 * wpm);
  RefreshStatusLines();
}

void RefreshStatusLines() {
  if (!MainWindowExists()) return;
  const uint32_t nowMs = TickMs();
  // Practice time: it stands still while paused and while a result window is up.
  uint32_t seconds = 0;
  if (const uint32_t runStartMs = elementStatistics.runStartMs.load(); runStartMs != 0) {
    const uint32_t sinceStartMs = nowMs - runStartMs;
    seconds = (sinceStartMs - std::min(sinceStartMs, RunHeldMs(nowMs))) / 1000;
  } else if (runStatistics.startTick.load() != 0) {
    seconds = RunElapsedMs(nowMs) / 1000;
  }
  const bool dot = keyLevers.serialDot.load() != 0 || keyLevers.keyboardDot.load() != 0;
  const bool dash = keyLevers.serialDash.load() != 0 || keyLevers.keyboardDash.load() != 0;
  const char16_t* input = dot ? (dash ? u"・ー" : u"・　") : (dash ? u"ー　" : u"　　");
  const char16_t* state = dot || dash ? u"ON " : u"OFF";
  SetControlText(kStatusLine1,
                 FormatText(u"入力[%s] 状態[%s] 経過[%03d:%02d] 設定[%03dWPM %04dHz]",
                            {input, state, static_cast<int>(seconds / 60), static_cast<int>(seconds % 60),
                             practiceSettings.WPM.load(), practiceSettings.Freq.load()}));
  const ElementStatistics& s = elementStatistics;
  SetControlText(kStatusLine2, FormatText(u"直前符号[%04lu ms] 間隔[%04lu ms] 瞬時[%03d WPM/%04d CPM]",
                                          {static_cast<unsigned long>(s.lastDurationMs.load()),
                                           static_cast<unsigned long>(s.intervalMs.load()),
                                           s.instantWpm.load(), s.instantCpm.load()}));
}
