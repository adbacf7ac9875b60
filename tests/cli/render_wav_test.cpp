// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli render, run as the learner runs it: the WAV it writes is analysed sample by sample, and every
// tone must start and end on the millisecond that the playback rules and the keying thread's debounce give.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "content/telegram_document.h"
#include "content/telegram_file.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "keying/keying_tick.h"
#include "temporary_home.h"

extern char** environ;

namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
  long peakRssKb = 0;  // the program's peak resident memory as last seen while it ran
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// ---- The reference schedule: the playback rules, written down from their timing table ----------------
//
//   element          dot 1u, dash 3u, each followed by 1u
//   after a code     4u
//   after a field's character   2u;  a Latin blank: 7u (+ the 2u)
//   after a field    4u
//   Latin call-up    HR 3u HR 3u (first telegram only) 3u N 3u R 8u;  BT after preamble and address
//   closing          AR (Latin) or ...-. (kana); between telegrams 5000 ms (kana: + .-.--- + 5000 ms);
//                    after the last 8u
// With an effective speed every silence of 3u or more is as many gap units g (the 1u after a code's last
// element is the first unit of the silence after it), elements and the 1u between them stay.

// A silence between two key-downs: its length in units and the fixed pauses in it.
struct Silence {
  uint32_t units = 0;
  uint64_t fixedMs = 0;
};

struct Schedule {
  uint64_t u = 0;
  uint64_t g = 0;                                       // the gap unit
  uint64_t t = 0;                                       // ms from the start of the session
  std::vector<std::pair<uint64_t, uint64_t>> keyDowns;  // lever closed [from, to)
  std::vector<Silence> silences;                        // silences[i] follows keyDowns[i]
  Silence open;                                         // the silence since the last key-up

  void Gap(uint32_t units) {
    t += units * g;
    open.units += units;
  }
  void Pause(uint64_t ms) {
    t += ms;
    open.fixedMs += ms;
  }
  void Code(const std::string& code) {
    for (char symbol : code) {
      const uint64_t d = symbol == '-' ? 3 * u : u;
      if (!keyDowns.empty()) silences.push_back(open);
      keyDowns.push_back({t, t + d});
      t += d + u;
      open = Silence{1, 0};
    }
    t += 5 * g - u;  // five gap units with the 1u after the last element
    open.units += 4;
  }
  void Field(std::u16string_view text, Script script, bool numbers = false) {
    for (char16_t c : ExpandMorseText(text, script)) {
      if (script == Script::kLatin && c == u' ') {
        Gap(7);
      } else {
        std::optional<std::string> code;
        if (numbers) code = AbbreviatedNumeralCode(c);
        if (!code) code = EncodeCharacter(script, NormalizeForLookup(c));
        if (code) Code(*code);
      }
      Gap(2);
    }
    Gap(4);
  }
};

// The schedule of the built-in samples, or of the telegrams of a telegram file.
Schedule ReceivePracticeSchedule(Script script, int wpm, const std::string& telegramFile = "",
                                 uint64_t gapMs = 0) {
  LatinMode.store(script == Script::kLatin ? 1 : 0);
  ResetTelegramDocument();
  if (!telegramFile.empty()) {
    EXPECT_TRUE(LoadTelegramFile(telegramFile));
  }
  Schedule s;
  s.u = (1200 + wpm / 2) / wpm;
  s.g = gapMs != 0 ? gapMs : s.u;
  const int count = TelegramCount();
  for (int number = 1; number <= count; ++number) {
    const Telegram telegram = TelegramAt(number - 1);
    if (script == Script::kLatin) {
      if (number == 1) {
        for (const char* code : {"....", ".-.", "....", ".-."}) {
          s.Code(code);
          s.Gap(3);
        }
      } else {
        s.Gap(3);
      }
      s.Code("-.");
      s.Gap(3);
      s.Code(".-.");
      s.Gap(8);
      s.Field(telegram.fields[kNumber], script);
      s.Code("-...-");
      s.Field(telegram.fields[kAddress], script);
      s.Code("-...-");
      s.Field(telegram.fields[kText], script);
      s.Code(".-.-.");
    } else {
      for (int field : {kNumber, kOffice, kCount}) s.Field(telegram.fields[field], script);
      s.Field(telegram.fields[kTime], script, true);
      s.Field(telegram.fields[kAddress], script);
      s.Field(telegram.fields[kText], script);
      s.Code("...-.");
    }
    if (number < count) {
      s.Pause(5000);
      if (script == Script::kKana) {
        s.Code(".-.---");
        s.Pause(5000);
      }
    } else {
      s.Gap(8);
    }
  }
  return s;
}

