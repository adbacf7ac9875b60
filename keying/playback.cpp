// SPDX-License-Identifier: GPL-3.0-or-later
// Receive playback and demonstration sending.
//   1. waits on absolute deadlines, pauses
//   2. elements and codes (a character cut by a pause is sent again)
//   3. characters and fields
//   4. the playback routine and the demonstration body
#include "keying/playback.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

#include "audio/audio_engine.h"
#include "audio/band_simulation.h"
#include "content/telegram_document.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/keying_reset.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/tone_flag.h"
#include "keying/keying_tick.h"

PlaybackShared playbackShared;

void NotePauseStarted() {
  playbackShared.pauseStartUs.store(MonotonicMicros());
  playbackShared.pauseCount.fetch_add(1);
}

void NotePauseEnded() {
  playbackShared.pauseEndUs.store(MonotonicMicros());
}

namespace {

// Sleep slices: a stop is noticed within one slice, a deadline is never overshot (the last slice ends on it).
constexpr uint64_t kHoldSliceUs = 2000;    // while a lever is held
constexpr uint64_t kWaitSliceUs = 5000;    // in gaps
constexpr uint64_t kPauseSliceUs = 10000;  // while paused
// Margin on the keying thread's decoding moment: its tick, the debounce and the queue may each add about a
// millisecond. A pause inside the margin sends the character again (a duplicate is judged wrong once and
// the judge recovers; a lost character would shift every later one).
constexpr uint32_t kDeliveryMarginMs = 3;
constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();
constexpr uint32_t kSoundStartWaitMs = 150;  // a resting stream plays again within a few ms
// The event thread answers within a few ms; it waits longer only while a result window is open.
constexpr uint32_t kTelegramCopyWaitMs = 10000;

// Where the playback stands with the character it keyed last. Playback thread only (thread_local: an
// abandoned playback thread that is still unwinding never shares it with a new one).
struct PlaybackRun {
  std::string lastCode;     // the character keyed last ('.'/'-'), or being keyed
  uint64_t safeUs = 0;      // from then on the keying thread has surely decoded lastCode; kNever while keying
  bool lost = false;        // a pause made the keying thread forget lastCode: send it again
  bool inKeyCode = false;   // KeyCode resends its own character; other waits resend after themselves
  uint32_t pausesSeen = 0;  // playbackShared.pauseCount as last sat out
};
thread_local PlaybackRun run;

bool Playing() {
  return runFlags.playing.load() != 0;
}
bool Paused() {
  return keyLevers.paused.load() != 0;
}
bool Demonstrating() {
  return runFlags.demonstration.load() != 0;
}

// How long after an element's release the keying thread has decoded the character at the latest: the
// opening debounce, then the character-gap time-out.
uint64_t CharacterDeliveryUs() {
  const uint32_t unitMs = UnitMs(practiceSettings.WPM.load());
  const int32_t keySoftness = practiceSettings.KeySoftness.load();
  const uint32_t ms = DebounceOpenMs(unitMs, keySoftness) +
                      CharacterTimeoutMs(unitMs, practiceSettings.JudgeEase.load(), keySoftness) +
                      kDeliveryMarginMs;
  return static_cast<uint64_t>(ms) * 1000u;
}

// ---- 1. Waits on absolute deadlines, pauses -------------------------------------------------------------

// Sits a pause out: lever open, tone off. Returns how long the wait was frozen, counted from the pause's
// start (as SetPause stamped it) but not from before the wait began. A pause that began before the keying
// thread had decoded the last character made it forget that character: it is marked lost.
uint64_t SitOutPause(KeyLever* lever, uint64_t waitStartUs) {
  run.pausesSeen = playbackShared.pauseCount.load();
  const uint64_t noticedUs = MonotonicMicros();
  uint64_t startUs = playbackShared.pauseStartUs.load();
  if (startUs == 0 || startUs > noticedUs) startUs = noticedUs;
  if (!run.lastCode.empty() && startUs < run.safeUs) run.lost = true;
  startUs = std::max(startUs, waitStartUs);
  if (lever) lever->store(0);
  uint64_t endUs = noticedUs;
  if (Paused()) {
    ClearToneOn();
    while (Paused() && Playing()) SleepUntilMicros(MonotonicMicros() + kPauseSliceUs);
    endUs = MonotonicMicros();
    // The pause emptied the queue, perhaps before the event thread had seen the call-up begin.
    if (runFlags.callUpKeying.load() != 0) SetCallUpKeying(true);
  } else {
    // Over before this thread woke up: frozen for as long as it lasted.
    const uint64_t pauseEndUs = playbackShared.pauseEndUs.load();
    if (pauseEndUs <= noticedUs) endUs = std::max(pauseEndUs, startUs);
  }
  return endUs - startUs;
}

bool PauseToSitOut() {
  return Paused() || playbackShared.pauseCount.load() != run.pausesSeen;
}

// Sleeps until deadlineUs while playing; a pause moves the deadline by the time it lasted. With a lever,
// the lever is held closed meanwhile; a pause that loses the character ends the hold (the lever stays open).
// Returns the playing flag.
bool WaitUntil(uint64_t deadlineUs, uint64_t waitStartUs, uint64_t sliceUs, KeyLever* lever) {
  for (;;) {
    if (!Playing()) return false;
    if (PauseToSitOut()) {
      deadlineUs += SitOutPause(lever, waitStartUs);
      if (!Playing()) return false;
      if (lever) {
        if (run.lost) return true;
        lever->store(1);
      }
      continue;
    }
    const uint64_t nowUs = MonotonicMicros();
    if (nowUs >= deadlineUs) return true;
    SleepUntilMicros(std::min(deadlineUs, nowUs + sliceUs));
  }
}

void KeyCode(std::string_view code);

// The next telegram starts only after the learner has closed the last one's result window: what playback
// keys meanwhile would wait in the queue, which holds 255 records, and be cut short.
// Sleeps while playing and `holds` says to; the learner's reading takes as long as it takes.
void WaitWhilePlaying(bool (*holds)(int number), int number) {
  while (Playing() && holds(number)) SleepUntilMicros(MonotonicMicros() + kPauseSliceUs);
}

void WaitForResultWindow() {
  WaitWhilePlaying([](int) { return runFlags.resultWindowOpen.load() != 0; }, 0);
}

// Copy receive, after a telegram's end signal: the learner may type "+" from now on; the pause lets the copy
// catch up, then the copy is closed and playback waits until it is (its result window read), however long
// that takes, so the next telegram never runs under the result window.
void CloseCopy(int number) {
  PostKeyEvent(PlaybackProgressEvent(KeyEventKind::kTelegramSent, number, TickMs()));
  PlaybackWait(5000);
  if (!Playing()) return;
  PostKeyEvent(PlaybackProgressEvent(KeyEventKind::kCopyTimeOver, number, TickMs()));
  WaitWhilePlaying([](int sent) { return runFlags.copyClosedUpTo.load() < sent; }, number);
}

// A character lost to a pause outside its own KeyCode: send it again and wait until it is decoded, so the
// procedure state around it (CallUpSending) is still the same when the judge sees it.
void ResendLostCharacter() {
  while (run.lost && Playing()) {
    const std::string code = run.lastCode;
    KeyCode(code);
    const uint64_t nowUs = MonotonicMicros();
    if (!run.lost && nowUs < run.safeUs) WaitUntil(run.safeUs, nowUs, kWaitSliceUs, nullptr);
  }
}

// ---- 2. Elements and codes ------------------------------------------------------------------------------

// Keys a code's symbols and the 4u gap after them. A pause before the keying thread has decoded the
// character makes it forget the partly keyed or pending code, so the whole code is keyed again.
void KeyCode(std::string_view code) {
  run.inKeyCode = true;
  bool first = true;
  for (;;) {
    run.lost = false;
    for (char symbol : code) {
      if (!Playing()) break;
      if (symbol != '.' && symbol != '-') continue;
      if (first) {
        run.lastCode.assign(code);
        first = false;
      }
      KeyElement(symbol == '-');
      if (run.lost) break;
    }
    if (!Playing()) break;
    // The silence after a character is made of the 1u after its last element and this wait: the whole
    // is five gap units, so a stretched gap stretches the silence heard.
    if (!run.lost) PlaybackWait(5 * PlaybackGapUnitMs() - PlaybackUnitMs());
    if (!run.lost || !Playing()) break;
  }
  run.inKeyCode = false;
}

}  // namespace

