// SPDX-License-Identifier: GPL-3.0-or-later
// The home dashboard's text: today's figures, the level earned by characters practised, the weakest
// characters and three recommendations. Plain C++; the window paints it.
#pragma once
#include <cstdint>
#include <string>

#include "records/practice_log.h"

struct DashboardFigures {
  LogTotals today;
  int32_t currentJudged = 0;  // characters judged in the practice run of this process
  std::u16string weak;        // WeakCharacters(5), empty when there are none
};

// EXP = today's inputs + the current run's; level = EXP / 1000 + 1, at most 99.
int32_t DashboardExp(const DashboardFigures& figures);
int32_t DashboardLevel(int32_t exp);
std::u16string BuildDashboardText(const DashboardFigures& figures);
// The figures as they stand now (reads the practice log through its kept summary and the character log).
DashboardFigures GatherDashboardFigures();

inline constexpr char16_t kDashboardTitle[] = u"ホームダッシュボード";
inline constexpr char16_t kDashboardSubtitle[] = u"今日の練習状況とおすすめメニュー";
