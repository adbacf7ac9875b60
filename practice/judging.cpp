// SPDX-License-Identifier: GPL-3.0-or-later
// Input judging.
//
//   1. Comparison rules        JudgedCount, the proceed option
//   2. Model cache             expanded fields keyed by (currentNumber, revision, script)
//   3. Field judging           header fields 0..4, text field 5, JudgeInputCharacter
//   4. Procedure signals       HandleSpecialSignal
//   5. Telegram moves          EndTelegram, AdvanceTelegram, CorrectLastThree, FollowInputPage
//   6. Lines, reset, gap query ShowJudgementLine, ResetJudging, SpaceExpected
#include "practice/judging.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>

#include "content/telegram_document.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/failure_report.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/text.h"
#include "practice/judging_normaliser.h"
#include "practice/scoring.h"
#include "practice/status_lines.h"
#include "records/practice_log.h"

// ---- 1. Comparison rules ---------------------------------------------------------------------------------

bool ProceedOptionOn() {
  // A copy is written as it is heard: every typed character takes its cell, right or wrong.
  if (runFlags.copyReceive.load() != 0) return true;
  return MainWindowExists() && IsControlChecked(kProceedCheck);
}

int JudgedCount(const std::u16string& marks) {
  if (ProceedOptionOn()) return static_cast<int>(marks.size());
  return static_cast<int>(std::count(marks.begin(), marks.end(), u'1'));
}