// ---- WAV analysis --------------------------------------------------------------------------------------

struct Wav {
  int channels = 0;
  int sampleRateHz = 0;
  int bitsPerSample = 0;
  std::vector<int16_t> samples;
};

bool ParseWav(const std::string& bytes, Wav& wav) {
  auto u32 = [&bytes](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
  };
  auto u16 = [&bytes](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return false;
  size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::string id = bytes.substr(at, 4);
    const uint32_t size = u32(at + 4);
    if (id == "fmt ") {
      if (u16(at + 8) != 1) return false;  // PCM
      wav.channels = static_cast<int>(u16(at + 10));
      wav.sampleRateHz = static_cast<int>(u32(at + 12));
      wav.bitsPerSample = static_cast<int>(u16(at + 22));
    } else if (id == "data") {
      if (at + 8 + size > bytes.size()) return false;
      wav.samples.resize(size / 2);
      std::memcpy(wav.samples.data(), bytes.data() + at + 8, size / 2 * 2);
      return true;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

// Tone intervals in ms. The engine ramps the envelope linearly over 50 frames from the key edge, and key-up
// is exact silence: a tone begins at its first non-zero frame and its key-up edge lies 49 frames before its
// last non-zero frame (the ramp's last step is 0.02).
std::vector<std::pair<uint64_t, uint64_t>> ToneIntervals(const Wav& wav) {
  std::vector<std::pair<uint64_t, uint64_t>> tones;
  const size_t framesPerMs = static_cast<size_t>(wav.sampleRateHz / 1000);
  size_t start = 0, last = 0;
  bool inTone = false;
  for (size_t i = 0; i < wav.samples.size(); ++i) {
    if (wav.samples[i] == 0) continue;
    if (inTone && i - last > framesPerMs) {  // a zero crossing lasts a sample, a gap many milliseconds
      tones.push_back({(start + framesPerMs / 2) / framesPerMs, (last - 48 + framesPerMs / 2) / framesPerMs});
      inTone = false;
    }
    if (!inTone) start = i;
    inTone = true;
    last = i;
  }
  if (inTone)
    tones.push_back({(start + framesPerMs / 2) / framesPerMs, (last - 48 + framesPerMs / 2) / framesPerMs});
  return tones;
}

class RenderWavTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    ResetSettingsToDefaults();
  }

  // Runs nemora-cli with the space-separated arguments. Its peak memory is read from its own /proc entry
  // while it runs: the rusage of a child also counts the memory of the parent it was forked from.
  CliRun Run(const std::string& arguments) {
    const std::string out = home_ + "/stdout", err = home_ + "/stderr";
    std::vector<std::string> words = {NEMORA_CLI_PATH};
    for (size_t at = 0; at < arguments.size();) {
      const size_t space = std::min(arguments.find(' ', at), arguments.size());
      if (space > at) words.push_back(arguments.substr(at, space - at));
      at = space + 1;
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    CliRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
      int raw = 0;
      while (waitpid(pid, &raw, WNOHANG) == 0) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);) {
          if (line.rfind("VmHWM:", 0) == 0)
            run.peakRssKb = std::max(run.peakRssKb, std::atol(line.c_str() + 6));
        }
        usleep(20000);
      }
      run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
  }

  // Renders and checks every tone against the schedule: keyed at 0 ms into the session, a tone sounds from
  // key-down + the closing debounce to key-up + the opening debounce.
  void ExpectRenderFollowsSchedule(Script script, int wpm, const std::string& extra,
                                   const std::string& telegramFile = "") {
    const std::string wavPath = home_ + "/out.wav";
    const CliRun run = Run("render " + std::string(script == Script::kLatin ? "--latin" : "--kana") +
                           " --wpm " + std::to_string(wpm) + " --band none --sound-type 0 " + extra + " " +
                           telegramFile + " -o " + wavPath);
    ASSERT_EQ(run.status, 0) << run.err;
    std::printf("  %s", run.out.c_str());
    Wav wav;
    ASSERT_TRUE(ParseWav(ReadFile(wavPath), wav));
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.bitsPerSample, 16);
    ASSERT_EQ(wav.sampleRateHz, 48000);

    const Schedule schedule = ReceivePracticeSchedule(script, wpm, telegramFile);
    EXPECT_EQ(wav.samples.size(), schedule.t * 48) << "total length in ms: " << wav.samples.size() / 48.0;
    const uint32_t unitMs = UnitMs(wpm);
    const uint64_t closeMs = DebounceCloseMs(unitMs, 50), openMs = DebounceOpenMs(unitMs, 50);
    const auto tones = ToneIntervals(wav);
    ASSERT_EQ(tones.size(), schedule.keyDowns.size());
    int mismatches = 0;
    for (size_t i = 0; i < tones.size() && mismatches < 5; ++i) {
      const auto& key = schedule.keyDowns[i];
      if (tones[i].first != key.first + closeMs || tones[i].second != key.second + openMs) {
        ++mismatches;
        ADD_FAILURE() << "tone " << i << " sounds [" << tones[i].first << ", " << tones[i].second
                      << ") ms, keyed [" << key.first << ", " << key.second << ")";
      }
    }
  }

  TemporaryHome temporary_;
  const std::string home_ = temporary_.path;
};

