// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli: the trainer's command-line tools.
//
//   nemora-cli render [options] [TELEGRAM_FILE] -o OUT.wav|.flac|.ogg|.opus|.mp3
//   nemora-cli generate [options] -o TELEGRAM_FILE      (cli/generate_command.cpp)
//   nemora-cli report [--mode N]                         (cli/report_command.cpp)
//
// renders a receive practice session to a sound file for listening away from the computer. The session is
// sent exactly as receive practice sends it (office signals, speed, tone, sound type, band conditions):
// the real playback routine keys the levers, the real keying tick and audio render loop make the sound,
// all on a virtual clock, so an hour of practice takes seconds. Each millisecond's audio goes to the file
// as it is made, so a session of any length needs the same few megabytes.
//   - option table and parsing
//   - settings: the INI file, then the options
//   - render
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "audio/audio_engine.h"
#include "audio/sound_file.h"
#include "cli/cli_arguments.h"
#include "cli/generate_command.h"
#include "cli/report_command.h"
#include "content/telegram_document.h"
#include "content/telegram_file.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/text.h"
#include "nemora_version.h"
#include "practice/run_control.h"
#include "practice/virtual_session.h"

namespace {

constexpr const char* kUsage =
    "Usage: nemora-cli render [--kana|--latin] [--wpm N] [--effective-wpm N] [--freq HZ]\n"
    "                         [--sound-type 0-5]\n"
    "                         [--band LIST] [--activity 0-5] [--noise 0-100] [--filter 0-2]\n"
    "                         [--rate HZ] [--max-minutes N] [-q] [TELEGRAM_FILE] -o OUT.wav\n"
    "       nemora-cli generate --help   (random practice telegrams as a telegram file)\n"
    "       nemora-cli report [--mode 0-7]   (the statistics report; see nemora-cli report --help)\n"
    "       nemora-cli --version\n"
    "\n"
    "Renders a receive practice session to a sound file (mono), sent exactly as the\n"
    "trainer's receive practice sends it: the telegrams with the office signals around them (HR HR,\n"
    "NR and BT before Latin telegrams, AR or the kana closing signal after each), at the set speed, in\n"
    "the set tone and sound type, through the set band conditions. The telegrams are those of\n"
    "TELEGRAM_FILE (a file that the trainer's 電報読込 loads; its layout sets the script), else the two\n"
    "built-in samples of the script. Options not given are taken from telegram_practice.ini (the trainer's\n"
    "settings); without one, from the trainer's defaults. The output file's extension sets its format:\n"
    "  .wav (16-bit PCM; also a name without extension), .flac, .ogg or .oga (Ogg Vorbis), .opus (Ogg\n"
    "  Opus; rates 8000, 12000, 16000, 24000 or 48000) or .mp3 (rates up to 48000). The whole session is\n"
    "  rendered however long it is, unless --max-minutes cuts it.\n"
    "\n"
    "Options:\n"
    "  --kana              kana (和文) telegrams and Morse\n"
    "  --latin             Latin (欧文) telegrams and Morse\n"
    "  --wpm N             speed in words per minute, 5 to 40\n"
    "  --effective-wpm N   effective speed (Farnsworth spacing), 5 to 40 and at most the speed: the\n"
    "                      characters at --wpm, the gaps between them as slow as N words per minute;\n"
    "                      not given, the saved one (which follows a --wpm it was equal to)\n"
    "  --freq HZ           tone pitch in Hz, 300 to 1200\n"
    "  --sound-type N      0 default, 1 radio CW, 2 clear practice tone, 3 soft sine, 4 old receiver,\n"
    "                      5 buzzer\n"
    "  --band LIST         band conditions switched on, by their settings keys, comma-separated, all\n"
    "                      others off; \"none\" switches all off. Keys:\n"
    "%s"
    "  --activity N        band crowding (number of interfering stations), 0 to 5\n"
    "  --noise N           static noise level, 0 to 100\n"
    "  --filter N          receive filter width: 0 = 250 Hz, 1 = 500 Hz, 2 = 1 kHz\n"
    "  --rate HZ           sample rate of the file, 8000 to 192000 (default 48000)\n"
    "  --max-minutes N     stop the session after N minutes of audio, 1 to 100000\n"
    "  -q, --quiet         no progress line on stderr and no summary on stdout\n"
    "  -o, --output FILE   the sound file to write\n"
    "  -h, --help          this text\n"
    "  --version           the program's version\n";

struct RenderOptions {
  int script = -1;  // -1 from the settings, else 0 kana, 1 Latin
  int wpm = -1, effectiveWpm = -1, freq = -1, soundType = -1, activity = -1, noise = -1, filter = -1;
  bool bandGiven = false;
  std::vector<std::string> bands;
  int sampleRateHz = 48000;
  int maxMinutes = 0;  // 0: the whole session
  bool quiet = false;
  std::string output;
  SoundFileFormat format = SoundFileFormat::kWav;
  std::string telegramFile;  // empty: the built-in samples
};

// The band switches by their INI keys (levels such as BandActivity are options of their own).
std::vector<const SettingKey*> BandSwitchKeys() {
  std::vector<const SettingKey*> switches;
  for (const SettingKey& key : SettingKeys()) {
    const std::string_view name = key.key;
    if (name.substr(0, 4) != "Band" || key.field == nullptr) continue;
    if (name == "BandActivity" || name == "BandNoiseLevel" || name == "BandFilterWidth") continue;
    switches.push_back(&key);
  }
  return switches;
}

std::string BandKeyList() {
  std::string list;
  for (const SettingKey* key : BandSwitchKeys()) {
    if (!list.empty()) list += ",";
    list += key->key;
  }
  return list;
}

// The band keys for the help text, wrapped under the option descriptions.
std::string WrappedBandKeys() {
  const std::string indent(22, ' ');
  std::string text, line;
  for (const SettingKey* key : BandSwitchKeys()) {
    if (!line.empty() && line.size() + 1 + std::strlen(key->key) > 56) {
      text += indent + line + "\n";
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += key->key;
  }
  if (!line.empty()) text += indent + line + "\n";
  return text;
}

void PrintUsage(FILE* out) {
  std::fprintf(out, kUsage, WrappedBandKeys().c_str());
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "nemora-cli: %s (see nemora-cli --help)\n", message.c_str());
  return kExitUsage;
}

bool SplitBands(std::string_view list, std::vector<std::string>& bands, std::string& unknown) {
  bands.clear();
  if (list == "none") return true;
  const std::vector<const SettingKey*> known = BandSwitchKeys();
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string_view::npos) comma = list.size();
    const std::string name(list.substr(start, comma - start));
    bool found = false;
    for (const SettingKey* key : known) found = found || name == key->key;
    if (!found) {
      unknown = name;
      return false;
    }
    bands.push_back(name);
    start = comma + 1;
  }
  return true;
}

