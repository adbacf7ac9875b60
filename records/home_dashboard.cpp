// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/home_dashboard.h"

#include <algorithm>
#include <ctime>

#include "core/text.h"
#include "records/log_summary.h"
#include "records/run_statistics.h"
#include "records/weak_characters.h"

int32_t DashboardExp(const DashboardFigures& figures) {
  return static_cast<int32_t>(
      std::min<int64_t>(int64_t{figures.today.inputs} + figures.currentJudged, INT32_MAX));
}

int32_t DashboardLevel(int32_t exp) {
  return std::min(exp / 1000 + 1, 99);
}

std::u16string BuildDashboardText(const DashboardFigures& f) {
  const LogTotals& t = f.today;
  const int32_t cpm = t.seconds > 0 ? static_cast<int32_t>(int64_t{t.inputs} * 60 / t.seconds) : 0;
  const int32_t rate = t.inputs > 0 ? static_cast<int32_t>(int64_t{t.correct} * 100 / t.inputs) : 0;
  const int32_t exp = DashboardExp(f);
  return FormatText(
      u"ネモラ\r\n━━━━━━━━━━━━━━━━━━━━\r\n\r\n今日の練習\r\n練習時間  %02d:%02d\r\n文字数    %d\r\n"
      u"電報数    %d\r\n平均CPM   %d\r\n正答率    %d%%\r\n\r\n現在レベル\r\nLv.%d   EXP "
      u"%d\r\n\r\n苦手文字\r\n"
      u"%s\r\n\r\nおすすめ\r\n・RX STARTで受信練習\r\n・送信練習はキー電鍵にチェック\r\n"
      u"・苦手電報で弱点を集中練習\r\n",
      {t.seconds / 60, t.seconds % 60, t.inputs, t.telegrams, cpm, rate, DashboardLevel(exp), exp,
       f.weak.empty() ? std::u16string(u"まだありません") : f.weak});
}

DashboardFigures GatherDashboardFigures() {
  DashboardFigures figures;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  figures.today =
      PeriodTotalsOf(ReadPracticeLogSummary(), local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).today;
  figures.currentJudged = runStatistics.judged.load();
  figures.weak = WeakCharacters(5);
  return figures;
}
