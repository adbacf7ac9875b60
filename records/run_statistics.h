// SPDX-License-Identifier: GPL-3.0-or-later
// The practice run's counters and the current telegram's score.
//
// Writer: the event thread only (judging, scoring, and the resets at run start and RESET, which the window
// thread posts to it). Readers: the statistics window and the dashboard on the window thread, the practice
// log on the event thread. The counters are atomics so those cross-thread reads are race-free; the strings
// are touched by the event thread only; the per-character map is changed under perCharacterLock, which the
// statistics window takes to copy it.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

// The character given instead of the expected one -> how often (ascending by character).
using WrongAnswerMap = std::map<char16_t, int32_t>;

// One row of the character log, and the per-character statistics of a practice run.
struct CharacterStat {
  int32_t asked = 0;
  int32_t correct = 0;
  int32_t wrong = 0;
  WrongAnswerMap wrongAnswers;
};

struct RunStatistics {
  std::atomic<int32_t> judged{0};          // characters judged in the run, auto-filled Latin blanks included
  std::atomic<int32_t> correct{0};         // of those, judged right
  std::atomic<int32_t> wrong{0};           // of those, judged wrong
  std::atomic<int32_t> completedRuns{0};   // +1 when the run is finished
  std::atomic<uint32_t> startTick{0};      // TickMs() when the statistics were last reset
  std::atomic<int32_t> telegramNumber{1};  // the telegram being judged, for the practice log's rows
  std::u16string wrongList;                // "%c→%c " per wrong judgement (event thread only)
  std::u16string inputList;                // every non-NUL character given (event thread only)
  std::map<char16_t, CharacterStat> perCharacter;  // expected character (as in the model) -> counts
  std::mutex perCharacterLock;                     // held while perCharacter changes or is copied
};

// A copy of runStatistics.perCharacter taken under its lock (any thread).
std::map<char16_t, CharacterStat> CopyPerCharacterStatistics();

// Score of the current telegram; zeroed whenever the judge moves to the next telegram.
struct TelegramScore {
  std::atomic<int32_t> judged{0};
  std::atomic<int32_t> correct{0};
  std::atomic<int32_t> wrong{0};
  std::atomic<int32_t> points{0};  // may become negative
  std::atomic<int32_t> maxPoints{0};
  std::atomic<int32_t> deductions{0};
};

// ---- Practice time
// ----------------------------------------------------------------------------------------- The run's clock
// stands still while the run is paused and while a per-telegram result window is up: that is not practice
// time (経過, the log rows' elapsed time, CPM). Each reason holds it once; it runs again when no reason is
// left. Any thread.
enum class ClockHold : uint32_t { kPaused = 1, kResultWindow = 2 };
void HoldRunClock(ClockHold reason, uint32_t nowMs);
void ReleaseRunClock(ClockHold reason, uint32_t nowMs);
// Starts the clock at nowMs with nothing held before (the reasons holding it now still hold it).
void RestartRunClock(uint32_t nowMs);
// Milliseconds of practice between the clock's start and nowMs, held time left out (the tick's unsigned
// 32-bit differences: it may wrap during a run).
uint32_t RunElapsedMs(uint32_t nowMs);
// The time held since the clock's start (the part of nowMs - start that was not practice).
uint32_t RunHeldMs(uint32_t nowMs);

extern RunStatistics runStatistics;
extern TelegramScore telegramScore;