namespace {

bool IsLatin() {
  return LatinMode.load() != 0;
}
bool IsBlankOrTab(char16_t c) {
  return c == u' ' || c == u'\t';
}

// ---- 2. Model cache --------------------------------------------------------------------------------------
// The expanded model of every field of the current telegram. The header fields and the text are cached
// separately; each group is rebuilt when it is empty or its key no longer matches the document. The script
// is part of the key as well, so a script switch can never leave cells of the other script behind.
struct CacheKey {
  int32_t number = 0;
  int32_t revision = 0;
  Script script = Script::kKana;
  bool valid = false;
  bool operator==(const CacheKey&) const = default;
};

struct ModelCache {
  std::array<std::u16string, 6> fields;
  CacheKey headerKey;
  CacheKey textKey;
};
ModelCache modelCache;  // event thread

// The value SpaceExpected returns on every thread; written by the judge after each change.
std::atomic<int32_t> publishedSpaceExpected{0};

CacheKey CurrentCacheKey() {
  return CacheKey{telegramDocument.currentNumber, telegramDocument.revision, CurrentScript(), true};
}

void RebuildModelCache() {
  const CacheKey key = CurrentCacheKey();
  bool headerEmpty = true;
  for (int k = 0; k < 5; ++k) headerEmpty = headerEmpty && modelCache.fields[k].empty();
  const bool headerStale = headerEmpty || !(modelCache.headerKey == key);
  const bool textStale = modelCache.fields[kText].empty() || !(modelCache.textKey == key);
  if (!headerStale && !textStale) return;
  const Telegram telegram = TelegramAt(CurrentIndex());
  if (headerStale) {
    for (int k = 0; k < 5; ++k) modelCache.fields[k] = ExpandMorseText(telegram.fields[k], key.script);
    modelCache.headerKey = key;
  }
  if (textStale) {
    modelCache.fields[kText] = ExpandMorseText(telegram.fields[kText], key.script);
    modelCache.textKey = key;
  }
}

const std::u16string& Model(int field) {
  return modelCache.fields[field];
}
int ModelLength(int field) {
  return static_cast<int>(modelCache.fields[field].size());
}

// ---- 3. Field judging ------------------------------------------------------------------------------------

// Writes one cell of a field: overwrites an existing position, else extends the field. A position beyond
// the end (the input position of a telegram revisited by paging back) is reached by padding with blank
// cells marked wrong, so entered and marks stay position-aligned and equally long.
void SetCell(int field, int position, char16_t shown, char16_t mark) {
  std::u16string& entered = telegramDocument.working.entered[field];
  std::u16string& marks = telegramDocument.working.marks[field];
  const size_t pos = static_cast<size_t>(std::max(0, position));
  const size_t length = std::max(entered.size(), marks.size());
  if (entered.size() < length) entered.resize(length, u' ');
  if (marks.size() < length) marks.resize(length, u'0');
  if (pos < length) {
    entered[pos] = shown;
    marks[pos] = mark;
    return;
  }
  entered.resize(pos, u' ');
  marks.resize(pos, u'0');
  entered.push_back(shown);
  marks.push_back(mark);
}

void AppendCell(int field, char16_t shown, char16_t mark) {
  std::u16string& entered = telegramDocument.working.entered[field];
  std::u16string& marks = telegramDocument.working.marks[field];
  const size_t length = std::max(entered.size(), marks.size());
  SetCell(field, static_cast<int>(length), shown, mark);
}

void RedrawLearnerCopy() {
  StoreWorkingRecord();
  InvalidateControl(kLearnerSheet);
  UpdatePageLabels();
}

bool IsLineBreak(char16_t c) {
  return c == u'\n' || c == u'\r';
}

// A cell nobody can key: a line break, or a character the script's table has no code for (a "." or "?" in
// a loaded Latin telegram; the table has letters and digits). Playback skips such characters too.
bool IsLayoutCell(char16_t c, bool latin) {
  if (IsLineBreak(c)) return true;
  if (latin && IsBlankOrTab(c)) return false;
  return !EncodeCharacter(latin ? Script::kLatin : Script::kKana, NormalizeForLookup(c)).has_value();
}

// Cells the learner never keys, filled when the next keyed character arrives:
// - blanks and tabs inside a Latin field, booked as right judgements;
// - line breaks, which a telegram file keeps inside a section, and characters without a code. Playback
//   skips them, so waiting for one would stall the field (and shift every later cell of a received copy).
//   They are layout, not copied characters, and are not booked.
// Returns whether the cell at the position was such a cell (and is now filled).
bool FillAutomaticCell(int field, int position, char16_t model, bool latin) {
  if (latin && IsBlankOrTab(model)) {
    SetCell(field, position, u' ', u'1');
    RecordJudgement(u' ', u' ', true);
    return true;
  }
  if (IsLayoutCell(model, latin)) {
    SetCell(field, position, model, u'1');
    return true;
  }
  return false;
}

// Header field k (0..4); returns whether anything was entered.
bool JudgeHeaderField(int k, char16_t c) {
  const bool latin = IsLatin();
  if (!latin && (c == u' ' || c == u'\u3000')) return false;
  const std::u16string& model = Model(k);
  const int length = ModelLength(k);
  int i = JudgedCount(telegramDocument.working.marks[k]);
  bool entered = false;
  if (!IsBlankOrTab(c)) {
    while (i < length && FillAutomaticCell(k, i, model[i], latin)) {
      ++i;
      entered = true;
    }
  }
  if (i >= length) return entered;
  const char16_t expected = model[i];
  const bool ok = NormalizeForJudging(expected) == NormalizeForJudging(c);
  const char16_t shown = ok ? expected : c;
  const char16_t mark = ok ? u'1' : u'0';
  if (ProceedOptionOn()) {
    AppendCell(k, shown, mark);
  } else {
    SetCell(k, i, shown, mark);
  }
  RecordJudgement(expected, c, ok);
  ShowJudgementLine(c, expected, ok);
  return true;
}

// Field 5; does its own redraw.
void JudgeTextField(char16_t c) {
  const std::u16string& text = Model(kText);
  const int length = ModelLength(kText);
  int32_t& position = judgeState.textPosition;
  bool filled = false;
  const bool latin = IsLatin();
  if (!IsBlankOrTab(c)) {
    if (position >= length) return;
    while (position < length && FillAutomaticCell(kText, position, text[position], latin)) {
      ++position;
      FollowInputPage(length);
      filled = true;
    }
    if (position >= length) {
      RedrawLearnerCopy();
      return;
    }
  }
  if (position >= length) {
    if (filled) RedrawLearnerCopy();
    return;
  }
  const int p = std::max(0, position);
  const char16_t expected = text[p];
  const bool ok = NormalizeForJudging(expected) == NormalizeForJudging(c);
  SetCell(kText, p, ok ? expected : c, ok ? u'1' : u'0');
  RecordJudgement(expected, c, ok);
  ShowJudgementLine(c, expected, ok);
  if (ok || ProceedOptionOn()) {
    position = p + 1;
    FollowInputPage(length);
  }
  RedrawLearnerCopy();
}

bool FieldComplete(int field) {
  return JudgedCount(telegramDocument.working.marks[field]) >= ModelLength(field);
}

// Kana header fields follow one another by themselves: judging the last cell of a field moves on. A header
// field whose model is empty (a telegram file may lack the section) has no cell to wait for: step over it,
// so the character is judged in the next field that has cells instead of being swallowed by the empty one
// (in receive practice that would shift the whole copy against the model). Only empty fields are stepped
// over: a field counted complete only because the proceed option was ticked after a wrong last cell is
// still the learner's field, and the correction signal must work on it.
void SkipEmptyKanaHeaderFields() {
  int32_t& field = judgeState.currentField;
  while (field >= kNumber && field < kText && ModelLength(field) == 0) ++field;
}

// The kana short numerals that stand for kanji digits in field 3 (the filing time).
struct NumeralCode {
  const char* code;
  char16_t numeral;
};
constexpr NumeralCode kShortNumerals[] = {
    {".-", u'一'},    {"..-", u'二'},  {"...-", u'三'}, {"....-", u'四'}, {".....", u'五'},
    {"-....", u'六'}, {"-...", u'七'}, {"-..", u'八'},  {"-.", u'九'},    {"-", u'〇'},
};

// A signal given at the wrong moment: a "?" judged at the current position with the proceed option on,
// else nothing.
void JudgeMisplacedSignal() {
  if (ProceedOptionOn()) JudgeInputCharacter(u'?');
}

bool HandleSpecialSignalUnpublished(const std::string& code) {
  RebuildModelCache();
  int32_t& field = judgeState.currentField;
  if (IsLatin()) {
    if (runFlags.CallUpSending.load() != 0) return true;
    if (code == "........") {
      if (ProceedOptionOn()) {
        CorrectLastThree();
        return true;
      }
    } else if (code == "-...-") {
      bool moved = false;
      if (field == kNumber && FieldComplete(kNumber)) {
        field = kAddress;
        moved = true;
      } else if (field == kAddress && FieldComplete(kAddress)) {
        field = kText;
        moved = true;
      }
      if (moved) {
        StoreWorkingRecord();
        UpdatePageLabels();
        RefreshSheets();
      } else {
        JudgeMisplacedSignal();
      }
      return true;
    } else if (code == ".-.-.") {
      if (field == kText && judgeState.textPosition >= ModelLength(kText)) {
        EndTelegram();
      } else {
        JudgeMisplacedSignal();
      }
      return true;
    } else if (code == "..--.." && IsControlChecked(kSendRadio)) {
      JudgeMisplacedSignal();
      return true;
    }
  } else {
    // Playback keys ".-.---" between two kana telegrams. No kana has this code, so decoded it would be a
    // "?" judged against the next telegram's first cell: the learner would be marked wrong for the
    // program's own signal.
    if (code == ".-.---") return true;
    SkipEmptyKanaHeaderFields();
    if (field == kTime) {
      for (const NumeralCode& numeral : kShortNumerals) {
        if (code == numeral.code) {
          JudgeInputCharacter(numeral.numeral);
          return true;
        }
      }
    }
  }
  if (code == "..--..") {
    const int32_t position = judgeState.textPosition;
    const int size = pageSize();
    if (field == kText && position > 0 && size > 0 && position % size == 0) {
      if (telegramDocument.followInput) telegramDocument.shownPage = position / size;
      UpdatePageLabels();
      RefreshSheets();
    }
    return true;
  }
  if (code == "...-.") {
    if (field == kText && judgeState.textPosition >= ModelLength(kText)) {
      EndTelegram();
    } else if (ProceedOptionOn()) {
      CorrectLastThree();
    }
    return true;
  }
  return false;
}

// Whether the model holds a blank or tab at the input position (Latin script only), from the stored fields.
bool ComputeSpaceExpected() {
  if (!IsLatin() || judgeState.runFinished) return false;
  const int field = judgeState.currentField;
  int position = 0;
  if (field == kNumber || field == kAddress) {
    position = JudgedCount(telegramDocument.working.marks[field]);
  } else if (field == kText) {
    position = judgeState.textPosition;
  } else {
    return false;
  }
  const Telegram telegram = TelegramAt(CurrentIndex());
  const std::u16string& text = telegram.fields[field];
  if (position < 0 || position >= static_cast<int>(text.size())) return false;
  return IsBlankOrTab(text[position]);
}

NextCell ComputeNextCell() {
  if (judgeState.runFinished) return {};
  const bool latin = IsLatin();
  int field = judgeState.currentField;
  if (field < kNumber || field > kText) return {};
  auto inputPosition = [](int f) {
    return f == kText ? judgeState.textPosition : JudgedCount(telegramDocument.working.marks[f]);
  };
  std::u16string model = ExpandedCurrentField(field);
  int position = inputPosition(field);
  // Kana header fields follow one another by themselves; the next cell may be in a later field.
  while (!latin && field < kText && position >= static_cast<int>(model.size())) {
    ++field;
    model = ExpandedCurrentField(field);
    position = inputPosition(field);
  }
  const int length = static_cast<int>(model.size());
  while (position >= 0 && position < length &&
         ((latin && IsBlankOrTab(model[position])) || IsLayoutCell(model[position], latin))) {
    ++position;
  }
  if (position < 0 || position >= length) return {};
  return {field, position, model[static_cast<size_t>(position)]};
}

// Field + 1 in bits 0..7, the position in bits 8..39, the character in bits 40..55; 0 is "none".
std::atomic<uint64_t> publishedNextCell{0};

uint64_t PackNextCell(const NextCell& cell) {
  if (cell.field < 0) return 0;
  return static_cast<uint64_t>(cell.field + 1) |
         (static_cast<uint64_t>(static_cast<uint32_t>(cell.position)) << 8) |
         (static_cast<uint64_t>(cell.expected) << 40);
}

std::u16string OneCharacter(char16_t c) {
  return std::u16string(1, c == 0 ? u' ' : c);
}

}  // namespace

