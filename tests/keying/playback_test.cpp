// SPDX-License-Identifier: GPL-3.0-or-later
// The playback routine on a millisecond clock of the test's own: what it keys on the serial levers, when,
// and what it reports through the queue. No keying thread runs; the levers are the routine's only output.
#include "keying/playback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "content/telegram_document.h"
#include "core/clock.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "practice/run_control.h"

namespace {

// Lever state of one millisecond: what the keying thread would sample at its start.
struct Sample {
  bool dot = false;
  bool dash = false;
  bool callUp = false;
  std::u16string message;
};

struct TestClock {
  uint64_t nowUs = 0;
  std::vector<Sample> samples;  // one per virtual millisecond since the start
  bool recordMessages = false;
  std::function<void(uint64_t ms)> action;  // runs after each millisecond is recorded
};
TestClock testClock;

uint64_t TestNow() {
  return testClock.nowUs;
}
void TestSleepUntil(uint64_t deadlineUs) {
  while (testClock.nowUs < deadlineUs) {
    Sample sample;
    sample.dot = keyLevers.serialDot.load() != 0;
    sample.dash = keyLevers.serialDash.load() != 0;
    sample.callUp = runFlags.callUpKeying.load() != 0;
    if (testClock.recordMessages) sample.message = ControlText(kMessageLine);
    testClock.samples.push_back(sample);
    const uint64_t ms = testClock.samples.size() - 1;
    testClock.nowUs += 1000;
    if (testClock.action) testClock.action(ms);
  }
}

// A closed-lever run: the symbol, where it starts and how long it lasts (ms from the clock's start).
struct Element {
  char symbol;
  uint64_t startMs;
  uint64_t lengthMs;
};

std::vector<Element> Elements(const std::vector<Sample>& samples) {
  std::vector<Element> out;
  for (size_t i = 0; i < samples.size(); ++i) {
    const bool closed = samples[i].dot || samples[i].dash;
    const bool wasClosed = i > 0 && (samples[i - 1].dot || samples[i - 1].dash);
    if (closed && !wasClosed) out.push_back({samples[i].dash ? '-' : '.', i, 0});
    if (closed) ++out.back().lengthMs;
  }
  return out;
}

// Groups elements into characters: a gap longer than two units separates them.
std::vector<std::string> Codes(const std::vector<Element>& elements, uint64_t unitMs) {
  std::vector<std::string> codes;
  for (size_t i = 0; i < elements.size(); ++i) {
    const bool newCharacter =
        i == 0 || elements[i].startMs - (elements[i - 1].startMs + elements[i - 1].lengthMs) > 2 * unitMs;
    if (newCharacter) codes.emplace_back();
    codes.back() += elements[i].symbol;
  }
  return codes;
}

// Where the last element of code number `index` ends.
uint64_t CodeEnd(const std::vector<Element>& elements, const std::vector<std::string>& codes, size_t index) {
  size_t last = 0;
  for (size_t c = 0; c <= index; ++c) last += codes[c].size();
  const Element& e = elements[last - 1];
  return e.startMs + e.lengthMs;
}

std::vector<std::string> CodesOf(std::initializer_list<std::u16string_view> fields, Script script,
                                 bool numberField = false) {
  std::vector<std::string> codes;
  for (std::u16string_view field : fields) {
    for (char16_t c : ExpandMorseText(field, script)) {
      std::optional<std::string> code;
      if (numberField) code = AbbreviatedNumeralCode(c);
      if (!code) code = EncodeCharacter(script, NormalizeForLookup(c));
      if (code && *code != " ") codes.push_back(*code);
    }
  }
  return codes;
}

std::vector<KeyEvent> DrainQueue() {
  std::vector<KeyEvent> events;
  KeyEvent event;
  while (PopKeyEvent(event)) events.push_back(event);
  return events;
}

class PlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    ResetSettingsToDefaults();
    ClearControls();
    ResetTelegramDocument();
    LatinMode.store(0);
    testClock = TestClock{};
    testClock.nowUs = 5000000;
    InstallClockHooks(ClockHooks{TestNow, TestSleepUntil});
    EnableEventQueue();
    keyLevers.paused.store(0);
    runFlags.playing.store(1);
    runFlags.demonstration.store(0);
    runFlags.CallUpSending.store(0);
    runFlags.callUpKeying.store(0);
  }
  void TearDown() override {
    RemoveClockHooks();
    runFlags.playing.store(0);
    runFlags.demonstration.store(0);
    keyLevers.paused.store(0);
    SetMainWindowExists(false);
  }
  static void UseLatin() { LatinMode.store(1); }
};

