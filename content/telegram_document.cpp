// SPDX-License-Identifier: GPL-3.0-or-later
// The telegram document: built-in samples, queries, the learner's records and the page model.
//   - built-in samples
//   - queries
//   - record keeping
//   - page view and labels
#include "content/telegram_document.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/text.h"

TelegramDocument telegramDocument;
JudgeState judgeState;

Script CurrentScript() {
  return LatinMode.load() != 0 ? Script::kLatin : Script::kKana;
}

void SetCurrentScript(Script script) {
  const bool latin = script == Script::kLatin;
  LatinMode.store(latin ? 1 : 0);
  SelectDecodingMap(script);
  // The radio buttons are the saved setting (Lang), so they must show the script that is now in use.
  if (ControlExists(kLatinRadio) || ControlExists(kKanaRadio)) {
    CheckRadioButton(kLatinRadio, kKanaRadio, latin ? kLatinRadio : kKanaRadio);
  }
}

// ---- Built-in samples -----------------------------------------------------------------------------------

namespace {

// Shown while nothing has been loaded or generated: two telegrams per script.
const std::array<Telegram, 2>& KanaSamples() {
  static const std::array<Telegram, 2> samples = {
      Telegram{{u"一五八", u"センダイデンポウ", u"三九", u"セ一〇、三〇",
                u"ミヤギケン」センダイシ」タカハシミツコ」",
                u"フユノヨルニマドカラミエルホシゾラハ」スンダヒカリヲハナチナガラシズカニカガヤイテイタ」"
                u"ナガイジカンヲヘテトドクヒカリハ」キボウトツヨサノシルシノヨウデアリ」"
                u"ミライヘノユウキヲアタエテクレル」"}},
      Telegram{{u"一五二", u"トウキョウツウシン", u"四一", u"コ一二、一八",
                u"トウキョウト」シナガワク」ヤマモトケンジ」",
                u"アメアガリノマチニハサワヤカナカゼガフキ」ナミキノミドリハヒカリヲウケテカガヤイテイタ」"
                u"イソガシサノナカデモ」フトアシヲトメテキセツノウツロイヲカンジルト」"
                u"ココロニアタラシイチカラガワキアガッテクル」アスモエガオデスゴシタイ」"}},
  };
  return samples;
}

const std::array<Telegram, 2>& LatinSamples() {
  static const std::array<Telegram, 2> samples = {
      Telegram{{u"18 IZUMIMARU 31 26 6 26 S", u"", u"", u"", u"PIETER VAN DIJK MARINE CENTER ROTTERDAM",
                u"THANK YOU FOR YOUR ASSISTANCE DURING THE LAST PORT VISIT WE LOOK FORWARD TO FUTURE "
                u"COOPERATION"}},
      Telegram{{u"49 NAGASAKIRADIO 19 16 6 34 M", u"", u"", u"", u"BUDI SANTOSO PORT AUTHORITY JAKARTA",
                u"LOADING OPERATIONS WERE COMPLETED SUCCESSFULLY NO DAMAGE HAS BEEN REPORTED DURING "
                u"INSPECTION"}},
  };
  return samples;
}

// The telegram at a 0-based index, clamped into the document; by reference, valid until the next
// replacement of the telegrams.
const Telegram& TelegramRef(int index) {
  const int count = TelegramCount();
  index = std::clamp(index, 0, count - 1);
  if (telegramDocument.loaded && !telegramDocument.telegrams.empty()) {
    return telegramDocument.telegrams[static_cast<size_t>(index)];
  }
  return CurrentScript() == Script::kLatin ? LatinSamples()[static_cast<size_t>(index)]
                                           : KanaSamples()[static_cast<size_t>(index)];
}

int ExpandedLength(const std::u16string& text) {
  return static_cast<int>(ExpandMorseText(text, CurrentScript()).size());
}

// Expanded text lengths of every telegram: the page labels after each judged character count the pages of
// the whole document, which must not expand all 200 texts every time. Rebuilt when the set or the script
// changes.
struct ModelLengths {
  int32_t revision = -1;
  bool loaded = false;
  Script script = Script::kKana;
  std::vector<int> lengths;
};
ModelLengths modelLengths;

int ModelTextLength(int index) {
  const TelegramDocument& doc = telegramDocument;
  if (modelLengths.revision != doc.revision || modelLengths.loaded != doc.loaded ||
      modelLengths.script != CurrentScript() ||
      static_cast<int>(modelLengths.lengths.size()) != TelegramCount()) {
    modelLengths.revision = doc.revision;
    modelLengths.loaded = doc.loaded;
    modelLengths.script = CurrentScript();
    modelLengths.lengths.clear();
    for (int i = 0; i < TelegramCount(); ++i)
      modelLengths.lengths.push_back(ExpandedLength(TelegramRef(i).fields[kText]));
  }
  return modelLengths.lengths[static_cast<size_t>(std::clamp(index, 0, TelegramCount() - 1))];
}

}  // namespace

// ---- Queries --------------------------------------------------------------------------------------------

