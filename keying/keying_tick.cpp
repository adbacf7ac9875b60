// SPDX-License-Identifier: GPL-3.0-or-later
// The keying tick.
//
// Sections: timing formulas - character re-classification - debounce and AUTO keyer - the Iambic and
// Ultimatic keyers - lever composition and keyer changes - the tick.
//
// Per tick, in this order:
//   paused?  -> reset everything, key up, nothing else
//   debounce both contacts -> keyed state (straight, the AUTO keyer, Iambic A/B or Ultimatic)
//   key-down edge: finish a pending character if the gap before it was a character gap; arm the word gap
//   key-up edge:   drop a glitch, else append '.'/'-' and report the element
//   key up:        finish a pending character after the character time-out
//   word gap:      Latin only, once per key-down, and only where the model expects a blank
#include "keying/keying_tick.h"

#include <algorithm>
#include <cstring>

namespace {

int64_t Clamp100(int32_t value) {
  return std::clamp<int64_t>(value, 0, 100);
}

// Per-mille factor of the unit, rounded, at least 1 ms.
uint32_t ScaledUnit(uint32_t unitMs, int64_t perMille) {
  int64_t ms = (static_cast<int64_t>(unitMs) * perMille + 500) / 1000;
  return static_cast<uint32_t>(std::max<int64_t>(1, ms));
}

// Soft keying (KeySoftness above 50) lengthens the thresholds that end an element or a gap.
uint32_t Lengthening(uint32_t unitMs, int32_t keySoftness, int64_t factor) {
  int64_t ks = Clamp100(keySoftness);
  if (ks <= 50) return 0;
  return static_cast<uint32_t>(((ks - 50) * unitMs * factor + 25000) / 50000);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Timing formulas. All from the unit and the leniency settings; at 15 WPM (unit 80 ms):
//
//                         | per-mille of unit by JudgeEase (JE)         | lengthening | JE=KS=50 | JE=KS=100
//   ----------------------+---------------------------------------------+-------------+----------+-----------
//   dash threshold        | 1650 + 7 JE                                 | L(450)      |   160    | 188+36=224
//   character gap (down)  | JE<=50: 2200 - 4 JE;  else 2000 - 5 (JE-50) | -           |   160    | 140
//   character time-out    | JE<=50: 2250 + 15 JE; else 3000 + 18 (JE-50)| L(900)      |   240    | 312+72=384
//   word gap              | JE<=50: 5500 + 30 JE; else 7000 + 40 (JE-50)| L(1200)     |   560    | 720+96=816
//
//   L(x) = ((KS - 50) * unit * x + 25000) / 50000 when KS > 50, else 0.
//   debounce close = min(8 - 6 KS/100, unit/5), open = min(3 + 12 KS/100, unit/3), both >= 1
//                                                                      (KS 50: 5 / 9,   KS 100: 2 / 15)
//   glitch limit   = max(2, ceil(unit * (260 - 220 KS/100) / 1000))    (KS 0: 21, KS 50: 12, KS 100: 4)
// ---------------------------------------------------------------------------------------------------------

uint32_t UnitMs(int32_t wpm) {
  int64_t w = std::clamp<int64_t>(wpm, 1, 100);
  return static_cast<uint32_t>(std::max<int64_t>(1, (1200 + w / 2) / w));
}

uint32_t DebounceCloseMs(uint32_t unitMs, int32_t keySoftness) {
  int64_t hold = std::min<int64_t>(8 - Clamp100(keySoftness) * 6 / 100, unitMs / 5);
  return static_cast<uint32_t>(std::max<int64_t>(1, hold));
}

uint32_t DebounceOpenMs(uint32_t unitMs, int32_t keySoftness) {
  int64_t hold = std::min<int64_t>(3 + Clamp100(keySoftness) * 12 / 100, unitMs / 3);
  return static_cast<uint32_t>(std::max<int64_t>(1, hold));
}

uint32_t GlitchLimitMs(uint32_t unitMs, int32_t keySoftness) {
  int64_t perMille = 260 - Clamp100(keySoftness) * 220 / 100;
  int64_t ms = (static_cast<int64_t>(unitMs) * perMille + 999) / 1000;
  return static_cast<uint32_t>(std::max<int64_t>(2, ms));
}

uint32_t DashThresholdMs(uint32_t unitMs, int32_t judgeEase, int32_t keySoftness) {
  return ScaledUnit(unitMs, 1650 + 7 * Clamp100(judgeEase)) + Lengthening(unitMs, keySoftness, 450);
}

uint32_t CharacterGapMs(uint32_t unitMs, int32_t judgeEase) {
  int64_t je = Clamp100(judgeEase);
  return ScaledUnit(unitMs, je <= 50 ? 2200 - 4 * je : 2000 - 5 * (je - 50));
}

uint32_t CharacterTimeoutMs(uint32_t unitMs, int32_t judgeEase, int32_t keySoftness) {
  int64_t je = Clamp100(judgeEase);
  return ScaledUnit(unitMs, je <= 50 ? 2250 + 15 * je : 3000 + 18 * (je - 50)) +
         Lengthening(unitMs, keySoftness, 900);
}

uint32_t WordGapMs(uint32_t unitMs, int32_t judgeEase, int32_t keySoftness) {
  int64_t je = Clamp100(judgeEase);
  return ScaledUnit(unitMs, je <= 50 ? 5500 + 30 * je : 7000 + 40 * (je - 50)) +
         Lengthening(unitMs, keySoftness, 1200);
}

uint32_t SplitRatioPerMille(int32_t elementTolerance, int32_t keySoftness) {
  // (KS - 50) / 2 truncates toward zero, as C++ division does.
  int64_t s = std::clamp<int64_t>(Clamp100(elementTolerance) + (Clamp100(keySoftness) - 50) / 2, 0, 100);
  return static_cast<uint32_t>(std::max<int64_t>(1200, 2500 - 13 * s));
}

// ---------------------------------------------------------------------------------------------------------
// Re-classification of a finished character.
//
// The symbols chosen at key-up used the nominal unit. A learner rarely keys at exactly the set speed, so a
// finished character is looked at as a whole: when its longest element is clearly longer than its shortest
// (ratio r), the elements split at the midpoint between them; otherwise (one element, or all alike) each
// element is compared with the dash threshold of the speed the character itself was keyed at, pulled from
// the set speed only as far as CharSpeedTolerance allows.
// ---------------------------------------------------------------------------------------------------------

uint32_t EstimatedUnitMs(const PendingCharacter& pending, uint32_t unitMs, int32_t charSpeedTolerance) {
  if (pending.count <= 0) return unitMs;
  int64_t n = pending.count;
  int64_t mean = (static_cast<int64_t>(pending.estimateSumMs) + n / 2) / n;
  int64_t c = Clamp100(charSpeedTolerance);
  int64_t k = c * 75 / 100;
  int64_t low = std::max<int64_t>(1, (95 - k) * unitMs / 100);
  int64_t high = std::max<int64_t>(low, (105 + k) * unitMs / 100);
  if (mean < low || mean > high) return unitMs;
  return static_cast<uint32_t>(std::max<int64_t>(1, ((100 - c) * unitMs + c * mean + 50) / 100));
}

void ClassifyCharacter(const PendingCharacter& pending, uint32_t unitMs, const KeyingInputs& inputs,
                       char* codeOut) {
  int stored = std::min(pending.count, kMaxPendingSymbols);
  if (stored <= 0) {
    codeOut[0] = '\0';
    return;
  }
  uint64_t ratio = SplitRatioPerMille(inputs.ElementTolerance, inputs.KeySoftness);
  uint32_t shortest = pending.shortestMs, longest = pending.longestMs;
  if (pending.count >= 2 && shortest > 0 && uint64_t{longest} * 1000 >= ratio * shortest) {
    uint32_t middle = shortest + (longest - shortest) / 2;
    for (int i = 0; i < stored; ++i) codeOut[i] = pending.durationsMs[i] > middle ? '-' : '.';
  } else {
    uint32_t speedUnit = EstimatedUnitMs(pending, unitMs, inputs.CharSpeedTolerance);
    uint32_t threshold = DashThresholdMs(speedUnit, inputs.JudgeEase, inputs.KeySoftness);
    for (int i = 0; i < stored; ++i) codeOut[i] = pending.durationsMs[i] < threshold ? '.' : '-';
  }
  codeOut[stored] = '\0';
}

void AppendElement(PendingCharacter& pending, char symbol, uint32_t durationMs) {
  if (pending.count < kMaxPendingSymbols) {
    pending.text[pending.count] = symbol;
    pending.text[pending.count + 1] = '\0';
    pending.durationsMs[pending.count] = durationMs;
  }
  // A dot estimates the unit by itself, a dash by a third of itself.
  uint32_t estimate = symbol == '.' ? durationMs : (durationMs + 1) / 3;
  pending.estimateSumMs += std::max<uint32_t>(1, estimate);
  if (pending.count == 0 || durationMs < pending.shortestMs) pending.shortestMs = durationMs;
  if (pending.count == 0 || durationMs > pending.longestMs) pending.longestMs = durationMs;
  ++pending.count;
}

namespace {

KeyEvent& NewEvent(KeyingOutput& out, KeyEventKind kind, uint32_t nowMs) {
  KeyEvent& event = out.events[out.eventCount++];
  event = KeyEvent{};
  event.kind = kind;
  event.tickMs = nowMs;
  return event;
}

void FinishCharacter(KeyingState& state, uint32_t unitMs, uint32_t nowMs, const KeyingInputs& inputs,
                     KeyingOutput& out) {
  KeyEvent& event = NewEvent(out, KeyEventKind::kCharacter, nowMs);
  ClassifyCharacter(state.pending, unitMs, inputs, event.code);
  state.pending = PendingCharacter{};
}

// ---------------------------------------------------------------------------------------------------------
// Debounce: a contact's debounced state follows its raw state once the raw state has held for the hold
// time of the state it enters (closing is quick, opening slower, so contact bounce at release is eaten).
// ---------------------------------------------------------------------------------------------------------

void Debounce(bool raw, bool& lastRaw, uint32_t& changeMs, bool& debounced, uint32_t nowMs, uint32_t closeMs,
              uint32_t openMs) {
  if (raw != lastRaw) {
    lastRaw = raw;
    changeMs = nowMs;
  }
  if (debounced != lastRaw && nowMs - changeMs >= (lastRaw ? closeMs : openMs)) debounced = lastRaw;
}

// ---------------------------------------------------------------------------------------------------------
// AUTO keyer on the debounced contacts; the dot contact has priority.
//
//   contact closes (was open last tick)                 hold times: dot  on = 1 unit, gap = 1 unit
//        |                                                          dash on = 3 units, gap = 1 unit
//        v
//   +---------+  now - start >= on length   +---------+
//   |   ON    | --------------------------> |   GAP   |
//   | key down|  start = now                | key up  |
//   |         | <-------------------------- |         |
//   +---------+  now - start >= 1 unit      +---------+
//                start = now
//
//   Neither contact closed: key up at once, phase and start kept (the element is cut short).
//   Closing dot during a dash starts a dot at once; opening dot while dash is held goes on in the same
//   phase with dash timing (a dot in progress then lasts until 3 units from its start).
//
//   15 WPM, dot held 0..360 ms:  key  on 0-80, off 80-160, on 160-240, off 240-320, on 320-360 (cut)
// ---------------------------------------------------------------------------------------------------------

bool RunAutoKeyer(KeyingState& state, uint32_t nowMs, uint32_t unitMs) {
  bool keyed = false;
  bool dotHeld = state.dot;
  bool dashHeld = !state.dot && state.dash;
  if (dotHeld || dashHeld) {
    bool newlyClosed = dotHeld ? !state.previousDot : !state.previousDash;
    uint32_t onMs = dotHeld ? unitMs : 3 * unitMs;
    uint32_t elapsed = nowMs - state.keyerStartMs;
    if (newlyClosed) {
      state.keyerOnPhase = true;
      state.keyerStartMs = nowMs;
    } else if (state.keyerOnPhase ? elapsed >= onMs : elapsed >= unitMs) {
      state.keyerOnPhase = !state.keyerOnPhase;
      state.keyerStartMs = nowMs;
    }
    keyed = state.keyerOnPhase;
  }
  state.previousDot = state.dot;
  state.previousDash = state.dash;
  return keyed;
}

// ---------------------------------------------------------------------------------------------------------
// Iambic A, Iambic B and Ultimatic: one element engine, three rules for the element that follows.
//
//   IDLE --a lever closed--> ELEMENT --1 or 3 units--> SPACE --1 unit--> choose the next element
//    ^                       key down                  key up              |          |
//    |                                                                      | chosen   | nothing
//    |                       ELEMENT <-------------------------------------+          |
//    +------------------------------------------------------------------------------+
//
//   An element, once begun, always runs its full length (1 unit dot, 3 units dash) and its 1-unit space,
//   so no element is shorter than a unit, and the key is up at most one element and its space after both
//   levers open (Iambic B: plus the one element its memory holds).
//
//   The choice when a space ends (levers debounced):
//                  | both levers closed         | one closed  | none closed
//     Iambic A     | the opposite of the last   | its element | idle
//     Iambic B     | the opposite of the last   | its element | idle, unless the memory holds the opposite
//     Ultimatic    | the lever closed last      | its element | idle
//   From IDLE with both closed on the same tick, the dot goes first (and the dash counts as closed last).
//
//   Iambic B's memory is sampled on every tick of an element's key-down, from its first tick up to but not
//   including the tick on which its key goes up: the lever opposite to the element found closed on any of
//   those ticks makes the opposite element follow the space, even when both levers are open by then. The
//   space is not sampled (the levers are read when it ends), so B differs from A only for a squeeze
//   released during an element.
//
//   20 WPM (unit 60 ms), dot lever closed at 0, dash lever at 20 ms (debounced), both released at:
//     released at               | Iambic A  key down           | Iambic B  key down
//     40  (during the dot)      | .    0-60                    | .-   0-60, 120-300
//     250 (during the dash)     | .-   0-60, 120-300           | .-.  0-60, 120-300, 360-420
//     500 (together, in a dash) | .-.- 0-60, 120-300, 360-420, | .-.-. as A, then 720-780
//                               |      480-660                 |
//
//   Ultimatic, 20 WPM: dot closed 0-1000, dash closed 100-700:
//     .  0-60;  - 120-300, 360-540, 600-780 (the dash, closed last, repeats);  . 840-900, 960-1020
// ---------------------------------------------------------------------------------------------------------

uint32_t ElementOnMs(bool dash, uint32_t unitMs) {
  return dash ? 3 * unitMs : unitMs;
}

void TrackLastClosed(KeyingState& state) {
  const bool dotClosed = state.dot && !state.previousDot;
  const bool dashClosed = state.dash && !state.previousDash;
  if (dashClosed) {
    state.lastClosedDash = true;  // also on a tie: the dot goes first
  } else if (dotClosed) {
    state.lastClosedDash = false;
  }
}

// The element that follows, or false for none. afterSpace: a space just ended (else the engine is idle).
bool ChooseElement(const KeyingState& state, KeyerMode mode, bool afterSpace, bool& dash) {
  if (afterSpace && mode == KeyerMode::kIambicB && state.oppositeMemory) {
    dash = !state.elementDash;
    return true;
  }
  if (state.dot && state.dash) {
    if (!afterSpace) {
      dash = !state.lastClosedDash;  // the lever closed first
    } else {
      dash = mode == KeyerMode::kUltimatic ? state.lastClosedDash : !state.elementDash;
    }
    return true;
  }
  if (state.dot || state.dash) {
    dash = state.dash;
    return true;
  }
  return false;
}

bool RunElementKeyer(KeyingState& state, uint32_t nowMs, uint32_t unitMs, KeyerMode mode) {
  TrackLastClosed(state);
  bool afterSpace = false;
  if (state.elementPhase == KeyerPhase::kElement) {
    if (nowMs - state.elementStartMs >= ElementOnMs(state.elementDash, unitMs)) {
      state.elementPhase = KeyerPhase::kSpace;
      state.elementStartMs = nowMs;
    } else if (mode == KeyerMode::kIambicB && (state.elementDash ? state.dot : state.dash)) {
      state.oppositeMemory = true;
    }
  } else if (state.elementPhase == KeyerPhase::kSpace && nowMs - state.elementStartMs >= unitMs) {
    state.elementPhase = KeyerPhase::kIdle;
    afterSpace = true;
  }
  if (state.elementPhase == KeyerPhase::kIdle) {
    bool dash = false;
    if (ChooseElement(state, mode, afterSpace, dash)) {
      state.elementPhase = KeyerPhase::kElement;
      state.elementStartMs = nowMs;
      state.elementDash = dash;
      // The first tick of the element is sampled too: a squeeze already held asks for the opposite.
      state.oppositeMemory = mode == KeyerMode::kIambicB && (dash ? state.dot : state.dash);
    } else {
      state.oppositeMemory = false;
    }
  }
  state.previousDot = state.dot;
  state.previousDash = state.dash;
  return state.elementPhase == KeyerPhase::kElement;
}

// ---------------------------------------------------------------------------------------------------------
// Keyer changes. The keyer asked for (Auto off: straight; on: KeyerMode) replaces the one in use only
// between elements, so a change in the middle of an element neither cuts it short nor runs the next
// element into it without a space:
//   straight      - while both contacts are open
//   AUTO          - while both contacts are open, or once its space has lasted a unit
//   element engine- while idle, or once its space has lasted a unit
// The keyer taken up starts from rest with a held contact counting as just closed, which is also how AUTO
// has always started under a held contact.
// ---------------------------------------------------------------------------------------------------------

bool KeyerBetweenElements(const KeyingState& state, uint32_t nowMs, uint32_t unitMs) {
  const bool contactsOpen = !state.dot && !state.dash;
  switch (state.keyerInUse) {
    case KeyerMode::kStraight:
      return contactsOpen;
    case KeyerMode::kAuto:
      return contactsOpen || (!state.keyerOnPhase && nowMs - state.keyerStartMs >= unitMs);
    default:
      return state.elementPhase == KeyerPhase::kIdle ||
             (state.elementPhase == KeyerPhase::kSpace && nowMs - state.elementStartMs >= unitMs);
  }
}

void TakeUpKeyer(KeyingState& state, KeyerMode mode, uint32_t nowMs) {
  state.keyerInUse = mode;
  state.keyerOnPhase = false;
  state.keyerStartMs = nowMs;
  state.previousDot = false;
  state.previousDash = false;
  state.elementPhase = KeyerPhase::kIdle;
  state.elementStartMs = nowMs;
  state.elementDash = false;
  state.oppositeMemory = false;
  state.lastClosedDash = false;
}

}  // namespace

KeyerMode KeyerModeFromSetting(int32_t value) {
  return value >= 0 && value < kKeyerModeCount ? static_cast<KeyerMode>(value) : KeyerMode::kAuto;
}

void ComposeContacts(const LeverSample& levers, bool paddleReverse, KeyingInputs& inputs) {
  const bool swapSerial = paddleReverse && !levers.serialIsPlayback;
  const bool serialDot = swapSerial ? levers.serialDash : levers.serialDot;
  const bool serialDash = swapSerial ? levers.serialDot : levers.serialDash;
  const bool keyboardDot = paddleReverse ? levers.keyboardDash : levers.keyboardDot;
  const bool keyboardDash = paddleReverse ? levers.keyboardDot : levers.keyboardDash;
  inputs.dotContact = serialDot || keyboardDot;
  inputs.dashContact = serialDash || keyboardDash;
}

// ---------------------------------------------------------------------------------------------------------
// The tick.
// ---------------------------------------------------------------------------------------------------------

void ResetKeyingTickState(KeyingState& state, uint32_t nowMs) {
  state = KeyingState{};
  state.started = true;
  state.lastMarkMs = nowMs;
  state.rawDotChangeMs = nowMs;
  state.rawDashChangeMs = nowMs;
  state.keyDownMs = nowMs;
  state.keyerStartMs = nowMs;
}

void DropPendingCharacter(KeyingState& state) {
  state.pending = PendingCharacter{};
  state.wordGapArmed = false;
  state.wordGapSent = false;
}

KeyingOutput KeyingTick(KeyingState& state, uint32_t nowMs, const KeyingInputs& inputs) {
  KeyingOutput out;
  if (!state.started || inputs.paused) {
    ResetKeyingTickState(state, nowMs);
    state.paused = inputs.paused;
    if (inputs.paused) return out;  // key up, no events, whatever the contacts do
  }
  state.paused = false;

  uint32_t unitMs = UnitMs(inputs.WPM);
  uint32_t closeMs = DebounceCloseMs(unitMs, inputs.KeySoftness);
  uint32_t openMs = DebounceOpenMs(unitMs, inputs.KeySoftness);
  Debounce(inputs.dotContact, state.rawDot, state.rawDotChangeMs, state.dot, nowMs, closeMs, openMs);
  Debounce(inputs.dashContact, state.rawDash, state.rawDashChangeMs, state.dash, nowMs, closeMs, openMs);

  const KeyerMode wanted = inputs.autoKeyer ? inputs.keyerMode : KeyerMode::kStraight;
  if (wanted != state.keyerInUse && KeyerBetweenElements(state, nowMs, unitMs)) {
    TakeUpKeyer(state, wanted, nowMs);
  }
  bool keyed;
  switch (state.keyerInUse) {
    case KeyerMode::kAuto:
      keyed = RunAutoKeyer(state, nowMs, unitMs);
      break;
    case KeyerMode::kIambicA:
    case KeyerMode::kIambicB:
    case KeyerMode::kUltimatic:
      keyed = RunElementKeyer(state, nowMs, unitMs, state.keyerInUse);
      break;
    default:
      // The keyer sees the contacts as open while it is off, so a keyer taken up under a held contact
      // starts a fresh element.
      keyed = state.dot || state.dash;
      state.previousDot = false;
      state.previousDash = false;
      break;
  }
  out.toneOn = keyed ? 1 : 0;

  bool wasKeyed = state.keyed;
  state.keyed = keyed;
  if (keyed && !wasKeyed) {
    if (state.pending.count > 0 && nowMs - state.lastMarkMs >= CharacterGapMs(unitMs, inputs.JudgeEase)) {
      FinishCharacter(state, unitMs, nowMs, inputs, out);
    }
    state.keyDownMs = nowMs;
    state.wordGapArmed = true;
    state.wordGapSent = false;
  } else if (!keyed && wasKeyed) {
    uint32_t durationMs = nowMs - state.keyDownMs;
    state.lastMarkMs = nowMs;
    if (durationMs < GlitchLimitMs(unitMs, inputs.KeySoftness)) return out;  // a bounce, not an element
    bool dash = durationMs >= DashThresholdMs(unitMs, inputs.JudgeEase, inputs.KeySoftness);
    AppendElement(state.pending, dash ? '-' : '.', durationMs);
    KeyEvent& event = NewEvent(out, KeyEventKind::kElement, nowMs);
    event.element = dash ? kDashElement : kDotElement;
    event.durationMs = durationMs;
  }

  if (!keyed && state.pending.count > 0 &&
      nowMs - state.lastMarkMs >= CharacterTimeoutMs(unitMs, inputs.JudgeEase, inputs.KeySoftness)) {
    FinishCharacter(state, unitMs, nowMs, inputs, out);
  }

  if (inputs.latinMode && !keyed && state.pending.count == 0 && state.wordGapArmed && !state.wordGapSent &&
      nowMs - state.lastMarkMs >= WordGapMs(unitMs, inputs.JudgeEase, inputs.KeySoftness) &&
      inputs.spaceExpected && inputs.spaceExpected()) {
    NewEvent(out, KeyEventKind::kWordGap, nowMs);
    state.wordGapSent = true;
    state.wordGapArmed = false;
  }
  return out;
}

bool KeyingAtRest(const KeyingState& state, bool latinMode) {
  bool contactsOpen = !state.rawDot && !state.rawDash && !state.dot && !state.dash && !state.previousDot &&
                      !state.previousDash;
  bool wordGapPending = latinMode && state.wordGapArmed && !state.wordGapSent;
  return state.started && !state.paused && contactsOpen && !state.keyed && state.pending.count == 0 &&
         !wordGapPending && state.elementPhase == KeyerPhase::kIdle;
}
