// SPDX-License-Identifier: GPL-3.0-or-later
#include "practice/copy_judging.h"

#include <algorithm>

#include "content/telegram_document.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "practice/judging.h"
#include "practice/scoring.h"
#include "records/run_statistics.h"

namespace {

bool CopyRunOpen() {
  return runFlags.copyReceive.load() != 0 && !judgeState.runFinished;
}

bool AnyFieldHasInput() {
  for (int field = kNumber; field <= kText; ++field) {
    if (FieldHasInput(field)) return true;
  }
  return false;
}

// The copy of the current telegram is over: what the learner did not type is missed, the model is shown,
// then the result window, and the judge moves to the next telegram or ends the run. A telegram of which
// nothing at all was typed was not practised: nothing is booked and no result is shown for it.
void CloseCurrentCopy() {
  const int32_t closed = telegramDocument.currentNumber;
  judgeState.copyRevealedUpTo = std::max(judgeState.copyRevealedUpTo, closed);
  if (!AnyFieldHasInput()) {
    if (closed < TelegramCount()) {
      AdvanceTelegram();
    } else {
      FinishOpenRun();  // writes the run if an earlier telegram was copied
      judgeState.runFinished = true;
      RefreshSheets();
    }
  } else {
    for (int field = std::max<int>(judgeState.currentField, kNumber); field <= kText; ++field) {
      // A Latin telegram is copied as number, address and text; the other header fields are not sent.
      if (LatinMode.load() != 0 && field > kNumber && field < kAddress) continue;
      MissRestOfField(field);
    }
    StoreWorkingRecord();
    RefreshSheets();
    EndTelegram();
  }
  runFlags.copyClosedUpTo.store(std::max(runFlags.copyClosedUpTo.load(), closed));
}

// "=": the learner ends the field. A field with nothing typed yet is where the last "=" (or a field that
// completed by itself) has just moved the copy: the separator is not a second one, except at the start of
// the telegram, where it says that the whole number was missed.
void EndTypedField() {
  const int field = judgeState.currentField;
  // The text has no separator in it (the sending keys none there): a stray one does not shift the copy.
  if (field >= kText) return;
  if (!FieldHasInput(field) && field != kNumber) return;
  MissRestOfField(field);
  MoveToNextField();
}

void JudgeTypedCell(char16_t c) {
  const bool latin = LatinMode.load() != 0;
  if (c == u' ') {
    // A blank where the model has one is judged; elsewhere a paper copy's spacing means nothing.
    if (latin && SpaceExpected()) JudgeInputCharacter(u' ');
    return;
  }
  // A Latin header field waits for its separator; a copy that never types one goes on with the next field
  // as soon as this one is full.
  if (latin && judgeState.currentField < kText && FieldIsComplete(judgeState.currentField)) MoveToNextField();
  JudgeInputCharacter(c);
}

}  // namespace

void JudgeTypedCharacter(char16_t c) {
  if (!CopyRunOpen()) return;
  switch (c) {
    case kTypedBackspace:
      TakeBackLastCells(1);
      return;
    case u'=':
      EndTypedField();
      return;
    case u'+':
      // Before the end signal was sent the learner cannot have heard it: nothing happens.
      if (telegramDocument.currentNumber <= judgeState.copySentUpTo) CloseCurrentCopy();
      return;
    default:
      JudgeTypedCell(c);
      return;
  }
}

void NoteTelegramSent(int32_t number) {
  judgeState.copySentUpTo = std::max(judgeState.copySentUpTo, number);
}

void CloseCopyAtTimeOver(int32_t number) {
  judgeState.copySentUpTo = std::max(judgeState.copySentUpTo, number);
  // A copy on another telegram (paged there by hand, or RESET) is left alone: the next telegram's start
  // brings the judge back to the sending.
  if (CopyRunOpen() && telegramDocument.currentNumber == number) CloseCurrentCopy();
  // Playback waits for this, whatever the copy's state.
  runFlags.copyClosedUpTo.store(std::max(runFlags.copyClosedUpTo.load(), number));
}

void FinishOpenRun() {
  // completedRuns is zeroed with the statistics and counts their "完了" row: a run is written once, however
  // it ended (a script switch or a load in between does not make it open again).
  if (runStatistics.completedRuns.load() > 0 || runStatistics.judged.load() < 1) return;
  FinishRun();
}
