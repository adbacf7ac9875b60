// The keyer modes on lever scripts at 20 WPM (unit 60 ms): when the key goes down and up for the classic
// squeezes of Iambic A and B, Ultimatic's last-closed rule, the straight key, AUTO beside them, and paddle
// reverse on the keyboard, the learner's serial key and the playback's serial levers.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "keying/keying_tick.h"

namespace {

enum Lever { kKeyDot, kKeyDash, kSerialDot, kSerialDash };

// A lever move, at the time its debounced state changes (the raw contact moves one hold time earlier).
struct Move {
  uint32_t atMs;
  Lever lever;
  bool closed;
};

using Span = std::pair<uint32_t, uint32_t>;  // key down from first to second ms

struct Row {
  const char* name;
  KeyerMode mode;
  bool reverse;
  bool playback;  // the serial levers are the playback's
  std::vector<Move> moves;
  std::vector<Span> keyDown;
};

constexpr bool kOn = true, kOff = false;

// clang-format off
const Row kRows[] = {
  // Iambic A: dot closed at 0, dash at 20; the squeeze released during the dot, the dash, or together.
  {"A squeeze released in the dot", KeyerMode::kIambicA, false, false,
   {{0, kKeyDot, kOn}, {20, kKeyDash, kOn}, {40, kKeyDot, kOff}, {40, kKeyDash, kOff}},
   {{0, 60}}},
  {"A squeeze released in the dash", KeyerMode::kIambicA, false, false,
   {{0, kKeyDot, kOn}, {20, kKeyDash, kOn}, {250, kKeyDot, kOff}, {250, kKeyDash, kOff}},
   {{0, 60}, {120, 300}}},
  {"A squeeze released together at 500", KeyerMode::kIambicA, false, false,
   {{0, kKeyDot, kOn}, {20, kKeyDash, kOn}, {500, kKeyDot, kOff}, {500, kKeyDash, kOff}},
   {{0, 60}, {120, 300}, {360, 420}, {480, 660}}},
  {"A squeeze from the dash starts with the dash", KeyerMode::kIambicA, false, false,
   {{0, kKeyDash, kOn}, {20, kKeyDot, kOn}, {300, kKeyDot, kOff}, {300, kKeyDash, kOff}},
   {{0, 180}, {240, 300}}},
  {"A dot lever held repeats dots", KeyerMode::kIambicA, false, false,
   {{0, kKeyDot, kOn}, {200, kKeyDot, kOff}},
   {{0, 60}, {120, 180}}},
  {"A dot tapped inside a dash is lost", KeyerMode::kIambicA, false, false,
   {{0, kKeyDash, kOn}, {50, kKeyDot, kOn}, {100, kKeyDot, kOff}, {150, kKeyDash, kOff}},
   {{0, 180}}},
  // Iambic B: the same squeezes; the opposite lever seen during an element adds that element.
  {"B squeeze released in the dot adds the dash", KeyerMode::kIambicB, false, false,
   {{0, kKeyDot, kOn}, {20, kKeyDash, kOn}, {40, kKeyDot, kOff}, {40, kKeyDash, kOff}},
   {{0, 60}, {120, 300}}},
  {"B squeeze released in the dash adds the dot", KeyerMode::kIambicB, false, false,
   {{0, kKeyDot, kOn}, {20, kKeyDash, kOn}, {250, kKeyDot, kOff}, {250, kKeyDash, kOff}},
   {{0, 60}, {120, 300}, {360, 420}}},
  {"B squeeze released together at 500", KeyerMode::kIambicB, false, false,
   {{0, kKeyDot, kOn}, {20, kKeyDash, kOn}, {500, kKeyDot, kOff}, {500, kKeyDash, kOff}},
   {{0, 60}, {120, 300}, {360, 420}, {480, 660}, {720, 780}}},
  {"B dot tapped inside a dash is remembered", KeyerMode::kIambicB, false, false,
   {{0, kKeyDash, kOn}, {50, kKeyDot, kOn}, {100, kKeyDot, kOff}, {150, kKeyDash, kOff}},
   {{0, 180}, {240, 300}}},
  {"B memory sampled on the element's last key-down tick", KeyerMode::kIambicB, false, false,
   {{0, kKeyDot, kOn}, {30, kKeyDot, kOff}, {59, kKeyDash, kOn}, {100, kKeyDash, kOff}},
   {{0, 60}, {120, 300}}},
  {"B memory not sampled on the key-up tick", KeyerMode::kIambicB, false, false,
   {{0, kKeyDot, kOn}, {30, kKeyDot, kOff}, {60, kKeyDash, kOn}, {100, kKeyDash, kOff}},
   {{0, 60}}},
  {"B memory not sampled in the space", KeyerMode::kIambicB, false, false,
   {{0, kKeyDot, kOn}, {30, kKeyDot, kOff}, {70, kKeyDash, kOn}, {100, kKeyDash, kOff}},
   {{0, 60}}},
  // Ultimatic: the lever closed last repeats while both are closed.
  {"Ultimatic dash closed last repeats, then dots", KeyerMode::kUltimatic, false, false,
   {{0, kKeyDot, kOn}, {100, kKeyDash, kOn}, {700, kKeyDash, kOff}, {1000, kKeyDot, kOff}},
   {{0, 60}, {120, 300}, {360, 540}, {600, 780}, {840, 900}, {960, 1020}}},
  {"Ultimatic dot closed last repeats", KeyerMode::kUltimatic, false, false,
   {{0, kKeyDash, kOn}, {100, kKeyDot, kOn}, {500, kKeyDot, kOff}, {500, kKeyDash, kOff}},
   {{0, 180}, {240, 300}, {360, 420}, {480, 540}}},
  {"Ultimatic tie: the dot first, then the dash repeats", KeyerMode::kUltimatic, false, false,
   {{0, kKeyDot, kOn}, {0, kKeyDash, kOn}, {400, kKeyDot, kOff}, {400, kKeyDash, kOff}},
   {{0, 60}, {120, 300}, {360, 540}}},
  // Straight and AUTO through the same path.
  {"straight: either lever while closed", KeyerMode::kStraight, false, false,
   {{0, kKeyDot, kOn}, {100, kKeyDot, kOff}, {200, kKeyDash, kOn}, {230, kKeyDash, kOff}},
   {{0, 100}, {200, 230}}},
  {"straight: overlapping levers key their union", KeyerMode::kStraight, false, false,
   {{0, kKeyDot, kOn}, {50, kKeyDash, kOn}, {100, kKeyDot, kOff}, {150, kKeyDash, kOff}},
   {{0, 150}}},
  {"AUTO squeeze gives dots, the release cuts", KeyerMode::kAuto, false, false,
   {{0, kKeyDot, kOn}, {20, kKeyDash, kOn}, {250, kKeyDot, kOff}, {250, kKeyDash, kOff}},
   {{0, 60}, {120, 180}, {240, 250}}},
  // Paddle reverse.
  {"reverse: the keyboard dot lever keys dashes", KeyerMode::kIambicA, true, false,
   {{0, kKeyDot, kOn}, {100, kKeyDot, kOff}},
   {{0, 180}}},
  {"reverse: the learner's serial dot lever keys dashes", KeyerMode::kIambicA, true, false,
   {{0, kSerialDot, kOn}, {100, kSerialDot, kOff}},
   {{0, 180}}},
  {"reverse leaves the playback's serial dot a dot", KeyerMode::kIambicA, true, true,
   {{0, kSerialDot, kOn}, {100, kSerialDot, kOff}},
   {{0, 60}}},
  {"reverse: Ultimatic judges the swapped levers", KeyerMode::kUltimatic, true, false,
   {{0, kKeyDot, kOn}, {100, kKeyDash, kOn}, {500, kKeyDot, kOff}, {500, kKeyDash, kOff}},
   {{0, 180}, {240, 300}, {360, 420}, {480, 540}}},
  {"reverse: AUTO's priority follows the swap", KeyerMode::kAuto, true, false,
   {{0, kKeyDash, kOn}, {20, kKeyDot, kOn}, {250, kKeyDash, kOff}, {250, kKeyDot, kOff}},
   {{0, 60}, {120, 180}, {240, 250}}},
};
// clang-format on

std::vector<Span> KeyDownSpans(const Row& row) {
  KeyingInputs inputs;
  inputs.WPM = 20;
  inputs.autoKeyer = true;
  inputs.keyerMode = row.mode;
  const uint32_t unit = UnitMs(inputs.WPM);
  struct RawMove {
    int64_t atMs;
    Lever lever;
    bool closed;
  };
  std::vector<RawMove> raw;
  for (const Move& move : row.moves) {
    const uint32_t hold =
        move.closed ? DebounceCloseMs(unit, inputs.KeySoftness) : DebounceOpenMs(unit, inputs.KeySoftness);
    raw.push_back({int64_t{move.atMs} - hold, move.lever, move.closed});
  }
  LeverSample levers;
  levers.serialIsPlayback = row.playback;
  KeyingState state;
  std::vector<Span> spans;
  const uint32_t baseMs = 5000;
  bool keyed = false;
  for (int64_t t = -50; t < 3000; ++t) {
    for (const RawMove& move : raw) {
      if (move.atMs != t) continue;
      bool* lever[] = {&levers.keyboardDot, &levers.keyboardDash, &levers.serialDot, &levers.serialDash};
      *lever[move.lever] = move.closed;
    }
    ComposeContacts(levers, row.reverse, inputs);
    const KeyingOutput out = KeyingTick(state, baseMs + static_cast<uint32_t>(t), inputs);
    if (out.toneOn && !keyed) spans.push_back({static_cast<uint32_t>(t), 0});
    if (!out.toneOn && keyed) spans.back().second = static_cast<uint32_t>(t);
    keyed = out.toneOn != 0;
  }
  return spans;
}

TEST(KeyerModes, LeverScriptsKeyTheTable) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(KeyDownSpans(row), row.keyDown);
  }
}

}  // namespace