void JudgeInputCharacter(char16_t c) {
  if (judgeState.runFinished) return;
  // The call-up's characters are the program's, not the telegram's; a typed copy has none of them.
  if (IsLatin() && runFlags.CallUpSending.load() != 0 && runFlags.copyReceive.load() == 0) return;
  RebuildModelCache();
  const bool latin = IsLatin();
  if (!latin) SkipEmptyKanaHeaderFields();
  int32_t& field = judgeState.currentField;
  bool entered = false;
  switch (field) {
    case kNumber:
      entered = JudgeHeaderField(kNumber, c);
      if (!latin && FieldComplete(kNumber)) field = kOffice;
      break;
    case kOffice:
    case kCount:
    case kTime: {
      const int current = field;
      entered = JudgeHeaderField(current, c);
      if (FieldComplete(current)) field = current + 1;
      break;
    }
    case kAddress:
      entered = JudgeHeaderField(kAddress, c);
      if (!latin && FieldComplete(kAddress)) field = kText;
      break;
    case kText:
      JudgeTextField(c);
      PublishSpaceExpected();
      return;
    default:
      return;
  }
  if (!latin) SkipEmptyKanaHeaderFields();
  if (entered) RedrawLearnerCopy();
  PublishSpaceExpected();
}

// ---- Field steps for copy receive ----------------------------------------------------------------------

