// SPDX-License-Identifier: GPL-3.0-or-later
// The frame clock's rules (see the header).
#include "audio/frame_clock.h"

#include <algorithm>
#include <iterator>

FrameClockOutput NextFrameClock(FrameClock& c, const FrameClockInput& in) {
  FrameClockOutput out;
  const int64_t rate = in.sampleRateHz > 0 ? in.sampleRateHz : 48000;
  if (!c.anchored) {
    c.anchored = true;
    c.anchorUs = in.nowUs;
    c.renderedFrames = 0;
    c.blockCallbacks = 0;
    c.underflowsSeen = in.underflows;
    c.settlingBlocks = kSettlingBlocks;
    c.afterUnderflow = false;
    c.blockIndex = 0;
    std::fill(std::begin(c.blockMins), std::end(c.blockMins), 0);
  }
  const int64_t leadUs = in.frames > in.periodFrames ? (in.frames - in.periodFrames) * 1000000ll / rate : 0;
  int64_t clockUs =
      c.anchorUs + static_cast<int64_t>(c.renderedFrames * 1000000u / static_cast<uint64_t>(rate));
  int64_t behindUs = in.nowUs - (clockUs + leadUs);
  if (behindUs < 0) {
    c.anchorUs += behindUs;
    clockUs += behindUs;
    behindUs = 0;
    out.steppedBack = true;
  }
  if (in.underflows != c.underflowsSeen) {
    // The device played silence, so its timeline moved on by about as long; how far shows in the least
    // behind of the callbacks that follow, not in this one, which may be late by more. A block starts
    // here unless one already follows a notice (notices that keep coming must not put the step off for
    // good).
    c.underflowsSeen = in.underflows;
    if (!c.afterUnderflow) {
      c.afterUnderflow = true;
      c.blockCallbacks = 0;
    }
  }
  if (c.blockCallbacks == 0 || behindUs < c.blockMinBehindUs) c.blockMinBehindUs = behindUs;
  if (++c.blockCallbacks == kClockBlockCallbacks) {
    c.blockMins[c.blockIndex] = c.blockMinBehindUs;
    c.blockIndex = (c.blockIndex + 1) % kCreepWindowBlocks;
    const int64_t windowMinUs = *std::min_element(std::begin(c.blockMins), std::end(c.blockMins));
    int64_t step = std::min(windowMinUs / 16, kMaxCreepUs);
    if (c.settlingBlocks > 0 || c.afterUnderflow) {
      if (c.settlingBlocks > 0) --c.settlingBlocks;
      c.afterUnderflow = false;
      if (c.blockMinBehindUs >= kFrameClockShiftUs) {
        step = c.blockMinBehindUs;
        out.steppedForward = true;
      }
    }
    c.anchorUs += step;
    clockUs += step;
    c.blockCallbacks = 0;
  }
  c.renderedFrames += static_cast<uint64_t>(in.frames > 0 ? in.frames : 0);
  out.firstFrameUs = clockUs;
  return out;
}
