// SPDX-License-Identifier: GPL-3.0-or-later
// Scoring, results and automatic adjustment.
//
//   1. Weights and booking     CharacterWeight, RecordJudgement, rates
//   2. Score line and resets   UpdateScoreLine, ResetRunStatistics, ResetTelegramScore
//   3. Result window           colour, grade, comment, snapshot, ShowTelegramResult
//   4. End of a run            FinishPracticeRun, text log
//   5. Automatic adjustment    AutoAdjustSpeed, AdjustLevelByAccuracy, LevelName
#include "practice/scoring.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>

#include "content/telegram_document.h"
#include "core/app_paths.h"
#include "core/clock.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/failure_report.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/text.h"
#include "practice/judging_normaliser.h"
#include "practice/status_lines.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"

namespace {

// Rates of the whole run, as the live line, the log rows and the summary show them.
struct RunRates {
  int correctRate = 0;  // percent
  int wrongRate = 0;    // percent
  int cpm = 0;          // judged characters per minute since the statistics were reset
};

RunRates CurrentRunRates() {
  RunRates rates;
  const int judged = runStatistics.judged.load();
  if (judged > 0) {
    rates.correctRate = static_cast<int>(int64_t{runStatistics.correct.load()} * 100 / judged);
    rates.wrongRate = static_cast<int>(int64_t{runStatistics.wrong.load()} * 100 / judged);
  }
  // Practice time: a pause and the result windows are left out.
  const uint32_t elapsedMs = RunElapsedMs(TickMs());
  const int64_t seconds = std::max<int64_t>(1, elapsedMs / 1000);
  rates.cpm = static_cast<int>(int64_t{judged} * 60 / seconds);
  return rates;
}

int Percent(int part, int whole) {
  return whole < 1 ? 0 : static_cast<int>(int64_t{part} * 100 / whole);
}

}  // namespace

namespace {
// A log write that failed is said once (message line and stderr, with the system's reason); the practice
// goes on, and the next success lets a later failure be said again.
void NoteLogWrite(FailureKind kind, std::u16string_view message, bool written) {
  if (written) {
    ClearFailure(kind);
  } else {
    ReportFailure(kind, message, std::strerror(errno));
  }
}
}  // namespace

// ---- 1. Weights and booking ------------------------------------------------------------------------------

int CharacterWeight(char16_t expected) {
  const char16_t c = NormalizeForJudging(expected);
  std::optional<std::string> code = EncodeCharacter(Script::kKana, c);
  if (!code || code->empty()) code = EncodeCharacter(Script::kLatin, c);
  // The Latin blank's code is a single blank: one element.
  if (!code || code->empty()) return 1;
  return static_cast<int>(code->size());
}

void RecordJudgement(char16_t expected, char16_t given, bool right) {
  runStatistics.judged.fetch_add(1);
  const int weight = CharacterWeight(expected);
  telegramScore.judged.fetch_add(1);
  telegramScore.maxPoints.fetch_add(weight);
  if (right) {
    telegramScore.correct.fetch_add(1);
    telegramScore.points.fetch_add(weight);
  } else {
    telegramScore.wrong.fetch_add(1);
    telegramScore.points.fetch_sub(weight);
    telegramScore.deductions.fetch_add(weight);
  }
  if (expected != 0) {
    std::lock_guard<std::mutex> hold(runStatistics.perCharacterLock);
    CharacterStat& stat = runStatistics.perCharacter[expected];
    stat.asked += 1;
    if (right) {
      stat.correct += 1;
    } else {
      stat.wrong += 1;
      if (given != 0) stat.wrongAnswers[given] += 1;
    }
  }
  if (right) {
    runStatistics.correct.fetch_add(1);
  } else {
    runStatistics.wrong.fetch_add(1);
    runStatistics.wrongList += FormatText(u"%c→%c ", {expected, given});
  }
  if (given != 0) runStatistics.inputList.push_back(given);
  AutoAdjustSpeed(right);
  const RunRates rates = CurrentRunRates();
  runStatistics.telegramNumber.store(telegramDocument.currentNumber);
  NoteLogWrite(FailureKind::kPracticeLog, u"練習記録を書き込めません",
               AppendPracticeLogRow(rates.correctRate, rates.wrongRate, rates.cpm, u"途中"));
  NoteLogWrite(FailureKind::kCharacterLog, u"文字別の記録を書き込めません",
               RecordCharacterResult(expected, given, right));
  if (MainWindowExists()) {
    SetControlText(kRateLabel, FormatText(u"正答率 %d%%  不正解率 %d%%  誤答 %d",
                                          {rates.correctRate, rates.wrongRate, runStatistics.wrong.load()}));
    RefreshStatusLines();
    UpdateScoreLine();
  }
}

