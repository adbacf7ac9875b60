// SPDX-License-Identifier: GPL-3.0-or-later
// The keyer modes on lever scripts at 20 WPM (unit 60 ms) -> key-down spans: the classic squeezes of Iambic A
// and B, Ultimatic's last-closed rule, straight, AUTO beside them, paddle reverse; and bad input (1 ms
// chatter, both levers closed for an hour, levers swapped mid-character, the keyer changed mid-element). In
// every row the Iambic and Ultimatic keyers key only whole 1- and 3-unit elements with a unit of space, no
// keyer changes under a key-down, the key is up soon after every lever opens, and every event is well formed,
// one element event a key-down.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "keying/keying_tick.h"

namespace {

constexpr uint32_t kUnitMs = 60;  // 20 WPM

// Modes, one letter each, keyed in turn: "a" AUTO, "A" and "B" Iambic, "U" Ultimatic, "S" straight.
// Script: "d+0" the keyboard dot lever closes at 0 ms, "h-40" the keyboard dash lever opens at 40 ms (D, H:
// the serial levers), at the time the debounced lever changes; "d~300-900" the raw lever chatters, closed on
// even ms, from 300 to 900 ms; "r" paddle reverse, "r~37" reverse toggled every 37 ms; "m~23" the keyer
// changed every 23 ms through all modes, "e~23" through the element keyers, from the first tick on, whatever
// the row's mode; "p" the serial levers are the
// playback's. Key-down spans "from-to" in ms; null where they differ by mode, but something is keyed.
struct Row {
  const char* name;
  const char* modes;
  const char* script;
  const char* keyDown;
};

// clang-format off
const Row kRows[] = {
  {"A squeeze released in the dot",            "A", "d+0 h+20 d-40 h-40",   "0-60"},
  {"A squeeze released in the dash",           "A", "d+0 h+20 d-250 h-250", "0-60 120-300"},
  {"A squeeze released together at 500",       "A", "d+0 h+20 d-500 h-500", "0-60 120-300 360-420 480-660"},
  {"A squeeze from the dash starts dash",      "A", "h+0 d+20 d-300 h-300", "0-180 240-300"},
  {"A held dot lever repeats dots",            "A", "d+0 d-200",            "0-60 120-180"},
  {"A dot tapped inside a dash is lost",       "A", "h+0 d+50 d-100 h-150", "0-180"},
  {"B squeeze released in the dot adds dash",  "B", "d+0 h+20 d-40 h-40",   "0-60 120-300"},
  {"B squeeze released in the dash adds dot",  "B", "d+0 h+20 d-250 h-250", "0-60 120-300 360-420"},
  {"B squeeze released together at 500",       "B", "d+0 h+20 d-500 h-500", "0-60 120-300 360-420 480-660 720-780"},
  {"B dot tapped inside a dash is remembered", "B", "h+0 d+50 d-100 h-150", "0-180 240-300"},
  {"B memory sampled on the last key-down ms", "B", "d+0 d-30 h+59 h-100",  "0-60 120-300"},
  {"B memory not sampled on the key-up ms",    "B", "d+0 d-30 h+60 h-100",  "0-60"},
  {"B memory not sampled in the space",        "B", "d+0 d-30 h+70 h-100",  "0-60"},
  {"U dash closed last repeats, then dots",    "U", "d+0 h+100 h-700 d-1000", "0-60 120-300 360-540 600-780 840-900 960-1020"},
  {"U dot closed last repeats",                "U", "h+0 d+100 d-500 h-500", "0-180 240-300 360-420 480-540"},
  {"U tie: the dot first, the dash repeats",   "U", "d+0 h+0 d-400 h-400",  "0-60 120-300 360-540"},
  {"straight: either lever while closed",      "S", "d+0 d-100 h+200 h-230", "0-100 200-230"},
  {"straight: overlapping levers, one span",   "S", "d+0 h+50 d-100 h-150", "0-150"},
  {"AUTO squeeze gives dots, release cuts",    "a", "d+0 h+20 d-250 h-250", "0-60 120-180 240-250"},
  {"reverse: keyboard dot keys dashes",        "A", "r d+0 d-100",          "0-180"},
  {"reverse: learner's serial dot keys dashes", "A", "r D+0 D-100",         "0-180"},
  {"reverse leaves the playback's dot a dot",  "A", "r p D+0 D-100",        "0-60"},
  {"reverse: U judges the swapped levers",     "U", "r d+0 h+100 d-500 h-500", "0-180 240-300 360-420 480-540"},
  {"reverse: AUTO's priority follows the swap", "a", "r h+0 d+20 h-250 d-250", "0-60 120-180 240-250"},
  {"1 ms chatter on the dot lever under a dash", "aABUS", "h+0 d~300-900 h-1500", nullptr},
  {"1 ms chatter alone never settles",         "aABUS", "D~0-1000",             ""},
  {"both levers closed for an hour",           "aABUS", "d+0 h+0 d-3600000 h-3600000", nullptr},
  {"levers swapped every 37 ms mid-character", "aABUS", "d+0 H+500 H-1200 d-2000 r~37", nullptr},
  {"keyer changed every 23 ms under a squeeze", "A", "d+0 h+0 d-2500 h-2500 m~23", nullptr},
  {"element keyers changed every 23 ms",       "A", "d+0 h+10 d-2500 h-2500 e~23", nullptr},
};
// clang-format on

bool ElementKeyer(KeyerMode mode) {
  return mode == KeyerMode::kIambicA || mode == KeyerMode::kIambicB || mode == KeyerMode::kUltimatic;
}

bool WellFormed(const KeyEvent& e) {
  const std::string code(e.code, strnlen(e.code, sizeof e.code));
  switch (e.kind) {
    case KeyEventKind::kElement:
      return (e.element == kDotElement || e.element == kDashElement) &&
             e.durationMs >= GlitchLimitMs(kUnitMs, 50) && code.empty();
    case KeyEventKind::kCharacter:
      return !code.empty() && code.size() <= kMaxPendingSymbols &&
             code.find_first_not_of(".-") == std::string::npos && e.element == 0 && e.durationMs == 0;
    case KeyEventKind::kWordGap:
      return code.empty() && e.element == 0 && e.durationMs == 0;
    default:
      return false;
  }
}

// The row's script keyed in one mode: the key-down spans; a failure for each broken rule (three at most).
std::string KeyDownSpans(const Row& row, KeyerMode mode) {
  KeyingInputs inputs;
  inputs.WPM = 20;
  inputs.autoKeyer = inputs.latinMode = true;
  inputs.spaceExpected = [] { return true; };
  LeverSample levers;
  bool reverse = false;
  struct Move {
    bool* lever;
    char change;  // '+' closes, '-' opens, '~' chatters until untilMs
    int64_t atMs, untilMs;
  };
  std::vector<Move> moves;
  char cycle = 0;  // 'r', 'm' or 'e' every periodMs
  int64_t periodMs = 0, releaseMs = 0;
  std::istringstream script(row.script);
  for (std::string token; script >> token;) {
    if (token == "r") reverse = true;
    if (token == "p") levers.serialIsPlayback = true;
    if (token.size() < 3) continue;
    if (token[1] == '~' && !std::strchr("dhDH", token[0])) {
      cycle = token[0], periodMs = std::stoll(token.substr(2));
      continue;
    }
    bool* lever = token[0] == 'd'   ? &levers.keyboardDot
                  : token[0] == 'h' ? &levers.keyboardDash
                  : token[0] == 'D' ? &levers.serialDot
                                    : &levers.serialDash;
    const size_t dash = token.find('-', 2);
    const int64_t atMs = std::stoll(token.substr(2)),
                  untilMs = dash == std::string::npos ? atMs : std::stoll(token.substr(dash + 1));
    const uint32_t hold = token[1] == '+' ? DebounceCloseMs(kUnitMs, 50) : DebounceOpenMs(kUnitMs, 50);
    moves.push_back({lever, token[1], token[1] == '~' ? atMs : atMs - hold, untilMs});
    releaseMs = std::max(releaseMs, untilMs);
  }
  // Open and debounced by release + 9 ms; then an element, its space, Iambic B's remembered element.
  const int64_t quietMs = releaseMs + 9 + 8 * kUnitMs;
  KeyingState state;
  std::string spans;
  bool keyed = false;
  int64_t downMs = 0, upMs = -1000;
  KeyerMode downKeyer = KeyerMode::kStraight;
  int faults = 0, keyDowns = 0, elements = 0;
  auto fail = [&](int64_t t, const char* what) {
    if (++faults <= 3) ADD_FAILURE() << "at " << t << " ms: " << what;
  };
  static const KeyerMode kElementKeyers[] = {KeyerMode::kIambicA, KeyerMode::kUltimatic, KeyerMode::kIambicB};
  for (int64_t t = -50; t < quietMs + 1000; ++t) {
    for (const Move& move : moves) {
      if (move.change != '~' && move.atMs == t) *move.lever = move.change == '+';
      if (move.change == '~' && t >= move.atMs) *move.lever = t < move.untilMs && t % 2 == 0;
    }
    const int64_t phase = periodMs ? (t + 50) / periodMs : -1;
    if (cycle == 'r' && phase >= 0) reverse = phase % 2 == 1;
    inputs.keyerMode = cycle == 'm' && phase >= 0   ? static_cast<KeyerMode>(phase % kKeyerModeCount)
                       : cycle == 'e' && phase >= 0 ? kElementKeyers[phase % 3]
                                                    : mode;
    ComposeContacts(levers, reverse, inputs);
    const KeyingOutput out = KeyingTick(state, 100000 + static_cast<uint32_t>(t), inputs);
    for (int i = 0; i < out.eventCount; ++i) {
      if (!WellFormed(out.events[i])) fail(t, "malformed event");
      elements += out.events[i].kind == KeyEventKind::kElement;
    }
    const bool on = out.toneOn != 0;
    if (on && !keyed) {
      if (ElementKeyer(state.keyerInUse) && t - upMs < kUnitMs) fail(t, "space under a unit");
      downMs = t;
      ++keyDowns;
      downKeyer = state.keyerInUse;
    }
    if (on && state.keyerInUse != downKeyer) fail(t, "keyer changed under a key-down");
    // The tick that ends a key-down may take up the next keyer: the element was the one that keyed it.
    if (!on && keyed) {
      if (ElementKeyer(downKeyer) && t - downMs != kUnitMs && t - downMs != 3 * kUnitMs)
        fail(t, "broken element");
      upMs = t;
    }
    if (on && t >= quietMs) fail(t, "tone on after every lever opened");
    if (on != keyed) spans += (on ? (spans.empty() ? "" : " ") : "-") + std::to_string(t);
    keyed = on;
  }
  if (elements != keyDowns) fail(quietMs, "not one element event a key-down");
  return spans;
}

TEST(KeyerModes, LeverScriptsKeyTheTable) {
  for (const Row& row : kRows) {
    for (const char* m = row.modes; *m; ++m) {
      SCOPED_TRACE(std::string(row.name) + ", keyer " + *m);
      const std::string spans = KeyDownSpans(row, static_cast<KeyerMode>(std::string_view("aABUS").find(*m)));
      if (row.keyDown) {
        EXPECT_EQ(spans, row.keyDown);
      } else {
        EXPECT_NE(spans, "");
      }
    }
  }
}

}  // namespace
