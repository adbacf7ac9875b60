// SPDX-License-Identifier: GPL-3.0-or-later
// Statistics window contents.
//
//   1. Gathering: the current run, the two logs, today's date
//   2. Bars per mode
//   3. Report text per mode: totals line, mode 0 summary, modes 1-3 periods, modes 4-7 per character
//   4. Graph geometry
#include "records/statistics_report.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "core/app_paths.h"
#include "core/clock.h"
#include "core/settings.h"
#include "core/text.h"
#include "records/run_statistics.h"
#include "records/weak_characters.h"

namespace {

int32_t Ratio(int64_t numerator, int64_t denominator) {
  return denominator > 0 ? static_cast<int32_t>(numerator / denominator) : 0;
}

// "12/03" for a date key: 14 keys of "2026/12/03" in a row do not fit their bars and would all be cut to
// the same "2026/…".
std::u16string ShortDateLabel(const std::u16string& key) {
  int32_t year = 0, month = 0, day = 0;
  if (!ReadRowDate(key, year, month, day)) return {};
  return FormatText(u"%02d/%02d", {month, day});
}

GraphBar MakeBar(std::u16string label, const LogTotals& totals) {
  GraphBar bar;
  bar.shortLabel = ShortDateLabel(label);
  bar.label = std::move(label);
  bar.inputs = totals.inputs;
  bar.correct = totals.correct;
  bar.wrong = totals.wrong;
  bar.cpm = Ratio(int64_t{totals.inputs} * 60, totals.seconds);
  bar.rate = Ratio(int64_t{totals.correct} * 100, totals.inputs);
  return bar;
}

int32_t RunCpm(const CurrentRunFigures& run) {
  return Ratio(int64_t{run.judged} * 60, std::max(run.elapsedSeconds, 1));
}

// Whether a per-day key reads as a date 0..6 days before today.
bool KeyWithinWeek(const std::u16string& key, int32_t today, int32_t& year, int32_t& month) {
  int32_t day = 0;
  if (!ReadRowDate(key, year, month, day)) return false;
  const int32_t rowDay = DayNumber(year, month, day);
  const int64_t daysAgo = int64_t{today} - rowDay;
  return daysAgo >= 0 && daysAgo <= 6 && rowDay != 0;
}

}  // namespace

// ---- 1. Gathering

namespace {

// A file of the DB mode; rows < 0: count its non-empty lines (the small text files only).
RecordFile DescribeFile(std::u16string what, const std::string& path, int64_t rows, const char16_t* unit) {
  RecordFile file;
  file.what = std::move(what);
  file.path = Utf8ToUtf16(path);
  file.rowUnit = unit;
  struct stat info {};
  file.exists = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  if (!file.exists) return file;
  file.bytes = info.st_size;
  if (rows >= 0) {
    file.rows = rows;
    return file;
  }
  std::string bytes;
  if (!ReadWholeFile(path, bytes, 16u << 20)) return file;
  bool content = false;
  for (char c : bytes) {
    if (c == '\n') {
      file.rows += content;
      content = false;
    } else if (c != '\r') {
      content = true;
    }
  }
  file.rows += content;
  return file;
}

}  // namespace

CurrentRunFigures CurrentRunAt(uint32_t nowTickMs) {
  CurrentRunFigures run;
  run.judged = runStatistics.judged.load();
  run.correct = runStatistics.correct.load();
  run.wrong = runStatistics.wrong.load();
  const uint32_t seconds = (nowTickMs - runStatistics.startTick.load()) / 1000;
  run.elapsedSeconds = seconds == 0 ? 1 : static_cast<int32_t>(std::min<uint32_t>(seconds, INT32_MAX));
  run.wpm = practiceSettings.WPM.load();
  run.perCharacter = CopyPerCharacterStatistics();
  return run;
}

CurrentRunFigures IdleRun() {
  CurrentRunFigures run;
  run.wpm = practiceSettings.WPM.load();
  return run;
}