// ---- 2. Score line and resets ----------------------------------------------------------------------------

std::u16string ScoreLineText() {
  const int judged = telegramScore.judged.load();
  const int correct = telegramScore.correct.load();
  return FormatText(
      u"得点 %d / %d\u3000減点 %d\u3000正解 %d\u3000誤答 %d\u3000正答率 %d%%",
      {telegramScore.points.load(), telegramScore.maxPoints.load(), telegramScore.deductions.load(), correct,
       telegramScore.wrong.load(), Percent(correct, judged)});
}

void UpdateScoreLine() {
  if (MainWindowExists()) SetControlText(kScoreLine, ScoreLineText());
}

void ResetTelegramScore() {
  telegramScore.judged.store(0);
  telegramScore.correct.store(0);
  telegramScore.wrong.store(0);
  telegramScore.points.store(0);
  telegramScore.maxPoints.store(0);
  telegramScore.deductions.store(0);
}

void ResetRunStatistics() {
  runStatistics.judged.store(0);
  runStatistics.correct.store(0);
  runStatistics.wrong.store(0);
  runStatistics.wrongList.clear();
  runStatistics.inputList.clear();
  {
    std::lock_guard<std::mutex> hold(runStatistics.perCharacterLock);
    runStatistics.perCharacter.clear();
  }
  runStatistics.completedRuns.store(0);
  RestartRunClock(TickMs());
  ResetElementStatistics();
  ResetTelegramScore();
  UpdateScoreLine();
  RefreshStatusLines();
}

// ---- 3. Result window ------------------------------------------------------------------------------------

ResultColour AccuracyColour(int accuracy) {
  if (accuracy >= 90) return {0, 150, 95};
  if (accuracy >= 75) return {35, 115, 210};
  if (accuracy >= 60) return {150, 85, 200};
  if (accuracy >= 40) return {235, 135, 20};
  return {215, 55, 65};
}

std::u16string GradeLetter(int accuracy) {
  if (accuracy >= 95) return u"S";
  if (accuracy >= 85) return u"A";
  if (accuracy >= 70) return u"B";
  if (accuracy >= 50) return u"C";
  return u"D";
}

std::u16string ResultComment(int accuracy) {
  if (accuracy >= 95) return u"すばらしい受信です";
  if (accuracy >= 80) return u"とても良い成績です";
  if (accuracy >= 60) return u"着実に力がついています";
  if (accuracy >= 40) return u"次の電報も落ち着いて受信しましょう";
  return u"誤答を確認してもう一度挑戦しましょう";
}

TelegramResultSnapshot TakeTelegramResultSnapshot() {
  TelegramResultSnapshot result;
  result.currentNumber = telegramDocument.currentNumber;
  result.judged = telegramScore.judged.load();
  result.correct = telegramScore.correct.load();
  result.wrong = telegramScore.wrong.load();
  result.accuracy = Percent(result.correct, result.judged);
  result.points = telegramScore.points.load();
  result.maxPoints = telegramScore.maxPoints.load();
  result.deductions = telegramScore.deductions.load();
  result.latinMode = LatinMode.load() != 0;
  result.anotherFollows = telegramDocument.currentNumber < TelegramCount();
  result.colour = AccuracyColour(result.accuracy);
  result.grade = GradeLetter(result.accuracy);
  result.comment = ResultComment(result.accuracy);
  result.title =
      FormatText(u"第%d通\u3000%s電報 結果", {result.currentNumber, result.latinMode ? u"欧文" : u"和文"});
  result.buttonCaption = result.anotherFollows ? u"次の電報へ" : u"結果を閉じる";
  return result;
}

namespace {
std::atomic<void (*)(const TelegramResultSnapshot&)> resultHook{nullptr};
// Results shown without a window (no hook installed). Written on the event thread, read by tests.
std::mutex shownResultsMutex;
std::vector<TelegramResultSnapshot> shownResults;
}  // namespace

void ShowTelegramResult() {
  const TelegramResultSnapshot result = TakeTelegramResultSnapshot();
  if (auto hook = resultHook.load()) {
    runFlags.resultWindowOpen.store(1);  // playback holds the next telegram until the learner has read this
    HoldRunClock(ClockHold::kResultWindow, TickMs());
    hook(result);
    ReleaseRunClock(ClockHold::kResultWindow, TickMs());
    runFlags.resultWindowOpen.store(0);
    return;
  }
  std::lock_guard<std::mutex> lock(shownResultsMutex);
  shownResults.push_back(result);
}