uint32_t PlaybackUnitMsFor(int32_t wpm) {
  if (wpm <= 0) wpm = 15;
  const uint32_t unitMs = (1200u + static_cast<uint32_t>(wpm) / 2u) / static_cast<uint32_t>(wpm);
  return std::max(unitMs, 20u);
}

uint32_t PlaybackUnitMs() {
  return PlaybackUnitMsFor(practiceSettings.WPM.load());
}

uint32_t PlaybackGapUnitMsFor(int32_t wpm, int32_t effectiveWpm) {
  const uint32_t unitMs = PlaybackUnitMsFor(wpm);
  if (wpm <= 0) wpm = 15;
  if (effectiveWpm <= 0 || effectiveWpm >= wpm) return unitMs;
  // t_a / 19 in ms: (60000 wpm - 37200 eff) / (19 eff wpm), rounded; positive as eff < wpm.
  const uint64_t numerator =
      60000ull * static_cast<uint64_t>(wpm) - 37200ull * static_cast<uint64_t>(effectiveWpm);
  const uint64_t denominator = 19ull * static_cast<uint64_t>(effectiveWpm) * static_cast<uint64_t>(wpm);
  return std::max(unitMs, static_cast<uint32_t>((numerator + denominator / 2) / denominator));
}

uint32_t PlaybackGapUnitMs() {
  return PlaybackGapUnitMsFor(practiceSettings.WPM.load(), EffectiveWpm());
}

