// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of making practice material: a random batch of each script and loading a large telegram file.
//
// Prints kana_batch_ms= (10 kana telegrams, second generation at level 4, the longest texts; target at most
// 20), english_batch_ms= (200 English telegrams including reading, parsing and expanding the resources;
// target at most 20) and load_10mb_ms= (a 10 MB UTF-8 telegram file read, decoded, parsed and installed;
// target at most 300), each the median of several runs, with _max_ms= beside it. load_10mb_cp932_ms= is
// the same file in Shift_JIS.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "content/english_generator.h"
#include "content/kana_generator.h"
#include "content/random_source.h"
#include "content/telegram_file.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/text.h"

namespace {

struct Timing {
  double medianMs;
  double maxMs;
};

Timing Measure(int runs, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return {ms[ms.size() / 2], ms.back()};
}

void Print(const char* name, const Timing& timing) {
  std::printf("%s_ms=%.2f\n%s_max_ms=%.2f\n", name, timing.medianMs, name, timing.maxMs);
}

// A kana telegram file of at least `bytes` bytes: one generated batch repeated.
std::u16string LargeTelegramText(size_t bytes) {
  const std::string batch = TelegramFileBytes(GenerateKanaBatch(), TelegramLayout::kKana);
  std::string text;
  while (text.size() < bytes) text += batch;
  return Utf8ToUtf16(text);
}

}  // namespace

int main() {
  char directory[] = "/tmp/nemora-bench-XXXXXX";
  if (!mkdtemp(directory)) return 1;
  setenv("NEMORA_HOME", directory, 1);
  BuildMorseTables();
  ResetSettingsToDefaults();
  FillSettingControls();
  SeedRandom(1);
  practiceSettings.LearningLevel.store(4);
  SetControlChecked(kSecondGenerationCheck, true);
  GenerateKanaBatch();  // parses the compiled-in tables once, as the first press does
  Print("kana_batch", Measure(50, [] { GenerateKanaBatch(); }));

  std::vector<Telegram> english;
  if (!GenerateEnglishBatch(english)) {
    std::fprintf(stderr, "generate_bench: the English resources are missing\n");
  } else {
    Print("english_batch", Measure(20, [&english] { GenerateEnglishBatch(english); }));
  }

  const std::u16string text = LargeTelegramText(10u << 20);
  const std::string utf8 = std::string(directory) + "/large-utf8.txt";
  const std::string cp932 = std::string(directory) + "/large-cp932.txt";
  ReplaceFileAtomically(utf8, Utf16ToUtf8(text));
  // The same telegrams in the code page of Japanese Windows, as a learner's older files would be.
  const std::string command = "iconv -f UTF-8 -t CP932 " + utf8 + " > " + cp932;
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "generate_bench: iconv failed\n");
  bool loaded = true;
  Print("load_10mb", Measure(5, [&] { loaded = LoadTelegramFile(utf8) && loaded; }));
  Print("load_10mb_cp932", Measure(5, [&] { loaded = LoadTelegramFile(cp932) && loaded; }));
  std::printf("loaded_telegrams=%d\n", TelegramCount());
  unlink(utf8.c_str());
  unlink(cp932.c_str());
  rmdir(directory);
  return loaded ? 0 : 1;
}