// Parses the arguments after "render". Returns kExitOk, or the exit status to end with.
int ParseRenderOptions(int argc, char** argv, RenderOptions& options) {
  struct Numeric {
    const char* name;
    int* value;
    int low, high;
  };
  const Numeric numerics[] = {
      {"--wpm", &options.wpm, 5, 40},
      {"--effective-wpm", &options.effectiveWpm, 5, 40},
      {"--freq", &options.freq, 300, 1200},
      {"--sound-type", &options.soundType, 0, 5},
      {"--activity", &options.activity, 0, 5},
      {"--noise", &options.noise, 0, 100},
      {"--filter", &options.filter, 0, 2},
      {"--rate", &options.sampleRateHz, 8000, 192000},
      {"--max-minutes", &options.maxMinutes, 1, 100000},
  };
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      PrintUsage(stdout);
      return -1;
    }
    if (!arg.empty() && arg[0] != '-') {
      if (!options.telegramFile.empty()) return UsageError("more than one telegram file given");
      options.telegramFile = arg;
      continue;
    }
    if (arg == "--version") {
      std::printf("nemora-cli %s\n", kNemoraVersion);
      return -1;
    }
    if (arg == "-q" || arg == "--quiet") {
      options.quiet = true;
      continue;
    }
    if (arg == "--kana" || arg == "--latin") {
      const int script = arg == "--latin" ? 1 : 0;
      if (options.script != -1 && options.script != script)
        return UsageError("--kana and --latin exclude each other");
      options.script = script;
      continue;
    }
    const bool takesValue = arg == "-o" || arg == "--output" || arg == "--band" ||
                            std::any_of(std::begin(numerics), std::end(numerics),
                                        [arg](const Numeric& n) { return arg == n.name; });
    if (!takesValue) return UsageError("unknown option '" + std::string(arg) + "'");
    if (i + 1 >= argc) return UsageError("option " + std::string(arg) + " needs a value");
    const std::string_view value = argv[++i];
    if (arg == "-o" || arg == "--output") {
      if (value.empty()) return UsageError("the output file name is empty");
      options.output = value;
    } else if (arg == "--band") {
      std::string unknown;
      if (!SplitBands(value, options.bands, unknown)) {
        return UsageError("unknown band condition '" + unknown + "' (keys: " + BandKeyList() + ", or none)");
      }
      options.bandGiven = true;
    } else {
      for (const Numeric& n : numerics) {
        if (arg != n.name) continue;
        long long number = 0;
        if (!ParseWholeNumber(value, n.low, n.high, number)) {
          return UsageError(std::string(n.name) + " must be a whole number from " + std::to_string(n.low) +
                            " to " + std::to_string(n.high) + ", not '" + std::string(value) + "'");
        }
        *n.value = static_cast<int>(number);
      }
    }
  }
  if (options.output.empty()) return UsageError("no output file given (-o OUT.wav)");
  if (!SoundFileFormatForPath(options.output, options.format)) {
    return UsageError("cannot tell the sound format of '" + options.output + "' (use " +
                      SoundFileExtensionList() + ")");
  }
  return kExitOk;
}

