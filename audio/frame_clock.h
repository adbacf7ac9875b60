// SPDX-License-Identifier: GPL-3.0-or-later
// The live stream's frame clock: the time of each requested frame, from counting frames since an anchor.
//
// Callback times jitter and bunch, while the device consumes frames at a steady rate, so a frame's time
// comes from the frames rendered since the anchor, not from the callback's own clock reading. A pure
// function of its record and one callback's facts, so every rule below is tested on made-up callback times;
// the device thread keeps the record.
//
// The anchor is kept so that every request's last period starts at or before the callback ("behind" >= 0);
// with an output delay of one period that guarantees that every edge a request needs was published before
// it was rendered (a device asking a period at a time, as RtAudio does, has its first frame there):
//   behind < 0                       the callback came earlier than its frames' time: move the anchor back
//                                    at once;
//   the stream has just (re)started, or the device reported an underflow, and then a whole block of
//   callbacks came at least kFrameClockShiftUs behind
//                                    the stream's timeline moved (a start asks for the whole buffer at
//                                    once, then pauses while it plays; an underflow plays silence): move
//                                    the anchor forward at once by the block's smallest behind (the first
//                                    callback after an underflow may be late by more than the timeline
//                                    moved, and following it would step the clock forward, then back);
//   otherwise                        follow a device clock that runs slow against the monotonic clock by
//                                    a sixteenth of the smallest behind of the latest kCreepWindowBlocks
//                                    blocks per block, at most kMaxCreepUs (about 600 ppm).
// Moving the anchor in one step shifts only the edges around that moment; creeping it over many buffers
// would bend every element keyed meanwhile. Callbacks that come late on a busy machine while the device
// plays on do not move the timeline: only the device's own underflow notice does (following late
// callbacks forward, and back again when one comes on time, would step the keying by milliseconds).
//
// Thread: the device thread only (or a test).
#pragma once
#include <cstdint>

constexpr int kClockBlockCallbacks = 32;  // about 85 ms at 128 frames and 48 kHz
constexpr int64_t kMaxCreepUs = 50;
constexpr int64_t kFrameClockShiftUs = 1000;
constexpr int kSettlingBlocks = 4;  // after a (re)start, about 340 ms (after an underflow: one block)
// The creep follows the smallest behind over this many blocks (about 1.4 s): a server that asks for two
// periods at once every second or so keeps the slack that request needs instead of losing it to the creep
// and taking it back with a step.
constexpr int kCreepWindowBlocks = 16;

struct FrameClock {
  bool anchored = false;         // false: the next callback sets the anchor (a stream's (re)start)
  int64_t anchorUs = 0;          // time of frame 0
  uint64_t renderedFrames = 0;   // frames handed out since the anchor
  int blockCallbacks = 0;        // callbacks in the current block
  int64_t blockMinBehindUs = 0;  // smallest behind in the current block
  uint64_t underflowsSeen = 0;   // the device's underflow count at the last callback
  int settlingBlocks = 0;        // blocks left after a (re)start in which a late block moves the anchor
  bool afterUnderflow = false;   // the current block began at an underflow notice: it may move it too
  int64_t blockMins[kCreepWindowBlocks] = {};  // smallest behind of the latest blocks
  int blockIndex = 0;
};

// One callback's facts.
struct FrameClockInput {
  int64_t nowUs = 0;   // the monotonic clock at the callback
  int32_t frames = 0;  // frames requested
  int32_t periodFrames = 128;
  int32_t sampleRateHz = 48000;
  uint64_t underflows = 0;  // the device's underflow count
};

struct FrameClockOutput {
  int64_t firstFrameUs = 0;     // time of the request's first frame
  bool steppedBack = false;     // the anchor moved back (the callback came early)
  bool steppedForward = false;  // the anchor moved forward in one step (the stream's timeline moved)
};

// The request's first frame time, after updating the anchor for this callback; the request's frames count
// as handed out.
FrameClockOutput NextFrameClock(FrameClock& clock, const FrameClockInput& in);