StatisticsSources GatherStatistics(const CurrentRunFigures& run) {
  StatisticsSources sources;
  sources.run = run;
  sources.log = ReadPracticeLogSummary();
  sources.characterStatus = ReadCharacterLog(sources.characters);
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  sources.year = local.tm_year + 1900;
  sources.month = local.tm_mon + 1;
  sources.day = local.tm_mday;
  sources.practiceLogPath = Utf8ToUtf16(PracticeLogPath());
  sources.characterLogPath = Utf8ToUtf16(CharacterLogPath());
  sources.files = {
      DescribeFile(u"練習ログ", PracticeLogPath(), sources.log.dataRows, u"行"),
      DescribeFile(u"文字別ログ", CharacterLogPath(), static_cast<int64_t>(sources.characters.size()),
                   u"文字"),
      DescribeFile(u"練習記録", AppFilePath("telegram_practice_log.txt"), -1, u"行"),
      DescribeFile(u"設定", SettingsFilePath(), -1, u"行"),
  };
  sources.learningLevel = std::clamp(practiceSettings.LearningLevel.load(), 0, 4);
  sources.autoDifficulty = practiceSettings.AutoDifficulty.load() != 0;
  return sources;
}

// ---- 2. Bars

std::vector<GraphBar> BuildGraphBars(int mode, const StatisticsSources& s) {
  std::vector<GraphBar> bars;
  const int32_t today = DayNumber(s.year, s.month, s.day);
  switch (mode) {
    case kModeCurrent: {
      // Without a practice log the graph says there is no history yet, rather than four empty groups.
      if (s.log.status != kLogRead) break;
      LogTotals run;
      run.inputs = s.run.judged;
      run.correct = s.run.correct;
      run.wrong = s.run.wrong;
      run.seconds = std::max(s.run.elapsedSeconds, 1);
      const PeriodTotals periods = PeriodTotalsOf(s.log, s.year, s.month, s.day);
      bars.push_back(MakeBar(u"現在", run));
      bars.push_back(MakeBar(u"今日", periods.today));
      bars.push_back(MakeBar(u"週間", periods.week));
      bars.push_back(MakeBar(u"月間", periods.month));
      break;
    }
    case kModeDaily:
      for (auto it = s.log.days.rbegin(); it != s.log.days.rend() && bars.size() < 14; ++it) {
        bars.push_back(MakeBar(it->first, it->second));
      }
      break;
    case kModeWeek:
    case kModeMonth:
      for (const auto& [key, totals] : s.log.days) {
        int32_t year = 0, month = 0, day = 0;
        if (mode == kModeWeek) {
          if (KeyWithinWeek(key, today, year, month)) bars.push_back(MakeBar(key, totals));
        } else if (ReadRowDate(key, year, month, day) && year == s.year && month == s.month) {
          bars.push_back(MakeBar(key, totals));
        }
      }
      break;
    case kModeGoal: {
      if (s.log.status != kLogRead) break;
      const PeriodTotals periods = PeriodTotalsOf(s.log, s.year, s.month, s.day);
      bars.push_back(MakeBar(u"今日", periods.today));
      bars.push_back(MakeBar(u"週間", periods.week));
      break;
    }
    case kModeCharacter:
      for (const auto& [character, stat] : s.characters) {
        if (bars.size() == 20) break;
        GraphBar bar;
        bar.label = std::u16string(1, character);
        bar.inputs = stat.asked;
        bar.correct = stat.correct;
        bar.wrong = stat.wrong;
        bar.rate = Ratio(int64_t{stat.correct} * 100, stat.asked);
        bars.push_back(bar);
      }
      break;
    default:
      break;
  }
  return bars;
}

std::u16string GraphSentence(int mode, const StatisticsSources& s) {
  switch (mode) {
    case kModeDatabase:
      return kDatabaseSentence;
    case kModeMaterial:
      return kMaterialSentence;
    case kModeCharacter:
      return s.characters.empty() ? kNoHistorySentence : kNoPeriodSentence;
    default:
      return s.log.status == kLogRead && s.log.dataRows > 0 ? kNoPeriodSentence : kNoHistorySentence;
  }
}

// ---- 3. Report text

std::u16string FormatTotalsLine(std::u16string_view label, const LogTotals& t) {
  return FormatText(
      u"%-12s  回数:%4d  電報:%4d通  入力:%5d  正解:%5d  誤答:%5d  時間:%3d分%02d秒  "
      u"CPM:%4d  正答:%3d%%  誤答:%3d%%\r\n",
      {label, t.rows, t.telegrams, t.inputs, t.correct, t.wrong, t.seconds / 60, t.seconds % 60,
       Ratio(int64_t{t.inputs} * 60, t.seconds), Ratio(int64_t{t.correct} * 100, t.inputs),
       Ratio(int64_t{t.wrong} * 100, t.inputs)});
}

