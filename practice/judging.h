// SPDX-License-Identifier: GPL-3.0-or-later
// The judge: compares every decoded character with the model telegram, fills the learner's copy, turns the
// sheet pages along with the input and interprets the procedure signals that move through a telegram.
//
// Thread: the event thread, one keyed character at a time, unless a declaration says otherwise. Judge state
// (currentField, textPosition, runFinished) lives in content/telegram_document.h.
#pragma once
#include <string>

#include "core/event_queue.h"
#include "practice/judging_normaliser.h"

// ---- Event-thread entry points ---------------------------------------------------------------------------
// Procedure signals, checked before decoding. True when the code was consumed (the caller must not decode).
bool HandleSpecialSignal(const std::string& code);
// One decoded character ('?' for an unknown code, a blank at a word gap).
void JudgeInputCharacter(char16_t c);
// Whether, in Latin script, the model expects a blank or tab at the input position. Any thread: it reads a
// value the judge publishes after each change (no lock, no allocation), so the keying tick may call it.
bool SpaceExpected();
// Recomputes the published answers (SpaceExpected, NextExpectedCell) from the document. The judge calls it
// after every change it makes; post it to the event thread after moving the input position by other means
// (page turns, loads).
void PublishSpaceExpected();
// The cell the learner keys next and the model character expected there, for the hint on the learner's
// sheet: field 0..5 and position among the field's cells; field -1 when no character is expected (the run
// finished, or a Latin field complete and waiting for its separator). Cells filled by themselves (blanks
// of a Latin field, line breaks) are stepped over. Any thread: the value published with SpaceExpected.
struct NextCell {
  int field = -1;
  int position = 0;
  char16_t expected = 0;
};
NextCell NextExpectedCell();
// The judge's entries for the event thread's dispatch (HandleSpecialSignal, JudgeInputCharacter,
// SpaceExpected and run control's RecordElement), and installing just those.
KeyEventConsumers JudgeConsumers();
void InstallJudgeConsumers();

// ---- Comparison rules (pure, any thread) -----------------------------------------------------------------
// Entry position of a header field: with the proceed option (control 20028) every judged position counts,
// without it only the right ones (a wrong position is overwritten until it is right).
int JudgedCount(const std::u16string& marks);
// Control 20028 "間違っても先へ進む", read at the moment of use; off while the main window does not exist.
bool ProceedOptionOn();

// ---- Moving through telegrams ----------------------------------------------------------------------------
// End signal at the end of the text: result window, then the next telegram or the end of the run. Ignored
// once the run is finished, so a repeated end signal opens no second window and writes no second log entry.
void EndTelegram();
// The run is over: the judge stops, the "完了" row, the text log and the level rule (FinishPracticeRun).
void FinishRun();
// Stores the working copy and moves the judge to the start of the next telegram.
void AdvanceTelegram();
// Correction (only while the proceed option is on): removes the last three judged positions of the current
// field without touching any counter.
void CorrectLastThree();
// Removes the last `count` judged positions of the current field (never those of an earlier field), without
// touching any counter, and says so on the status line.
void TakeBackLastCells(int count);
// Keeps the shown page on the input position while followInput is set. length: expanded text length.
void FollowInputPage(int length);
// Message line 1108: "次:%s 入:%s 判:%s" (set directly, not through SetStatusText).
void ShowJudgementLine(char16_t entered, char16_t expected, bool ok);
// Start of a practice run and the RESET button (posted to the event thread): empty copies, statistics,
// position.
void ResetJudging();
// ---- Field steps for copy receive (event thread) ---------------------------------------------------------
// Whether the learner's copy has a judged cell in the field; whether every cell of the field is judged.
bool FieldHasInput(int field);
bool FieldIsComplete(int field);
// Books the cells of the field from the input position to its end as missed: wrong, nothing given, shown
// as kMissedLatinCell or, in a kana form, as the geta mark that stands for a character not there. Blanks
// of a Latin field and line breaks are layout there and are filled without booking.
void MissRestOfField(int field);
// From a header field to the next field that has cells (Latin: number, address, text).
void MoveToNextField();
constexpr char16_t kMissedLatinCell = u'_';
constexpr char16_t kMissedKanaCell = u'\u3013';  // 〓

// Forgets the expanded model text cached per field (tests; the cache also rebuilds itself when the
// document's currentNumber or revision changes).
void ClearJudgeCache();
