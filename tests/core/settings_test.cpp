// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store against real files in a temporary NEMORA_HOME and the headless control table.
#include "core/settings.h"
#include "temporary_home.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/ini_file.h"
#include "core/morse_table.h"
#include "core/text.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    ClearShownMessageBoxes();
    StartWindow();
  }
  // What the main window does before it loads the file: defaults, lists, ranges, a port list of two.
  void StartWindow(bool withPorts = true) {
    ClearControls();
    ResetSettingsToDefaults();
    FillSettingControls();
    if (withPorts) SetControlItems(kPortCombo, {u"USB Serial (ttyUSB0)", u"USB Serial (ttyUSB1)"});
  }

  void WriteFile(const std::string& bytes) {
    std::ofstream out(SettingsFilePath(), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string FileBytes() {
    std::string bytes;
    ReadWholeFile(SettingsFilePath(), bytes);
    return bytes;
  }
  IniFile SavedFile() { return ParseIni(FileBytes()); }
  int32_t Saved(const char* key) { return IniInt(SavedFile(), "Settings", key, -999999); }

  TemporaryHome temporary_;
  const std::string home_ = temporary_.path;
};

const SettingKey& Key(std::string_view name) {
  for (const SettingKey& key : SettingKeys()) {
    if (name == key.key) return key;
  }
  ADD_FAILURE() << "no key " << name;
  return SettingKeys().front();
}

// ---- Loading ----

TEST_F(SettingsTest, MissingFileLoadsDefaultsIntoRecordAndControls) {
  const uint64_t sheetRepaints = ControlInvalidations(kModelSheet);
  LoadSettings();
  for (const SettingKey& key : SettingKeys()) {
    // Without a saved effective speed the speed itself is the effective speed.
    if (key.field != nullptr) {
      EXPECT_EQ(key.field->load(), key.field == &practiceSettings.EffectiveWPM ? 15 : key.defaultValue)
          << key.key;
    }
  }
  EXPECT_EQ(SliderPosition(kSpeedSlider), 15);
  EXPECT_EQ(SliderPosition(kFreqSlider), 800);
  EXPECT_EQ(SliderPosition(kNoiseSlider), 30);
  EXPECT_TRUE(IsControlChecked(kKanaRadio));
  EXPECT_FALSE(IsControlChecked(kLatinRadio));
  EXPECT_TRUE(IsControlChecked(kReceiveRadio));
  EXPECT_FALSE(IsControlChecked(kSendRadio));
  EXPECT_EQ(LatinMode.load(), 0);
  EXPECT_EQ(ActiveDecodingScript(), Script::kKana);
  EXPECT_TRUE(IsControlChecked(kShowNextHintCheck));
  EXPECT_FALSE(IsControlChecked(kAutoSpeedCheck));
  EXPECT_TRUE(IsControlChecked(kAutoDifficultyCheck));
  EXPECT_EQ(ControlSelection(kActivityCombo), 3);
  EXPECT_EQ(ControlSelection(kFilterCombo), 1);
  EXPECT_EQ(ControlSelection(kPortCombo), 0);
  EXPECT_DOUBLE_EQ(practiceSettings.paperZoom.load(), 1.0);
  EXPECT_EQ(ControlText(kSpeedLabel), u"速度 15 WPM");
  EXPECT_EQ(ControlText(kFreqLabel), u"周波数 800 Hz");
  EXPECT_EQ(ControlInvalidations(kModelSheet), sheetRepaints + 1);
  EXPECT_TRUE(ShownMessageBoxes().empty());
}

enum class Shown { kNone, kSlider, kCombo, kCheck };
struct LoadCase {
  const char* key;
  const char* text;  // as written in the file
  int32_t expected;
  Shown shown;
};

TEST_F(SettingsTest, EveryKeyLoadsWithItsRule) {
  static const LoadCase cases[] = {
      {"WPM", "3", 5, Shown::kSlider},
      {"WPM", "99", 40, Shown::kSlider},
      {"WPM", "40", 40, Shown::kSlider},
      {"WPM", "fast", 5, Shown::kSlider},  // reads 0
      {"WPM", "99999999999", 40, Shown::kSlider},
      {"WPM", "-99999999999", 5, Shown::kSlider},
      {"WPM", " 22 wpm", 22, Shown::kSlider},
      {"Freq", "2000", 1200, Shown::kSlider},
      {"Freq", "299", 300, Shown::kSlider},
      {"Freq", "650", 650, Shown::kSlider},
      {"JudgeEase", "-1", 0, Shown::kSlider},
      {"JudgeEase", "101", 100, Shown::kSlider},
      {"ElementTolerance", "150", 100, Shown::kSlider},
      {"KeySoftness", "-5", 0, Shown::kSlider},
      {"CharSpeedTolerance", "33", 33, Shown::kSlider},
      {"TotalEase", "0", 0, Shown::kSlider},
      {"TotalEase", "1000", 100, Shown::kSlider},
      {"ShowNextHint", "0", 0, Shown::kCheck},
      {"ShowNextHint", "x", 0, Shown::kCheck},
      {"AutoSpeedAdjust", "-1", 1, Shown::kCheck},
      {"Auto", "2", 1, Shown::kCheck},
      {"SoundType", "7", 0, Shown::kCombo},  // back to the first entry, not the last
      {"SoundType", "5", 5, Shown::kCombo},
      {"SoundType", "-1", 0, Shown::kCombo},
      {"LearningLevel", "7", 4, Shown::kCombo},
      {"LearningLevel", "-3", 0, Shown::kCombo},
      {"LearningLevel", "2", 2, Shown::kCombo},
      {"AutoDifficulty", "0", 0, Shown::kCheck},
      {"WeakTelegram", "3", 1, Shown::kCheck},
      {"RandomCategory", "9", 9, Shown::kCombo},
      {"RandomCategory", "10", 0, Shown::kCombo},
      {"RandomCategory", "-1", 0, Shown::kCombo},
      {"BandQRN", "1", 1, Shown::kCheck},
      {"BandQSB", "9", 1, Shown::kCheck},
      {"BandUnevenLength", "1", 1, Shown::kCheck},
      {"BandActivity", "9", 5, Shown::kCombo},
      {"BandActivity", "-2", 0, Shown::kCombo},
      {"BandActivity", "1", 1, Shown::kCombo},
      {"BandNoiseLevel", "101", 100, Shown::kSlider},
      {"BandNoiseLevel", "-1", 0, Shown::kSlider},
      {"BandFilterWidth", "3", 2, Shown::kCombo},
      {"BandFilterWidth", "-1", 0, Shown::kCombo},
      {"BandAGC", "1", 1, Shown::kCheck},
      {"BandSplit", "1", 1, Shown::kCheck},
      {"BandOverload", "1", 1, Shown::kCheck},
      {"ComIndex", "3", 0, Shown::kCombo},  // two ports listed
      {"ComIndex", "2", 0, Shown::kCombo},
      {"ComIndex", "1", 1, Shown::kCombo},
      {"ComIndex", "-1", 0, Shown::kCombo},
      {"PaperZoom1000", "50", 100, Shown::kNone},
      {"PaperZoom1000", "99999", 5000, Shown::kNone},
      {"PaperZoom1000", "2500", 2500, Shown::kNone},
      {"PaperOffsetX", "-123456", -123456, Shown::kNone},
      {"PaperOffsetY", "99999999999", INT32_MAX, Shown::kNone},
      {"KeyerMode", "2", 2, Shown::kCombo},
      {"KeyerMode", "4", 4, Shown::kCombo},
      {"KeyerMode", "5", 0, Shown::kCombo},  // back to AUTO, not to the last entry
      {"KeyerMode", "-1", 0, Shown::kCombo},
      {"PaddleReverse", "7", 1, Shown::kCheck},
      {"PaddleReverse", "0", 0, Shown::kCheck},
      {"KeyBinding", "3", 3, Shown::kCombo},
      {"KeyBinding", "4", 0, Shown::kCombo},
      {"KeyBinding", "x", 0, Shown::kCombo},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.text);
    StartWindow();
    WriteFile(std::string("[Settings]\n") + c.key + "=" + c.text + "\n");
    LoadSettings();
    const SettingKey& key = Key(c.key);
    EXPECT_EQ(key.field->load(), c.expected);
    switch (c.shown) {
      case Shown::kSlider:
        EXPECT_EQ(SliderPosition(key.controlId), c.expected);
        break;
      case Shown::kCombo:
        EXPECT_EQ(ControlSelection(key.controlId), c.expected);
        break;
      case Shown::kCheck:
        EXPECT_EQ(IsControlChecked(key.controlId), c.expected != 0);
        break;
      case Shown::kNone:
        break;
    }
  }
}

