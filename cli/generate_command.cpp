// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli generate [options] -o FILE
//
// Generates telegrams exactly as the trainer's ランダム生成 does (the same generators, the same random
// sequence: --seed N gives the batch the trainer gives after "nemora --seed N" and one press) and writes
// them as a UTF-8 telegram file in the loader's layout, for printing, sharing or loading with 電報読込.
//   - options
//   - generating and writing
#include "cli/generate_command.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_arguments.h"
#include "content/random_command.h"
#include "content/random_source.h"
#include "content/telegram_file.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/text.h"

namespace {

constexpr int kMaxCount = 100000;

constexpr const char* kUsage =
    "Usage: nemora-cli generate [--kana|--latin] [--normal|--second-generation] [--level 0-4]\n"
    "                           [--category TEXT] [--weak] [--count N] [--seed N] -o FILE\n"
    "\n"
    "Writes random practice telegrams as a telegram file (UTF-8) that the trainer's 電報読込 loads back\n"
    "unchanged: kana telegrams in the [VALA] … [TEXT] layout, English telegrams in the [Preamble] [To]\n"
    "[Text] layout. The generators are the trainer's own (ランダム生成). Options not given are taken from\n"
    "telegram_practice.ini (the trainer's settings); without one, from the trainer's defaults.\n"
    "\n"
    "Options:\n"
    "  --kana                kana (和文) telegrams, 10 per batch\n"
    "  --latin               English (欧文) telegrams, 200 per batch\n"
    "  --normal              kana texts strung from short phrases\n"
    "  --second-generation   kana texts from sentence templates (the trainer's default)\n"
    "  --level N             learning level: 0 初心者, 1 初級, 2 中級, 3 上級, 4 国家試験\n"
    "  --category TEXT       すべて 四季・自然 天候・風景 旅行 仕事 学校 無線 防災 行政 国家試験, or for\n"
    "                        English ALL NATURE WEATHER TRAVEL BUSINESS TRAINING RADIO EMERGENCY PORT EXAM\n"
    "  --weak                salt kana texts with the weak characters of the character log\n"
    "  --count N             telegrams to write, 1 to 100000 (default one batch); further batches continue\n"
    "                        the random sequence as further presses of ランダム生成 do\n"
    "  --seed N              seed of the random sequence, 0 to 4294967295 (default: the time of day)\n"
    "  -o, --output FILE     the telegram file to write\n"
    "  -h, --help            this text\n";

// English category names by the index of the category list.
constexpr std::u16string_view kEnglishCategoryNames[] = {u"ALL",      u"NATURE",   u"WEATHER", u"TRAVEL",
                                                         u"BUSINESS", u"TRAINING", u"RADIO",   u"EMERGENCY",
                                                         u"PORT",     u"EXAM"};

struct GenerateOptions {
  int script = -1;            // -1 settings, 0 kana, 1 Latin
  int secondGeneration = -1;  // -1 the window's default (checked)
  int level = -1;
  int category = -1;  // index into the category list
  bool weak = false;
  int count = 0;  // 0: one batch
  bool seedGiven = false;
  uint32_t seed = 0;
  std::string output;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "nemora-cli: %s (see nemora-cli generate --help)\n", message.c_str());
  return kExitUsage;
}

