// SPDX-License-Identifier: GPL-3.0-or-later
// The stream supervisor on a fake clock: what it does at each moment of a scripted session, the buffering
// steps when underflows recur, and the back-off after a broken stream.
#include <gtest/gtest.h>

#include <vector>

#include "audio/stream_supervisor.h"

namespace {

using A = StreamAction;
constexpr SoundUse kRest = SoundUse::kRest, kSend = SoundUse::kSending, kReceive = SoundUse::kReceiving;

// One look of the audio thread: the facts then, whether an open asked for now succeeds, and what must be
// done (for opens, with which buffering; periods 0 = not checked).
struct Moment {
  uint32_t atMs;
  SoundUse wanted;
  uint64_t underflows;
  bool failed;
  bool openSucceeds;
  StreamAction expected;
  int32_t periodFrames;
  int32_t periods;
  bool raised;
};

struct Session {
  const char* name;
  std::vector<Moment> moments;
};

const Session kSessions[] = {
    {"rests paused, plays for a run, rests again",
     {{0, kRest, 0, false, true, A::kOpen, 64, 4, false},
      {10, kRest, 0, false, true, A::kNone, 0, 0, false},
      {20, kSend, 0, false, true, A::kResume, 0, 0, false},
      {30, kSend, 0, false, true, A::kNone, 0, 0, false},
      {40, kRest, 0, false, true, A::kPause, 0, 0, false},
      {50, kRest, 0, false, true, A::kNone, 0, 0, false}}},
    {"underflows while the stream starts are not dropouts",
     {{0, kSend, 0, false, true, A::kOpen, 64, 4, false},
      {0, kSend, 0, false, true, A::kResume, 0, 0, false},
      {100, kSend, 3, false, true, A::kNone, 0, 0, false},
      {700, kSend, 3, false, true, A::kNone, 0, 0, false},
      {800, kSend, 4, false, true, A::kNone, 0, 0, false}}},
    {"recurring underflows step 4 x 64 -> 4 x 128 -> 6 x 128 -> 8 x 128 and no further",
     {{0, kSend, 0, false, true, A::kOpen, 64, 4, false},
      {0, kSend, 0, false, true, A::kResume, 0, 0, false},
      {1000, kSend, 1, false, true, A::kNone, 0, 0, false},
      {2000, kSend, 2, false, true, A::kReopen, 128, 4, true},
      {2000, kSend, 2, false, true, A::kResume, 0, 0, false},
      {3000, kSend, 3, false, true, A::kNone, 0, 0, false},
      {4000, kSend, 5, false, true, A::kReopen, 128, 6, true},
      {4000, kSend, 5, false, true, A::kResume, 0, 0, false},
      {5000, kSend, 7, false, true, A::kReopen, 128, 8, true},
      {5000, kSend, 7, false, true, A::kResume, 0, 0, false},
      {6000, kSend, 9, false, true, A::kNone, 0, 0, false},
      {7000, kSend, 12, false, true, A::kNone, 0, 0, false}}},
    {"underflows more than 20 s apart do not recur",
     {{0, kSend, 0, false, true, A::kOpen, 64, 4, false},
      {0, kSend, 0, false, true, A::kResume, 0, 0, false},
      {1000, kSend, 1, false, true, A::kNone, 0, 0, false},
      {22000, kSend, 2, false, true, A::kNone, 0, 0, false},
      {23000, kSend, 3, false, true, A::kReopen, 128, 4, true}}},
    {"underflows at rest do not count",
     {{0, kRest, 0, false, true, A::kOpen, 64, 4, false},
      {1000, kRest, 5, false, true, A::kNone, 0, 0, false},
      {1100, kSend, 5, false, true, A::kResume, 0, 0, false},
      {2000, kSend, 6, false, true, A::kNone, 0, 0, false}}},
    {"the buffering learnt holds after a stop and a new run",
     {{0, kSend, 0, false, true, A::kOpen, 64, 4, false},
      {0, kSend, 0, false, true, A::kResume, 0, 0, false},
      {1000, kSend, 2, false, true, A::kReopen, 128, 4, true},
      {1000, kSend, 2, false, true, A::kResume, 0, 0, false},
      {2000, kRest, 2, false, true, A::kPause, 0, 0, false},
      {3000, kSend, 2, false, true, A::kResume, 0, 0, false}}},
    {"receive practice gets its own buffering, rest keeps it, send practice reopens",
     {{0, kRest, 0, false, true, A::kOpen, 64, 4, false},
      {10, kReceive, 0, false, true, A::kReopen, 512, 4, false},
      {10, kReceive, 0, false, true, A::kResume, 0, 0, false},
      {1000, kReceive, 2, false, true, A::kReopen, 512, 6, true},
      {1000, kReceive, 2, false, true, A::kResume, 0, 0, false},
      {2000, kRest, 2, false, true, A::kPause, 0, 0, false},
      {3000, kRest, 2, false, true, A::kNone, 0, 0, false},
      {4000, kSend, 2, false, true, A::kReopen, 64, 4, false}}},
    {"a broken stream is reopened at once, then with back-off 100 200 400 800 1000 1000",
     {{0, kSend, 0, false, true, A::kOpen, 64, 4, false},
      {0, kSend, 0, false, true, A::kResume, 0, 0, false},
      {500, kSend, 0, true, true, A::kClose, 0, 0, false},
      {500, kSend, 0, false, false, A::kOpen, 64, 4, false},
      {599, kSend, 0, false, false, A::kNone, 0, 0, false},
      {600, kSend, 0, false, false, A::kOpen, 0, 0, false},
      {799, kSend, 0, false, false, A::kNone, 0, 0, false},
      {800, kSend, 0, false, false, A::kOpen, 0, 0, false},
      {1200, kSend, 0, false, false, A::kOpen, 0, 0, false},
      {2000, kSend, 0, false, false, A::kOpen, 0, 0, false},
      {2999, kSend, 0, false, false, A::kNone, 0, 0, false},
      {3000, kSend, 0, false, false, A::kOpen, 0, 0, false},
      {4000, kSend, 0, false, true, A::kOpen, 0, 0, false},
      {4000, kSend, 0, false, true, A::kResume, 0, 0, false}}},
    {"an open that fails at the start is retried at rest too",
     {{0, kRest, 0, false, false, A::kOpen, 64, 4, false},
      {50, kRest, 0, false, false, A::kNone, 0, 0, false},
      {100, kRest, 0, false, true, A::kOpen, 64, 4, false},
      {200, kRest, 0, false, true, A::kNone, 0, 0, false}}},
};

TEST(StreamSupervisor, ScriptedSessions) {
  for (const Session& session : kSessions) {
    StreamSupervisor supervisor;
    for (size_t i = 0; i < session.moments.size(); ++i) {
      const Moment& m = session.moments[i];
      SCOPED_TRACE(std::string(session.name) + ", moment " + std::to_string(i) + " at " +
                   std::to_string(m.atMs) + " ms");
      StreamFacts facts;
      facts.nowMs = m.atMs;
      facts.wanted = m.wanted;
      facts.failed = m.failed;
      facts.underflows = m.underflows;
      const StreamStep step = NextStreamStep(supervisor, facts);
      ASSERT_EQ(static_cast<int>(step.action), static_cast<int>(m.expected));
      if (m.periods != 0) {
        EXPECT_EQ(step.periodFrames, m.periodFrames);
        EXPECT_EQ(step.periods, m.periods);
      }
      EXPECT_EQ(step.bufferingRaised, m.raised);
      if (step.action == A::kOpen || step.action == A::kReopen) {
        NoteStreamOpened(supervisor, step, m.openSucceeds, m.atMs, m.underflows);
      }
    }
  }
}

struct IntervalCase {
  const char* name;
  bool open, playing;
  uint32_t retryAtMs, nowMs;
  uint32_t expectedMs;
};

const IntervalCase kIntervals[] = {
    {"playing: underflows looked at often", true, true, 0, 1000, 100},
    {"paused: a broken server noticed at rest", true, false, 0, 1000, 500},
    {"no stream: sleeps until the retry", false, false, 1400, 1000, 400},
    {"no stream, retry due", false, false, 900, 1000, 0},
    {"no stream, retry across the tick wrap", false, false, 100, 0xFFFFFF00u, 356},
};

TEST(StreamSupervisor, LooksAgainSoonEnough) {
  for (const IntervalCase& c : kIntervals) {
    SCOPED_TRACE(c.name);
    StreamSupervisor s;
    s.open = c.open;
    s.playing = c.playing;
    s.retryAtMs = c.retryAtMs;
    EXPECT_EQ(StreamCheckIntervalMs(s, c.nowMs), c.expectedMs);
  }
}

}  // namespace
