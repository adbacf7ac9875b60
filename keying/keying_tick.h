// SPDX-License-Identifier: GPL-3.0-or-later
// The keying tick: one millisecond of the keying thread as a pure function.
//
// Raw key contacts go in; the keyed state (which gates the tone) and the element, character and word-gap
// reports come out. No clock, no globals, no allocation: the thread passes the tick time and the settings,
// and tests drive the tick millisecond by millisecond.
//
// Thread: KeyingTick and everything here may be called from any one thread per KeyingState (the keying
// thread in the program, the test thread in tests). The threshold functions are pure and thread-free.
#pragma once
#include <cstdint>

#include "core/event_queue.h"

// Symbols kept per pending character: the queue's code field holds 31. Elements beyond that still count
// towards the speed estimate and the split (running sum, shortest and longest), so the first 31 symbols
// come out exactly as if every element had been stored.
constexpr int kMaxPendingSymbols = 31;

// Element glyphs of element events.
constexpr char16_t kDotElement = u'\u30FB';   // ・
constexpr char16_t kDashElement = u'\u30FC';  // ー

// The keyers a paddle can drive, numbered as the setting KeyerMode stores them. The keyer runs while the
// setting Auto is on; with Auto off the contacts key the tone directly (kStraight).
enum class KeyerMode : int32_t {
  kAuto = 0,       // dot priority: a held lever repeats its element, the dot lever wins a squeeze
  kIambicA = 1,    // a squeeze alternates; released, the element in progress ends the run
  kIambicB = 2,    // as A, with the opposite element remembered during each element
  kUltimatic = 3,  // a squeeze repeats the lever closed last
  kStraight = 4,   // either lever keys the tone while it is closed
};
constexpr int32_t kKeyerModeCount = 5;
// A stored mode number as a mode; out of range reads as kAuto.
KeyerMode KeyerModeFromSetting(int32_t value);

// Element engine of the Iambic and Ultimatic keyers.
enum class KeyerPhase : uint8_t {
  kIdle,     // no element; the next tick a lever is closed starts one
  kElement,  // key down for 1 (dot) or 3 (dash) units from elementStartMs
  kSpace,    // key up for 1 unit from elementStartMs, then the next element is chosen
};

// A character being keyed: the symbols by the dash threshold at key-up and the key-down times.
struct PendingCharacter {
  int count = 0;                                  // elements keyed so far (may exceed kMaxPendingSymbols)
  char text[kMaxPendingSymbols + 1] = {};         // first symbols, '.' or '-', NUL-terminated
  uint32_t durationsMs[kMaxPendingSymbols] = {};  // key-down time of each stored symbol
  uint64_t estimateSumMs = 0;                     // sum of every element's unit estimate
  uint32_t shortestMs = 0;                        // over every element
  uint32_t longestMs = 0;
};

// All state of the keying tick. Default-initialised = start values; the first tick stamps the times.
struct KeyingState {
  bool started = false;  // false until the first tick has set lastMark and the change times to now
  bool paused = false;   // the last tick ran paused (the thread idles longer)

  // Debounce, per contact: last raw state, when it last changed, and the debounced state.
  bool rawDot = false, rawDash = false;
  uint32_t rawDotChangeMs = 0, rawDashChangeMs = 0;
  bool dot = false, dash = false;

  // AUTO keyer: phase of the element (on = key down) and when the phase began; the debounced contacts of
  // the previous tick, to see a contact close.
  bool keyerOnPhase = false;
  uint32_t keyerStartMs = 0;
  bool previousDot = false, previousDash = false;

  // The keyer in use. A new choice is taken up only between elements (see KeyerBetweenElements), so a
  // change of mode never cuts an element short or joins two without their space.
  KeyerMode keyerInUse = KeyerMode::kStraight;
  // Iambic and Ultimatic: where the element engine is, what it keys, and the levers' history.
  KeyerPhase elementPhase = KeyerPhase::kIdle;
  uint32_t elementStartMs = 0;
  bool elementDash = false;     // the element being keyed, or the last one keyed
  bool oppositeMemory = false;  // Iambic B: the opposite element follows the element in progress
  bool lastClosedDash = false;  // the lever closed most recently (a tie counts the dash as the later)

