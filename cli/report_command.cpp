// SPDX-License-Identifier: GPL-3.0-or-later
// The report is exactly what the statistics window shows in that mode when it is opened in a process that
// has run no practice: the logs of the application directory, nothing judged, the WPM setting of
// telegram_practice.ini. UTF-8 with the window's CR LF line ends, so scripts can read progress.
#include "cli/report_command.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli_arguments.h"
#include "content/statistics_material.h"
#include "core/controls.h"
#include "core/settings.h"
#include "core/text.h"
#include "records/statistics_report.h"

namespace {

constexpr const char* kReportUsage =
    "Usage: nemora-cli report [--mode N]\n"
    "\n"
    "Prints the statistics window's report text (UTF-8, CR LF line ends) for mode N:\n"
    "  0 現在 (default), 1 日毎, 2 週間, 3 月間, 4 文字別, 5 DB, 6 目標, 7 教材\n"
    "read from the practice logs in the trainer's data directory.\n";

}  // namespace

int RunReportCommand(int argc, char** argv) {
  int mode = kModeCurrent;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kReportUsage, stdout);
      return kExitOk;
    }
    std::string_view value;
    if (arg == "--mode" && i + 1 < argc) {
      value = argv[++i];
    } else if (arg.starts_with("--mode=")) {
      value = arg.substr(7);
    } else {
      std::fprintf(stderr, "nemora-cli: unexpected argument '%s' (see nemora-cli report --help)\n", argv[i]);
      return kExitUsage;
    }
    long long number = 0;
    if (!ParseWholeNumber(value, 0, kStatisticsModeCount - 1, number)) {
      std::fprintf(stderr, "nemora-cli: --mode takes 0 to 7, not '%s'\n", std::string(value).c_str());
      return kExitUsage;
    }
    mode = static_cast<int>(number);
  }
  ResetSettingsToDefaults();
  ClearControls();
  FillSettingControls();
  LoadSettings();
  StatisticsSources sources = GatherStatistics(IdleRun());
  AddTelegramMaterial(sources);
  const std::string text = Utf16ToUtf8(BuildReportText(mode, sources));
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    return kExitFailed;
  return kExitOk;
}
