// SPDX-License-Identifier: GPL-3.0-or-later
// The keying thread: a thin loop around the keying tick.
//
// The thread only reads the clock, the levers and the settings, calls KeyingTick and passes its results
// on; all keying logic lives in the tick. Nothing here allocates, logs or waits except for the tick's
// sleep: PushKeyEvent is a lock-free ring.
#include "keying/keying_thread.h"

#include "core/app.h"
#include "core/clock.h"
#include "core/event.h"
#include "core/event_queue.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/threads.h"
#include "core/tone_flag.h"

namespace {

constexpr uint64_t kTickUs = 1000;         // one tick
constexpr uint64_t kPausedTickUs = 2000;   // paused: the thread idles a little longer
constexpr uint64_t kMaxLagUs = 20000;      // further behind than this, the schedule restarts from now
constexpr int kKeyingThreadPriority = 20;  // SCHED_FIFO when allowed; it sleeps all but a few us per tick
// At rest the thread waits for a lever to move instead of ticking; it still looks round this often for the
// stop event, a pause or a drop request.
constexpr uint32_t kRestWaitMs = 50;

bool BoolFlag(const std::atomic<int32_t>& flag) {
  return flag.load(std::memory_order_acquire) != 0;
}

bool BoolFlag(const KeyLever& lever) {
  return lever.load(std::memory_order_acquire) != 0;
}

bool AnyLeverClosed() {
  return BoolFlag(keyLevers.serialDot) || BoolFlag(keyLevers.keyboardDot) || BoolFlag(keyLevers.serialDash) ||
         BoolFlag(keyLevers.keyboardDash);
}

int32_t Setting(const std::atomic<int32_t>& value) {
  return value.load(std::memory_order_relaxed);
}

}  // namespace

void KeyingStep(KeyingState& state) {
  // A keying reset (a run stopped, restarted or paused) opened every lever: the key-down in progress goes
  // with the partly keyed character. Kept, its debounced contact would still read closed when the next run
  // closes a lever a few milliseconds later, and the old key-down would swallow the new first element.
  if (keyLevers.dropPendingCharacter.exchange(0, std::memory_order_acq_rel) != 0) {
    ResetKeyingTickState(state, TickMs());
  }

  KeyingInputs inputs;
  LeverSample levers;
  levers.serialDot = BoolFlag(keyLevers.serialDot);
  levers.serialDash = BoolFlag(keyLevers.serialDash);
  levers.keyboardDot = BoolFlag(keyLevers.keyboardDot);
  levers.keyboardDash = BoolFlag(keyLevers.keyboardDash);
  levers.serialIsPlayback = BoolFlag(runFlags.playing);
  ComposeContacts(levers, Setting(practiceSettings.PaddleReverse) != 0, inputs);
  inputs.paused = BoolFlag(keyLevers.paused);
  inputs.latinMode = Setting(LatinMode) != 0;
  inputs.autoKeyer = Setting(practiceSettings.Auto) != 0;
  inputs.keyerMode = KeyerModeFromSetting(Setting(practiceSettings.KeyerMode));
  // The Space binding is one key used as a straight key: with it live the keyer stands aside, or AUTO
  // would turn every key-down into a train of dots.
  if (Setting(practiceSettings.KeyBinding) == kSpaceStraightBinding && BoolFlag(keyLevers.keyboardKeying)) {
    inputs.autoKeyer = false;
  }
  inputs.WPM = Setting(practiceSettings.WPM);
  inputs.KeySoftness = Setting(practiceSettings.KeySoftness);
  inputs.JudgeEase = Setting(practiceSettings.JudgeEase);
  inputs.ElementTolerance = Setting(practiceSettings.ElementTolerance);
  inputs.CharSpeedTolerance = Setting(practiceSettings.CharSpeedTolerance);
  inputs.spaceExpected = &QuerySpaceExpected;

  // The edge stamp is taken with the contacts, so the audio engine places the tone edge where the contact
  // moved (plus its constant output delay), not where this thread happened to get to it.
  uint64_t nowUs = MonotonicMicros();
  uint32_t nowMs = static_cast<uint32_t>(nowUs / 1000u);  // the same instant as TickMs()
  KeyingOutput out = KeyingTick(state, nowMs, inputs);
  WriteToneOn(out.toneOn, nowUs);
  for (int i = 0; i < out.eventCount; ++i) {
    PushKeyEvent(out.events[i]);
  }
}

void KeyingThreadMain() {
  // Taken once: the event object outlives this thread (shutdown waits for it before closing events).
  Event stopAll = app.stopAllEvent;
  RequestRealtimePriority(kKeyingThreadPriority, ThreadRole::kKeying);

  KeyingState state;
  uint64_t deadlineUs = MonotonicMicros();
  while (EventExists(stopAll) && !IsEventSet(stopAll)) {
    // Nothing keyed, nothing pending, no gap to time: sleep until a lever moves. The wait returns at once
    // when a lever changed since the check, and the tick that follows reads the clock at the wake-up, so
    // the key-down is stamped where it happened rather than on a tick boundary.
    if (KeyingAtRest(state, Setting(LatinMode) != 0) && !AnyLeverClosed()) {
      WaitForAnyEvent({&stopAll, &leverChanged}, kRestWaitMs);
      deadlineUs = MonotonicMicros();
    }
    KeyingStep(state);
    deadlineUs += state.paused ? kPausedTickUs : kTickUs;
    // After a stall (suspend, a starved core) tick on from now instead of catching up in a burst: the tick
    // reads the clock itself, so missed ticks cost nothing but a coarser edge.
    uint64_t nowUs = MonotonicMicros();
    if (nowUs > deadlineUs + kMaxLagUs) deadlineUs = nowUs;
    SleepUntilMicros(deadlineUs);
  }
  WriteToneOn(0, MonotonicMicros());
}
