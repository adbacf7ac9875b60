// The keyers under bad input: contacts chattering at 1 ms, both levers closed for an hour, the levers
// swapped (paddle reverse) mid-character, the keyer changed mid-element. Whatever comes in, every element
// the Iambic and Ultimatic keyers key is a whole 1 or 3 units with at least a unit of space, the key is up
// within an element and its space (Iambic B: plus its remembered element) of both levers opening, and
// every event is well formed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "keying/keying_tick.h"

namespace {

constexpr uint32_t kWpm = 20;
constexpr uint32_t kUnitMs = 60;
constexpr uint32_t kHourMs = 3600u * 1000u;

// What a script sets at each millisecond (raw levers; the tick debounces them).
struct Drive {
  LeverSample levers;
  bool reverse = false;
  KeyerMode mode = KeyerMode::kIambicA;
};
using Script = void (*)(uint32_t t, KeyerMode rowMode, Drive& drive);

struct Row {
  const char* name;
  Script script;
  uint32_t releaseMs;  // from here on every lever is open
  uint32_t endMs;
};

bool Chatter(uint32_t t) {
  return t % 2 == 0;
}

const Row kRows[] = {
    {"1 ms chatter on the dot lever under a held dash",
     [](uint32_t t, KeyerMode mode, Drive& d) {
       d.mode = mode;
       d.levers.keyboardDash = t < 1500;
       d.levers.keyboardDot = t >= 300 && t < 900 && Chatter(t);
     },
     1500, 3000},
    {"1 ms chatter on both levers alone",
     [](uint32_t t, KeyerMode mode, Drive& d) {
       d.mode = mode;
       d.levers.serialDot = t < 1000 && Chatter(t);
       d.levers.serialDash = t < 1000 && !Chatter(t);
     },
     1000, 2000},
    {"chatter at every press and release",
     [](uint32_t t, KeyerMode mode, Drive& d) {
       d.mode = mode;
       const uint32_t phase = t % 400;
       d.levers.keyboardDot = t < 2000 && (phase < 30 ? Chatter(t) : phase < 200);
       d.levers.keyboardDash = t < 2000 && phase >= 100 && (phase < 130 || phase >= 300 ? Chatter(t) : true);
     },
     2000, 3000},
    {"both levers closed for an hour",
     [](uint32_t t, KeyerMode mode, Drive& d) {
       d.mode = mode;
       d.levers.keyboardDot = d.levers.keyboardDash = t < kHourMs;
     },
     kHourMs, kHourMs + 2000},
    {"levers swapped again and again mid-character",
     [](uint32_t t, KeyerMode mode, Drive& d) {
       d.mode = mode;
       d.levers.keyboardDot = t < 2000;
       d.levers.serialDash = t >= 500 && t < 1200;
       d.reverse = (t / 37) % 2 == 1;
     },
     2000, 3000},
    {"keyer changed every 23 ms under a squeeze",
     [](uint32_t t, KeyerMode, Drive& d) {
       d.mode = static_cast<KeyerMode>((t / 23) % kKeyerModeCount);
       d.levers.keyboardDot = t < 2500;
       d.levers.keyboardDash = t >= 10 && t < 2500;
     },
     2500, 4000},
    {"element keyers changed every 23 ms under a squeeze",
     [](uint32_t t, KeyerMode, Drive& d) {
       const KeyerMode modes[] = {KeyerMode::kIambicA, KeyerMode::kUltimatic, KeyerMode::kIambicB};
       d.mode = modes[(t / 23) % 3];
       d.levers.keyboardDot = t < 2500;
       d.levers.keyboardDash = t >= 10 && t < 2500;
     },
     2500, 4000},
};

const KeyerMode kModes[] = {KeyerMode::kAuto, KeyerMode::kIambicA, KeyerMode::kIambicB, KeyerMode::kUltimatic,
                            KeyerMode::kStraight};

bool ElementKeyer(KeyerMode mode) {
  return mode == KeyerMode::kIambicA || mode == KeyerMode::kIambicB || mode == KeyerMode::kUltimatic;
}

// An empty string when the event is well formed, else what is wrong with it.
std::string EventFault(const KeyEvent& event, uint32_t glitchMs) {
  const size_t length = strnlen(event.code, sizeof event.code);
  switch (event.kind) {
    case 1:
      if (event.element != kDotElement && event.element != kDashElement) return "element glyph";
      if (event.durationMs < glitchMs) return "element shorter than the glitch limit";
      return length == 0 ? "" : "element with a code";
    case 2:
      if (length == 0 || length > static_cast<size_t>(kMaxPendingSymbols)) return "code length";
      if (std::string(event.code).find_first_not_of(".-") != std::string::npos) return "code symbols";
      return event.element == 0 && event.durationMs == 0 ? "" : "character with element fields";
    case 3:
      return length == 0 && event.element == 0 && event.durationMs == 0 ? "" : "word gap with fields";
    default:
      return "kind " + std::to_string(event.kind);
  }
}

TEST(KeyerBadInput, NoShortElementNoToneLeftOnNoMalformedEvent) {
  for (const Row& row : kRows) {
    for (KeyerMode rowMode : kModes) {
      SCOPED_TRACE(std::string(row.name) + ", keyer " + std::to_string(static_cast<int>(rowMode)));
      KeyingInputs inputs;
      inputs.WPM = kWpm;
      inputs.autoKeyer = true;
      inputs.latinMode = true;
      inputs.spaceExpected = [] { return true; };
      ASSERT_EQ(UnitMs(inputs.WPM), kUnitMs);
      const uint32_t glitchMs = GlitchLimitMs(kUnitMs, inputs.KeySoftness);
      KeyingState state;
      bool keyed = false;
      uint32_t downMs = 0, upMs = 0, elements = 0;
      KeyerMode downKeyer = KeyerMode::kStraight;
      int faults = 0;
      auto fail = [&](uint32_t t, const std::string& what) {
        if (++faults <= 3) ADD_FAILURE() << "at " << t << " ms: " << what;
      };
      for (uint32_t t = 0; t < row.endMs; ++t) {
        Drive drive;
        row.script(t, rowMode, drive);
        inputs.keyerMode = drive.mode;
        ComposeContacts(drive.levers, drive.reverse, inputs);
        const KeyingOutput out = KeyingTick(state, 100000 + t, inputs);
        for (int i = 0; i < out.eventCount; ++i) {
          const std::string fault = EventFault(out.events[i], glitchMs);
          if (!fault.empty()) fail(t, fault);
          elements += out.events[i].kind == 1;
        }
        const bool on = out.toneOn != 0;
        if (on && !keyed) {
          if (ElementKeyer(state.keyerInUse) && upMs != 0 && t - upMs < kUnitMs)
            fail(t, "space under a unit");
          downMs = t;
          downKeyer = state.keyerInUse;
        }
        if (!on && keyed) {
          const uint32_t length = t - downMs;
          if (ElementKeyer(state.keyerInUse) && length != kUnitMs && length != 3 * kUnitMs) {
            fail(t, "element of " + std::to_string(length) + " ms");
          }
          if (state.keyerInUse != downKeyer) fail(t, "keyer changed under a key-down");
          upMs = t;
        }
        keyed = on;
        // Levers open (and debounced) at release + 9 ms: an element and its space, Iambic B's remembered
        // element and a space of margin.
        if (on && t >= row.releaseMs + 9 + 9 * kUnitMs) fail(t, "tone on after both levers opened");
      }
      EXPECT_FALSE(keyed);
      EXPECT_EQ(faults, 0);
      if (std::string(row.name).find("both levers alone") == std::string::npos)
        EXPECT_GT(elements, 0u);
      else
        EXPECT_EQ(elements, 0u);  // chatter never settles into a closed contact
    }
  }
}

}  // namespace