bool PlaybackWait(uint32_t ms) {
  const uint64_t startUs = MonotonicMicros();
  const bool playing = WaitUntil(startUs + static_cast<uint64_t>(ms) * 1000u, startUs, kWaitSliceUs, nullptr);
  if (playing && run.lost && !run.inKeyCode) ResendLostCharacter();
  return Playing();
}

bool PlaybackGapWait(uint32_t units) {
  return PlaybackWait(units * PlaybackGapUnitMs());
}

void KeyElement(bool dash) {
  if (!Playing()) return;
  if (Demonstrating()) SetStatusText(dash ? u"デモ送信：長点  Kキー / CTS" : u"デモ送信：短点  Jキー / DSR");
  const uint32_t unitMs = PlaybackUnitMs();
  const uint32_t durationMs = UnevenElementLength(dash ? 3 * unitMs : unitMs, dash, TickMs());
  KeyLever& lever = dash ? keyLevers.serialDash : keyLevers.serialDot;

  run.safeUs = kNever;  // from the first key-down the keying thread holds a partly keyed character
  const uint64_t startUs = MonotonicMicros();
  lever.store(1);
  WaitUntil(startUs + static_cast<uint64_t>(durationMs) * 1000u, startUs, kHoldSliceUs, &lever);
  lever.store(0);
  if (run.lost) return;  // cut by a pause: the caller keys the character again
  run.safeUs = MonotonicMicros() + CharacterDeliveryUs();
  if (!Playing()) return;
  if (Demonstrating()) SetStatusText(u"デモ送信：電鍵を離す");
  PlaybackWait(unitMs);
}

void PlayCode(std::string_view code) {
  KeyCode(code);
}

void PlayCharacter(char16_t c) {
  c = NormalizeForLookup(c);
  const Script script = CurrentScript();
  if (script == Script::kLatin && (c == u' ' || c == u'\t')) {
    // The word space. The blank is judged on the event thread: a word-gap report, for which the event
    // thread asks the judge itself whether a blank is expected (the keying thread may have reported the
    // same gap already; the judge then expects a letter and the second report is ignored).
    if (PlaybackGapWait(7)) PostKeyEvent(WordGapEvent(TickMs()));
    return;
  }
  if (std::optional<std::string> code = EncodeCharacter(script, c)) PlayCode(*code);
}

namespace {

// ---- 3. Fields ------------------------------------------------------------------------------------------

void PlayFieldWith(std::u16string_view text, bool abbreviatedNumerals) {
  const std::u16string expanded = ExpandMorseText(text, CurrentScript());
  for (char16_t c : expanded) {
    if (!Playing()) return;
    std::optional<std::string> shortCode;
    if (abbreviatedNumerals) shortCode = AbbreviatedNumeralCode(c);
    if (shortCode) {
      PlayCode(*shortCode);
    } else {
      PlayCharacter(c);
    }
    if (!PlaybackGapWait(2)) return;
  }
  PlaybackGapWait(4);
}

}  // namespace

