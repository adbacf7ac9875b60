// SPDX-License-Identifier: GPL-3.0-or-later
// The stream supervisor's decisions (see the diagram in the header).
#include "audio/stream_supervisor.h"

#include <algorithm>

namespace {

constexpr uint32_t kPlayingCheckMs = 100;  // underflows and breakage are looked at this often while playing
constexpr uint32_t kPausedCheckMs = 500;   // a broken server is noticed this fast at rest

int32_t& RungFor(StreamSupervisor& s, SoundUse use) {
  return use == SoundUse::kReceiving ? s.receivingRung : s.sendingRung;
}

int32_t RungsFor(SoundUse use) {
  return use == SoundUse::kReceiving ? kReceivingRungs : kSendingRungs;
}

Buffering BufferingFor(StreamSupervisor& s, SoundUse use) {
  const int32_t rung = std::clamp(RungFor(s, use), 0, RungsFor(use) - 1);
  return use == SoundUse::kReceiving ? kReceivingLadder[rung] : kSendingLadder[rung];
}

bool Reached(uint32_t nowMs, uint32_t atMs) {
  return static_cast<int32_t>(nowMs - atMs) >= 0;
}

StreamStep OpenStep(StreamAction action, StreamSupervisor& s, SoundUse use) {
  StreamStep step;
  step.action = action;
  const Buffering buffering = BufferingFor(s, use);
  step.periodFrames = buffering.periodFrames;
  step.periods = buffering.periods;
  return step;
}

// Counts the underflows reported since the last look; true when they recur.
bool UnderflowsRecur(StreamSupervisor& s, const StreamFacts& facts) {
  const uint64_t fresh = facts.underflows > s.underflowsSeen ? facts.underflows - s.underflowsSeen : 0;
  s.underflowsSeen = facts.underflows;
  if (fresh == 0 || !s.playing || !Reached(facts.nowMs, s.graceUntilMs)) return false;
  s.underflowsTotal += fresh;
  for (uint64_t i = 0; i < fresh && i < static_cast<uint64_t>(kRecurCount); ++i) {
    if (s.recentCount == kRecurCount) {
      std::copy(s.recentUnderflowMs + 1, s.recentUnderflowMs + kRecurCount, s.recentUnderflowMs);
      --s.recentCount;
    }
    s.recentUnderflowMs[s.recentCount++] = facts.nowMs;
  }
  return s.recentCount == kRecurCount && facts.nowMs - s.recentUnderflowMs[0] <= kRecurWindowMs;
}

}  // namespace

StreamStep NextStreamStep(StreamSupervisor& s, const StreamFacts& facts) {
  const SoundUse use = facts.wanted == SoundUse::kRest ? s.lastUse : facts.wanted;
  if (facts.wanted != SoundUse::kRest) s.lastUse = facts.wanted;

  if (s.open && facts.failed) {
    s.open = s.playing = false;
    s.retryAtMs = facts.nowMs;  // a server that went away may be back at once (a restart)
    s.retryDelayMs = kFirstRetryMs;
    return {StreamAction::kClose};
  }
  if (!s.open) {
    return Reached(facts.nowMs, s.retryAtMs) ? OpenStep(StreamAction::kOpen, s, use) : StreamStep{};
  }
  if (UnderflowsRecur(s, facts) && RungFor(s, use) + 1 < RungsFor(use)) {
    ++RungFor(s, use);
    s.recentCount = 0;
    s.open = s.playing = false;
    StreamStep step = OpenStep(StreamAction::kReopen, s, use);
    step.bufferingRaised = true;
    return step;
  }
  const Buffering wantedBuffering = BufferingFor(s, use);
  if (s.openPeriodFrames != wantedBuffering.periodFrames || s.openPeriods != wantedBuffering.periods) {
    if (facts.wanted != SoundUse::kRest) {
      s.open = s.playing = false;
      return OpenStep(StreamAction::kReopen, s, use);
    }
  }
  if (facts.wanted != SoundUse::kRest && !s.playing) {
    s.playing = true;
    s.graceUntilMs = facts.nowMs + kStartGraceMs;
    return {StreamAction::kResume};
  }
  if (facts.wanted == SoundUse::kRest && s.playing) {
    s.playing = false;
    return {StreamAction::kPause};
  }
  return {};
}

void NoteStreamOpened(StreamSupervisor& s, const StreamStep& step, bool ok, uint32_t nowMs,
                      uint64_t underflows) {
  s.underflowsSeen = underflows;
  s.recentCount = 0;
  if (!ok) {
    s.open = s.playing = false;
    s.retryAtMs = nowMs + s.retryDelayMs;
    s.retryDelayMs = std::min(s.retryDelayMs * 2, kMaxRetryMs);
    return;
  }
  s.open = true;
  s.playing = false;
  s.openPeriodFrames = step.periodFrames;
  s.openPeriods = step.periods;
  s.retryDelayMs = kFirstRetryMs;
}

uint32_t StreamCheckIntervalMs(const StreamSupervisor& s, uint32_t nowMs) {
  if (!s.open) return Reached(nowMs, s.retryAtMs) ? 0 : s.retryAtMs - nowMs;
  return s.playing ? kPlayingCheckMs : kPausedCheckMs;
}
