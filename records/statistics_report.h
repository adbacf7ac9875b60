// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window's contents: the bar list, the graph's geometry and the report text of each mode,
// built from the practice run's counters and the two CSV logs. Plain C++; the window only paints them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "records/log_summary.h"
#include "records/practice_log.h"

// Modes 0 現在, 1 日毎, 2 週間, 3 月間, 4 文字別, 5 DB, 6 目標, 7 教材.
enum StatisticsMode {
  kModeCurrent = 0,
  kModeDaily = 1,
  kModeWeek = 2,
  kModeMonth = 3,
  kModeCharacter = 4,
  kModeDatabase = 5,
  kModeGoal = 6,
  kModeMaterial = 7,
};
constexpr int kStatisticsModeCount = 8;

struct GraphBar {
  std::u16string label;
  std::u16string shortLabel;  // shown where the label does not fit ("12/03" for a date); empty: none
  int32_t inputs = 0;
  int32_t correct = 0;
  int32_t wrong = 0;
  int32_t cpm = 0;   // inputs × 60 / seconds, 0 without seconds
  int32_t rate = 0;  // correct × 100 / inputs, 0 without inputs
};

// The practice run as the reports see it.
struct CurrentRunFigures {
  int32_t judged = 0;
  int32_t correct = 0;
  int32_t wrong = 0;
  int32_t elapsedSeconds = 1;  // since the statistics were reset; 0 is shown as 1
  int32_t wpm = 0;             // the WPM setting
  CharacterLog perCharacter;
};

// One file of the DB mode: where it is, how large, how many rows.
struct RecordFile {
  std::u16string what;  // "練習ログ", ...
  std::u16string path;
  bool exists = false;
  int64_t bytes = 0;
  int64_t rows = 0;  // data rows (CSV), entries (character log, text log) or keys (settings)
  const char16_t* rowUnit = u"行";
};

// One telegram of the 教材 mode.
struct MaterialTelegram {
  std::u16string number;
  std::u16string office;
  int32_t addressLength = 0;
  int32_t textLength = 0;  // characters of the text as stored
};

// Everything one rebuild reads, gathered once so the builders are pure.
struct StatisticsSources {
  CurrentRunFigures run;
  PracticeLogSummary log;
  CharacterLog characters;
  LogReadStatus characterStatus = kLogMissing;
  int year = 1970, month = 1, day = 1;  // today, local
  std::u16string practiceLogPath;
  std::u16string characterLogPath;
  std::vector<RecordFile> files;  // the DB mode's files
  int32_t learningLevel = 0;      // 0..4
  bool autoDifficulty = false;
  // The 教材 mode: the telegrams the sheets work from (the window fills these; the records know no
  // documents), and whether they were loaded or generated rather than the built-in samples.
  std::vector<MaterialTelegram> material;
  bool materialLoaded = false;
  bool latin = false;
};

// ---- Gathering (window thread)
// The current run from runStatistics (per-character map copied under its lock) at the tick given.
CurrentRunFigures CurrentRunAt(uint32_t nowTickMs);
// A process that has run no practice: nothing judged, one second, the WPM setting.
CurrentRunFigures IdleRun();
// Reads both logs (the practice log through the kept summary) for today's local date.
StatisticsSources GatherStatistics(const CurrentRunFigures& run);

// ---- Building
std::vector<GraphBar> BuildGraphBars(int mode, const StatisticsSources& sources);
// What the graph says when a mode has no bars: the empty-history sentence only where the history really
// is missing, otherwise what the mode shows instead.
std::u16string GraphSentence(int mode, const StatisticsSources& sources);
// The report text, lines ended by CR LF.
std::u16string BuildReportText(int mode, const StatisticsSources& sources);
// One totals line ("%-12s  回数:…"), CR LF included.
std::u16string FormatTotalsLine(std::u16string_view label, const LogTotals& totals);

// ---- The graph's geometry for a control of width × height pixels
struct GraphColour {
  uint8_t red, green, blue;
};
struct GraphBox {
  int x = 0, y = 0, width = 0, height = 0;
};
struct GraphBarRect {
  GraphBox box;
  GraphColour colour;
};
struct GraphLabel {
  GraphBox box;
  std::u16string text;
};
struct GraphLayout {
  bool noBars = false;   // draw the mode's GraphSentence centred instead of the plot
  bool plotted = false;  // axes, bars, labels and legend below are valid
  int axisLeft = 62, axisTop = 30, axisRight = 0, baseline = 0;
  std::vector<GraphBarRect> bars;
  std::vector<GraphLabel> labels;
  GraphBox legendBox;
};
inline constexpr char16_t kNoHistorySentence[] =
    u"CSV履歴がまだありません。練習すると表とグラフに反映されます。";
inline constexpr char16_t kNoPeriodSentence[] = u"この期間の練習はまだありません。";
inline constexpr char16_t kDatabaseSentence[] = u"記録ファイルの場所・大きさ・行数は下の表のとおりです。";
inline constexpr char16_t kMaterialSentence[] = u"いま練習に使う電報と、その長さは下の表のとおりです。";
inline constexpr char16_t kGraphLegend[] = u"青=入力数　緑=正解数　赤=誤答数";
inline constexpr GraphColour kInputsColour{90, 150, 240};
inline constexpr GraphColour kCorrectColour{70, 190, 110};
inline constexpr GraphColour kWrongColour{240, 110, 90};
GraphLayout LayoutGraph(const std::vector<GraphBar>& bars, int width, int height);