void InstallTelegramResultHook(void (*hook)(const TelegramResultSnapshot& result)) {
  resultHook.store(hook);
}

std::vector<TelegramResultSnapshot> ShownTelegramResults() {
  std::lock_guard<std::mutex> lock(shownResultsMutex);
  return shownResults;
}

void ClearShownTelegramResults() {
  std::lock_guard<std::mutex> lock(shownResultsMutex);
  shownResults.clear();
}

// ---- 4. End of a run -------------------------------------------------------------------------------------

std::u16string PracticeTextLogEntry(const std::u16string& summary) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::u16string& wrongList = runStatistics.wrongList;
  return FormatText(u"%04d/%02d/%02d %02d:%02d:%02d\r\n%s\r\n入力文字:%s\r\n間違い:%s\r\n\r\n",
                    {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                     local.tm_sec, summary, runStatistics.inputList,
                     wrongList.empty() ? std::u16string_view(u"なし") : std::u16string_view(wrongList)});
}

void FinishPracticeRun() {
  StoreWorkingRecord();
  const RunRates rates = CurrentRunRates();
  runStatistics.completedRuns.fetch_add(1);
  runStatistics.telegramNumber.store(telegramDocument.currentNumber);
  NoteLogWrite(FailureKind::kPracticeLog, u"練習記録を書き込めません",
               AppendPracticeLogRow(rates.correctRate, rates.wrongRate, rates.cpm, u"完了"));
  AdjustLevelByAccuracy(rates.correctRate);
  const std::u16string summary =
      FormatText(u"正答率 %d%%  不正解率 %d%%  誤答 %d  CPM %d",
                 {rates.correctRate, rates.wrongRate, runStatistics.wrong.load(), rates.cpm});
  if (MainWindowExists()) SetControlText(kRateLabel, summary);
  // One append of the whole entry, UTF-8 without a byte-order mark.
  const std::string bytes = Utf16ToUtf8(PracticeTextLogEntry(summary));
  if (!bytes.empty()) {
    NoteLogWrite(FailureKind::kTextLog, u"練習日誌を書き込めません",
                 AppendToFile(AppFilePath("telegram_practice_log.txt"), bytes));
  }
  FlushPracticeLogs();
}

// ---- 5. Automatic adjustment -----------------------------------------------------------------------------

namespace {
// The window of AutoAdjustSpeed: judgements and right ones since the last decision (event thread).
int32_t speedWindowJudgements = 0;
int32_t speedWindowRight = 0;
}  // namespace

void ResetAutoSpeedWindow() {
  speedWindowJudgements = 0;
  speedWindowRight = 0;
}

void AutoAdjustSpeed(bool right) {
  if (practiceSettings.AutoSpeedAdjust.load() == 0) return;
  speedWindowJudgements += 1;
  if (right) speedWindowRight += 1;
  if (speedWindowJudgements < 20) return;
  const int rate = speedWindowRight * 100 / speedWindowJudgements;
  const int before = practiceSettings.WPM.load();
  int wpm = before;
  if (rate >= 90 && wpm < 40) {
    wpm += 1;
  } else if (rate <= 70 && wpm >= 6) {
    wpm -= 1;
  }
  ResetAutoSpeedWindow();
  if (wpm == before) return;
  StoreSpeed(wpm);  // an effective speed equal to the speed follows it
  UpdateSettingLabels();
  RefreshStatusLines();
}

std::u16string LevelName() {
  static const char16_t* const kNames[] = {u"初心者", u"初級", u"中級", u"上級", u"国家試験"};
  const int level = std::clamp(practiceSettings.LearningLevel.load(), 0, 4);
  return kNames[level];
}

void AdjustLevelByAccuracy(int accuracy) {
  if (practiceSettings.AutoDifficulty.load() == 0) return;
  const int level = practiceSettings.LearningLevel.load();
  int next = level;
  if (accuracy >= 95 && level < 4) {
    next = level + 1;
  } else if (accuracy <= 70 && level > 0) {
    next = level - 1;
  }
  if (next == level) return;
  practiceSettings.LearningLevel.store(next);
  SetControlSelection(kLevelCombo, next);
  if (MainWindowExists()) {
    SetControlText(kMessageLine, FormatText(u"自動難易度: 正答率%d%%により学習レベルを「%s」に変更しました。",
                                            {accuracy, LevelName()}));
  }
}