// ---- Settings: the INI file, then the options ------------------------------------------------------------

void ApplySettings(const RenderOptions& options) {
  ResetSettingsToDefaults();
  ClearControls();
  FillSettingControls();
  LoadSettings();
  PracticeSettings& s = practiceSettings;
  if (options.script != -1) LatinMode.store(options.script);
  if (options.wpm != -1) StoreSpeed(options.wpm);
  if (options.effectiveWpm != -1) {
    StoreEffectiveSpeed(options.effectiveWpm);
    if (s.EffectiveWPM.load() != options.effectiveWpm) {
      std::fprintf(stderr, "nemora-cli: --effective-wpm %d is above the speed of %d WPM; held to %d WPM\n",
                   options.effectiveWpm, s.WPM.load(), s.EffectiveWPM.load());
    }
  }
  if (options.freq != -1) s.Freq.store(options.freq);
  if (options.soundType != -1) s.SoundType.store(options.soundType);
  if (options.activity != -1) s.BandActivity.store(options.activity);
  if (options.noise != -1) s.BandNoiseLevel.store(options.noise);
  if (options.filter != -1) s.BandFilterWidth.store(options.filter);
  if (options.bandGiven) {
    for (const SettingKey* key : BandSwitchKeys()) {
      bool on = false;
      for (const std::string& band : options.bands) on = on || band == key->key;
      key->field->store(on ? 1 : 0);
    }
  }
}

// ---- Render ----------------------------------------------------------------------------------------------

// The progress line: from a few seconds into a render, the audio made so far and the speed, rewritten in
// place on a terminal and as a line every ten seconds into a log.
struct Progress {
  bool shown = false;
  bool toTerminal = false;
  int sampleRateHz = 48000;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  double lastShownSeconds = 0;
  bool anyShown = false;
  uint32_t calls = 0;
};

constexpr double kProgressAfterSeconds = 3.0;

// Ctrl-C or a kill during a long render stops it at the next millisecond and removes the partial file
// instead of leaving it beside the learner's files.
volatile sig_atomic_t renderInterrupted = 0;

void InterruptRender(int) {
  renderInterrupted = 1;
}

void ShowProgress(Progress& progress, uint64_t frames) {
  // Called every virtual millisecond: the clock is read once per second of audio.
  if (!progress.shown || ++progress.calls % 1000 != 0) return;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - progress.start).count();
  const double interval = progress.toTerminal ? 0.5 : 10.0;
  if (wall < kProgressAfterSeconds || wall - progress.lastShownSeconds < interval) return;
  progress.lastShownSeconds = wall;
  progress.anyShown = true;
  const double audio = static_cast<double>(frames) / progress.sampleRateHz;
  const long minutes = static_cast<long>(audio / 60);
  std::fprintf(stderr, "%srendering: %ld:%02ld of audio (%.0fx real time)%s", progress.toTerminal ? "\r" : "",
               minutes, static_cast<long>(audio) % 60, audio / wall, progress.toTerminal ? "" : "\n");
  std::fflush(stderr);
}

void EndProgress(const Progress& progress) {
  if (progress.anyShown && progress.toTerminal) std::fputc('\n', stderr);
}