// ---- Units and the element schedule --------------------------------------------------------------------

TEST_F(PlaybackTest, UnitFollowsSpeedWithItsFloorAndDefault) {
  struct Row {
    int32_t wpm;
    uint32_t unitMs;
  } rows[] = {{15, 80}, {20, 60}, {25, 48}, {40, 30}, {5, 240}, {0, 80}, {-3, 80}, {60, 20}, {100, 20}};
  for (const Row& row : rows) EXPECT_EQ(PlaybackUnitMsFor(row.wpm), row.unitMs) << "WPM " << row.wpm;
}

// ".-." at 15 WPM: 80 + 80 + 240 + 80 + 80 ms of keying, 80 ms after it, then 4u + 2u = 480 ms more before
// the next character of the field; the field ends with another 4u.
TEST_F(PlaybackTest, KanaCharacterScheduleAtEachSpeed) {
  for (int32_t wpm : {15, 25, 40}) {
    SCOPED_TRACE(wpm);
    practiceSettings.WPM.store(wpm);
    testClock.samples.clear();
    const uint64_t u = PlaybackUnitMsFor(wpm);
    PlayField(u"ナナ");  // ナ = ".-."
    const std::vector<Element> elements = Elements(testClock.samples);
    ASSERT_EQ(elements.size(), 6u);
    const uint64_t expectedStart[] = {0, 2 * u, 6 * u, 14 * u, 16 * u, 20 * u};
    const uint64_t expectedLength[] = {u, 3 * u, u, u, 3 * u, u};
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(elements[i].startMs, expectedStart[i]) << "element " << i;
      EXPECT_EQ(elements[i].lengthMs, expectedLength[i]) << "element " << i;
    }
    // Two characters of 7u keying + 1u + 4u + 2u each, then the field's closing 4u.
    EXPECT_EQ(testClock.samples.size(), 2 * 14 * u + 4 * u);
  }
}

TEST_F(PlaybackTest, NumberFieldUsesAbbreviatedNumerals) {
  practiceSettings.WPM.store(20);
  PlayNumberField(u"セ一〇、三");
  EXPECT_EQ(Codes(Elements(testClock.samples), 60),
            (std::vector<std::string>{".---.", ".-", "-", ".-.-.-", "...-"}));
  testClock.samples.clear();
  PlayField(u"一〇");
  EXPECT_EQ(Codes(Elements(testClock.samples), 60), (std::vector<std::string>{".----", "-----"}));
}

TEST_F(PlaybackTest, VoicedKanaAndSmallKanaAreSentAsTheirParts) {
  practiceSettings.WPM.store(20);
  PlayField(u"ガッ");
  EXPECT_EQ(Codes(Elements(testClock.samples), 60), (std::vector<std::string>{".-..", "..", ".--."}));
}

// A Latin blank is a 7u word space: 1u + 4u + 2u + 7u + 2u = 16u between the letters, and a word-gap
// report after the 7u for the event thread.
TEST_F(PlaybackTest, LatinWordSpaceAndItsWordGapReport) {
  UseLatin();
  practiceSettings.WPM.store(20);
  PlayField(u"E E");
  const std::vector<Element> elements = Elements(testClock.samples);
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[1].startMs - (elements[0].startMs + elements[0].lengthMs), 16u * 60);
  const std::vector<KeyEvent> events = DrainQueue();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, KeyEventKind::kWordGap);
  EXPECT_EQ(events[0].tickMs, static_cast<uint32_t>((5000000 + (1 + 1 + 4 + 2 + 7) * 60 * 1000) / 1000));
}

