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

// Everything one rebuild reads, gathered once so the builders are pure.
struct StatisticsSources {
  CurrentRunFigures run;
  PracticeLogSummary log;
  CharacterLog characters;
  LogReadStatus characterStatus = kLogMissing;
  int year = 1970, month = 1, day = 1;  // today, local
  std::u16string practiceLogPath;
  std::u16string characterLogPath;
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
  bool noHistory = false;  // draw kNoHistorySentence centred instead of the plot
  bool plotted = false;    // axes, bars, labels and legend below are valid
  int axisLeft = 62, axisTop = 30, axisRight = 0, baseline = 0;
  std::vector<GraphBarRect> bars;
  std::vector<GraphLabel> labels;
  GraphBox legendBox;
};
inline constexpr char16_t kNoHistorySentence[] =
    u"CSV履歴がまだありません。練習すると表とグラフに反映されます。";
inline constexpr char16_t kGraphLegend[] = u"青=入力数　緑=正解数　赤=誤答数";
inline constexpr GraphColour kInputsColour{90, 150, 240};
inline constexpr GraphColour kCorrectColour{70, 190, 110};
inline constexpr GraphColour kWrongColour{240, 110, 90};
GraphLayout LayoutGraph(const std::vector<GraphBar>& bars, int width, int height);