  bool keyed = false;       // keyed state of the previous tick
  uint32_t keyDownMs = 0;   // when the current key-down began
  uint32_t lastMarkMs = 0;  // last accepted key-up (or dropped glitch), gaps are measured from here
  PendingCharacter pending;
  bool wordGapArmed = false;  // set at each key-down
  bool wordGapSent = false;   // cleared at each key-down
};

// What the tick reads besides its state. Settings are taken as they are and clamped where used.
struct KeyingInputs {
  bool dotContact = false;   // raw: serial dot lever or keyboard dot lever closed
  bool dashContact = false;  // raw: serial dash lever or keyboard dash lever closed
  bool paused = false;
  bool latinMode = false;                  // only Latin script sends word gaps
  bool autoKeyer = false;                  // setting Auto
  KeyerMode keyerMode = KeyerMode::kAuto;  // the keyer Auto runs (setting KeyerMode)
  int32_t WPM = 15;
  int32_t KeySoftness = 50;
  int32_t JudgeEase = 50;
  int32_t ElementTolerance = 50;
  int32_t CharSpeedTolerance = 50;
  bool (*spaceExpected)() = nullptr;  // asked once a word gap has passed; null answers no
};

struct KeyingOutput {
  int32_t toneOn = 0;  // keyed state after debounce and keyer, 0 or 1
  int eventCount = 0;
  KeyEvent events[4] = {};  // in push order; zero-filled except the fields of their kind
};

// The four key levers as the keying thread samples them.
struct LeverSample {
  bool serialDot = false, serialDash = false;      // DSR and CTS, or the playback's keying
  bool keyboardDot = false, keyboardDash = false;  // the bound keyboard keys
  bool serialIsPlayback = false;                   // receive playback or a demonstration keys the serial pair
};
// Sets inputs.dotContact and inputs.dashContact from the levers. Paddle reverse swaps the learner's
// levers before the keyer: the keyboard's always, the serial pair unless the program's own playback keys
// it (its dots and dashes are already the right way round).
void ComposeContacts(const LeverSample& levers, bool paddleReverse, KeyingInputs& inputs);

// One tick at nowMs (32-bit tick counter; every difference is taken unsigned, so it may wrap).
KeyingOutput KeyingTick(KeyingState& state, uint32_t nowMs, const KeyingInputs& inputs);
// Back to the start values at nowMs (pause; start-up).
void ResetKeyingTickState(KeyingState& state, uint32_t nowMs);
// Nothing can happen until a contact closes: contacts open and settled, key up, no character pending and,
// in Latin script, no word gap left to time.
bool KeyingAtRest(const KeyingState& state, bool latinMode);
// Forgets the partly keyed character and the word-gap flags; contacts, debounce and keyer stay.
void DropPendingCharacter(KeyingState& state);

// --- Timing formulas (integer milliseconds; settings clamped to 0..100) ---
uint32_t UnitMs(int32_t wpm);  // (1200 + WPM/2) / WPM, WPM below 1 counts as 1
uint32_t DebounceCloseMs(uint32_t unitMs, int32_t keySoftness);
uint32_t DebounceOpenMs(uint32_t unitMs, int32_t keySoftness);
uint32_t GlitchLimitMs(uint32_t unitMs, int32_t keySoftness);  // shorter key-downs are dropped
uint32_t DashThresholdMs(uint32_t unitMs, int32_t judgeEase, int32_t keySoftness);
uint32_t CharacterGapMs(uint32_t unitMs, int32_t judgeEase);  // gap that ends a character at key-down
uint32_t CharacterTimeoutMs(uint32_t unitMs, int32_t judgeEase, int32_t keySoftness);  // key-up gap
uint32_t WordGapMs(uint32_t unitMs, int32_t judgeEase, int32_t keySoftness);
uint32_t SplitRatioPerMille(int32_t elementTolerance, int32_t keySoftness);
// Adds one element to a pending character (symbol '.' or '-', key-down time).
void AppendElement(PendingCharacter& pending, char symbol, uint32_t durationMs);
// The unit a finished character was keyed at, pulled from the nominal unit by CharSpeedTolerance.
uint32_t EstimatedUnitMs(const PendingCharacter& pending, uint32_t unitMs, int32_t charSpeedTolerance);
// Re-classifies a finished character into codeOut (at most kMaxPendingSymbols + NUL).
void ClassifyCharacter(const PendingCharacter& pending, uint32_t unitMs, const KeyingInputs& inputs,
                       char* codeOut);