int Render(const RenderOptions& options) {
  BuildMorseTables();
  ApplySettings(options);
  SelectDecodingMap(CurrentScript());
  ResetTelegramDocument();  // the built-in samples of the script
  if (!options.telegramFile.empty() && !LoadTelegramFile(options.telegramFile)) {
    std::fprintf(stderr, "nemora-cli: %s: %s\n", options.telegramFile.c_str(),
                 Utf16ToUtf8(kTelegramFileUnreadable).c_str());
    return kExitFailed;
  }
  CheckRadioButton(kReceiveRadio, kSendRadio, kReceiveRadio);
  // No judge is installed: rendering books nothing in the learner's statistics or logs.
  InstallKeyEventConsumers(KeyEventConsumers{});
  EnableEventQueue();

  SoundFileWriter writer;
  if (!OpenSoundFile(writer, options.output, options.format, options.sampleRateHz)) {
    std::fprintf(stderr, "nemora-cli: cannot write %s: %s\n", options.output.c_str(), writer.error.c_str());
    return kExitFailed;
  }
  Progress progress;
  progress.shown = !options.quiet;
  progress.sampleRateHz = options.sampleRateHz;
  progress.toTerminal = isatty(STDERR_FILENO) != 0;

  VirtualSessionOptions session;
  session.start = StartReceivePlayback;
  session.render = true;
  session.sampleRateHz = options.sampleRateHz;
  // A session ends with its last telegram; only the learner's own --max-minutes cuts it.
  session.limitUs = options.maxMinutes > 0 ? static_cast<uint64_t>(options.maxMinutes) * 60000000ull
                                           : std::numeric_limits<uint64_t>::max() / 2;
  session.sink = [&writer](const float* frames, int count) {
    return renderInterrupted == 0 && WriteSoundFrames(writer, frames, count);
  };
  signal(SIGINT, InterruptRender);
  signal(SIGTERM, InterruptRender);
  session.everyMillisecond = [&progress, &writer](uint64_t) { ShowProgress(progress, writer.framesWritten); };
  VirtualSessionResult result;
  const bool ran = RunVirtualSession(session, result);
  EndProgress(progress);
  if (!ran) {
    DiscardSoundFile(writer);
    std::fprintf(stderr, "nemora-cli: the playback did not start\n");
    return kExitFailed;
  }
  if (renderInterrupted != 0) {
    DiscardSoundFile(writer);
    std::fprintf(stderr, "nemora-cli: interrupted; %s was not written\n", options.output.c_str());
    return kExitFailed;
  }
  if (result.sinkFailed || !CloseSoundFile(writer)) {
    DiscardSoundFile(writer);
    std::fprintf(stderr, "nemora-cli: cannot write %s: %s\n", options.output.c_str(), writer.error.c_str());
    return kExitFailed;
  }
  const double audioSeconds = static_cast<double>(result.framesRendered) / options.sampleRateHz;
  const double wallSeconds = result.wallSeconds;
  if (result.limitReached) {
    std::fprintf(stderr, "nemora-cli: the session was cut after %d min (--max-minutes)\n",
                 options.maxMinutes);
  }
  if (!options.quiet) {
    const int wpm = practiceSettings.WPM.load(), effective = EffectiveWpm();
    const std::string spacing = effective < wpm ? " (effective " + std::to_string(effective) + " WPM)" : "";
    std::printf("%s: %.1f s of %s practice at %d WPM%s, %d Hz; rendered in %.2f s (%.0fx real time)\n",
                options.output.c_str(), audioSeconds, LatinMode.load() != 0 ? "Latin" : "kana", wpm,
                spacing.c_str(), options.sampleRateHz, wallSeconds,
                wallSeconds > 0 ? audioSeconds / wallSeconds : 0.0);
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string_view command = argv[1];
  if (command == "-h" || command == "--help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (command == "--version") {
    std::printf("nemora-cli %s\n", kNemoraVersion);
    return kExitOk;
  }
  if (command == "generate") return RunGenerateCommand(argc - 2, argv + 2);
  if (command == "report") return RunReportCommand(argc - 2, argv + 2);
  if (command != "render") return UsageError("unknown command '" + std::string(command) + "'");
  RenderOptions options;
  const int parsed = ParseRenderOptions(argc - 2, argv + 2, options);
  if (parsed == -1) return kExitOk;  // --help, --version
  if (parsed != kExitOk) return parsed;
  return Render(options);
}
