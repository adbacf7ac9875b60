// SPDX-License-Identifier: GPL-3.0-or-later
// Receive playback and demonstration sending: the telegrams of the document keyed on the serial levers,
// with the procedure signals of a telegraph office around them.
//
// Playback makes no sound itself. It closes the serial dot and dash levers exactly as a key on the serial
// port would, so the keying thread turns its keying into the tone and into KeyEvents like any keying.
//
// Thread: the playback thread (or the one thread of a virtual session) unless a declaration says
// otherwise. Every wait sleeps to an absolute deadline (SleepUntilMicros), so element and gap lengths are
// exact to the clock's resolution and a virtual clock drives the whole pipeline from these sleeps.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

// Playback posts a telegram-start record (KeyEventKind::kTelegramStart) when it starts a telegram; the
// event thread moves the judge's sheet to that telegram, so document and judge state are only ever written
// by the event thread. The telegrams themselves are copied on the event thread when the run starts.

// Pauses as the playback sees them: run control's SetPause stamps them (window thread), the playback thread
// reads the stamps, so a wait freezes from the moment the pause began and a pause shorter than one of the
// playback's sleeps is noticed all the same.
struct PlaybackShared {
  std::atomic<uint64_t> pauseStartUs{0};  // MonotonicMicros() when the last pause began
  std::atomic<uint64_t> pauseEndUs{0};    // ... and when it ended
  std::atomic<uint32_t> pauseCount{0};    // pauses begun so far
};
extern PlaybackShared playbackShared;
// SetPause calls NotePauseStarted just before it sets keyLevers.paused, NotePauseEnded just after it clears
// it.
void NotePauseStarted();
void NotePauseEnded();

// ---- Timing
// ------------------------------------------------------------------------------------------------ Playback
// unit: (1200 + WPM / 2) / WPM in ms, a WPM of 0 or less counts as 15, at least 20 ms.
uint32_t PlaybackUnitMsFor(int32_t wpm);
uint32_t PlaybackUnitMs();  // from the current WPM setting: a speed change takes effect at the next use
// The unit of the gaps of three units or more (between characters, words, fields, around the signals), for
// Farnsworth spacing: t_a / 19 with t_a = (60 WPM - 37.2 eff) / (eff WPM) s, rounded to the millisecond as
// the unit is, and never shorter than the unit. An effective speed at or above the speed gives the unit
// itself, so equal speeds send exactly as without the effective speed.
uint32_t PlaybackGapUnitMsFor(int32_t wpm, int32_t effectiveWpm);
uint32_t PlaybackGapUnitMs();  // from the current WPM and effective speed settings

// ---- Building blocks
// --------------------------------------------------------------------------------------- Waits ms while
// playing. A pause freezes the wait (the tone is off, the paused time is not counted) and the remaining time
// follows the resume. Returns the playing flag.
bool PlaybackWait(uint32_t ms);
// PlaybackWait for a gap of that many gap units.
bool PlaybackGapWait(uint32_t units);
// One element (3u for a dash, u for a dot, varied by BandUnevenLength) on the serial dash or dot lever,
// then a 1u gap. In a demonstration each step is announced on the message line.
void KeyElement(bool dash);
// The symbols of a code ('.' and '-', others skipped), then the wait that makes the silence after the last
// element (its 1u included) five gap units: 4u at equal speeds. A pause that cuts the character before the
// keying thread has decoded it (it forgets a partly keyed character) sends it again whole after
// the resume, so no character is lost or garbled.
void PlayCode(std::string_view code);
// One character of a field: its code in the current script; a Latin blank or tab is a 7u word space
// followed by a word-gap event (the event thread asks the judge whether a blank is expected). The gaps
// here and below are in gap units (PlaybackGapUnitMs).
void PlayCharacter(char16_t c);
// A field's expanded text, character by character with 2u after each, then 4u (not when stopped early).
void PlayField(std::u16string_view text);
// As PlayField, but characters with an abbreviated numeral code (digits, kanji numerals) send that code.
void PlayNumberField(std::u16string_view text);

// ---- Thread bodies
// ----------------------------------------------------------------------------------------- Sends every
// telegram of the document, with HR HR / NR before Latin telegrams, BT between the Latin parts, AR or the
// kana closing signal after each, the kana separation signal between kana telegrams. Runs only while
// runFlags.playing is set (the starter sets it before starting the thread, so a stop that comes before the
// thread runs is not undone); clears it, CallUpSending and the keying state at the end.
void PlaybackRoutine();
// Sets the demonstration flag, runs the playback routine, clears the flag, shows "デモ送信終了".
void DemonstrationThreadBody();