TEST_F(SettingsTest, OnlyZeroSelectsLatinAndOnlyOneSelectsSend) {
  struct Case {
    const char* file;
    bool latin;
    bool send;
  };
  static const Case cases[] = {
      {"", false, false},
      {"Lang=0\nMode=1\n", true, true},
      {"Lang=1\nMode=0\n", false, false},
      {"Lang=2\nMode=2\n", false, false},
      {"Lang=-1\nMode=-1\n", false, false},
      {"Lang=kana\nMode=send\n", true, false},  // words read as 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    StartWindow();
    WriteFile(std::string("[Settings]\n") + c.file);
    LoadSettings();
    EXPECT_EQ(LatinMode.load(), c.latin ? 1 : 0);
    EXPECT_EQ(IsControlChecked(kLatinRadio), c.latin);
    EXPECT_EQ(IsControlChecked(kKanaRadio), !c.latin);
    EXPECT_EQ(ActiveDecodingScript(), c.latin ? Script::kLatin : Script::kKana);
    EXPECT_EQ(IsControlChecked(kSendRadio), c.send);
    EXPECT_EQ(IsControlChecked(kReceiveRadio), !c.send);
  }
}

TEST_F(SettingsTest, ComIndexIsIgnoredWithoutPorts) {
  StartWindow(false);
  practiceSettings.ComIndex.store(1);
  WriteFile("[Settings]\nComIndex=0\nKeyKeyer=1\n");
  LoadSettings();
  EXPECT_EQ(practiceSettings.ComIndex.load(), 1);
  EXPECT_EQ(ControlSelection(kPortCombo), -1);
  EXPECT_TRUE(IsControlChecked(kKeyboardKeyerCheck));
}