bool FieldHasInput(int field) {
  if (field < kNumber || field > kText) return false;
  if (field == kText) return judgeState.textPosition > 0;
  return !telegramDocument.working.marks[field].empty();
}

bool FieldIsComplete(int field) {
  if (field < kNumber || field > kText) return true;
  RebuildModelCache();
  if (field == kText) return judgeState.textPosition >= ModelLength(kText);
  return FieldComplete(field);
}

void MissRestOfField(int field) {
  if (field < kNumber || field > kText) return;
  RebuildModelCache();
  const bool latin = IsLatin();
  const std::u16string& model = Model(field);
  const int length = ModelLength(field);
  int position =
      field == kText ? judgeState.textPosition : JudgedCount(telegramDocument.working.marks[field]);
  for (; position < length; ++position) {
    const char16_t expected = model[static_cast<size_t>(position)];
    if ((latin && IsBlankOrTab(expected)) || IsLayoutCell(expected, latin)) {
      SetCell(field, position, expected == u'\t' ? u' ' : expected, u'1');
      continue;
    }
    SetCell(field, position, latin ? kMissedLatinCell : kMissedKanaCell, u'0');
    RecordJudgement(expected, 0, false);
  }
  if (field == kText) judgeState.textPosition = std::max(judgeState.textPosition, length);
  RedrawLearnerCopy();
  PublishSpaceExpected();
}