TEST_F(PlaybackTest, CharacterWithoutCodeIsSkippedButKeepsItsGap) {
  UseLatin();
  practiceSettings.WPM.store(20);
  PlayField(u"E#e");  // neither '#' nor a lower-case letter has a Latin code
  const std::vector<Element> elements = Elements(testClock.samples);
  ASSERT_EQ(elements.size(), 1u);
  EXPECT_EQ(testClock.samples.size(), (1 + 1 + 4 + 2) * 60 + 2 * 2 * 60 + 4 * 60);
  EXPECT_TRUE(DrainQueue().empty());
}

TEST_F(PlaybackTest, EmptyFieldSendsOnlyItsClosingWait) {
  practiceSettings.WPM.store(15);
  PlayField(u"");
  EXPECT_EQ(testClock.samples.size(), 4u * 80);
  EXPECT_TRUE(Elements(testClock.samples).empty());
}

TEST_F(PlaybackTest, SpeedChangeTakesEffectAtTheNextElement) {
  practiceSettings.WPM.store(15);
  testClock.action = [](uint64_t ms) {
    if (ms == 40) practiceSettings.WPM.store(30);  // inside the first 80 ms dot
  };
  PlayCode("..");
  const std::vector<Element> elements = Elements(testClock.samples);
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[0].lengthMs, 80u);
  EXPECT_EQ(elements[1].startMs, 80u + 80u);  // the gap after the first dot was chosen with it
  EXPECT_EQ(elements[1].lengthMs, 40u);
}

TEST_F(PlaybackTest, UnevenLengthsStayWithinTheirBands) {
  practiceSettings.WPM.store(15);
  practiceSettings.BandUnevenLength.store(1);
  PlayField(u"ハハハハハハハハハハハハハハハハハハハハ");  // ハ = "-...", 80 elements
  const std::vector<Element> elements = Elements(testClock.samples);
  ASSERT_EQ(elements.size(), 80u);
  uint64_t shortestDot = 1000, longestDot = 0;
  for (const Element& e : elements) {
    if (e.symbol == '-') {
      EXPECT_GE(e.lengthMs, 187u);  // 0.78 x 240
      EXPECT_LE(e.lengthMs, 292u);  // 1.22 x 240
    } else {
      EXPECT_GE(e.lengthMs, 65u);  // 0.82 x 80
      EXPECT_LE(e.lengthMs, 94u);  // 1.18 x 80
      shortestDot = std::min(shortestDot, e.lengthMs);
      longestDot = std::max(longestDot, e.lengthMs);
    }
  }
  EXPECT_LT(shortestDot, longestDot);
}

// ---- The routine ---------------------------------------------------------------------------------------

TEST_F(PlaybackTest, KanaTelegramHasNoOpeningSignalAndEndsWithClosingSignal) {
  practiceSettings.WPM.store(20);
  Telegram telegram;
  telegram.fields = {u"一二", u"ナハ", u"三", u"セ一", u"トウ", u"アガ"};
  ReplaceTelegrams({telegram});
  PlaybackRoutine();
  const std::vector<Element> elements = Elements(testClock.samples);
  std::vector<std::string> expected = CodesOf({u"一二", u"ナハ", u"三"}, Script::kKana);
  for (const std::string& code : CodesOf({u"セ一"}, Script::kKana, true)) expected.push_back(code);
  for (const std::string& code : CodesOf({u"トウ", u"アガ"}, Script::kKana)) expected.push_back(code);
  expected.push_back("...-.");
  EXPECT_EQ(Codes(elements, 60), expected);
  EXPECT_EQ(elements.front().startMs, 0u);
  // After the closing signal's last element: 1u + 4u, then 8u.
  EXPECT_EQ(testClock.samples.size() - (elements.back().startMs + elements.back().lengthMs), 13u * 60);
  EXPECT_EQ(runFlags.playing.load(), 0);
  EXPECT_EQ(runFlags.CallUpSending.load(), 0);
  // The end of the routine drops the keying records; the telegram's start and the end of the sending,
  // posted for the judge, stay.
  const std::vector<KeyEvent> events = DrainQueue();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, KeyEventKind::kTelegramStart);
  EXPECT_EQ(events[1].kind, KeyEventKind::kPlaybackEnded);
}

