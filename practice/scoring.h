// SPDX-License-Identifier: GPL-3.0-or-later
// Scoring: every judgement is booked into the run statistics, the current telegram's score, the live result
// lines and the practice logs; the per-telegram result window; the end of a practice run with its text log;
// automatic speed and level changes.
//
// Thread: the event thread, which owns the run's statistics; the window thread's resets reach it as posted
// work (core/event_queue.h). Counters: records/run_statistics.h (runStatistics, telegramScore).
#pragma once
#include <string>
#include <vector>

// ---- Booking judgements ----------------------------------------------------------------------------------
// One judgement (expected model character, character given, right), including auto-filled Latin blanks.
void RecordJudgement(char16_t expected, char16_t given, bool right);
// Points of a model character: the number of elements of its code (kana map first, then Latin), else 1.
int CharacterWeight(char16_t expected);
// Control 20029: "得点 %d / %d　減点 %d　正解 %d　誤答 %d　正答率 %d%%" of the current telegram.
void UpdateScoreLine();
std::u16string ScoreLineText();
void ResetRunStatistics();
void ResetTelegramScore();  // zeroes the six TelegramScore counters

// ---- Per-telegram result window --------------------------------------------------------------------------
struct ResultColour {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const ResultColour&) const = default;
};

// What the result window shows, copied when it opens.
struct TelegramResultSnapshot {
  int currentNumber = 0;
  int judged = 0;
  int correct = 0;
  int wrong = 0;
  int accuracy = 0;  // percent: correct * 100 / judged, 0 when nothing was judged
  int points = 0;    // may be negative
  int maxPoints = 0;
  int deductions = 0;
  bool latinMode = false;
  bool anotherFollows = false;  // currentNumber below TelegramCount
  // Chosen from the above:
  ResultColour colour;           // header band, circle, grade, comment, button
  std::u16string grade;          // "S" "A" "B" "C" "D"
  std::u16string comment;        // one of five encouragement lines
  std::u16string title;          // "第%d通　%s電報 結果"
  std::u16string buttonCaption;  // "次の電報へ" or "結果を閉じる"
};

// Pure choices by accuracy in percent.
ResultColour AccuracyColour(int accuracy);
std::u16string GradeLetter(int accuracy);
std::u16string ResultComment(int accuracy);
// The snapshot of the current telegram's score and position.
TelegramResultSnapshot TakeTelegramResultSnapshot();

// Shows the result window and returns when it is closed. The UI's hook opens the modal window "電報受信結果"
// on the calling (event) thread and blocks until it closes; without a hook the snapshot is recorded.
void ShowTelegramResult();
void InstallTelegramResultHook(void (*hook)(const TelegramResultSnapshot& result));
std::vector<TelegramResultSnapshot> ShownTelegramResults();
void ClearShownTelegramResults();

// ---- End of a run and automatic adjustment ---------------------------------------------------------------
// Summary line, "完了" practice-log row, level change and the entry in telegram_practice_log.txt.
void FinishPracticeRun();
// The text-log entry FinishPracticeRun appends (local time of the call).
std::u16string PracticeTextLogEntry(const std::u16string& summary);
// Within windows of 20 judgements while AutoSpeedAdjust is on: >= 90 % right speeds up, <= 70 % slows down.
void AutoAdjustSpeed(bool right);
// The window counters live for the whole program; tests start from an empty window.
void ResetAutoSpeedWindow();
// At the end of a run while AutoDifficulty is on: >= 95 % raises the level, <= 70 % lowers it.
void AdjustLevelByAccuracy(int accuracy);
// "初心者" "初級" "中級" "上級" "国家試験" for the current LearningLevel.
std::u16string LevelName();