int TelegramCount() {
  if (!telegramDocument.loaded) return 2;
  return std::max(1, static_cast<int>(telegramDocument.telegrams.size()));
}

int CurrentIndex() {
  return std::clamp(telegramDocument.currentNumber - 1, 0, TelegramCount() - 1);
}

Telegram TelegramAt(int index) {
  return TelegramRef(index);
}

std::vector<Telegram> CurrentTelegrams() {
  std::vector<Telegram> telegrams;
  for (int i = 0; i < TelegramCount(); ++i) telegrams.push_back(TelegramRef(i));
  return telegrams;
}

int pageSize() {
  return CurrentScript() == Script::kLatin ? 208 : 60;
}

int PageCountOf(int length) {
  const int size = pageSize();
  return std::max(1, (std::max(length, 0) + size - 1) / size);
}

int ModelPagesOfCurrent() {
  return PageCountOf(ModelTextLength(CurrentIndex()));
}

int CurrentTelegramPages() {
  return std::max(ModelPagesOfCurrent(),
                  PageCountOf(static_cast<int>(telegramDocument.working.entered[kText].size())));
}

int PagesOfTelegram(int number) {
  EnsureRecordCount();
  const int index = std::clamp(number - 1, 0, TelegramCount() - 1);
  const int modelPages = PageCountOf(ModelTextLength(index));
  const int enteredLength =
      static_cast<int>(telegramDocument.records[static_cast<size_t>(index)].entered[kText].size());
  return std::max(modelPages, PageCountOf(enteredLength));
}

int TotalPages() {
  int total = 0;
  for (int n = 1; n <= TelegramCount(); ++n) total += PagesOfTelegram(n);
  return std::max(1, total);
}

int OverallPageNumber() {
  // Pages of the telegrams before the current one; the current one is the clamped index, so a number
  // beyond the document counts like the last telegram.
  int before = 0;
  for (int n = 1; n <= CurrentIndex(); ++n) before += PagesOfTelegram(n);
  return before + telegramDocument.shownPage + 1;
}

std::u16string ExpandedCurrentField(int field) {
  if (field < 0 || field > kText) return {};
  return ExpandMorseText(TelegramRef(CurrentIndex()).fields[static_cast<size_t>(field)], CurrentScript());
}

// ---- Record keeping -------------------------------------------------------------------------------------

void EnsureRecordCount() {
  const size_t count = static_cast<size_t>(TelegramCount());
  if (telegramDocument.records.size() != count) telegramDocument.records.assign(count, LearnerCopy{});
}

namespace {
// The sheets are painted on the window thread while the event thread changes the document; the painter
// reads this copy, replaced under its lock after every change the sheets show.
std::mutex displayedLock;
SheetSnapshot displayed;
std::shared_ptr<const PublishedTelegramSet> displayedSet;  // under displayedLock
int32_t displayedRevision = 0;                             // event thread
Script displayedScript = Script::kKana;                    // event thread

// The whole set is copied only when it was replaced or the script changed (the built-in samples follow the
// script), not after every judged character.
void PublishTelegramSet() {
  if (displayedSet && displayedRevision == telegramDocument.revision && displayedScript == CurrentScript()) {
    return;
  }
  auto set = std::make_shared<PublishedTelegramSet>();
  set->loaded = telegramDocument.loaded;
  set->telegrams = CurrentTelegrams();
  displayedRevision = telegramDocument.revision;
  displayedScript = CurrentScript();
  std::lock_guard<std::mutex> guard(displayedLock);
  displayedSet = std::move(set);
}

void PublishWorkingCopy() {
  PublishTelegramSet();
  SheetSnapshot snapshot;
  snapshot.shownPage = telegramDocument.shownPage;
  snapshot.model = TelegramRef(CurrentIndex());
  snapshot.working = telegramDocument.working;
  snapshot.copyReceive = runFlags.copyReceive.load() != 0;
  snapshot.modelHidden = snapshot.copyReceive && !judgeState.runFinished &&
                         telegramDocument.currentNumber > judgeState.copyRevealedUpTo;
  std::lock_guard<std::mutex> guard(displayedLock);
  displayed = std::move(snapshot);
}
}  // namespace

LearnerCopy DisplayedWorkingCopy() {
  std::lock_guard<std::mutex> guard(displayedLock);
  return displayed.working;
}

std::shared_ptr<const PublishedTelegramSet> DisplayedTelegrams() {
  if (!EventThreadRunning()) {
    // No owner thread: the caller is the only one touching the document.
    auto set = std::make_shared<PublishedTelegramSet>();
    set->loaded = telegramDocument.loaded;
    set->telegrams = CurrentTelegrams();
    return set;
  }
  std::lock_guard<std::mutex> guard(displayedLock);
  if (displayedSet) return displayedSet;
  return std::make_shared<PublishedTelegramSet>();
}

SheetSnapshot DisplayedSheets() {
  std::lock_guard<std::mutex> guard(displayedLock);
  return displayed;
}

void StoreWorkingRecord() {
  EnsureRecordCount();
  telegramDocument.records[static_cast<size_t>(CurrentIndex())] = telegramDocument.working;
  PublishWorkingCopy();
}