void MoveToNextField() {
  int32_t& field = judgeState.currentField;
  if (field < kNumber || field >= kText) return;
  if (IsLatin()) {
    field = field == kNumber ? kAddress : kText;
  } else {
    ++field;
    SkipEmptyKanaHeaderFields();
  }
  StoreWorkingRecord();
  UpdatePageLabels();
  RefreshSheets();
  PublishSpaceExpected();
}

// ---- 4. Procedure signals --------------------------------------------------------------------------------

bool HandleSpecialSignal(const std::string& code) {
  const bool consumed = HandleSpecialSignalUnpublished(code);
  PublishSpaceExpected();
  return consumed;
}

// ---- 5. Telegram moves -----------------------------------------------------------------------------------

void EndTelegram() {
  if (judgeState.runFinished) return;
  // What this telegram wrote goes to disk now: a power cut loses at most the telegram being keyed.
  FlushPracticeLogs();
  ShowTelegramResult();
  if (telegramDocument.currentNumber < TelegramCount()) {
    AdvanceTelegram();
    return;
  }
  FinishRun();
  SetStatusText(u"終了");  // after the run's own lines (a level change), as the last word
}

void FinishRun() {
  judgeState.runFinished = true;
  telegramDocument.followInput = false;
  FinishPracticeRun();
  UpdatePageLabels();
  RefreshSheets();
  PublishSpaceExpected();
}

namespace {

// Judging starts over at a telegram's number field, its first page shown and following the input.
void StartAtNumberField() {
  judgeState.currentField = kNumber;
  judgeState.textPosition = 0;
  InvalidateControl(kLearnerSheet);
  telegramDocument.shownPage = 0;
  telegramDocument.followInput = true;
}

}  // namespace

void AdvanceTelegram() {
  StoreWorkingRecord();
  ResetTelegramScore();
  UpdateScoreLine();
  StartAtNumberField();
  if (telegramDocument.currentNumber < TelegramCount()) ++telegramDocument.currentNumber;
  LoadWorkingRecord();
  UpdatePageLabels();
  RefreshSheets();
  PublishSpaceExpected();
}

void CorrectLastThree() {
  if (!ProceedOptionOn()) return;
  TakeBackLastCells(3);
}

