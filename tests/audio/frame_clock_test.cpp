// SPDX-License-Identifier: GPL-3.0-or-later
// The frame clock on made-up callback times: steady callbacks, early and late ones, a start's whole-buffer
// request, the device's underflow notice and the settling after a start (48 kHz, periods of 128 frames:
// 2666.67 us each).
#include <gtest/gtest.h>

#include <vector>

#include "audio/frame_clock.h"

namespace {

constexpr int64_t kT0 = 1000000;  // the first callback

// Frame-clock time of `frames` frames at 48 kHz, truncated to microseconds as the clock counts.
int64_t FramesUs(int64_t frames) {
  return frames * 1000000 / 48000;
}

struct Call {
  int64_t nowUs;
  int32_t frames;
  uint64_t underflows;
  int64_t firstUs;  // expected; -1: not checked
  bool back, forward;
};

struct Row {
  const char* name;
  std::vector<Call> calls;
};

// After a start's request for the whole buffer (4 periods), the server asks again only when that has
// played down: every callback of the next block comes 8 ms behind, and the clock follows at the block's end.
std::vector<Call> SettlingAfterAStart() {
  std::vector<Call> calls = {{kT0, 512, 0, kT0 - 8000, true, false}};
  for (int k = 1; k < 64; ++k) {
    const int64_t clock = kT0 - 8000 + FramesUs(512 + (k - 1) * 128);
    calls.push_back({clock + 8000, 128, 0, k == 63 ? clock + 8000 : clock, false, k == 63});
  }
  return calls;
}

// Steady callbacks until an underflow notice at callback 40 (past the start's settling), after which every
// callback comes 20 ms behind, the first 25 ms: the block from the notice on moves the clock by 20 ms at
// its end, not by the first callback's 25.
std::vector<Call> UnderflowThenLateBlock() {
  std::vector<Call> calls;
  int64_t anchor = kT0;
  for (int k = 0; k < 40 + kClockBlockCallbacks; ++k) {
    const int64_t clock = anchor + FramesUs(k * 128);
    const int64_t late = k < 40 ? 0 : (k == 40 ? 25000 : 20000);
    const bool last = k == 40 + kClockBlockCallbacks - 1;
    calls.push_back({clock + late, 128, k < 40 ? 0u : 1u, last ? clock + 20000 : clock, false, last});
  }
  return calls;
}

const std::vector<Row> kRows = {
    {"steady callbacks, each a little late, keep the frames a period apart",
     {{kT0, 128, 0, kT0, false, false},
      {kT0 + 2900, 128, 0, kT0 + 2666, false, false},
      {kT0 + 5400, 128, 0, kT0 + 5333, false, false},
      {kT0 + 8000, 128, 0, kT0 + 8000, false, false}}},
    {"an early callback moves the clock back to itself at once",
     {{kT0, 128, 0, kT0, false, false}, {kT0 + 2000, 128, 0, kT0 + 2000, true, false}}},
    {"a request of several periods puts its last period at the callback",
     {{kT0, 128, 0, kT0, false, false}, {kT0 + 2666, 384, 0, kT0 + 2666 - 5333, true, false}}},
    {"a late callback without an underflow notice leaves the clock alone",
     {{kT0, 128, 0, kT0, false, false}, {kT0 + 20000, 128, 0, kT0 + 2666, false, false}}},
    {"after the device's underflow notice a whole block behind moves the clock forward by its least",
     UnderflowThenLateBlock()},
    {"a notice with the callback on time moves nothing",
     {{kT0, 128, 0, kT0, false, false}, {kT0 + 2666, 128, 1, kT0 + 2666, false, false}}},
    {"after a start a whole block behind moves the clock forward by its least", SettlingAfterAStart()},
};

TEST(FrameClock, FrameTimesFollowTheRules) {
  for (const Row& row : kRows) {
    FrameClock clock;
    for (size_t i = 0; i < row.calls.size(); ++i) {
      const Call& c = row.calls[i];
      FrameClockInput in;
      in.nowUs = c.nowUs;
      in.frames = c.frames;
      in.periodFrames = 128;
      in.sampleRateHz = 48000;
      in.underflows = c.underflows;
      const FrameClockOutput out = NextFrameClock(clock, in);
      if (c.firstUs >= 0) {
        EXPECT_EQ(out.firstFrameUs, c.firstUs) << row.name << ", callback " << i;
      }
      EXPECT_EQ(out.steppedBack, c.back) << row.name << ", callback " << i;
      EXPECT_EQ(out.steppedForward, c.forward) << row.name << ", callback " << i;
    }
  }
}

}  // namespace
