// SPDX-License-Identifier: GPL-3.0-or-later
// The keying tick driven millisecond by millisecond, without a clock: formulas, debounce, the AUTO keyer,
// element and character classification, gaps, word gaps and pause.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "keying/keying_tick.h"

namespace {

// ---- A test rig: the tick, its inputs and everything it produced, in times relative to baseMs. ----

struct ToneEdgeAt {
  uint32_t atMs;
  int32_t on;
  bool operator==(const ToneEdgeAt&) const = default;
};

struct Rig {
  uint32_t baseMs = 1000;  // absolute tick of relative time 0
  int64_t nextMs = -50;    // relative time of the next tick; starts early so contacts can close at 0
  KeyingState state;
  KeyingInputs inputs;
  int32_t tone = 0;
  std::vector<ToneEdgeAt> edges;
  std::vector<KeyEvent> events;  // tickMs kept relative
  int ticks = 0;
};

Rig MakeRig(uint32_t baseMs = 1000) {
  Rig rig;
  rig.baseMs = baseMs;
  return rig;
}

// Ticks every millisecond up to, not including, endMs (relative).
void RunUntil(Rig& rig, int64_t endMs) {
  for (; rig.nextMs < endMs; ++rig.nextMs) {
    uint32_t relativeMs = static_cast<uint32_t>(rig.nextMs);
    KeyingOutput out = KeyingTick(rig.state, rig.baseMs + relativeMs, rig.inputs);
    ++rig.ticks;
    if (out.toneOn != rig.tone) rig.edges.push_back({relativeMs, out.toneOn});
    rig.tone = out.toneOn;
    for (int i = 0; i < out.eventCount; ++i) {
      KeyEvent event = out.events[i];
      event.tickMs -= rig.baseMs;
      rig.events.push_back(event);
    }
  }
}

uint32_t Unit(const Rig& rig) {
  return UnitMs(rig.inputs.WPM);
}

// Moves a raw contact so that its debounced state changes exactly at debouncedAtMs.
void SetContact(Rig& rig, bool dash, bool closed, uint32_t debouncedAtMs) {
  uint32_t hold = closed ? DebounceCloseMs(Unit(rig), rig.inputs.KeySoftness)
                         : DebounceOpenMs(Unit(rig), rig.inputs.KeySoftness);
  int64_t rawAtMs = int64_t{debouncedAtMs} - hold;
  if (rawAtMs < rig.nextMs) ADD_FAILURE() << "contact cannot change at " << debouncedAtMs << " ms";
  RunUntil(rig, rawAtMs);
  (dash ? rig.inputs.dashContact : rig.inputs.dotContact) = closed;
}

// A straight-key element: keyed from downMs to upMs.
void Key(Rig& rig, uint32_t downMs, uint32_t upMs) {
  SetContact(rig, false, true, downMs);
  SetContact(rig, false, false, upMs);
}

// Keys elements of the given lengths separated by gapMs, the first going down at startMs; returns the
// time of the last key-up.
uint32_t KeyElements(Rig& rig, uint32_t startMs, const std::vector<uint32_t>& lengthsMs, uint32_t gapMs) {
  uint32_t t = startMs;
  for (uint32_t length : lengthsMs) {
    Key(rig, t, t + length);
    t += length + gapMs;
  }
  return t - gapMs;
}

std::vector<const KeyEvent*> EventsOfKind(const Rig& rig, int32_t kind) {
  std::vector<const KeyEvent*> found;
  for (const KeyEvent& event : rig.events) {
    if (static_cast<int32_t>(event.kind) == kind) found.push_back(&event);
  }
  return found;
}

std::string ElementText(const Rig& rig) {
  std::string text;
  for (const KeyEvent* event : EventsOfKind(rig, 1)) text += event->element == kDashElement ? '-' : '.';
  return text;
}

std::vector<std::string> Codes(const Rig& rig) {
  std::vector<std::string> codes;
  for (const KeyEvent* event : EventsOfKind(rig, 2)) codes.push_back(event->code);
  return codes;
}

bool SpaceYes() {
  return true;
}
bool SpaceNo() {
  return false;
}

// ---- Formulas ----

struct FormulaRow {
  const char* name;
  int32_t wpm, keySoftness, judgeEase, elementTolerance;
  uint32_t unit, debounceClose, debounceOpen, glitch, dash, gapAtKeyDown, timeout, wordGap, splitPerMille;
};

// clang-format off
const FormulaRow kFormulaRows[] = {
  // name                            wpm   KS   JE   ET  unit cls opn glt  dash  gapD   tmo  word split
  {"15 WPM, all 50",                   15,  50,  50,  50,   80,  5,  9, 12,  160,  160,  240,  560, 1850},
  {"15 WPM, JE = KS = 100",            15, 100, 100,  50,   80,  2, 15,  4,  224,  140,  384,  816, 1525},
  {"15 WPM, JE = KS = 0",              15,   0,   0,  50,   80,  8,  3, 21,  132,  176,  180,  440, 2175},
  {"15 WPM, KS 49 halves toward zero", 15,  49,  50,  50,   80,  6,  8, 13,  160,  160,  240,  560, 1850},
  {"15 WPM, KS 51 lengthens 1-2 ms",   15,  51,  75,  50,   80,  5,  9, 12,  175,  150,  277,  642, 1850},
  {"20 WPM",                           20,  50,  50,  50,   60,  5,  9,  9,  120,  120,  180,  420, 1850},
  {"40 WPM",                           40,  50,  50,  50,   30,  5,  9,  5,   60,   60,   90,  210, 1850},
  {"60 WPM: unit/5 and unit/3 cap",    60,  50,  50,  50,   20,  4,  6,  3,   40,   40,   60,  140, 1850},
  {"5 WPM",                             5,  50,  50,  50,  240,  5,  9, 36,  480,  480,  720, 1680, 1850},
  {"ElementTolerance 100: ratio 1.2",  15,  50,  50, 100,   80,  5,  9, 12,  160,  160,  240,  560, 1200},
  {"out of range: WPM 0 counts as 1",   0, 150, -20, 500, 1200,  2, 15, 48, 2520, 2640, 3780, 8040, 1200},
};
// clang-format on

TEST(KeyingFormulas, ThresholdTable) {
  for (const FormulaRow& row : kFormulaRows) {
    SCOPED_TRACE(row.name);
    uint32_t unit = UnitMs(row.wpm);
    EXPECT_EQ(unit, row.unit);
    EXPECT_EQ(DebounceCloseMs(unit, row.keySoftness), row.debounceClose);
    EXPECT_EQ(DebounceOpenMs(unit, row.keySoftness), row.debounceOpen);
    EXPECT_EQ(GlitchLimitMs(unit, row.keySoftness), row.glitch);
    EXPECT_EQ(DashThresholdMs(unit, row.judgeEase, row.keySoftness), row.dash);
    EXPECT_EQ(CharacterGapMs(unit, row.judgeEase), row.gapAtKeyDown);
    EXPECT_EQ(CharacterTimeoutMs(unit, row.judgeEase, row.keySoftness), row.timeout);
    EXPECT_EQ(WordGapMs(unit, row.judgeEase, row.keySoftness), row.wordGap);
    EXPECT_EQ(SplitRatioPerMille(row.elementTolerance, row.keySoftness), row.splitPerMille);
  }
}

// ---- Speed estimate and re-classification of finished characters (unit 80 ms) ----

PendingCharacter Pending(const std::vector<uint32_t>& durationsMs, uint32_t dashThresholdMs = 160) {
  PendingCharacter pending;
  for (uint32_t d : durationsMs) AppendElement(pending, d < dashThresholdMs ? '.' : '-', d);
  return pending;
}

struct EstimateRow {
  const char* name;
  std::vector<uint32_t> durationsMs;
  int32_t charSpeedTolerance;
  uint32_t expectedUnitMs;
};

TEST(KeyingClassification, SpeedEstimate) {
  const EstimateRow rows[] = {
      {"tolerance 0 never moves the unit", {82, 82}, 0, 80},
      {"tolerance 50 pulls halfway", {100, 100}, 50, 90},
      {"tolerance 50 ignores a mean beyond 142 %", {120}, 50, 80},
      {"tolerance 100 takes the mean up to 180 %", {140}, 100, 140},
      {"tolerance 100 ignores a mean beyond 180 %", {145}, 100, 80},
      {"a dash estimates a third of itself", {300}, 50, 90},
      {"the mean rounds to nearest", {80, 81}, 100, 81},
  };
  for (const EstimateRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(EstimatedUnitMs(Pending(row.durationsMs), 80, row.charSpeedTolerance), row.expectedUnitMs);
  }
}

struct ClassifyRow {
  const char* name;
  std::vector<uint32_t> durationsMs;
  int32_t charSpeedTolerance, elementTolerance;
  const char* code;
};

TEST(KeyingClassification, FinishedCharacters) {
  // clang-format off
  const ClassifyRow rows[] = {
    {"70 75 200 210: ratio 3.0 splits at 140",          {70, 75, 200, 210}, 50,  50, "..--"},
    {"slow hand 170 170 500 splits into dots",          {170, 170, 500},    50,  50, "..-"},
    {"ratio exactly 1.85 splits",                       {200, 370},         50,  50, ".-"},
    {"ratio just below 1.85 uses the estimated unit",   {200, 369},         50,  50, "--"},
    {"slow character: 163 is under its own threshold",  {120, 163},         50,  50, ".."},
    {"same at tolerance 0: nominal threshold 160",      {120, 163},          0,  50, ".-"},
    {"one element below the dash threshold",            {159},              50,  50, "."},
    {"one element at the dash threshold",               {160},              50,  50, "-"},
    {"three even dashes stay dashes",                   {240, 240, 240},    50,  50, "---"},
    {"three even fast dashes stay dashes",              {165, 165, 165},    50,  50, "---"},
    {"ElementTolerance 100 splits at ratio 1.2",        {100, 120},         50, 100, ".-"},
    {"ElementTolerance 50 does not at ratio 1.2",       {100, 120},         50,  50, ".."},
  };
  // clang-format on
  for (const ClassifyRow& row : rows) {
    SCOPED_TRACE(row.name);
    KeyingInputs inputs;
    inputs.CharSpeedTolerance = row.charSpeedTolerance;
    inputs.ElementTolerance = row.elementTolerance;
    char code[kMaxPendingSymbols + 1];
    ClassifyCharacter(Pending(row.durationsMs), 80, inputs, code);
    EXPECT_STREQ(code, row.code);
  }
}

TEST(KeyingClassification, ElementsBeyondTheCodeFieldStillSetTheSplit) {
  // 35 fast dashes and one long element: the long one, not stored, makes the ratio 2.0, so the split turns
  // the stored 165 ms elements into dots; the code field keeps 31 of them.
  std::vector<uint32_t> durations(35, 165);
  durations.push_back(330);
  char code[kMaxPendingSymbols + 1];
  ClassifyCharacter(Pending(durations), 80, KeyingInputs{}, code);
  EXPECT_EQ(std::string(code), std::string(31, '.'));
  // Without it, the same 165 ms elements are dashes.
  ClassifyCharacter(Pending(std::vector<uint32_t>(35, 165)), 80, KeyingInputs{}, code);
  EXPECT_EQ(std::string(code), std::string(31, '-'));
}

// ---- Debounce ----

TEST(KeyingTick, DebounceHoldTimes) {
  struct Row {
    const char* name;
    int32_t keySoftness;
    uint32_t toneOnMs, toneOffMs;
  } rows[] = {
      {"KS 50: 5 ms to close, 9 to open", 50, 105, 309},
      {"KS 100: 2 ms to close, 15 to open", 100, 102, 315},
      {"KS 0: 8 ms to close, 3 to open", 0, 108, 303},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig = MakeRig();
    rig.inputs.KeySoftness = row.keySoftness;
    RunUntil(rig, 100);
    rig.inputs.dotContact = true;
    RunUntil(rig, 300);
    rig.inputs.dotContact = false;
    RunUntil(rig, 400);
    std::vector<ToneEdgeAt> expected = {{row.toneOnMs, 1}, {row.toneOffMs, 0}};
    EXPECT_EQ(rig.edges, expected);
    ASSERT_EQ(EventsOfKind(rig, 1).size(), 1u);
    EXPECT_EQ(EventsOfKind(rig, 1)[0]->durationMs, row.toneOffMs - row.toneOnMs);
    EXPECT_EQ(EventsOfKind(rig, 1)[0]->tickMs, row.toneOffMs);
  }
}

TEST(KeyingTick, ContactBounceRestartsTheHold) {
  Rig rig = MakeRig();
  RunUntil(rig, 100);
  rig.inputs.dotContact = true;  // closes at 100, bounces open at 103, closes for good at 104
  RunUntil(rig, 103);
  rig.inputs.dotContact = false;
  RunUntil(rig, 104);
  rig.inputs.dotContact = true;
  RunUntil(rig, 300);
  rig.inputs.dotContact = false;  // a release bouncing shut for a moment: 300 open, 305 closed, 306 open
  RunUntil(rig, 305);
  rig.inputs.dotContact = true;
  RunUntil(rig, 306);
  rig.inputs.dotContact = false;
  RunUntil(rig, 400);
  std::vector<ToneEdgeAt> expected = {{109, 1}, {315, 0}};
  EXPECT_EQ(rig.edges, expected);
  EXPECT_EQ(ElementText(rig), "-");
}

TEST(KeyingTick, EitherContactKeysWithoutAuto) {
  Rig rig = MakeRig();
  SetContact(rig, true, true, 100);
  SetContact(rig, true, false, 160);
  RunUntil(rig, 500);
  std::vector<ToneEdgeAt> expected = {{100, 1}, {160, 0}};
  EXPECT_EQ(rig.edges, expected);
  EXPECT_EQ(Codes(rig), std::vector<std::string>{"."});
}

// ---- Elements, glitches and characters at 15 WPM, all settings 50 ----

TEST(KeyingTick, ElementsAndTheWorkedCharacter) {
  Rig rig = MakeRig();
  uint32_t lastUp = KeyElements(rig, 0, {70, 75, 200, 210}, 100);
  RunUntil(rig, lastUp + 1000);
  EXPECT_EQ(ElementText(rig), "..--");
  std::vector<uint32_t> durations;
  for (const KeyEvent* event : EventsOfKind(rig, 1)) durations.push_back(event->durationMs);
  EXPECT_EQ(durations, (std::vector<uint32_t>{70, 75, 200, 210}));
  ASSERT_EQ(Codes(rig), std::vector<std::string>{"..--"});
  EXPECT_EQ(EventsOfKind(rig, 2)[0]->tickMs, lastUp + 240);
  EXPECT_EQ(EventsOfKind(rig, 2)[0]->durationMs, 0u);
  EXPECT_EQ(EventsOfKind(rig, 2)[0]->element, 0);
}

TEST(KeyingTick, ElementEventsUseTheNominalThresholdCharactersTheirOwn) {
  // A slow hand: every element is longer than the nominal dash threshold, the character splits.
  Rig rig = MakeRig();
  uint32_t lastUp = KeyElements(rig, 0, {170, 170, 500}, 100);
  RunUntil(rig, lastUp + 300);
  EXPECT_EQ(ElementText(rig), "---");
  EXPECT_EQ(Codes(rig), std::vector<std::string>{"..-"});
}

// KS 100 (limit 4 ms) has no row: its 15 ms opening hold lets no element shorter than 16 ms through.
TEST(KeyingTick, GlitchLimit) {
  struct Row {
    const char* name;
    int32_t keySoftness;
    uint32_t downMs;
    size_t elements;
  } rows[] = {
      {"KS 50: 11 ms dropped", 50, 11, 0},
      {"KS 50: 12 ms kept", 50, 12, 1},
      {"KS 0: 20 ms dropped", 0, 20, 0},
      {"KS 0: 21 ms kept", 0, 21, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig = MakeRig();
    rig.inputs.KeySoftness = row.keySoftness;
    Key(rig, 100, 100 + row.downMs);
    RunUntil(rig, 2000);
    EXPECT_EQ(EventsOfKind(rig, 1).size(), row.elements);
    EXPECT_EQ(EventsOfKind(rig, 2).size(), row.elements);
    EXPECT_EQ(rig.edges.size(), 2u);  // the tone follows even a glitch
  }
}

TEST(KeyingTick, GlitchRestartsTheGapTiming) {
  Rig rig = MakeRig();
  Key(rig, 0, 100);    // a dot, gap timing from 100
  Key(rig, 200, 211);  // an 11 ms glitch: no element, but gap timing now from 211
  RunUntil(rig, 1000);
  EXPECT_EQ(ElementText(rig), ".");
  ASSERT_EQ(Codes(rig), std::vector<std::string>{"."});
  EXPECT_EQ(EventsOfKind(rig, 2)[0]->tickMs, 211u + 240u);
}

TEST(KeyingTick, CharacterGaps) {
  struct Row {
    const char* name;
    int32_t judgeEase, keySoftness;
    uint32_t gapMs;
    std::vector<std::string> codes;
    uint32_t firstCodeAtMs;  // tick of the first character event
  } rows[] = {
      {"50/50: 159 ms gap keeps the character", 50, 50, 159, {".."}, 359 + 240},
      {"50/50: 160 ms gap ends it at key-down", 50, 50, 160, {".", "."}, 260},
      {"100/100: 139 ms gap keeps the character", 100, 100, 139, {".."}, 339 + 384},
      {"100/100: 140 ms gap ends it at key-down", 100, 100, 140, {".", "."}, 240},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig = MakeRig();
    rig.inputs.JudgeEase = row.judgeEase;
    rig.inputs.KeySoftness = row.keySoftness;
    Key(rig, 0, 100);
    Key(rig, 100 + row.gapMs, 200 + row.gapMs);
    RunUntil(rig, 2000);
    EXPECT_EQ(Codes(rig), row.codes);
    ASSERT_FALSE(EventsOfKind(rig, 2).empty());
    EXPECT_EQ(EventsOfKind(rig, 2)[0]->tickMs, row.firstCodeAtMs);
  }
}

TEST(KeyingTick, CharacterTimeOut) {
  struct Row {
    const char* name;
    int32_t judgeEase, keySoftness;
    uint32_t timeoutMs;
  } rows[] = {{"50/50: 240 ms", 50, 50, 240}, {"100/100: 312 + 72 ms", 100, 100, 384}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig = MakeRig();
    rig.inputs.JudgeEase = row.judgeEase;
    rig.inputs.KeySoftness = row.keySoftness;
    Key(rig, 0, 100);
    RunUntil(rig, 100 + row.timeoutMs);
    EXPECT_TRUE(Codes(rig).empty()) << "one tick early";
    RunUntil(rig, 100 + row.timeoutMs + 1);
    EXPECT_EQ(Codes(rig), std::vector<std::string>{"."});
  }
}

TEST(KeyingTick, LongCharacterIsCutToTheCodeField) {
  Rig rig = MakeRig();
  uint32_t lastUp = KeyElements(rig, 0, std::vector<uint32_t>(40, 60), 60);
  RunUntil(rig, lastUp + 300);
  EXPECT_EQ(EventsOfKind(rig, 1).size(), 40u);
  EXPECT_EQ(Codes(rig), std::vector<std::string>{std::string(31, '.')});
}

TEST(KeyingTick, TickCounterWrapsWithoutHarm) {
  Rig plain = MakeRig(1000);
  Rig wrapping = MakeRig(0xFFFFFFFFu - 400);  // the counter wraps during the third element
  for (Rig* rig : {&plain, &wrapping}) {
    uint32_t lastUp = KeyElements(*rig, 0, {70, 75, 200, 210}, 100);
    RunUntil(*rig, lastUp + 1000);
  }
  EXPECT_EQ(wrapping.edges, plain.edges);
  ASSERT_EQ(wrapping.events.size(), plain.events.size());
  for (size_t i = 0; i < plain.events.size(); ++i) {
    EXPECT_EQ(wrapping.events[i].kind, plain.events[i].kind);
    EXPECT_EQ(wrapping.events[i].tickMs, plain.events[i].tickMs);
    EXPECT_EQ(wrapping.events[i].durationMs, plain.events[i].durationMs);
    EXPECT_STREQ(wrapping.events[i].code, plain.events[i].code);
  }
  EXPECT_EQ(Codes(wrapping), std::vector<std::string>{"..--"});
}

// ---- AUTO keyer (15 WPM: unit 80 ms) ----

TEST(KeyingAuto, KeyerPhases) {
  struct Contact {
    bool dash, closed;
    uint32_t atMs;  // debounced
  };
  struct Row {
    const char* name;
    std::vector<Contact> contacts;
    std::vector<ToneEdgeAt> edges;
  };
  const Row rows[] = {
      {"dot held 0..360: the release cuts the third dot to 40 ms",
       {{false, true, 0}, {false, false, 360}},
       {{0, 1}, {80, 0}, {160, 1}, {240, 0}, {320, 1}, {360, 0}}},
      {"dash held 0..700: 3-unit dashes, 1-unit gaps",
       {{true, true, 0}, {true, false, 700}},
       {{0, 1}, {240, 0}, {320, 1}, {560, 0}, {640, 1}, {700, 0}}},
      {"dot closing during a dash starts a dot at once",
       {{true, true, 0}, {false, true, 100}, {false, false, 200}, {true, false, 520}},
       {{0, 1}, {180, 0}, {260, 1}, {500, 0}}},
      {"dot opening under a held dash goes on with dash timing",
       {{false, true, 0}, {true, true, 20}, {false, false, 50}, {true, false, 300}},
       {{0, 1}, {240, 0}}},
      {"dot closing in a dash gap starts at once",
       {{true, true, 0}, {false, true, 260}, {false, false, 300}, {true, false, 300}},
       {{0, 1}, {240, 0}, {260, 1}, {300, 0}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig = MakeRig();
    rig.inputs.autoKeyer = true;
    for (const Contact& contact : row.contacts) SetContact(rig, contact.dash, contact.closed, contact.atMs);
    RunUntil(rig, 2000);
    EXPECT_EQ(rig.edges, row.edges);
  }
}

TEST(KeyingAuto, DotTrainElements) {
  Rig rig = MakeRig();
  rig.inputs.autoKeyer = true;
  SetContact(rig, false, true, 0);
  SetContact(rig, false, false, 360);
  RunUntil(rig, 1000);
  std::vector<std::pair<uint32_t, uint32_t>> elements;  // (tick, duration)
  for (const KeyEvent* event : EventsOfKind(rig, 1)) elements.push_back({event->tickMs, event->durationMs});
  std::vector<std::pair<uint32_t, uint32_t>> expected = {{80, 80}, {240, 80}, {360, 40}};
  EXPECT_EQ(elements, expected);
  EXPECT_EQ(ElementText(rig), "...");
  EXPECT_EQ(EventsOfKind(rig, 2).size(), 1u);
}

// ---- Word gaps ----

TEST(KeyingTick, WordGap) {
  struct Row {
    const char* name;
    bool latin;
    bool (*spaceExpected)();
    size_t gaps;
  } rows[] = {
      {"Latin, blank expected: one gap at 560 ms", true, SpaceYes, 1},
      {"Latin, no blank expected: none", true, SpaceNo, 0},
      {"Latin, no judge: none", true, nullptr, 0},
      {"kana, blank expected: never", false, SpaceYes, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig = MakeRig();
    rig.inputs.latinMode = row.latin;
    rig.inputs.spaceExpected = row.spaceExpected;
    Key(rig, 0, 100);
    RunUntil(rig, 5000);
    auto gaps = EventsOfKind(rig, 3);
    ASSERT_EQ(gaps.size(), row.gaps);
    if (!gaps.empty()) {
      EXPECT_EQ(gaps[0]->tickMs, 100u + 560u);
    }
    EXPECT_EQ(Codes(rig), std::vector<std::string>{"."});
  }
}

// The thread sleeps until a lever moves only while nothing is under way: not during an element, not with a
// character pending, not while a Latin word gap still has to be timed.
TEST(KeyingTick, RestsOnlyWhenNothingIsUnderWay) {
  struct Row {
    const char* name;
    bool latin;
    bool (*spaceExpected)();
    bool restsAfterTheCharacter;
  } rows[] = {
      {"kana: at rest once the character is out", false, SpaceNo, true},
      {"Latin, blank expected: at rest once the gap is sent", true, SpaceYes, true},
      {"Latin, no blank expected: keeps timing the gap", true, SpaceNo, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig = MakeRig();
    rig.inputs.latinMode = row.latin;
    rig.inputs.spaceExpected = row.spaceExpected;
    RunUntil(rig, -10);
    EXPECT_TRUE(KeyingAtRest(rig.state, row.latin));
    SetContact(rig, false, true, 0);
    RunUntil(rig, -2);
    EXPECT_FALSE(KeyingAtRest(rig.state, row.latin));  // raw contact closed, debounce running
    RunUntil(rig, 50);
    EXPECT_FALSE(KeyingAtRest(rig.state, row.latin));  // key down
    SetContact(rig, false, false, 100);
    RunUntil(rig, 150);
    EXPECT_FALSE(KeyingAtRest(rig.state, row.latin));  // "." pending until the time-out
    RunUntil(rig, 2000);
    EXPECT_EQ(KeyingAtRest(rig.state, row.latin), row.restsAfterTheCharacter);
  }
}

TEST(KeyingTick, WordGapRearmsAtEachKeyDown) {
  Rig rig = MakeRig();
  rig.inputs.latinMode = true;
  rig.inputs.spaceExpected = SpaceYes;
  Key(rig, 0, 100);
  Key(rig, 2000, 2100);
  RunUntil(rig, 4000);
  auto gaps = EventsOfKind(rig, 3);
  ASSERT_EQ(gaps.size(), 2u);
  EXPECT_EQ(gaps[0]->tickMs, 660u);
  EXPECT_EQ(gaps[1]->tickMs, 2660u);
  // The order of reports: element, character, word gap.
  std::vector<int32_t> kinds;
  for (const KeyEvent& event : rig.events) kinds.push_back(static_cast<int32_t>(event.kind));
  EXPECT_EQ(kinds, (std::vector<int32_t>{1, 2, 3, 1, 2, 3}));
}

// ---- Pause and dropping the pending character ----

TEST(KeyingTick, NothingWhilePaused) {
  Rig rig = MakeRig();
  rig.inputs.paused = true;
  rig.inputs.latinMode = true;
  rig.inputs.spaceExpected = SpaceYes;
  for (bool autoKeyer : {false, true}) {
    rig.inputs.autoKeyer = autoKeyer;
    rig.inputs.dotContact = true;
    RunUntil(rig, rig.nextMs + 500);
    rig.inputs.dashContact = true;
    RunUntil(rig, rig.nextMs + 500);
    rig.inputs.dotContact = rig.inputs.dashContact = false;
    RunUntil(rig, rig.nextMs + 500);
  }
  EXPECT_TRUE(rig.edges.empty());
  EXPECT_TRUE(rig.events.empty());
  EXPECT_TRUE(rig.state.paused);
}

TEST(KeyingTick, PauseForgetsTheCharacterAndRestartsDebounce) {
  Rig rig = MakeRig();
  Key(rig, 0, 100);
  RunUntil(rig, 150);
  rig.inputs.paused = true;
  rig.inputs.dotContact = true;  // held through the pause
  RunUntil(rig, 200);
  rig.inputs.paused = false;
  RunUntil(rig, 1000);
  rig.inputs.dotContact = false;
  RunUntil(rig, 1500);
  // The dot before the pause is never reported as a character; the held contact counts from the first
  // tick after the pause, like a fresh closing.
  std::vector<ToneEdgeAt> expected = {{0, 1}, {100, 0}, {205, 1}, {1009, 0}};
  EXPECT_EQ(rig.edges, expected);
  EXPECT_EQ(Codes(rig), std::vector<std::string>{"-"});
}

TEST(KeyingTick, DropPendingCharacterKeepsTheKeyHeld) {
  Rig rig = MakeRig();
  Key(rig, 0, 100);
  SetContact(rig, false, true, 200);
  RunUntil(rig, 250);
  DropPendingCharacter(rig.state);  // the dot is forgotten; the key held since 200 is not
  SetContact(rig, false, false, 300);
  RunUntil(rig, 1000);
  EXPECT_EQ(ElementText(rig), "..");
  EXPECT_EQ(Codes(rig), std::vector<std::string>{"."});
  EXPECT_EQ(EventsOfKind(rig, 2)[0]->tickMs, 540u);
}

}  // namespace
