// SPDX-License-Identifier: GPL-3.0-or-later
// The keyer modes on lever scripts at 20 WPM (unit 60 ms) -> key-down spans: the classic squeezes of
// Iambic A and B, Ultimatic's last-closed rule, straight, AUTO beside them, and paddle reverse.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "keying/keying_tick.h"

namespace {

constexpr KeyerMode A = KeyerMode::kIambicA, B = KeyerMode::kIambicB, U = KeyerMode::kUltimatic,
                    S = KeyerMode::kStraight, AUTO = KeyerMode::kAuto;

// Script: "d+0" the keyboard dot lever closes at 0 ms, "h-40" the keyboard dash lever opens at 40 ms (D, H:
// the serial levers), at the time the debounced lever changes; "r" paddle reverse, "p" the serial levers
// are the playback's. Spans: key down "from-to", in ms.
struct Row {
  const char* name;
  KeyerMode mode;
  const char* script;
  const char* keyDown;
};

// clang-format off
const Row kRows[] = {
  {"A squeeze released in the dot",            A, "d+0 h+20 d-40 h-40",   "0-60"},
  {"A squeeze released in the dash",           A, "d+0 h+20 d-250 h-250", "0-60 120-300"},
  {"A squeeze released together at 500",       A, "d+0 h+20 d-500 h-500", "0-60 120-300 360-420 480-660"},
  {"A squeeze from the dash starts dash",      A, "h+0 d+20 d-300 h-300", "0-180 240-300"},
  {"A held dot lever repeats dots",            A, "d+0 d-200",            "0-60 120-180"},
  {"A dot tapped inside a dash is lost",       A, "h+0 d+50 d-100 h-150", "0-180"},
  {"B squeeze released in the dot adds dash",  B, "d+0 h+20 d-40 h-40",   "0-60 120-300"},
  {"B squeeze released in the dash adds dot",  B, "d+0 h+20 d-250 h-250", "0-60 120-300 360-420"},
  {"B squeeze released together at 500",       B, "d+0 h+20 d-500 h-500", "0-60 120-300 360-420 480-660 720-780"},
  {"B dot tapped inside a dash is remembered", B, "h+0 d+50 d-100 h-150", "0-180 240-300"},
  {"B memory sampled on the last key-down ms", B, "d+0 d-30 h+59 h-100",  "0-60 120-300"},
  {"B memory not sampled on the key-up ms",    B, "d+0 d-30 h+60 h-100",  "0-60"},
  {"B memory not sampled in the space",        B, "d+0 d-30 h+70 h-100",  "0-60"},
  {"U dash closed last repeats, then dots",    U, "d+0 h+100 h-700 d-1000", "0-60 120-300 360-540 600-780 840-900 960-1020"},
  {"U dot closed last repeats",                U, "h+0 d+100 d-500 h-500", "0-180 240-300 360-420 480-540"},
  {"U tie: the dot first, the dash repeats",   U, "d+0 h+0 d-400 h-400",  "0-60 120-300 360-540"},
  {"straight: either lever while closed",      S, "d+0 d-100 h+200 h-230", "0-100 200-230"},
  {"straight: overlapping levers, one span",   S, "d+0 h+50 d-100 h-150", "0-150"},
  {"AUTO squeeze gives dots, release cuts",    AUTO, "d+0 h+20 d-250 h-250", "0-60 120-180 240-250"},
  {"reverse: keyboard dot keys dashes",        A, "r d+0 d-100",          "0-180"},
  {"reverse: learner's serial dot keys dashes", A, "r D+0 D-100",         "0-180"},
  {"reverse leaves the playback's dot a dot",  A, "r p D+0 D-100",        "0-60"},
  {"reverse: U judges the swapped levers",     U, "r d+0 h+100 d-500 h-500", "0-180 240-300 360-420 480-540"},
  {"reverse: AUTO's priority follows the swap", AUTO, "r h+0 d+20 h-250 d-250", "0-60 120-180 240-250"},
};
// clang-format on

std::string KeyDownSpans(const Row& row) {
  KeyingInputs inputs;
  inputs.WPM = 20;
  inputs.autoKeyer = true;
  inputs.keyerMode = row.mode;
  const uint32_t unit = UnitMs(inputs.WPM);
  LeverSample levers;
  bool reverse = false;
  struct RawMove {
    int64_t atMs;
    bool* lever;
    bool closed;
  };
  std::vector<RawMove> moves;
  std::istringstream script(row.script);
  for (std::string token; script >> token;) {
    if (token == "r") reverse = true;
    if (token == "p") levers.serialIsPlayback = true;
    if (token.size() < 3) continue;
    bool* lever = token[0] == 'd'   ? &levers.keyboardDot
                  : token[0] == 'h' ? &levers.keyboardDash
                  : token[0] == 'D' ? &levers.serialDot
                                    : &levers.serialDash;
    const bool closed = token[1] == '+';
    const uint32_t hold = closed ? DebounceCloseMs(unit, 50) : DebounceOpenMs(unit, 50);
    moves.push_back({std::stoll(token.substr(2)) - hold, lever, closed});
  }
  KeyingState state;
  std::string spans;
  bool keyed = false;
  for (int64_t t = -50; t < 3000; ++t) {
    for (const RawMove& move : moves) {
      if (move.atMs == t) *move.lever = move.closed;
    }
    ComposeContacts(levers, reverse, inputs);
    const bool on = KeyingTick(state, 5000 + static_cast<uint32_t>(t), inputs).toneOn != 0;
    if (on != keyed) spans += (on ? (spans.empty() ? "" : " ") : "-") + std::to_string(t);
    keyed = on;
  }
  return spans;
}

TEST(KeyerModes, LeverScriptsKeyTheTable) {
  for (const Row& row : kRows) EXPECT_EQ(KeyDownSpans(row), row.keyDown) << row.name;
}

}  // namespace
