// SPDX-License-Identifier: GPL-3.0-or-later
// What one judged character costs the event thread with logging on: Latin telegrams of 120 characters
// keyed to their end signals (every fifth character wrong) through the event thread's dispatch, in a
// temporary NEMORA_HOME on the real disk.
//
// Prints
//   syscalls_per_judged_char=   file system calls per character, from the program's own counters (open,
//                               write, close, rename, fstat of the two logs); target <= 6
//   io_calls_per_judged_char=   read and write calls per character from /proc/self/io (syscr + syscw)
//   judged_chars_per_s=         characters judged per second; target >= 2000
// An optional argument gives the number of characters (default 4000).
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "content/telegram_document.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "practice/judging.h"
#include "practice/scoring.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"

namespace {

// syscr + syscw of this process so far.
long long IoCalls() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0, total = 0;
  while (io >> key >> value) {
    if (key == "syscr:" || key == "syscw:") total += value;
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 4000;
  char pattern[] = "/var/tmp/nemora-judge-bench-XXXXXX";
  const char* home = mkdtemp(pattern);
  if (!home) return 1;
  setenv("NEMORA_HOME", home, 1);

  BuildMorseTables();
  ResetSettingsToDefaults();
  SetMainWindowExists(true);
  InstallTelegramResultHook(nullptr);
  InstallJudgeConsumers();
  LatinMode.store(1);
  SelectDecodingMap(Script::kLatin);
  ResetTelegramDocument();
  // Telegrams of the length the English generator makes, each keyed to its end signal: the per-telegram
  // flush and the move to the next telegram are part of the cost, as in practice.
  const std::u16string letters = u"THEQUICKBROWNFOXJUMPSOVERTHELAZYDOG";
  constexpr int kTextLength = 120;
  const int telegramCount = (count + kTextLength - 1) / kTextLength;
  std::vector<Telegram> telegrams;
  for (int t = 0; t < telegramCount; ++t) {
    Telegram telegram;
    std::u16string text;
    for (int i = 0; i < kTextLength; ++i) text += letters[static_cast<size_t>((i + t) % letters.size())];
    telegram.fields = {u"1", u"", u"", u"", u"A", text};
    telegrams.push_back(telegram);
  }
  ReplaceTelegrams(telegrams);
  SetControlChecked(kProceedCheck, true);
  ResetJudging();

  const uint64_t callsBefore = FileCallsOnThisThread();
  const long long ioBefore = IoCalls();
  const auto started = std::chrono::steady_clock::now();
  int keyed = 0;
  for (const Telegram& telegram : telegrams) {
    // The header: the number field, its separator, the address, its separator.
    for (const char* code : {".----", "-...-", ".-", "-...-"}) DispatchKeyEvent(CharacterEvent(code, 0));
    for (size_t i = 0; i < telegram.fields[kText].size(); ++i, ++keyed) {
      const char16_t expected = telegram.fields[kText][i];
      const char16_t given = keyed % 5 == 4 ? (expected == u'E' ? u'T' : u'E') : expected;
      const std::optional<std::string> code = EncodeCharacter(Script::kLatin, given);
      DispatchKeyEvent(CharacterEvent(code ? code->c_str() : ".", 0));
      if (keyed % 64 == 63) ProcessPostedMessages();  // the window's share, kept from piling up
    }
    DispatchKeyEvent(CharacterEvent(".-.-.", 0));  // AR: the telegram's end, its result and flush
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const uint64_t calls = FileCallsOnThisThread() - callsBefore;
  const long long ioCalls = IoCalls() - ioBefore;
  ClosePracticeLogs();

  std::printf("judged_chars=%d\n", runStatistics.judged.load());
  std::printf("syscalls_per_judged_char=%.2f\n", static_cast<double>(calls) / runStatistics.judged.load());
  std::printf("io_calls_per_judged_char=%.2f\n", static_cast<double>(ioCalls) / runStatistics.judged.load());
  std::printf("judged_chars_per_s=%.0f\n", runStatistics.judged.load() / seconds);
  std::error_code ignored;
  std::filesystem::remove_all(home, ignored);
  return runStatistics.judged.load() >= count ? 0 : 1;
}
