// SPDX-License-Identifier: GPL-3.0-or-later
// The keyers under bad input, in every mode: 1 ms chatter, both levers closed for an hour, the levers
// swapped mid-character, the keyer changed mid-element. The Iambic and Ultimatic keyers key only whole
// 1- and 3-unit elements with a unit of space, no keyer changes under a key-down, the key is up soon after
// both levers open, and every event is well formed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "keying/keying_tick.h"

namespace {

constexpr uint32_t kUnitMs = 60;  // 20 WPM
constexpr uint32_t kHourMs = 3600u * 1000u;

struct Drive {
  LeverSample levers;
  bool reverse = false;
  KeyerMode mode;
};

struct Row {
  const char* name;
  void (*script)(uint32_t t, Drive& drive);  // raw levers at t; drive.mode starts as the row's mode
  uint32_t releaseMs;                        // every lever open from here on
  bool keysSomething;
};

bool Chatter(uint32_t t) {
  return t % 2 == 0;
}

const Row kRows[] = {
    {"1 ms chatter on the dot lever under a held dash",
     [](uint32_t t, Drive& d) {
       d.levers.keyboardDash = t < 1500;
       d.levers.keyboardDot = t >= 300 && t < 900 && Chatter(t);
     },
     1500, true},
    {"1 ms chatter alone never settles",
     [](uint32_t t, Drive& d) { d.levers.serialDot = t < 1000 && Chatter(t); }, 1000, false},
    {"both levers closed for an hour",
     [](uint32_t t, Drive& d) { d.levers.keyboardDot = d.levers.keyboardDash = t < kHourMs; }, kHourMs, true},
    {"levers swapped every 37 ms mid-character",
     [](uint32_t t, Drive& d) {
       d.levers.keyboardDot = t < 2000;
       d.levers.serialDash = t >= 500 && t < 1200;
       d.reverse = (t / 37) % 2 == 1;
     },
     2000, true},
    {"keyer changed every 23 ms under a squeeze",
     [](uint32_t t, Drive& d) {
       d.mode = static_cast<KeyerMode>((t / 23) % kKeyerModeCount);
       d.levers.keyboardDot = d.levers.keyboardDash = t < 2500;
     },
     2500, true},
    {"element keyers changed every 23 ms under a squeeze",
     [](uint32_t t, Drive& d) {
       const KeyerMode modes[] = {KeyerMode::kIambicA, KeyerMode::kUltimatic, KeyerMode::kIambicB};
       d.mode = modes[(t / 23) % 3];
       d.levers.keyboardDot = t < 2500;
       d.levers.keyboardDash = t >= 10 && t < 2500;
     },
     2500, true},
};

bool ElementKeyer(KeyerMode mode) {
  return mode == KeyerMode::kIambicA || mode == KeyerMode::kIambicB || mode == KeyerMode::kUltimatic;
}

bool WellFormed(const KeyEvent& e, uint32_t glitchMs) {
  const std::string code(e.code, strnlen(e.code, sizeof e.code));
  if (static_cast<int>(e.kind) == 1)
    return (e.element == kDotElement || e.element == kDashElement) && e.durationMs >= glitchMs &&
           code.empty();
  if (static_cast<int>(e.kind) == 2) {
    return !code.empty() && code.size() <= kMaxPendingSymbols &&
           code.find_first_not_of(".-") == std::string::npos && e.element == 0 && e.durationMs == 0;
  }
  return static_cast<int>(e.kind) == 3 && code.empty() && e.element == 0 && e.durationMs == 0;
}

TEST(KeyerBadInput, WholeElementsKeyUpAfterReleaseWellFormedEvents) {
  for (const Row& row : kRows) {
    for (int32_t m = 0; m < kKeyerModeCount; ++m) {
      SCOPED_TRACE(std::string(row.name) + ", keyer " + std::to_string(m));
      KeyingInputs inputs;
      inputs.WPM = 20;
      inputs.autoKeyer = inputs.latinMode = true;
      inputs.spaceExpected = [] { return true; };
      KeyingState state;
      bool keyed = false;
      uint32_t downMs = 0, upMs = 0, elements = 0, faults = 0;
      KeyerMode downKeyer = KeyerMode::kStraight;
      auto fail = [&](uint32_t t, const char* what) {
        if (++faults <= 3) ADD_FAILURE() << "at " << t << " ms: " << what;
      };
      // Open and debounced by release + 9 ms; then an element, its space, Iambic B's remembered element.
      const uint32_t quietMs = row.releaseMs + 9 + 8 * kUnitMs;
      for (uint32_t t = 0; t < quietMs + 1000; ++t) {
        Drive drive{{}, false, static_cast<KeyerMode>(m)};
        row.script(t, drive);
        inputs.keyerMode = drive.mode;
        ComposeContacts(drive.levers, drive.reverse, inputs);
        const KeyingOutput out = KeyingTick(state, 100000 + t, inputs);
        for (int i = 0; i < out.eventCount; ++i) {
          if (!WellFormed(out.events[i], GlitchLimitMs(kUnitMs, 50))) fail(t, "malformed event");
          elements += static_cast<int>(out.events[i].kind) == 1;
        }
        const bool on = out.toneOn != 0;
        const bool elementKeyer = ElementKeyer(state.keyerInUse);
        if (on && !keyed) {
          if (elementKeyer && upMs != 0 && t - upMs < kUnitMs) fail(t, "space under a unit");
          downMs = t;
          downKeyer = state.keyerInUse;
        }
        if (!on && keyed) {
          if (elementKeyer && t - downMs != kUnitMs && t - downMs != 3 * kUnitMs) fail(t, "broken element");
          if (state.keyerInUse != downKeyer) fail(t, "keyer changed under a key-down");
          upMs = t;
        }
        if (on && t >= quietMs) fail(t, "tone on after both levers opened");
        keyed = on;
      }
      EXPECT_EQ(faults, 0u);
      EXPECT_EQ(elements > 0, row.keysSomething);
    }
  }
}

}  // namespace