void LoadWorkingRecord() {
  EnsureRecordCount();
  telegramDocument.working = telegramDocument.records[static_cast<size_t>(CurrentIndex())];
  PublishWorkingCopy();
}

void ResetLearnerCopies() {
  telegramDocument.records.assign(static_cast<size_t>(TelegramCount()), LearnerCopy{});
  telegramDocument.working = LearnerCopy{};
  PublishWorkingCopy();
}

void EmptyWorkingFields(std::initializer_list<int> fields) {
  for (int field : fields) {
    if (field < 0 || field > kText) continue;
    telegramDocument.working.entered[static_cast<size_t>(field)].clear();
    telegramDocument.working.marks[static_cast<size_t>(field)].clear();
  }
  PublishWorkingCopy();
}

void ReplaceTelegrams(std::vector<Telegram> telegrams) {
  // A loaded document is never empty; an empty batch leaves the current one in place.
  if (telegrams.empty()) return;
  telegramDocument.telegrams.swap(telegrams);
  telegramDocument.loaded = true;
  telegramDocument.revision += 1;
  telegramDocument.currentNumber = 1;
  telegramDocument.shownPage = 0;
  judgeState.runFinished = false;
  judgeState.copySentUpTo = 0;  // the numbers were those of the telegrams replaced
  judgeState.copyRevealedUpTo = 0;
}

void SwitchToBuiltInSamples() {
  TelegramDocument& doc = telegramDocument;
  doc.loaded = false;
  doc.currentNumber = 1;
  doc.revision += 1;
  for (size_t field : {size_t{kNumber}, size_t{kAddress}, size_t{kText}}) {
    doc.working.entered[field].clear();
    doc.working.marks[field].clear();
  }
  doc.shownPage = 0;
  judgeState.currentField = 0;
  judgeState.textPosition = 0;
  judgeState.runFinished = false;
  judgeState.copySentUpTo = 0;
  judgeState.copyRevealedUpTo = 0;
  PublishWorkingCopy();
  InvalidateControl(kLearnerSheet);
  UpdatePageLabels();
  RefreshSheets();
}

void ResetTelegramDocument() {
  telegramDocument = TelegramDocument{};
  judgeState = JudgeState{};
  modelLengths = ModelLengths{};
  {
    std::lock_guard<std::mutex> guard(displayedLock);
    displayedSet.reset();  // revisions start over: the old set must not pass for the new one
  }
  PublishWorkingCopy();
}

// ---- Page view and labels -------------------------------------------------------------------------------

void ClampCurrentPage() {
  telegramDocument.shownPage = std::clamp(telegramDocument.shownPage, 0, CurrentTelegramPages() - 1);
}

void UpdatePageLabels() {
  if (!MainWindowExists()) return;
  ClampCurrentPage();
  const std::u16string pages = FormatText(u"%d/%d", {OverallPageNumber(), TotalPages()});
  SetControlText(kModelPageLabel, pages);
  SetControlText(kLearnerPageLabel, pages);
  ShowTelegramStatus();
}

void ShowTelegramStatus() {
  SetControlText(kTelegramStatusLabel,
                 FormatText(u"%d通目 %d/%dページ  全体 %d/%d",
                            {telegramDocument.currentNumber, telegramDocument.shownPage + 1,
                             CurrentTelegramPages(), OverallPageNumber(), TotalPages()}));
}

void GoToPage(int page) {
  telegramDocument.shownPage = std::clamp(page, 0, CurrentTelegramPages() - 1);
  telegramDocument.followInput = false;
  UpdatePageLabels();
  RefreshSheets();
}

void PreviousPage() {
  TelegramDocument& doc = telegramDocument;
  StoreWorkingRecord();
  if (doc.shownPage > 0) {
    GoToPage(doc.shownPage - 1);
    return;
  }
  // Counted from the telegram actually shown, so a number outside the document cannot take two presses.
  const int shownNumber = CurrentIndex() + 1;
  if (shownNumber < 2) return;
  doc.currentNumber = shownNumber - 1;
  LoadWorkingRecord();
  doc.shownPage = CurrentTelegramPages() - 1;
  doc.followInput = false;
  UpdatePageLabels();
  RefreshSheets();
}

void NextPage() {
  TelegramDocument& doc = telegramDocument;
  StoreWorkingRecord();
  if (doc.shownPage + 1 < CurrentTelegramPages()) {
    GoToPage(doc.shownPage + 1);
    return;
  }
  const int shownNumber = CurrentIndex() + 1;
  if (shownNumber >= TelegramCount()) return;
  doc.currentNumber = shownNumber + 1;
  LoadWorkingRecord();
  judgeState.currentField = 0;
  judgeState.textPosition = 0;
  InvalidateControl(kLearnerSheet);
  doc.shownPage = 0;
  doc.followInput = false;
  UpdatePageLabels();
  RefreshSheets();
}

void RefreshSheets() {
  PublishWorkingCopy();
  RepaintSheets();
}

void RepaintSheets() {
  InvalidateControl(kModelSheet);
  InvalidateControl(kLearnerSheet);
}
