// SPDX-License-Identifier: GPL-3.0-or-later
// The telegrams being practised, the learner's copy of each, and the page model of the two sheets.
//
// Thread: the event thread owns the document and the judge state (core/event_queue.h); the window thread
// posts its commands (page turns, loads, script switches) there and paints from DisplayedSheets. Before
// the event thread runs (and in tests without it) the one thread that posts runs the work itself.
#pragma once
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/morse_table.h"

// Field indices of a telegram.
enum TelegramField { kNumber = 0, kOffice = 1, kCount = 2, kTime = 3, kAddress = 4, kText = 5 };

struct Telegram {
  std::array<std::u16string, 6> fields;  // number, office, count, time, address, text
};

struct LearnerCopy {
  std::array<std::u16string, 6> entered;  // one unit per cell, aligned with the field's expanded cells
  std::array<std::u16string, 6> marks;    // u'1' right, u'0' wrong, one per entered position
};

struct TelegramDocument {
  std::vector<Telegram> telegrams;   // meaningful only while loaded
  bool loaded = false;               // clear: the two built-in samples of the current script
  int32_t currentNumber = 1;         // telegram being practised, from 1
  int32_t shownPage = 0;             // page of the current telegram on both sheets, from 0
  bool followInput = true;           // the shown page follows the input position
  int32_t revision = 1;              // +1 whenever the set of telegrams is replaced
  std::vector<LearnerCopy> records;  // one per telegram
  LearnerCopy working;               // the current telegram's copy while it is practised
};
extern TelegramDocument telegramDocument;

// Where the judge stands; the document's page commands move it too.
struct JudgeState {
  int32_t currentField = 0;  // 0..5
  int32_t textPosition = 0;  // next cell of the expanded text
  bool runFinished = false;  // set after the last telegram's end signal
  // Copy receive: playback has sent the telegrams up to copySentUpTo; the models up to copyRevealedUpTo
  // may be shown (their copies are closed), the later ones stay hidden until they are.
  int32_t copySentUpTo = 0;
  int32_t copyRevealedUpTo = 0;
};
extern JudgeState judgeState;

Script CurrentScript();  // from LatinMode
// Sets LatinMode, the active decoding map and the script radio buttons (1001/1002) to the script.
void SetCurrentScript(Script script);

// Queries.
int TelegramCount();
int CurrentIndex();
Telegram TelegramAt(int index);
// Every telegram of the document (the built-in samples while nothing is loaded).
std::vector<Telegram> CurrentTelegrams();
int pageSize();
int PageCountOf(int length);
int ModelPagesOfCurrent();
int CurrentTelegramPages();
int PagesOfTelegram(int number);
int TotalPages();
int OverallPageNumber();
// The expanded cells of a field of the current telegram.
std::u16string ExpandedCurrentField(int field);

// Record keeping.
void EnsureRecordCount();
void StoreWorkingRecord();
void LoadWorkingRecord();
void ResetLearnerCopies();
// Empties entered and marks of the given fields of the working copy (a new set of telegrams was loaded).
void EmptyWorkingFields(std::initializer_list<int> fields);
// What the sheets show, as the event thread last published it (after every stored or loaded copy and every
// RefreshSheets), for painting on the window thread. Any thread.
struct SheetSnapshot {
  int32_t shownPage = 0;
  Telegram model;            // the current telegram
  LearnerCopy working;       // the learner's copy of it
  bool copyReceive = false;  // a copy-receive run: no hint on the learner's sheet
  bool modelHidden = false;  // copy receive: the current telegram is not closed yet, its model is not shown
};
SheetSnapshot DisplayedSheets();
// The telegrams of the document as last published (for the statistics' material list). Any thread.
struct PublishedTelegramSet {
  bool loaded = false;
  std::vector<Telegram> telegrams;
};
std::shared_ptr<const PublishedTelegramSet> DisplayedTelegrams();
LearnerCopy DisplayedWorkingCopy();
// Installs a complete new set (loaded, revision + 1, telegram 1, page 0, runFinished cleared). An empty
// list leaves the document as it is: a loaded document is never empty.
void ReplaceTelegrams(std::vector<Telegram> telegrams);
// The script radio buttons, after LatinMode and the decoding map are set: back to the built-in samples of
// the script, working fields 0, 4, 5 emptied, judge position 0, page labels and both sheets refreshed.
void SwitchToBuiltInSamples();
// Resets the document to its start-up state (tests).
void ResetTelegramDocument();

// Page view (window thread).
void ClampCurrentPage();
void UpdatePageLabels();
void ShowTelegramStatus();
void GoToPage(int page);
void PreviousPage();
void NextPage();
// Publishes what the sheets show, then asks both (controls 1100 model, 1101 learner) to repaint. Event
// thread (the owner of the document).
void RefreshSheets();
// Asks both sheets to repaint what was last published (any thread: a resize, the full-sheet view).
void RepaintSheets();