// The category list index of an item text or an English category name; -1 when it is neither.
int CategoryIndex(std::string_view text) {
  const std::u16string name = Utf8ToUtf16(text);
  const std::vector<std::u16string> items = ControlItems(kCategoryCombo);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == name || (i < std::size(kEnglishCategoryNames) && kEnglishCategoryNames[i] == name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// A choice between two flags; giving both is an error.
int Choose(int& slot, int value, const char* pair) {
  if (slot != -1 && slot != value) return UsageError(std::string(pair) + " exclude each other");
  slot = value;
  return kExitOk;
}

int ParseGenerateOptions(int argc, char** argv, GenerateOptions& options) {
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    int status = kExitOk;
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return -1;
    } else if (arg == "--kana" || arg == "--latin") {
      status = Choose(options.script, arg == "--latin" ? 1 : 0, "--kana and --latin");
    } else if (arg == "--normal" || arg == "--second-generation") {
      status = Choose(options.secondGeneration, arg == "--second-generation" ? 1 : 0,
                      "--normal and --second-generation");
    } else if (arg == "--weak") {
      options.weak = true;
    } else if (arg == "--level" || arg == "--category" || arg == "--count" || arg == "--seed" ||
               arg == "-o" || arg == "--output") {
      if (i + 1 >= argc) return UsageError("option " + std::string(arg) + " needs a value");
      const std::string_view value = argv[++i];
      long long number = 0;
      if (arg == "--level") {
        if (!ParseWholeNumber(value, 0, 4, number))
          return UsageError("--level must be 0 to 4, not '" + std::string(value) + "'");
        options.level = static_cast<int>(number);
      } else if (arg == "--category") {
        options.category = CategoryIndex(value);
        if (options.category < 0) return UsageError("unknown category '" + std::string(value) + "'");
      } else if (arg == "--count") {
        if (!ParseWholeNumber(value, 1, kMaxCount, number)) {
          return UsageError("--count must be 1 to 100000, not '" + std::string(value) + "'");
        }
        options.count = static_cast<int>(number);
      } else if (arg == "--seed") {
        if (!ParseWholeNumber(value, 0, 0xFFFFFFFFll, number)) {
          return UsageError("--seed must be 0 to 4294967295, not '" + std::string(value) + "'");
        }
        options.seedGiven = true;
        options.seed = static_cast<uint32_t>(number);
      } else {
        if (value.empty()) return UsageError("the output file name is empty");
        options.output = value;
      }
    } else {
      return UsageError("unknown option '" + std::string(arg) + "'");
    }
    if (status != kExitOk) return status;
  }
  if (options.output.empty()) return UsageError("no output file given (-o FILE)");
  return kExitOk;
}

// ---- Generating and writing -------------------------------------------------------------------------------

// The generators' message boxes become one line on stderr.
void PrintMessageBox(const MessageBoxRecord& box) {
  std::fprintf(stderr, "nemora-cli: %s: %s\n", Utf16ToUtf8(box.caption).c_str(),
               Utf16ToUtf8(box.text).c_str());
}

void ApplyGenerateSettings(const GenerateOptions& options) {
  ResetSettingsToDefaults();
  ClearControls();
  FillSettingControls();  // the window's start state: second generation checked, category すべて
  LoadSettings();
  if (options.script != -1) LatinMode.store(options.script);
  if (options.secondGeneration != -1)
    SetControlChecked(kSecondGenerationCheck, options.secondGeneration == 1);
  if (options.level != -1) practiceSettings.LearningLevel.store(options.level);
  if (options.category != -1) SetControlSelection(kCategoryCombo, options.category);
  if (options.weak) SetControlChecked(kWeakTelegramCheck, true);
}

}  // namespace

int RunGenerateCommand(int argc, char** argv) {
  GenerateOptions options;
  ClearControls();
  FillSettingControls();  // the category list that --category names
  const int parsed = ParseGenerateOptions(argc, argv, options);
  if (parsed == -1) return kExitOk;  // --help
  if (parsed != kExitOk) return parsed;
  BuildMorseTables();
  ApplyGenerateSettings(options);
  InstallMessageBoxHook(PrintMessageBox);
  if (options.seedGiven) SeedRandom(options.seed);
  const bool latin = LatinMode.load() != 0;
  std::vector<Telegram> telegrams;
  do {
    std::vector<Telegram> batch;
    if (!GenerateRandomBatch(batch)) return kExitFailed;
    telegrams.insert(telegrams.end(), batch.begin(), batch.end());
  } while (static_cast<int>(telegrams.size()) < options.count);
  if (options.count > 0) telegrams.resize(static_cast<size_t>(options.count));
  const TelegramLayout layout = latin ? TelegramLayout::kLatin : TelegramLayout::kKana;
  if (!ReplaceFileAtomically(options.output, TelegramFileBytes(telegrams, layout))) {
    std::fprintf(stderr, "nemora-cli: cannot write %s\n", options.output.c_str());
    return kExitFailed;
  }
  std::printf("%s: %zu %s telegrams\n", options.output.c_str(), telegrams.size(), latin ? "English" : "kana");
  return kExitOk;
}