void PlayField(std::u16string_view text) {
  PlayFieldWith(text, false);
}

void PlayNumberField(std::u16string_view text) {
  PlayFieldWith(text, true);
}

// ---- 4. The playback routine ----------------------------------------------------------------------------

void PlaybackRoutine() {
  // The starter set the playing flag before starting this thread; a stop in between has cleared it again
  // and must not be undone here.
  if (!Playing()) return;
  // The stream rests between runs; the first element waits for it rather than being cut.
  WaitForSoundPlaying(kSoundStartWaitMs);
  run = PlaybackRun{};
  run.pausesSeen = playbackShared.pauseCount.load();
  ResetKeyingState();

  // The telegrams as the event thread holds them once the work posted before this run (a load, a new
  // batch, the run's reset) is done: playback keys its own copy and never reads the document.
  auto telegramsCopy = std::make_shared<std::vector<Telegram>>();
  if (!RunOnEventThreadAndWait([telegramsCopy] { *telegramsCopy = CurrentTelegrams(); },
                               kTelegramCopyWaitMs)) {
    SetStatusText(u"電報を用意できないため再生を止めました（処理が止まっています）");
    runFlags.playing.store(0);
    return;
  }
  const std::vector<Telegram>& telegrams = *telegramsCopy;
  const int count = static_cast<int>(telegrams.size());
  const bool copy = runFlags.copyReceive.load() != 0;
  for (int number = 1; number <= count && Playing(); ++number) {
    const bool latin = LatinMode.load() != 0;
    if (latin) {
      // The call-up: HR HR before the first telegram, NR before every telegram.
      SetCallUpKeying(true);
      if (number == 1) {
        PlayCode("....");
        PlaybackGapWait(3);
        PlayCode(".-.");
        PlaybackGapWait(3);
        PlayCode("....");
        PlaybackGapWait(3);
        PlayCode(".-.");
      }
      PlaybackGapWait(3);
      PlayCode("-.");
      PlaybackGapWait(3);
      PlayCode(".-.");
      PlaybackGapWait(8);
      SetCallUpKeying(false);
    }
    if (!Playing()) break;

    // The sheets follow the telegram being sent. The event thread makes the move, so the document and the
    // judge state have one writer.
    PostKeyEvent(TelegramStartEvent(number, TickMs()));
    const Telegram& telegram = telegrams[static_cast<size_t>(number - 1)];
    const auto& field = telegram.fields;
    if (latin) {
      PlayField(field[kNumber]);
      PlayCode("-...-");  // BT
    } else {
      PlayField(field[kNumber]);
      PlayField(field[kOffice]);
      PlayField(field[kCount]);
      PlayNumberField(field[kTime]);
    }
    PlayField(field[kAddress]);
    if (latin) PlayCode("-...-");
    PlayField(field[kText]);

    if (!Playing()) break;
    PlayCode(latin ? ".-.-." : "...-.");  // AR, or the kana closing signal
    if (copy) {
      CloseCopy(number);
      if (number < count && !latin && Playing()) {
        PlayCode(".-.---");
        PlaybackWait(5000);
      }
      continue;
    }
    if (number < count) {
      PlaybackWait(5000);
      WaitForResultWindow();
      if (!latin) {
        PlayCode(".-.---");  // the kana separation signal (the judge consumes it)
        PlaybackWait(5000);
      }
    } else {
      PlaybackGapWait(8);
    }
  }

  // Sent to the end, not stopped: the run counts even if its last end signal was never judged. Posted once
  // the keying thread has surely decoded the last character, so that character is judged first.
  if (Playing()) {
    if (run.safeUs != kNever && MonotonicMicros() < run.safeUs)
      WaitUntil(run.safeUs, MonotonicMicros(), kWaitSliceUs, nullptr);
    PostKeyEvent(PlaybackProgressEvent(KeyEventKind::kPlaybackEnded, 0, TickMs()));
  }
  ResetKeyingState();
  runFlags.callUpKeying.store(0);
  runFlags.CallUpSending.store(0);  // the queue is empty: no call-up character is left to ignore
  runFlags.playing.store(0);
}

void DemonstrationThreadBody() {
  runFlags.demonstration.store(1);
  PlaybackRoutine();
  runFlags.demonstration.store(0);
  SetStatusText(u"デモ送信終了");
}
