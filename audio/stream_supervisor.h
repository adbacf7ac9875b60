// SPDX-License-Identifier: GPL-3.0-or-later
// What the audio thread does with its stream, decided from a few facts: which run wants sound, whether the
// stream broke, how many underflows it reported and what time it is. A pure function of its record, so the
// buffering steps and the back-off are tested on a fake clock; the audio thread carries the steps out.
//
//   no stream --(retry time reached)--> open ---ok---> paused <--(run ends)-- playing
//       ^   \--failed: next retry after 100, 200, 400, 800, 1000, 1000 ... ms       \--(run starts)--^
//       |                                                                            |
//       +-------------- the stream or the server broke (close, retry at once) -------+
//
// Buffering follows a ladder per kind of run. Send practice, where the learner hears his own keying, starts
// at the smallest buffering a quiet machine holds, 4 periods of 64 frames (5.3 ms at 48 kHz), then takes
// 4, 6 and 8 periods of 128; receive practice and demonstrations, which need no low latency, take 4, 6 and
// 8 periods of 512. When underflows recur while playing (kRecurCount of them within kRecurWindowMs), the
// stream is reopened one rung up; the rung holds for the rest of the session. A run whose buffering
// differs from the open stream's reopens it.
//
// Thread: the audio thread only.
#pragma once
#include <cstdint>

enum class SoundUse : int32_t { kRest = 0, kSending = 1, kReceiving = 2 };

struct Buffering {
  int32_t periodFrames;
  int32_t periods;
};
constexpr Buffering kSendingLadder[] = {{64, 4}, {128, 4}, {128, 6}, {128, 8}};
constexpr Buffering kReceivingLadder[] = {{512, 4}, {512, 6}, {512, 8}};
constexpr int32_t kSendingRungs = sizeof(kSendingLadder) / sizeof(kSendingLadder[0]);
constexpr int32_t kReceivingRungs = sizeof(kReceivingLadder) / sizeof(kReceivingLadder[0]);
constexpr int32_t kRecurCount = 2;
constexpr uint32_t kRecurWindowMs = 20000;
// Underflows while a stream starts or resumes are the server filling its buffer, not dropouts.
constexpr uint32_t kStartGraceMs = 500;
constexpr uint32_t kFirstRetryMs = 100;
constexpr uint32_t kMaxRetryMs = 1000;

struct StreamSupervisor {
  bool open = false;
  bool playing = false;
  int32_t openPeriodFrames = 0;  // buffering of the open stream
  int32_t openPeriods = 0;
  SoundUse lastUse = SoundUse::kSending;  // the stream at rest is kept ready for the last kind of run
  int32_t sendingRung = 0;                // adapted buffering per kind of run: the rung of its ladder
  int32_t receivingRung = 0;
  uint64_t underflowsSeen = 0;                   // the device's count already looked at
  uint64_t underflowsTotal = 0;                  // all streams, while playing and after the grace
  uint32_t recentUnderflowMs[kRecurCount] = {};  // times of the latest counted underflows, newest last
  int32_t recentCount = 0;
  uint32_t graceUntilMs = 0;
  uint32_t retryAtMs = 0;
  uint32_t retryDelayMs = kFirstRetryMs;
};

enum class StreamAction { kNone, kOpen, kReopen, kResume, kPause, kClose };

struct StreamStep {
  StreamAction action = StreamAction::kNone;
  int32_t periodFrames = 0;  // for kOpen and kReopen
  int32_t periods = 0;
  bool bufferingRaised = false;  // kReopen because underflows recurred: say so once
};

struct StreamFacts {
  uint32_t nowMs = 0;
  SoundUse wanted = SoundUse::kRest;
  bool failed = false;      // the open stream broke
  uint64_t underflows = 0;  // the device's underflow count (all streams so far)
};

// The next thing to do. The record already shows the step as done, except the outcome of an open, which
// NoteStreamOpened records.
StreamStep NextStreamStep(StreamSupervisor& s, const StreamFacts& facts);
// After kOpen or kReopen: whether the stream of `step` opened; underflows is the device's count then.
void NoteStreamOpened(StreamSupervisor& s, const StreamStep& step, bool ok, uint32_t nowMs,
                      uint64_t underflows);
// How long the audio thread may sleep before it must look again (events wake it earlier).
uint32_t StreamCheckIntervalMs(const StreamSupervisor& s, uint32_t nowMs);
