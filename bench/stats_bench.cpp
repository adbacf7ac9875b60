// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window and the dashboard over years of practice: a generated 200 MB practice log (rows
// made by the program's own row formatter: a "途中" row per judged character and a "完了" row per run,
// over about three years of daily practice) and a character log of 80 characters, in a temporary
// NEMORA_HOME.
//
// Prints
//   log_bytes=                      size of the generated practice log
//   full_read_ms_200mb=             one full read of the log (what the first opening after start costs
//                                   without the start-up warm-up)
//   mode_switch_ms_200mb=           the slowest of the eight mode changes, each after one more row was
//                                   appended (what a mode change costs during practice); target <= 200
//   statistics_window_open_ms_200mb=  constructing and showing the window with the summary kept warm;
//   dashboard_open_ms_200mb=          target <= 100 each
//   incremental_equals_full=        1 when the kept summary equals a full re-read after the appends
// An optional argument gives the log size in MB.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "core/settings.h"
#include "core/text.h"
#include "records/home_dashboard.h"
#include "records/log_summary.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"
#include "records/statistics_report.h"
#include "ui/home_dashboard_window.h"
#include "ui/statistics_window.h"

namespace {

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::tm DaysAgo(int days, int secondOfDay) {
  std::time_t when = std::time(nullptr) - static_cast<std::time_t>(days) * 86400;
  std::tm local{};
  localtime_r(&when, &local);
  local.tm_hour = secondOfDay / 3600;
  local.tm_min = secondOfDay / 60 % 60;
  local.tm_sec = secondOfDay % 60;
  return local;
}

// Runs of 300 judged characters, a few runs a day, oldest day first, until the log reaches targetBytes.
void WriteLog(const std::string& path, uint64_t targetBytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  std::fputs("\xEF\xBB\xBF", out);
  std::fputs(Utf16ToUtf8(
                 u"日時,CPM,WPM,正答率,誤答率,練習時間,電報数,文字数,平均CPM,平均正答率,最速CPM,最長練習時間,"
                 u"電報番号,入力文字数,正解文字数,誤答文字数,完了電報数,誤答文字一覧,状態\r\n")
                 .c_str(),
             out);
  const uint64_t rowsPerRun = 300, bytesPerRow = 120;
  const int days = static_cast<int>(targetBytes / (bytesPerRow * rowsPerRun * 3)) + 1;
  uint64_t written = 0;
  for (int day = days; day >= 0 && written < targetBytes; --day) {
    for (int run = 0; run < 3 && written < targetBytes; ++run) {
      runStatistics.judged = 0;
      runStatistics.correct = 0;
      runStatistics.wrong = 0;
      runStatistics.completedRuns = 0;
      runStatistics.wrongList.clear();
      for (uint64_t i = 0; i <= rowsPerRun; ++i) {
        const bool finished = i == rowsPerRun;
        if (finished) {
          runStatistics.completedRuns = 5;
        } else {
          runStatistics.judged += 1;
          (i % 17 == 0 ? runStatistics.wrong : runStatistics.correct) += 1;
          if (i % 17 == 0) runStatistics.wrongList += u"ア→カ ";
        }
        const int judged = runStatistics.judged;
        const int rate = judged ? runStatistics.correct * 100 / judged : 0;
        const std::string row = Utf16ToUtf8(
            FormatPracticeLogRow(DaysAgo(day, 36000 + run * 3600 + static_cast<int>(i)), (i + 1) * 1000, rate,
                                 100 - rate, 60, finished ? u"完了" : u"途中"));
        std::fwrite(row.data(), 1, row.size(), out);
        written += row.size();
      }
    }
  }
  std::fclose(out);
}

void WriteCharacterLogFile() {
  CharacterLog log;
  for (char16_t c = u'ア'; c < u'ア' + 80; ++c)
    log[c] = {1000 + c % 50, 900 + c % 90, 100 - c % 10, {{u'カ', 3}}};
  WriteCharacterLog(log);
}

bool SameSummary(const PracticeLogSummary& a, const PracticeLogSummary& b) {
  auto same = [](const LogTotals& x, const LogTotals& y) {
    return x.rows == y.rows && x.inputs == y.inputs && x.correct == y.correct && x.wrong == y.wrong &&
           x.seconds == y.seconds && x.telegrams == y.telegrams;
  };
  if (a.status != b.status || a.dataRows != b.dataRows || a.recentRows != b.recentRows) return false;
  if (a.days.size() != b.days.size() || a.dates.size() != b.dates.size()) return false;
  for (const auto& [key, totals] : a.days) {
    auto it = b.days.find(key);
    if (it == b.days.end() || !same(totals, it->second)) return false;
  }
  for (const auto& [key, totals] : a.dates) {
    auto it = b.dates.find(key);
    if (it == b.dates.end() || !same(totals, it->second)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  char pattern[] = "/tmp/nemora-stats-bench-XXXXXX";
  const std::string home = mkdtemp(pattern);
  setenv("NEMORA_HOME", home.c_str(), 1);
  practiceSettings.WPM = 20;

  WriteLog(PracticeLogPath(), megabytes << 20);
  WriteCharacterLogFile();
  std::printf("log_bytes=%ju\n", static_cast<uintmax_t>(std::filesystem::file_size(PracticeLogPath())));

  auto start = std::chrono::steady_clock::now();
  const PracticeLogSummary full = ReadPracticeLogSummaryInFull();
  std::printf("full_read_ms_200mb=%.1f\n", MsSince(start));

  ReadPracticeLogSummary();  // the start-up warm-up
  double slowest = 0;
  for (int mode = 0; mode < kStatisticsModeCount; ++mode) {
    runStatistics.judged += 1;
    AppendPracticeLogRow(100, 0, 60, u"途中");
    start = std::chrono::steady_clock::now();
    const StatisticsSources sources = GatherStatistics(CurrentRunAt(0));
    const std::vector<GraphBar> bars = BuildGraphBars(mode, sources);
    const std::u16string text = BuildReportText(mode, sources);
    slowest = std::max(slowest, MsSince(start));
    if (bars.size() > 100 || text.empty()) return 1;
  }
  std::printf("mode_switch_ms_200mb=%.1f\n", slowest);

  {
    StatisticsWindow warmFonts(nullptr);  // the first window of a process also loads the fonts
  }
  AppendPracticeLogRow(100, 0, 60, u"途中");
  start = std::chrono::steady_clock::now();
  {
    StatisticsWindow window(nullptr);
    window.show();
    QApplication::processEvents();
    std::printf("statistics_window_open_ms_200mb=%.1f\n", MsSince(start));
  }
  start = std::chrono::steady_clock::now();
  {
    HomeDashboardWindow window(BuildDashboardText(GatherDashboardFigures()), nullptr);
    window.show();
    QApplication::processEvents();
    std::printf("dashboard_open_ms_200mb=%.1f\n", MsSince(start));
  }
  std::printf("incremental_equals_full=%d\n",
              SameSummary(ReadPracticeLogSummary(), ReadPracticeLogSummaryInFull()) ? 1 : 0);
  std::filesystem::remove_all(home);
  return full.dataRows > 0 ? 0 : 1;
}