TEST_F(SettingsTest, CategoryWithoutItsComboStaysInsideTheFixedList) {
  ClearControls();
  ResetSettingsToDefaults();
  WriteFile("[Settings]\nRandomCategory=42\n");
  LoadSettings();
  EXPECT_EQ(practiceSettings.RandomCategory.load(), 0);
  WriteFile("[Settings]\nRandomCategory=8\n");
  LoadSettings();
  EXPECT_EQ(practiceSettings.RandomCategory.load(), 8);
}

// ---- Bad files ----

TEST_F(SettingsTest, DamagedFilesLoadWithTheRules) {
  struct Case {
    const char* name;
    std::string bytes;
    int32_t wpm;
    int32_t freq;
  };
  std::string binary;
  uint32_t state = 99;
  for (int i = 0; i < 20000; ++i) {
    state = state * 214013u + 2531011u;
    binary.push_back(static_cast<char>(state >> 16));
  }
  const Case cases[] = {
      {"empty", "", 15, 800},
      {"binary", binary, 15, 800},
      {"binary with a settings tail", binary + "\n[Settings]\nWPM=21\n", 21, 800},
      {"duplicates: first wins", "[Settings]\nWPM=30\nFreq=500\nWPM=10\nFreq=900\n", 30, 500},
      {"lines without equals", "[Settings]\nWPM\nFreq 900\n=5\nWPM=12\n", 12, 800},
      {"only a header", "[Settings]", 15, 800},
      {"NUL bytes",
       std::string("[Settings]\nWPM=2\0"
                   "5\nFreq=\0\n",
                   26),
       5, 300},
      {"huge values", "[Settings]\nWPM=1e99\nFreq=" + std::string(500, '9') + "\n", 5, 1200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartWindow();
    WriteFile(c.bytes);
    LoadSettings();
    EXPECT_EQ(practiceSettings.WPM.load(), c.wpm);
    EXPECT_EQ(practiceSettings.Freq.load(), c.freq);
  }
}

TEST_F(SettingsTest, DirectoryInPlaceOfTheFileLoadsDefaultsAndSaveFailsQuietly) {
  ASSERT_EQ(mkdir(SettingsFilePath().c_str(), 0700), 0);
  practiceSettings.WPM.store(33);
  LoadSettings();
  EXPECT_EQ(practiceSettings.WPM.load(), 15);
  SaveSettings();
  struct stat info;
  ASSERT_EQ(stat(SettingsFilePath().c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(SettingsTest, HomeThatIsNotADirectoryMakesSaveFailQuietly) {
  const std::string notADirectory = home_ + "/plain_file";
  std::ofstream(notADirectory) << "x";
  setenv("NEMORA_HOME", notADirectory.c_str(), 1);
  SaveSettings();
  LoadSettings();
  EXPECT_EQ(practiceSettings.WPM.load(), 15);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(notADirectory, bytes));
  EXPECT_EQ(bytes, "x");
}

TEST_F(SettingsTest, FailedWriteLeavesTheOldFileWhole) {
  WriteFile("[Settings]\nWPM=31\nFirstRun=0\n");
  const std::string before = FileBytes();
  LoadSettings();
  practiceSettings.WPM.store(20);
  // A file-size limit below the settings text makes the write fail as a full disk would, even for root.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  SaveSettings();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(SettingsTest, ReadOnlyDirectoryLeavesTheOldFile) {
  WriteFile("[Settings]\nWPM=31\n");
  ASSERT_EQ(chmod(home_.c_str(), 0500), 0);
  if (access(home_.c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights that ignore directory modes";
  practiceSettings.WPM.store(20);
  SaveSettings();
  EXPECT_EQ(Saved("WPM"), 31);
}

// ---- Saving ----

TEST_F(SettingsTest, EveryKeyRoundTripsInSaveOrderAndUnknownKeysSurvive) {
  // A legal, non-default value for every key.
  std::ostringstream file;
  file << "; kept\n[Window]\nLeft=5\n[Settings]\nFirstRun=0\nUnknownKey=abc\n";
  int32_t value = 0;
  std::vector<std::pair<std::string, int32_t>> written;
  for (const SettingKey& key : SettingKeys()) {
    const std::string name = key.key;
    if (name == "WPM")
      value = 27;
    else if (name == "Freq")
      value = 1100;
    else if (name == "Lang")
      value = 0;
    else if (name == "Mode")
      value = 1;
    else if (name == "SoundType")
      value = 4;
    else if (name == "LearningLevel")
      value = 3;
    else if (name == "RandomCategory")
      value = 7;
    else if (name == "BandActivity")
      value = 5;
    else if (name == "BandFilterWidth")
      value = 2;
    else if (name == "ComIndex")
      value = 1;
    else if (name == "PaperZoom1000")
      value = 1331;
    else if (name == "PaperOffsetX")
      value = -40;
    else if (name == "PaperOffsetY")
      value = 75;
    else if (name == "JudgeEase")
      value = 11;
    else if (name == "ElementTolerance")
      value = 22;
    else if (name == "KeySoftness")
      value = 33;
    else if (name == "CharSpeedTolerance")
      value = 44;
    else if (name == "TotalEase")
      value = 66;
    else if (name == "BandNoiseLevel")
      value = 64;
    else if (name == "EffectiveWPM")
      value = 19;  // below WPM, or it would be held to it
    else
      value = key.defaultValue == 0 ? 1 : 0;  // the flags, inverted
    written.emplace_back(name, value);
    file << name << "=" << value << "\n";
  }
  WriteFile(file.str());
  LoadSettings();
  SaveSettings();

  const IniFile saved = SavedFile();
  for (const auto& [name, expected] : written) {
    EXPECT_EQ(IniInt(saved, "Settings", name, -999), expected) << name;
  }
  EXPECT_EQ(IniValue(saved, "Settings", "UnknownKey").value_or(""), "abc");
  EXPECT_EQ(IniInt(saved, "Settings", "FirstRun", 1), 0);
  EXPECT_EQ(IniInt(saved, "Window", "Left", 0), 5);
  EXPECT_NE(FileBytes().find("; kept"), std::string::npos);

  // A new file lists the keys in the table's order.
  ASSERT_EQ(unlink(SettingsFilePath().c_str()), 0);
  SaveSettings();
  const std::string bytes = FileBytes();
  size_t last = 0;
  for (const SettingKey& key : SettingKeys()) {
    const size_t at = bytes.find("\n" + std::string(key.key) + "=");
    ASSERT_NE(at, std::string::npos) << key.key;
    EXPECT_GT(at, last) << key.key;
    last = at;
  }

  // A fresh start reads back the same record.
  StartWindow();
  LoadSettings();
  for (const auto& [name, expected] : written) {
    const SettingKey& key = Key(name);
    if (key.field != nullptr) {
      EXPECT_EQ(key.field->load(), expected) << name;
    }
  }
  EXPECT_EQ(LatinMode.load(), 1);
  EXPECT_TRUE(IsControlChecked(kSendRadio));
  EXPECT_DOUBLE_EQ(practiceSettings.paperZoom.load(), 1.331);
}

TEST_F(SettingsTest, CorrectedValuesAreWrittenBack) {
  WriteFile("[Settings]\nWPM=3\nFreq=5000\nSoundType=7\nPaperZoom1000=50\nRandomCategory=-1\nComIndex=9\n");
  LoadSettings();
  SaveSettings();
  EXPECT_EQ(Saved("WPM"), 5);
  EXPECT_EQ(Saved("Freq"), 1200);
  EXPECT_EQ(Saved("SoundType"), 0);
  EXPECT_EQ(Saved("PaperZoom1000"), 100);
  EXPECT_EQ(Saved("RandomCategory"), 0);
  EXPECT_EQ(Saved("ComIndex"), 0);
}

TEST_F(SettingsTest, SaveReadsTheControlsWhereTheyAreTheValue) {
  LoadSettings();
  CheckRadioButton(kLatinRadio, kKanaRadio, kLatinRadio);
  CheckRadioButton(kReceiveRadio, kSendRadio, kSendRadio);
  SetControlChecked(kBandQRMCheck, true);       // the field stays 0; the box is what counts
  SetControlChecked(kBandAGCCheck + 13, true);  // BandOverload
  SetControlChecked(kShowNextHintCheck, false);
  SetControlChecked(kKeyboardKeyerCheck, true);
  SetControlSelection(kLevelCombo, 3);
  SetControlSelection(kCategoryCombo, -1);
  SetControlSelection(kActivityCombo, 4);
  SetControlSelection(kPortCombo, -1);
  practiceSettings.SoundType.store(2);  // no control read for it
  SaveSettings();
  EXPECT_EQ(Saved("Lang"), 0);
  EXPECT_EQ(Saved("Mode"), 1);
  EXPECT_EQ(Saved("BandQRM"), 1);
  EXPECT_EQ(Saved("BandOverload"), 1);
  EXPECT_EQ(Saved("ShowNextHint"), 0);
  EXPECT_EQ(Saved("KeyKeyer"), 1);
  EXPECT_EQ(Saved("LearningLevel"), 3);
  EXPECT_EQ(Saved("RandomCategory"), -1);
  EXPECT_EQ(Saved("BandActivity"), 4);
  EXPECT_EQ(Saved("ComIndex"), -1);
  EXPECT_EQ(Saved("SoundType"), 2);

  // Without the combos: category 0, crowding and level from the record.
  ClearControls();
  practiceSettings.BandActivity.store(2);
  practiceSettings.LearningLevel.store(1);
  SaveSettings();
  EXPECT_EQ(Saved("RandomCategory"), 0);
  EXPECT_EQ(Saved("BandActivity"), 2);
  EXPECT_EQ(Saved("LearningLevel"), 1);
  EXPECT_EQ(Saved("Lang"), 1);  // 欧文 not checked
}

TEST_F(SettingsTest, ZoomThousandthsSurviveLoadAndSave) {
  // Regression: these values came back one lower after n / 1000 * 1000 was truncated.
  const int32_t values[] = {100,  1000, 1001, 1003, 1023, 2002, 2046, 4004, 4007, 4095, 4999, 5000,
                            1005, 1007, 1009, 2006, 2010, 4012, 4015, 4087, 4092, 123,  777,  3333};
  for (int32_t value : values) {
    SCOPED_TRACE(value);
    WriteFile("[Settings]\nPaperZoom1000=" + std::to_string(value) + "\n");
    LoadSettings();
    SaveSettings();
    EXPECT_EQ(Saved("PaperZoom1000"), value);
  }
  // Three wheel steps up from 1.0.
  practiceSettings.paperZoom.store(1.0 * 1.1 * 1.1 * 1.1);
  SaveSettings();
  EXPECT_EQ(Saved("PaperZoom1000"), 1331);
  EXPECT_EQ(practiceSettings.PaperZoom1000.load(), 1331);
}

// ---- Labels, coupling, lists ----

TEST_F(SettingsTest, ToleranceLabelsFollowTheFiveWordRule) {
  struct Label {
    std::atomic<int32_t>* field;
    int labelId;
    const char16_t* prefix;
    const char16_t* words[5];
  };
  PracticeSettings& s = practiceSettings;
  const Label labels[] = {
      {&s.JudgeEase, kJudgeEaseLabel, u"判定しやすさ", {u"厳密", u"やや厳密", u"標準", u"やや容易", u"容易"}},
      {&s.KeySoftness,
       kKeySoftnessLabel,
       u"打鍵の甘さ",
       {u"鋭い", u"やや鋭い", u"標準", u"やや甘い", u"甘い"}},
      {&s.ElementTolerance,
       kElementToleranceLabel,
       u"符号長許容度",
       {u"厳密", u"やや厳密", u"標準", u"やや許容", u"許容"}},
      {&s.CharSpeedTolerance,
       kCharSpeedLabel,
       u"文字速度許容度",
       {u"厳密", u"やや厳密", u"標準", u"広い", u"最大"}},
      {&s.TotalEase,
       kTotalEaseLabel,
       u"総合判定度",
       {u"難しい", u"やや難しい", u"標準", u"やや易しい", u"易しい"}},
  };
  struct Threshold {
    int32_t value;
    int word;
  };
  static const Threshold thresholds[] = {{0, 0},  {20, 0}, {21, 1}, {40, 1}, {41, 2}, {59, 2},
                                         {60, 3}, {79, 3}, {80, 4}, {99, 4}, {100, 4}};
  for (const Label& label : labels) {
    for (const Threshold& t : thresholds) {
      label.field->store(t.value);
      UpdateSettingLabels();
      const std::u16string expected =
          std::u16string(label.prefix) + u" " + FormatText(u"%d", {t.value}) + u" " + label.words[t.word];
      EXPECT_EQ(ControlText(label.labelId), expected) << "value " << t.value;
    }
  }
  s.WPM.store(37);
  s.Freq.store(1150);
  UpdateSettingLabels();
  EXPECT_EQ(ControlText(kSpeedLabel), u"速度 37 WPM");
  EXPECT_EQ(ControlText(kFreqLabel), u"周波数 1150 Hz");
}

TEST_F(SettingsTest, TotalEaseSetsTheFourTolerances) {
  LoadSettings();
  practiceSettings.JudgeEase.store(10);
  practiceSettings.TotalEase.store(75);
  ApplyTotalEase();
  EXPECT_EQ(ControlText(kJudgeEaseLabel), u"判定しやすさ 75 やや容易");
  EXPECT_EQ(ControlText(kKeySoftnessLabel), u"打鍵の甘さ 75 やや甘い");
  EXPECT_EQ(ControlText(kElementToleranceLabel), u"符号長許容度 75 やや許容");
  EXPECT_EQ(ControlText(kCharSpeedLabel), u"文字速度許容度 75 広い");
  EXPECT_EQ(ControlText(kTotalEaseLabel), u"総合判定度 75 やや易しい");
  for (int id : {kJudgeEaseSlider, kElementToleranceSlider, kKeySoftnessSlider, kCharSpeedSlider}) {
    EXPECT_EQ(SliderPosition(id), 75) << id;
  }
  practiceSettings.TotalEase.store(130);
  ApplyTotalEase();
  EXPECT_EQ(practiceSettings.TotalEase.load(), 100);
  EXPECT_EQ(practiceSettings.CharSpeedTolerance.load(), 100);
  EXPECT_EQ(ControlText(kCharSpeedLabel), u"文字速度許容度 100 最大");
}

TEST_F(SettingsTest, ControlsStartWithTheFixedListsAndPositions) {
  EXPECT_EQ(ControlItems(kSoundTypeCombo),
            (std::vector<std::u16string>{u"デフォルト（現在の音）", u"実機無線機風CW", u"明瞭CW練習音",
                                         u"柔らかい正弦波", u"古い受信機風", u"ブザー風"}));
  EXPECT_EQ(ControlItems(kLevelCombo),
            (std::vector<std::u16string>{u"初心者", u"初級", u"中級", u"上級", u"国家試験"}));
  EXPECT_EQ(ControlItems(kCategoryCombo),
            (std::vector<std::u16string>{u"すべて", u"四季・自然", u"天候・風景", u"旅行", u"仕事", u"学校",
                                         u"無線", u"防災", u"行政", u"国家試験"}));
  EXPECT_EQ(ControlItems(kActivityCombo), (std::vector<std::u16string>{u"0", u"1", u"2", u"3", u"4", u"5"}));
  EXPECT_EQ(ControlItems(kFilterCombo), (std::vector<std::u16string>{u"250 Hz", u"500 Hz", u"1 kHz"}));
  EXPECT_EQ(ControlSelection(kSoundTypeCombo), 0);
  EXPECT_EQ(ControlSelection(kCategoryCombo), 0);
  EXPECT_EQ(ControlSelection(kActivityCombo), 3);
  EXPECT_EQ(ControlSelection(kFilterCombo), 1);
  for (int id :
       {kJudgeEaseSlider, kElementToleranceSlider, kKeySoftnessSlider, kCharSpeedSlider, kTotalEaseSlider}) {
    EXPECT_EQ(SliderPosition(id), 50) << id;
  }
  EXPECT_EQ(SliderPosition(kNoiseSlider), 30);
  EXPECT_TRUE(IsControlChecked(kSecondGenerationCheck));
  EXPECT_TRUE(IsControlChecked(kShowNextHintCheck));
  EXPECT_FALSE(IsControlChecked(kAutoSpeedCheck));
  // The ranges hold the sliders in place.
  SetSliderPosition(kSpeedSlider, 2);
  SetSliderPosition(kFreqSlider, 5000);
  EXPECT_EQ(SliderPosition(kSpeedSlider), 5);
  EXPECT_EQ(SliderPosition(kFreqSlider), 1200);
  EXPECT_EQ(LearningLevelName(4), u"国家試験");
  EXPECT_EQ(LearningLevelName(9), u"国家試験");
  EXPECT_EQ(LearningLevelName(-1), u"初心者");
}

// ---- First-run guide ----

TEST_F(SettingsTest, FirstRunGuideShowsOnceAndKeepsTheOtherKeys) {
  WriteFile("[Settings]\nWPM=33\n");
  ShowFirstRunGuide();
  const std::vector<MessageBoxRecord> boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, u"ネモラ 初回起動ガイド");
  EXPECT_EQ(boxes[0].icon, MessageBoxIcon::kInformation);
  EXPECT_EQ(
      boxes[0].text,
      u"ネモラ\r\n\r\n最初に行うこと\r\n\r\n① RX START を押してください\r\n\r\n② 送信練習は\r\n「キー電鍵」に"
      u"チェックしてください\r\n\r\n③ 苦手電報は\r\n成績CSVが作成された後に利用できます。\r\n\r\nこの画面は"
      u"取扱説明から確認できます。");
  EXPECT_EQ(Saved("FirstRun"), 0);
  EXPECT_EQ(Saved("WPM"), 33);

  ShowFirstRunGuide();
  EXPECT_EQ(ShownMessageBoxes().size(), 1u);
  // A later save keeps the flag.
  LoadSettings();
  SaveSettings();
  ShowFirstRunGuide();
  EXPECT_EQ(ShownMessageBoxes().size(), 1u);
}

TEST_F(SettingsTest, FirstRunGuideFollowsTheStoredFlag) {
  struct Case {
    const char* file;
    bool shown;
  };
  static const Case cases[] = {
      {"", true},
      {"[Settings]\nFirstRun=1\n", true},
      {"[Settings]\nFirstRun=5\n", true},
      {"[Settings]\nFirstRun=0\n", false},
      {"[Settings]\nFirstRun=no\n", false},  // reads 0
      {"[Settings]\nFirstRun=\n", true},     // empty: the default
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ClearShownMessageBoxes();
    WriteFile(c.file);
    ShowFirstRunGuide();
    EXPECT_EQ(ShownMessageBoxes().size(), c.shown ? 1u : 0u);
    if (c.shown) {
      EXPECT_EQ(Saved("FirstRun"), 0);
    }
  }
}

}  // namespace