void TakeBackLastCells(int count) {
  const size_t n = static_cast<size_t>(std::max(0, count));
  LearnerCopy& copy = telegramDocument.working;
  const int field = judgeState.currentField;
  if (field >= kNumber && field <= kAddress) {
    std::u16string& entered = copy.entered[field];
    std::u16string& marks = copy.marks[field];
    const size_t removed = std::min(n, entered.size());
    entered.resize(entered.size() - removed);
    marks.resize(marks.size() > removed ? marks.size() - removed : 0);
  } else if (field == kText) {
    int32_t& position = judgeState.textPosition;
    position = position > static_cast<int32_t>(n) ? position - static_cast<int32_t>(n) : 0;
    const size_t keep = static_cast<size_t>(position);
    if (copy.entered[kText].size() > keep) copy.entered[kText].resize(keep);
    if (copy.marks[kText].size() > keep) copy.marks[kText].resize(keep);
    if (telegramDocument.followInput && pageSize() > 0) telegramDocument.shownPage = position / pageSize();
  }
  StoreWorkingRecord();
  UpdatePageLabels();
  RefreshSheets();
  SetStatusText(FormatText(u"訂正：%d文字戻しました", {static_cast<int>(n)}));
  PublishSpaceExpected();
}

void FollowInputPage(int length) {
  if (!telegramDocument.followInput) return;
  const int size = pageSize();
  if (size <= 0) return;
  const int p = judgeState.textPosition;
  int page = 0;
  if (p <= 0) {
    page = 0;
  } else if (p < length && p % size == 0) {
    // The previous page is full: turn to the next, still empty one (not after the text's last cell).
    page = p / size;
    SetStatusText(u"自動改ページ");
  } else {
    page = (p - 1) / size;
  }
  if (page == telegramDocument.shownPage) return;
  telegramDocument.shownPage = page;
  UpdatePageLabels();
  RefreshSheets();
}

// ---- 6. Lines, reset, gap query --------------------------------------------------------------------------

void ShowJudgementLine(char16_t entered, char16_t expected, bool ok) {
  // A copy is judged once its telegram is over: the line would give the model's next character away.
  if (!MainWindowExists() || runFlags.copyReceive.load() != 0) return;
  std::u16string line =
      FormatText(u"次:%s 入:%s 判:%s", {OneCharacter(expected), OneCharacter(entered), ok ? u"○" : u"×"});
  // A failure that is still going on (a full disk) stays in view instead of being written over at once.
  const std::u16string failure = ActiveFailureText();
  if (!failure.empty()) line += u"　" + failure;
  SetControlText(kMessageLine, line);
}

void ResetJudging() {
  ResetLearnerCopies();
  ResetRunStatistics();
  StartAtNumberField();
  telegramDocument.currentNumber = 1;
  judgeState.runFinished = false;
  SetStatusText(u"");
  RefreshSheets();
  UpdatePageLabels();
  PublishSpaceExpected();
}

void ClearJudgeCache() {
  modelCache = ModelCache{};
}

void PublishSpaceExpected() {
  publishedSpaceExpected.store(ComputeSpaceExpected() ? 1 : 0);
  // The hint moves with the input even when no cell changed (a page turn, a field completed by itself).
  const uint64_t next = PackNextCell(ComputeNextCell());
  if (publishedNextCell.exchange(next) != next && MainWindowExists()) InvalidateControl(kLearnerSheet);
}

NextCell NextExpectedCell() {
  const uint64_t packed = publishedNextCell.load();
  if (packed == 0) return {};
  return {static_cast<int>(packed & 0xFF) - 1, static_cast<int>(static_cast<uint32_t>(packed >> 8)),
          static_cast<char16_t>(packed >> 40)};
}

bool SpaceExpected() {
  return LatinMode.load() != 0 && publishedSpaceExpected.load() != 0;
}

KeyEventConsumers JudgeConsumers() {
  KeyEventConsumers consumers;
  consumers.recordElement = RecordElement;
  consumers.handleSpecialSignal = HandleSpecialSignal;
  consumers.judgeInputCharacter = JudgeInputCharacter;
  consumers.spaceExpected = SpaceExpected;
  return consumers;
}

void InstallJudgeConsumers() {
  InstallKeyEventConsumers(JudgeConsumers());
}