// Whatever playback keys while a result window holds the event thread waits in the queue; the next
// telegram therefore starts only once the learner has closed the window.
TEST_F(PlaybackTest, NextTelegramWaitsForTheResultWindow) {
  UseLatin();
  practiceSettings.WPM.store(40);
  constexpr uint64_t kClosedAtMs = 300000;  // well after the first telegram and the 5000 ms pause
  runFlags.resultWindowOpen.store(1);
  testClock.action = [](uint64_t ms) {
    if (ms == kClosedAtMs) runFlags.resultWindowOpen.store(0);
  };
  PlaybackRoutine();
  const std::vector<Element> elements = Elements(testClock.samples);
  std::vector<uint64_t> starts;
  for (const Element& e : elements) starts.push_back(e.startMs);
  const auto held = std::find_if(starts.begin(), starts.end(), [](uint64_t t) { return t >= 150000; });
  ASSERT_NE(held, starts.end());
  EXPECT_GE(*held, kClosedAtMs);  // nothing keyed between the first telegram's end and the window closing
  EXPECT_LT(*(held - 1), 150000u);
  runFlags.resultWindowOpen.store(0);
}

TEST_F(PlaybackTest, LatinCallUpIsHrHrNrFirstThenNrAndHoldsCallUpSending) {
  UseLatin();
  practiceSettings.WPM.store(40);
  const std::u16string first = TelegramAt(0).fields[kNumber];
  PlaybackRoutine();
  const std::vector<Element> elements = Elements(testClock.samples);
  const std::vector<std::string> codes = Codes(elements, 30);
  const std::vector<std::string> opening{"....", ".-.", "....", ".-.", "-.", ".-."};
  ASSERT_GT(codes.size(), opening.size());
  EXPECT_TRUE(std::equal(opening.begin(), opening.end(), codes.begin()));
  const std::vector<std::string> preamble = CodesOf({first}, Script::kLatin);
  EXPECT_TRUE(std::equal(preamble.begin(), preamble.end(), codes.begin() + 6));

  // The second telegram: AR, 5000 ms, then NR only.
  const auto ar = std::find(codes.begin(), codes.end(), ".-.-.");
  ASSERT_NE(ar, codes.end());
  EXPECT_EQ(*(ar + 1), "-.");
  EXPECT_EQ(*(ar + 2), ".-.");
  EXPECT_EQ(*(ar + 3), CodesOf({TelegramAt(1).fields[kNumber]}, Script::kLatin).front());
  EXPECT_EQ(std::count(codes.begin(), codes.end(), ".-.-."), 2);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), "-...-"), 4);  // BT after preamble and address, twice

  // CallUpSending covers each call-up up to 8u after its last R, and nothing of the telegrams.
  std::vector<std::pair<uint64_t, uint64_t>> callUpRanges;
  for (size_t ms = 0; ms < testClock.samples.size(); ++ms) {
    if (!testClock.samples[ms].callUp) continue;
    if (callUpRanges.empty() || callUpRanges.back().second != ms) callUpRanges.push_back({ms, ms});
    callUpRanges.back().second = ms + 1;
  }
  const uint64_t u = 30;
  const size_t arIndex = static_cast<size_t>(ar - codes.begin());
  ASSERT_EQ(callUpRanges.size(), 2u);
  EXPECT_EQ(callUpRanges[0].first, 0u);
  EXPECT_EQ(callUpRanges[0].second, CodeEnd(elements, codes, 5) + 13 * u);
  EXPECT_EQ(callUpRanges[1].first, CodeEnd(elements, codes, arIndex) + 5 * u + 5000);
  EXPECT_EQ(callUpRanges[1].second, CodeEnd(elements, codes, arIndex + 2) + 13 * u);
}