TEST_F(RenderWavTest, LatinAt25WpmFollowsThePlaybackRulesToTheMillisecond) {
  ExpectRenderFollowsSchedule(Script::kLatin, 25, "");
}

TEST_F(RenderWavTest, KanaAt40WpmFollowsThePlaybackRulesToTheMillisecond) {
  ExpectRenderFollowsSchedule(Script::kKana, 40, "--freq 600");
}

TEST_F(RenderWavTest, ATelegramFileIsRenderedInsteadOfTheSamples) {
  const std::string file = home_ + "/three.txt";
  std::ofstream(file)
      << "[VALA]\n一\n[VALB]\nナハ\n[VALC]\n二\n[VALD]\nコ一、二\n[VALE]\nオ」\n[TEXT]\nハレ」\n"
         "[VALA]\n二\n[VALB]\nナハ\n[VALC]\n三\n[VALD]\nセ一、二\n[VALE]\nオ」\n[TEXT]\nアメダ」\n"
         "[VALA]\n三\n[VALB]\nナハ\n[VALC]\n二\n[VALD]\nコ一、三\n[VALE]\nオ」\n[TEXT]\nユキ」\n";
  ExpectRenderFollowsSchedule(Script::kKana, 30, "", file);
  // The file's layout sets the script, whatever the option asked for.
  const CliRun run = Run("render --latin --wpm 40 " + file + " -o " + home_ + "/x.wav");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("kana practice"), std::string::npos) << run.out;
}