namespace {

// Up to five weak characters (records/weak_characters.h) of the character log with the lowest correct
// rate; ties go to the smaller code. A character answered right every time, or the blank between words, is
// no weakness, however few characters the log holds. A character is ranked once: only characters already
// ranked are passed over (not every character that happens to appear in the report's own labels).
std::u16string WeakRanking(const CharacterLog& characters) {
  if (characters.empty()) return u"まだ文字別CSV履歴がありません。\r\n\r\n";
  std::u16string text;
  std::u16string ranked;
  for (int rank = 1; rank <= 5; ++rank) {
    const std::pair<const char16_t, CharacterStat>* pick = nullptr;
    int32_t pickRate = 0;
    for (const auto& entry : characters) {
      if (!IsWeakCharacter(entry.first, entry.second) || ranked.find(entry.first) != std::u16string::npos) {
        continue;
      }
      const int32_t rate = Ratio(int64_t{entry.second.correct} * 100, entry.second.asked);
      if (!pick || rate < pickRate) {
        pick = &entry;
        pickRate = rate;
      }
    }
    if (!pick) {
      if (rank == 1)
        text += u"苦手な文字はありません（正答率90%未満か誤答のある文字はまだありません）。\r\n\r\n";
      break;
    }
    ranked.push_back(pick->first);
    text += FormatText(u"%d位\r\n%c\r\n%d%%  出題%d回\r\n\r\n",
                       {rank, pick->first, pickRate, pick->second.asked});
  }
  return text;
}

std::u16string RecentRows(const PracticeLogSummary& log) {
  if (log.status != kLogRead) return u"まだ履歴CSVがありません。\r\n";
  if (log.dataRows == 0) return u"まだ履歴がありません。\r\n";
  std::u16string text;
  for (auto it = log.recentRows.rbegin(); it != log.recentRows.rend(); ++it) {
    const std::vector<std::u16string> fields = SplitCsvLine(*it);
    text += FormatText(u"%s　%s　%s%%\r\n", {fields[0], fields[1], fields[3]});
  }
  return text;
}

std::u16string Badges(const LogTotals& all, int32_t averageCpm, int32_t averageRate) {
  const struct {
    bool reached;
    const char16_t* name;
  } badges[] = {
      {all.telegrams > 0, u"初回受信"},    {all.inputs > 99, u"100文字突破"},
      {all.inputs > 999, u"1000文字突破"}, {all.telegrams > 99, u"100通突破"},
      {averageCpm > 49, u"CPM50突破"},     {averageRate > 98, u"正答率99%突破"},
  };
  std::u16string text;
  for (const auto& badge : badges)
    text += (badge.reached ? u"[達成] " : u"[未達] ") + std::u16string(badge.name) + u"\r\n";
  return text;
}

std::u16string CurrentSummary(const StatisticsSources& s) {
  const LogTotals all = AllDaysTotals(s.log);
  const int32_t averageCpm = all.seconds < 1 ? 0 : Ratio(int64_t{all.inputs} * 60, all.seconds);
  const int32_t averageRate = Ratio(int64_t{all.correct} * 100, all.inputs);
  const int32_t averageWrong = Ratio(int64_t{all.wrong} * 100, all.inputs);
  const int32_t runCpm = RunCpm(s.run);
  const int32_t elapsed = std::max(s.run.elapsedSeconds, 1);
  std::u16string text = FormatText(
      u"━━━━━━━━━━━━━━━━━━\r\n現在の成績\r\n\r\n総練習時間\r\n%d時間%d分\r\n\r\n総電報数\r\n%d通\r\n\r\n"
      u"総文字数\r\n%d文字\r\n\r\n平均CPM\r\n%d\r\n\r\n最高CPM\r\n%d\r\n\r\n平均正答率\r\n%d%%\r\n\r\n"
      u"平均誤答率\r\n%d%%\r\n━━━━━━━━━━━━━━━━━━\r\n\r\n現在練習中\r\n練習時間 %d分%d秒  CPM %d  WPM %d  "
      u"入力 %d文字  正答率 %d%%  誤答率 %d%%\r\n\r\n",
      {all.seconds / 3600, all.seconds % 3600 / 60, all.telegrams, all.inputs, averageCpm,
       std::max(averageCpm, runCpm), averageRate, averageWrong, elapsed / 60, elapsed % 60, runCpm, s.run.wpm,
       s.run.judged, Ratio(int64_t{s.run.correct} * 100, s.run.judged),
       Ratio(int64_t{s.run.wrong} * 100, s.run.judged)});
  text += u"苦手文字ランキング\r\n";
  text += WeakRanking(s.characters);
  text += u"最近10回\r\n日時　　　　　　　　CPM　正答率\r\n";
  text += RecentRows(s.log);
  text += u"\r\n今日の練習\r\n";
  text += FormatTotalsLine(u"今日", PeriodTotalsOf(s.log, s.year, s.month, s.day).today);
  text += u"\r\n練習バッジ\r\n";
  text += Badges(all, averageCpm, averageRate);
  text += u"\r\nCSV保存先\r\n" + s.practiceLogPath + u"\r\n" + s.characterLogPath + u"\r\n";
  return text;
}

std::u16string PerCharacter(const StatisticsSources& s) {
  std::u16string text = u"文字別の成績\r\n\r\n現在練習中の文字別成績\r\n";
  if (s.run.perCharacter.empty()) text += u"まだ現在練習中の文字別記録はありません。\r\n";
  for (const auto& [character, stat] : s.run.perCharacter) {
    text +=
        FormatText(u"%c  出題:%5d  正解:%5d  間違い:%5d  誤送信:%s\r\n",
                   {character, stat.asked, stat.correct, stat.wrong, FormatWrongAnswers(stat.wrongAnswers)});
  }
  text += u"\r\nCSV累計の文字別成績\r\n";
  if (s.characterStatus == kLogUnconvertible || s.characterStatus == kLogUnreadable) {
    return text + u"CSV文字別履歴を読み込めませんでした。\r\n";
  }
  if (s.characters.empty()) return text + u"まだCSV文字別履歴がありません。\r\n";
  for (const auto& [character, stat] : s.characters) {
    text += FormatText(u"%c  出題:%6d  正解:%6d  間違い:%6d  正答率:%3d%%\r\n",
                       {character, stat.asked, stat.correct, stat.wrong,
                        stat.asked < 1 ? 0 : Ratio(int64_t{stat.correct} * 100, stat.asked)});
  }
  return text;
}

std::u16string DatabaseReport(const StatisticsSources& s) {
  std::u16string text = u"記録ファイル\r\n\r\n";
  for (const RecordFile& file : s.files) {
    text += file.what + u"\r\n  " + file.path + u"\r\n";
    if (!file.exists) {
      text += u"  まだありません\r\n\r\n";
      continue;
    }
    text += FormatText(u"  %d バイト  %d %s\r\n\r\n", {file.bytes, file.rows, file.rowUnit});
  }
  return text;
}

// The next step of the learning level is one finished run at 95 % or better (the automatic level change);
// today's and this week's rates say how far off it is.
constexpr int32_t kLevelUpRate = 95;

std::u16string GoalLine(std::u16string_view label, const LogTotals& t) {
  const int32_t rate = Ratio(int64_t{t.correct} * 100, t.inputs);
  std::u16string line = FormatText(u"%s  練習%d回  入力%d文字  正答率%d%%", {label, t.rows, t.inputs, rate});
  if (t.inputs <= 0) return line + u"  （まだ練習していません）\r\n";
  if (rate >= kLevelUpRate) return line + u"  目標に届いています\r\n";
  return line + FormatText(u"  目標まであと%dポイント\r\n", {kLevelUpRate - rate});
}

std::u16string GoalReport(const StatisticsSources& s) {
  std::u16string text = u"目標\r\n\r\n";
  text += FormatText(u"学習レベル  %s\r\n", {LearningLevelName(s.learningLevel)});
  if (s.learningLevel >= 4) {
    text += FormatText(u"最上位のレベルです。正答率%d%%以上を保ちましょう。\r\n", {kLevelUpRate});
  } else {
    text += FormatText(u"次の段階  「%s」へ：練習1回を正答率%d%%以上で完了する\r\n",
                       {LearningLevelName(s.learningLevel + 1), kLevelUpRate});
  }
  if (!s.autoDifficulty) text += u"（自動難易度が切のため、レベルは手で選ぶまで変わりません）\r\n";
  text += u"\r\n";
  if (s.log.status != kLogRead) return text + u"まだ履歴CSVがありません。\r\n";
  const PeriodTotals periods = PeriodTotalsOf(s.log, s.year, s.month, s.day);
  text += GoalLine(u"今日", periods.today);
  text += GoalLine(u"今週", periods.week);
  return text;
}

std::u16string MaterialReport(const StatisticsSources& s) {
  std::u16string text = u"教材\r\n\r\n";
  text += FormatText(u"%s  %s電報 %d通\r\n\r\n",
                     {s.materialLoaded ? u"読み込み・生成した電報" : u"内蔵の見本電報",
                      s.latin ? u"欧文" : u"和文", static_cast<int32_t>(s.material.size())});
  if (s.material.empty()) return text + u"電報がありません。\r\n";
  int32_t total = 0;
  for (size_t i = 0; i < s.material.size(); ++i) {
    const MaterialTelegram& t = s.material[i];
    total += t.textLength;
    text += FormatText(u"%3d通目  番号 %s  %s  宛先%3d文字  本文%4d文字\r\n",
                       {static_cast<int32_t>(i + 1), t.number, t.office, t.addressLength, t.textLength});
  }
  return text + FormatText(u"\r\n本文の合計 %d文字\r\n", {total});
}

}  // namespace