TEST_F(PlaybackTest, KanaTelegramsAreSeparatedWithTheSeparationSignal) {
  practiceSettings.WPM.store(40);
  PlaybackRoutine();
  const std::vector<Element> elements = Elements(testClock.samples);
  const std::vector<std::string> codes = Codes(elements, 30);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), "...-."), 2);
  const auto closing = std::find(codes.begin(), codes.end(), "...-.");
  ASSERT_NE(closing + 1, codes.end());
  EXPECT_EQ(*(closing + 1), ".-.---");
  const size_t separatorIndex = static_cast<size_t>(closing + 1 - codes.begin());
  // Find the separator's first element and check the gaps around it and its CallUpSending cover.
  size_t element = 0;
  for (size_t c = 0; c < separatorIndex; ++c) element += codes[c].size();
  const Element& previous = elements[element - 1];
  const Element& separator = elements[element];
  EXPECT_EQ(separator.startMs - (previous.startMs + previous.lengthMs), 5u * 30 + 5000);
  const Element& next = elements[element + 6];
  EXPECT_EQ(next.startMs - (elements[element + 5].startMs + elements[element + 5].lengthMs), 5u * 30 + 5000);
  for (const Sample& s : testClock.samples) EXPECT_FALSE(s.callUp);
}

TEST_F(PlaybackTest, EachTelegramStartIsReportedThroughTheQueue) {
  practiceSettings.WPM.store(40);
  std::vector<KeyEvent> starts;
  testClock.action = [&starts](uint64_t) {
    for (const KeyEvent& event : DrainQueue()) {
      if (event.kind == KeyEventKind::kTelegramStart) starts.push_back(event);
    }
  };
  PlaybackRoutine();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].telegramNumber, 1);
  EXPECT_EQ(starts[1].telegramNumber, 2);
}

TEST_F(PlaybackTest, StopDuringTheWaitBetweenTelegramsEndsWithinTenMilliseconds) {
  practiceSettings.WPM.store(40);
  PlaybackRoutine();
  const std::vector<Element> elements = Elements(testClock.samples);
  const std::vector<std::string> codes = Codes(elements, 30);
  const size_t closing = static_cast<size_t>(std::find(codes.begin(), codes.end(), "...-.") - codes.begin());
  const uint64_t stopAtMs = CodeEnd(elements, codes, closing) + 2000;  // inside the first 5000 ms wait

  testClock.samples.clear();
  runFlags.playing.store(1);
  testClock.action = [stopAtMs](uint64_t ms) {
    if (ms + 1 == stopAtMs) runFlags.playing.store(0);
  };
  PlaybackRoutine();
  EXPECT_GE(testClock.samples.size(), stopAtMs);
  EXPECT_LE(testClock.samples.size(), stopAtMs + 10);
  EXPECT_EQ(keyLevers.serialDot.load() + keyLevers.serialDash.load(), 0);
  EXPECT_EQ(runFlags.playing.load(), 0);
}

TEST_F(PlaybackTest, RoutineDoesNotRestartPlayingClearedBeforeItRan) {
  runFlags.playing.store(0);
  PlaybackRoutine();
  EXPECT_TRUE(testClock.samples.empty());
  EXPECT_EQ(runFlags.playing.load(), 0);
}

// ---- Pauses --------------------------------------------------------------------------------------------

TEST_F(PlaybackTest, PauseInAGapFreezesTimeAndTheGapContinuesAfterwards) {
  practiceSettings.WPM.store(20);
  testClock.action = [](uint64_t ms) {
    if (ms == 60 + 60 + 180 + 60 + 200) SetPause(true);  // ".-" keyed, 200 ms into the 4u + 2u gaps
    if (ms == 60 + 60 + 180 + 60 + 200 + 700) SetPause(false);
  };
  PlayField(u"イイ");  // イ = ".-"
  const std::vector<Element> elements = Elements(testClock.samples);
  ASSERT_EQ(elements.size(), 4u);
  // The second character starts 700 ms (the pause) later than the 7u gap, give or take the 10 ms the
  // routine may take to notice the resume.
  const uint64_t gap = elements[2].startMs - (elements[1].startMs + elements[1].lengthMs);
  EXPECT_GE(gap, 7u * 60 + 700);
  EXPECT_LE(gap, 7u * 60 + 700 + 10);
  EXPECT_EQ(Codes(elements, 60), (std::vector<std::string>{".-", ".-"}));
}

