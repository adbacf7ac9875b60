// The keying tick.
//
// Sections: timing formulas - character re-classification - debounce and AUTO keyer - the tick.
//
// Per tick, in this order:
//   paused?  -> reset everything, key up, nothing else
//   debounce both contacts -> keyed state (straight, or the AUTO keyer)
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

}  // namespace

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

  bool keyed;
  if (inputs.autoKeyer) {
    keyed = RunAutoKeyer(state, nowMs, unitMs);
  } else {
    // The keyer sees the contacts as open while it is off, so AUTO switched on under a held contact
    // starts a fresh element.
    keyed = state.dot || state.dash;
    state.previousDot = false;
    state.previousDash = false;
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
         !wordGapPending;
}