std::u16string BuildReportText(int mode, const StatisticsSources& s) {
  const char16_t* kCsvNote = u"\r\n※ CSV履歴 telegram_practice_log.csv から読み込んでいます。\r\n";
  const PeriodTotals periods = PeriodTotalsOf(s.log, s.year, s.month, s.day);
  switch (mode) {
    case kModeCurrent:
      return CurrentSummary(s);
    case kModeDaily: {
      std::u16string text = u"日毎の成績\r\n\r\n今日の集計\r\n" + FormatTotalsLine(u"今日", periods.today);
      text += u"\r\nCSV履歴の日別集計\r\n";
      if (s.log.days.empty()) return text + u"まだCSV履歴がありません。\r\n";
      for (auto it = s.log.days.rbegin(); it != s.log.days.rend(); ++it) {
        text += FormatTotalsLine(it->first, it->second);
      }
      return text;
    }
    case kModeWeek:
      return u"週間の成績\r\n\r\n直近7日間の集計です。\r\n" + FormatTotalsLine(u"週間", periods.week) +
             kCsvNote;
    case kModeMonth:
      return u"月間の成績\r\n\r\n今月の集計です。\r\n" + FormatTotalsLine(u"月間", periods.month) + kCsvNote;
    case kModeDatabase:
      return DatabaseReport(s);
    case kModeGoal:
      return GoalReport(s);
    case kModeMaterial:
      return MaterialReport(s);
    default:
      return PerCharacter(s);
  }
}