// A pause that cuts a character in the middle: the keying thread forgets the partly keyed code, so the
// routine keys the whole character again after the resume instead of its remainder.
TEST_F(PlaybackTest, PauseInsideACharacterSendsTheWholeCharacterAgain) {
  practiceSettings.WPM.store(20);
  testClock.action = [](uint64_t ms) {
    if (ms == 60 + 60 + 90) SetPause(true);  // in the middle of the dash of ".-."
    if (ms == 60 + 60 + 90 + 500) SetPause(false);
  };
  PlayField(u"ナ");
  const std::vector<Element> elements = Elements(testClock.samples);
  ASSERT_EQ(elements.size(), 5u);
  EXPECT_EQ(elements[1].lengthMs, 91u);  // cut at the pause, the lever opened at once
  for (size_t i = 2; i < 5; ++i) EXPECT_GT(elements[i].startMs, 60u + 60 + 90 + 500);
  EXPECT_EQ(Codes(std::vector<Element>(elements.begin() + 2, elements.end()), 60),
            (std::vector<std::string>{".-."}));
  EXPECT_EQ(elements[3].lengthMs, 180u);
  for (const Sample& s :
       std::vector<Sample>(testClock.samples.begin() + 211, testClock.samples.begin() + 710)) {
    EXPECT_FALSE(s.dot || s.dash);
  }
}

// After the last element the keying thread still holds the character until its time-out; a pause then
// loses it too. Once that time has passed, a pause loses nothing and nothing is sent twice.
TEST_F(PlaybackTest, PauseAfterTheLastElementResendsOnlyWhileTheCharacterIsUndecoded) {
  practiceSettings.WPM.store(20);  // unit 60: debounce-open 9 ms + time-out 180 ms + margin 3 ms = 192 ms
  struct Row {
    uint64_t pauseAfterReleaseMs;
    size_t expectedElements;
  } rows[] = {{10, 4}, {150, 4}, {191, 4}, {193, 2}, {290, 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pauseAfterReleaseMs);
    testClock.samples.clear();
    const uint64_t release = 60 + 60 + 180;  // ".-" released here
    testClock.action = [&row, release](uint64_t ms) {
      if (ms + 1 == release + row.pauseAfterReleaseMs) SetPause(true);
      if (ms + 1 == release + row.pauseAfterReleaseMs + 300) SetPause(false);
    };
    PlayField(u"イ");
    const std::vector<Element> elements = Elements(testClock.samples);
    EXPECT_EQ(elements.size(), row.expectedElements);
    if (elements.size() == 4) {
      EXPECT_EQ(Codes(elements, 60), (std::vector<std::string>{".-", ".-"}));
    }
  }
}

// A pause of 2 ms inside a 5 ms sleep of the gap after the first dot: the routine never sees the paused
// flag, but the keying thread has forgotten the dot all the same, so the character is keyed again.
TEST_F(PlaybackTest, PauseShorterThanOneSleepIsNoticed) {
  practiceSettings.WPM.store(20);
  testClock.action = [](uint64_t ms) {
    if (ms == 60) SetPause(true);
    if (ms == 62) SetPause(false);
  };
  PlayField(u"イ");
  const std::vector<Element> elements = Elements(testClock.samples);
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(elements[1].symbol, '.');
  EXPECT_GE(elements[1].startMs, 63u);
  EXPECT_EQ(elements[2].symbol, '-');
}

TEST_F(PlaybackTest, DemonstrationAnnouncesEveryElement) {
  SetMainWindowExists(true);
  testClock.recordMessages = true;
  runFlags.demonstration.store(1);
  practiceSettings.WPM.store(20);
  PlayCode(".-");
  for (const Sample& s : testClock.samples) {
    const char16_t* expected = s.dot    ? u"デモ送信：短点  Jキー / DSR"
                               : s.dash ? u"デモ送信：長点  Kキー / CTS"
                                        : u"デモ送信：電鍵を離す";
    EXPECT_EQ(s.message, expected);
  }
}

}  // namespace