TEST_F(RenderWavTest, AFileThatCannotBeLoadedFailsWithTheLoadersMessage) {
  std::ofstream(home_ + "/junk.txt") << "nothing to send\n";
  for (const std::string& file : {home_ + "/junk.txt", home_ + "/missing.txt"}) {
    const CliRun run = Run("render --kana " + file + " -o " + home_ + "/x.wav");
    EXPECT_EQ(run.status, 1) << file;
    EXPECT_NE(run.err.find("和文電報テキストファイルを読み込めません。"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(home_ + "/x.wav"));
  }
  EXPECT_EQ(Run("render a.txt b.txt -o " + home_ + "/x.wav").status, 2);
}

TEST_F(RenderWavTest, OtherSampleRatesKeepTheLength) {
  const std::string wavPath = home_ + "/out.wav";
  const CliRun run = Run("render --latin --wpm 40 --rate 44100 -o " + wavPath);
  ASSERT_EQ(run.status, 0) << run.err;
  Wav wav;
  ASSERT_TRUE(ParseWav(ReadFile(wavPath), wav));
  EXPECT_EQ(wav.sampleRateHz, 44100);
  EXPECT_EQ(wav.samples.size(), ReceivePracticeSchedule(Script::kLatin, 40).t * 441 / 10);
}

// Options not given come from the settings file.
TEST_F(RenderWavTest, UnsetOptionsComeFromTheSettingsFile) {
  std::ofstream(home_ + "/telegram_practice.ini") << "[Settings]\r\nWPM=32\r\nLang=0\r\nFreq=700\r\n";
  const std::string wavPath = home_ + "/out.wav";
  const CliRun run = Run("render -o " + wavPath);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Latin practice at 32 WPM"), std::string::npos) << run.out;
  Wav wav;
  ASSERT_TRUE(ParseWav(ReadFile(wavPath), wav));
  EXPECT_EQ(wav.samples.size(), ReceivePracticeSchedule(Script::kLatin, 32).t * 48);
}

// Effective speed (Farnsworth spacing), measured on the WAV: elements and the 1u between them stay at the
// speed, every other silence of g units lasts g * t_a / 19 with t_a = (60 WPM - 37.2 eff) / (eff WPM) s
// (the fixed 5 s between telegrams stay); equal speeds keep the timing to the millisecond. The effective
// speed comes from the option or the settings file, follows a speed it equals and never exceeds it.
TEST_F(RenderWavTest, EffectiveSpeedStretchesTheGapsByTheFarnsworthRule) {
  struct Row {
    const char* name;
    const char* ini;  // the [Settings] lines, or nullptr for no file
    const char* arguments;
    int wpm, effective;  // as the session must send
    const char* note;    // on stderr, or nullptr for nothing
  } rows[] = {
      {"20/10 WPM", nullptr, "--latin --wpm 20 --effective-wpm 10", 20, 10, nullptr},
      {"kana 30/12 WPM", nullptr, "--kana --wpm 30 --effective-wpm 12", 30, 12, nullptr},
      {"equal speeds keep today's timing", nullptr, "--latin --wpm 20 --effective-wpm 20", 20, 20, nullptr},
      {"above the speed it is held to it", nullptr, "--latin --wpm 20 --effective-wpm 30", 20, 20,
       "above the speed of 20 WPM; held to 20 WPM"},
      {"a file without the key sends at its speed", "WPM=18\r\n", "--latin", 18, 18, nullptr},
      {"a saved equal one follows --wpm", "WPM=15\r\nEffectiveWPM=15\r\n", "--latin --wpm 25", 25, 25,
       nullptr},
      {"a saved lower one stays", "WPM=15\r\nEffectiveWPM=10\r\n", "--latin --wpm 25", 25, 10, nullptr},
      {"a saved lower one is held to a slower --wpm", "WPM=20\r\nEffectiveWPM=12\r\n", "--latin --wpm 8", 8,
       8, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string ini = home_ + "/telegram_practice.ini", wavPath = home_ + "/out.wav";
    std::filesystem::remove(ini);
    if (row.ini) std::ofstream(ini) << "[Settings]\r\n" << row.ini;
    const CliRun run =
        Run("render --band none --sound-type 0 " + std::string(row.arguments) + " -o " + wavPath);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find(row.note ? row.note : "nemora-cli") != std::string::npos, row.note != nullptr)
        << run.err;
    const std::string summary =
        " at " + std::to_string(row.wpm) + " WPM" +
        (row.effective < row.wpm ? " (effective " + std::to_string(row.effective) + " WPM)," : ",");
    EXPECT_NE(run.out.find(summary), std::string::npos) << run.out;
    Wav wav;
    ASSERT_TRUE(ParseWav(ReadFile(wavPath), wav));

    const bool stretched = row.effective < row.wpm;
    const double ruleMs = (60.0 * row.wpm - 37.2 * row.effective) / (row.effective * row.wpm) / 19 * 1000;
    const Script script = std::strstr(row.arguments, "--kana") ? Script::kKana : Script::kLatin;
    const Schedule schedule = ReceivePracticeSchedule(
        script, row.wpm, "", stretched ? static_cast<uint64_t>(std::lround(ruleMs)) : 0);
    EXPECT_EQ(wav.samples.size(), schedule.t * 48) << "total length in ms: " << wav.samples.size() / 48.0;
    const auto tones = ToneIntervals(wav);
    ASSERT_EQ(tones.size(), schedule.keyDowns.size());
    const uint32_t unitMs = UnitMs(row.wpm);
    const int64_t closeMs = DebounceCloseMs(unitMs, 50), openMs = DebounceOpenMs(unitMs, 50);
    std::map<uint32_t, int64_t> heard;  // a silence of each length in units, in ms as keyed
    int wrong = 0;
    for (size_t i = 0; i < tones.size() && wrong < 5; ++i) {
      const auto& key = schedule.keyDowns[i];
      const int64_t element = tones[i].second - tones[i].first - openMs + closeMs;
      if (element != static_cast<int64_t>(key.second - key.first)) {
        ++wrong;
        ADD_FAILURE() << "tone " << i << " lasts " << element << " ms, keyed " << key.second - key.first;
      }
      if (i + 1 == tones.size()) break;
      const Silence& silence = schedule.silences[i];
      const int64_t ms = tones[i + 1].first - tones[i].second + openMs - closeMs;
      const double expected = static_cast<double>(silence.fixedMs) +
                              silence.units * (silence.units >= 3 && stretched ? ruleMs : unitMs);
      // The gap unit is kept in whole milliseconds, as the unit is.
      const double allowed = silence.units >= 3 && stretched ? silence.units * 0.5 : 0;
      if (std::abs(ms - expected) > allowed) {
        ++wrong;
        ADD_FAILURE() << "silence " << i << " of " << silence.units << " units + " << silence.fixedMs
                      << " ms lasts " << ms << " ms, the rule gives " << expected;
      }
      if (silence.fixedMs == 0) heard.emplace(silence.units, ms);
    }
    std::printf("  %s: heard silences", row.name);
    for (const auto& [units, ms] : heard) std::printf(" %uu=%lldms", units, static_cast<long long>(ms));
    std::printf("\n");
  }
}

// However long the session, all of it is rendered (no cut at an hour) and it is written as it is made:
// the memory is that of a short session. Only --max-minutes cuts, and says so.
TEST_F(RenderWavTest, ASeventyMinuteSessionIsRenderedWholeInLittleMemory) {
  const std::string file = home_ + "/long.txt", wavPath = home_ + "/long.wav";
  ASSERT_EQ(Run("generate --kana --count 35 --seed 11 -o " + file).status, 0);
  const Schedule schedule = ReceivePracticeSchedule(Script::kKana, 25, file);
  ASSERT_GE(schedule.t, 70ull * 60 * 1000) << "the telegrams make less than 70 minutes";
  const CliRun run =
      Run("render --kana --wpm 25 --band none --sound-type 0 --rate 8000 " + file + " -o " + wavPath);
  ASSERT_EQ(run.status, 0) << run.err;
  std::printf("  render of %.1f min: peak resident %ld kB\n", schedule.t / 60000.0, run.peakRssKb);
  EXPECT_LE(run.peakRssKb, 64 * 1024) << "peak resident kB of the render";
  Wav wav;
  ASSERT_TRUE(ParseWav(ReadFile(wavPath), wav));
  EXPECT_EQ(wav.samples.size(), schedule.t * 8) << "rendered ms: " << wav.samples.size() / 8;

  const CliRun cut = Run("render --kana --wpm 25 --rate 8000 --max-minutes 10 " + file + " -o " + wavPath);
  ASSERT_EQ(cut.status, 0) << cut.err;
  EXPECT_NE(cut.err.find("cut after 10 min"), std::string::npos) << cut.err;
  ASSERT_TRUE(ParseWav(ReadFile(wavPath), wav));
  EXPECT_EQ(wav.samples.size(), 10u * 60 * 8000);
}

// An interrupted render leaves neither a partial file nor a file of the name.
TEST_F(RenderWavTest, AnInterruptedRenderLeavesNothingBehind) {
  const std::string file = home_ + "/long.txt", output = home_ + "/long.ogg";
  ASSERT_EQ(Run("generate --kana --count 20 --seed 11 -o " + file).status, 0);
  const std::string command = "exec " + std::string(NEMORA_CLI_PATH) + " render -q " + file + " -o " + output;
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  for (int i = 0; i < 200 && !std::filesystem::exists(output + ".part"); ++i) usleep(10000);
  usleep(300000);
  kill(pid, SIGINT);
  int raw = 0;
  ASSERT_EQ(waitpid(pid, &raw, 0), pid);
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << "status " << raw;
  EXPECT_FALSE(std::filesystem::exists(output + ".part"));
  EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(RenderWavTest, BadArgumentsGetOneLineAndStatusTwo) {
  const char* cases[] = {
      "render --wpm 0 -o x.wav",
      "render --wpm 41 -o x.wav",
      "render --wpm 15x -o x.wav",
      "render --effective-wpm 4 -o x.wav",
      "render --effective-wpm 41 -o x.wav",
      "render --freq 299 -o x.wav",
      "render --freq 1201 -o x.wav",
      "render --sound-type 6 -o x.wav",
      "render --activity -1 -o x.wav",
      "render --noise 101 -o x.wav",
      "render --filter 3 -o x.wav",
      "render --rate 7999 -o x.wav",
      "render --max-minutes 0 -o x.wav",
      "render --latin -o x.wma",
      "render --band BandFoo -o x.wav",
      "render --band BandActivity -o x.wav",
      "render --bogus -o x.wav",
      "render --wpm",
      "render --latin",
      "render --kana --latin -o x.wav",
      "transmit -o x.wav",
      "",
  };
  for (const char* arguments : cases) {
    SCOPED_TRACE(arguments);
    const CliRun run = Run(arguments);
    EXPECT_EQ(run.status, 2);
    if (std::strlen(arguments) > 0) {
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(home_ + "/x.wav"));
  }
}

TEST_F(RenderWavTest, HelpExplainsEveryOption) {
  const CliRun run = Run("render --help");
  EXPECT_EQ(run.status, 0);
  for (const char* option :
       {"--kana", "--latin", "--wpm", "--effective-wpm", "--freq", "--sound-type", "--band", "--activity",
        "--noise", "--filter", "--rate", "-o", "BandQRN", "BandQSB", "BandOverload"}) {
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
  }
}

TEST_F(RenderWavTest, UnwritableOutputFails) {
  const CliRun run = Run("render --latin --wpm 40 -o " + home_ + "/missing/dir/out.wav");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot write"), std::string::npos);
}

}  // namespace