// ---- 4. Graph geometry

GraphLayout LayoutGraph(const std::vector<GraphBar>& bars, int width, int height) {
  GraphLayout layout;
  if (bars.empty()) {
    layout.noBars = true;
    return layout;
  }
  layout.axisRight = width - 18;
  layout.baseline = height - 36;
  if (layout.axisRight <= 62 || layout.baseline <= 30) return layout;
  layout.plotted = true;
  int64_t maximum = 1;
  for (const GraphBar& bar : bars) maximum = std::max<int64_t>({maximum, bar.inputs, bar.correct, bar.wrong});
  const int groupWidth = std::max((layout.axisRight - 62) / static_cast<int>(bars.size()), 18);
  const int barWidth = std::min(groupWidth / 5, 22);
  const GraphColour colours[3] = {kInputsColour, kCorrectColour, kWrongColour};
  for (size_t i = 0; i < bars.size(); ++i) {
    const int groupLeft = 62 + static_cast<int>(i) * groupWidth;
    const int firstBar = groupLeft + (groupWidth - 3 * barWidth) / 2;
    const int32_t values[3] = {bars[i].inputs, bars[i].correct, bars[i].wrong};
    for (int k = 0; k < 3; ++k) {
      const int barHeight = static_cast<int>(std::max<int64_t>(values[k], 0) * (height - 66) / maximum);
      layout.bars.push_back(
          {{firstBar + k * barWidth, layout.baseline - barHeight, barWidth, barHeight}, colours[k]});
    }
    layout.labels.push_back({{groupLeft, height - 34, groupWidth, 32}, bars[i].label});
  }
  layout.legendBox = {62, 4, layout.axisRight - 62, 22};
  return layout;
}
