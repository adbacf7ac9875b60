// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store: the record, its keys, the INI file, the value labels, the combo lists and the
// first-run guide.
//   - the record and its keys
//   - combo lists and FillSettingControls
//   - LoadSettings
//   - SaveSettings
//   - value labels and ApplyTotalEase
//   - first-run guide
#include "core/settings.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/failure_report.h"
#include "core/ini_file.h"
#include "core/morse_table.h"
#include "core/text.h"

PracticeSettings practiceSettings;
std::atomic<int32_t> LatinMode{0};

namespace {

constexpr std::string_view kSection = "Settings";
constexpr std::string_view kFileName = "telegram_practice.ini";

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
  return std::min(std::max(value, low), high);
}

}  // namespace

// ---- The table ------------------------------------------------------------------------------------------

namespace {

const std::vector<std::u16string> kSoundTypeNames = {
    u"デフォルト（現在の音）", u"実機無線機風CW", u"明瞭CW練習音",
    u"柔らかい正弦波",         u"古い受信機風",   u"ブザー風",
};
const std::vector<std::u16string> kLevelNames = {u"初心者", u"初級", u"中級", u"上級", u"国家試験"};
const std::vector<std::u16string> kCategoryNames = {
    u"すべて", u"四季・自然", u"天候・風景", u"旅行", u"仕事",
    u"学校",   u"無線",       u"防災",       u"行政", u"国家試験",
};
const std::vector<std::u16string> kActivityNames = {u"0", u"1", u"2", u"3", u"4", u"5"};
const std::vector<std::u16string> kFilterNames = {u"250 Hz", u"500 Hz", u"1 kHz"};
// In KeyerMode and KeyBinding order.
const std::vector<std::u16string> kKeyerModeNames = {u"AUTO（短点優先）", u"Iambic A", u"Iambic B",
                                                     u"Ultimatic", u"縦振り（ストレート）"};
const std::vector<std::u16string> kKeyBindingNames = {u"J / K", u"左Ctrl / 右Ctrl", u"[ / ]",
                                                      u"Space（縦振り）"};

// The words of a tolerance label: ≤ 20 first, ≤ 40 second, < 60 "標準", < 80 third, else fourth.
using LabelWords = const char16_t* const[4];
LabelWords kJudgeWords = {u"厳密", u"やや厳密", u"やや容易", u"容易"};
LabelWords kSoftnessWords = {u"鋭い", u"やや鋭い", u"やや甘い", u"甘い"};
LabelWords kElementWords = {u"厳密", u"やや厳密", u"やや許容", u"許容"};
LabelWords kCharSpeedWords = {u"厳密", u"やや厳密", u"広い", u"最大"};
LabelWords kTotalWords = {u"難しい", u"やや難しい", u"やや易しい", u"易しい"};

using K = SettingKind;

}  // namespace

// Every persisted setting once, in save order (FirstRun is not among them). A kChoice out of its list
// reads as the first entry; a kLevel is clamped into it.
const std::vector<SettingKey>& SettingKeys() {
  PracticeSettings& s = practiceSettings;
  static const std::vector<SettingKey> keys = {
      {"WPM", &s.WPM, 15, kSpeedSlider, K::kSlider, 5, 40, kSpeedLabel, u"速度 %d WPM"},
      {"Freq", &s.Freq, 800, kFreqSlider, K::kSlider, 300, 1200, kFreqLabel, u"周波数 %d Hz"},
      {"JudgeEase", &s.JudgeEase, 50, kJudgeEaseSlider, K::kSlider, 0, 100, kJudgeEaseLabel,
       u"判定しやすさ %d %s", &kJudgeWords},
      {"ElementTolerance", &s.ElementTolerance, 50, kElementToleranceSlider, K::kSlider, 0, 100,
       kElementToleranceLabel, u"符号長許容度 %d %s", &kElementWords},
      {"KeySoftness", &s.KeySoftness, 50, kKeySoftnessSlider, K::kSlider, 0, 100, kKeySoftnessLabel,
       u"打鍵の甘さ %d %s", &kSoftnessWords},
      {"CharSpeedTolerance", &s.CharSpeedTolerance, 50, kCharSpeedSlider, K::kSlider, 0, 100, kCharSpeedLabel,
       u"文字速度許容度 %d %s", &kCharSpeedWords},
      {"TotalEase", &s.TotalEase, 50, kTotalEaseSlider, K::kSlider, 0, 100, kTotalEaseLabel,
       u"総合判定度 %d %s", &kTotalWords},
      {"ShowNextHint", &s.ShowNextHint, 1, kShowNextHintCheck, K::kCheck},
      {"AutoSpeedAdjust", &s.AutoSpeedAdjust, 0, kAutoSpeedCheck, K::kCheck},
      {"Lang", nullptr, 1, kKanaRadio, K::kScript},
      {"Mode", nullptr, 0, kSendRadio, K::kPracticeMode},
      {"Auto", &s.Auto, 0, kAutoCheck, K::kCheck},
      {"KeyKeyer", nullptr, 0, kKeyboardKeyerCheck, K::kCheck},
      {"SoundType", &s.SoundType, 0, kSoundTypeCombo, K::kChoice, 0, 5, 0, nullptr, nullptr,
       &kSoundTypeNames},
      {"LearningLevel", &s.LearningLevel, 0, kLevelCombo, K::kLevel, 0, 4, 0, nullptr, nullptr, &kLevelNames},
      {"AutoDifficulty", &s.AutoDifficulty, 1, kAutoDifficultyCheck, K::kCheck},
      {"WeakTelegram", &s.WeakTelegram, 0, kWeakTelegramCheck, K::kCheck},
      {"RandomCategory", &s.RandomCategory, 0, kCategoryCombo, K::kChoice, 0, 9, 0, nullptr, nullptr,
       &kCategoryNames},
      {"BandQRN", &s.BandQRN, 0, kBandQRNCheck, K::kCheck},
      {"BandQRM", &s.BandQRM, 0, kBandQRMCheck, K::kCheck},
      {"BandQSB", &s.BandQSB, 0, kBandQSBCheck, K::kCheck},
      {"BandFlutter", &s.BandFlutter, 0, kBandFlutterCheck, K::kCheck},
      {"BandLids", &s.BandLids, 0, kBandLidsCheck, K::kCheck},
      {"BandChirp", &s.BandChirp, 0, kBandChirpCheck, K::kCheck},
      {"BandUnevenLength", &s.BandUnevenLength, 0, kBandUnevenCheck, K::kCheck},
      {"BandActivity", &s.BandActivity, 3, kActivityCombo, K::kLevel, 0, 5, 0, nullptr, nullptr,
       &kActivityNames},
      {"BandNoiseLevel", &s.BandNoiseLevel, 30, kNoiseSlider, K::kSlider, 0, 100},
      {"BandFilterWidth", &s.BandFilterWidth, 1, kFilterCombo, K::kLevel, 0, 2, 0, nullptr, nullptr,
       &kFilterNames},
      {"BandAGC", &s.BandAGC, 0, kBandAGCCheck + 0, K::kCheck},
      {"BandIFFilter", &s.BandIFFilter, 0, kBandAGCCheck + 1, K::kCheck},
      {"BandPitchDrift", &s.BandPitchDrift, 0, kBandAGCCheck + 2, K::kCheck},
      {"BandEcho", &s.BandEcho, 0, kBandAGCCheck + 3, K::kCheck},
      {"BandMultipath", &s.BandMultipath, 0, kBandAGCCheck + 4, K::kCheck},
      {"BandLightning", &s.BandLightning, 0, kBandAGCCheck + 5, K::kCheck},
      {"BandAdjacent", &s.BandAdjacent, 0, kBandAGCCheck + 6, K::kCheck},
      {"BandSplit", &s.BandSplit, 0, kBandAGCCheck + 7, K::kCheck},
      {"BandAtmospheric", &s.BandAtmospheric, 0, kBandAGCCheck + 8, K::kCheck},
      {"BandHum", &s.BandHum, 0, kBandAGCCheck + 9, K::kCheck},
      {"BandIgnition", &s.BandIgnition, 0, kBandAGCCheck + 10, K::kCheck},
      {"BandAgcPump", &s.BandAgcPump, 0, kBandAGCCheck + 11, K::kCheck},
      {"BandRinging", &s.BandRinging, 0, kBandAGCCheck + 12, K::kCheck},
      {"BandOverload", &s.BandOverload, 0, kBandAGCCheck + 13, K::kCheck},
      {"ComIndex", &s.ComIndex, 0, kPortCombo, K::kPort},
      {"PaperZoom1000", &s.PaperZoom1000, 1000, 0, K::kZoom, 100, 5000},
      {"PaperOffsetX", &s.PaperOffsetX, 0, 0, K::kValue},
      {"PaperOffsetY", &s.PaperOffsetY, 0, 0, K::kValue},
      {"KeyerMode", &s.KeyerMode, 0, kKeyerModeCombo, K::kChoice, 0,
       static_cast<int32_t>(kKeyerModeNames.size()) - 1, 0, nullptr, nullptr, &kKeyerModeNames},
      {"PaddleReverse", &s.PaddleReverse, 0, kPaddleReverseCheck, K::kFlag},
      {"KeyBinding", &s.KeyBinding, 0, kKeyBindingCombo, K::kChoice, 0, kKeyBindingCount - 1, 0, nullptr,
       nullptr, &kKeyBindingNames},
      {"CopyReceive", nullptr, 0, kCopyReceiveCheck, K::kCheck},
      // Missing from the file it is the loaded WPM (LoadSettings); 40 is the record's "the speed itself".
      {"EffectiveWPM", &s.EffectiveWPM, 40, kEffectiveSpeedSlider, K::kSlider, 5, 40, kEffectiveSpeedLabel,
       u"実効速度 %d WPM"},
  };
  return keys;
}

const SettingKey* SettingForControl(int controlId) {
  if (controlId == 0) return nullptr;
  for (const SettingKey& key : SettingKeys()) {
    if (key.controlId == controlId) return &key;
  }
  return nullptr;
}

void ResetSettingsToDefaults() {
  for (const SettingKey& key : SettingKeys()) {
    if (key.field != nullptr) key.field->store(key.defaultValue);
  }
  practiceSettings.paperZoom.store(1.0);
  LatinMode.store(0);  // Lang 1: kana
}

std::string SettingsFilePath() {
  return AppFilePath(kFileName);
}

int32_t EffectiveWpmAfter(int32_t oldWpm, int32_t oldEffective, int32_t newWpm) {
  newWpm = Clamp(newWpm, 5, 40);
  if (oldEffective >= oldWpm) return newWpm;
  return Clamp(oldEffective, 5, newWpm);
}

int32_t EffectiveWpm() {
  const int32_t wpm = practiceSettings.WPM.load();
  return std::min(practiceSettings.EffectiveWPM.load(), wpm);
}

void StoreSpeed(int32_t wpm) {
  PracticeSettings& s = practiceSettings;
  const int32_t before = s.WPM.load();
  wpm = Clamp(wpm, 5, 40);
  s.EffectiveWPM.store(EffectiveWpmAfter(before, s.EffectiveWPM.load(), wpm));
  s.WPM.store(wpm);
  SetSliderPosition(kSpeedSlider, wpm);
  SetSliderPosition(kEffectiveSpeedSlider, s.EffectiveWPM.load());
}

void StoreEffectiveSpeed(int32_t effectiveWpm) {
  const int32_t wpm = practiceSettings.WPM.load();
  const int32_t held = EffectiveWpmAfter(wpm, effectiveWpm, wpm);
  practiceSettings.EffectiveWPM.store(held);
  if (held != effectiveWpm) SetSliderPosition(kEffectiveSpeedSlider, held);
}

std::u16string LearningLevelName(int level) {
  return kLevelNames[static_cast<size_t>(Clamp(level, 0, static_cast<int32_t>(kLevelNames.size()) - 1))];
}

// ---- The controls ---------------------------------------------------------------------------------------

void FillSettingControls() {
  for (const SettingKey& key : SettingKeys()) {
    if (key.items != nullptr) {
      SetControlItems(key.controlId, *key.items);
      // The level combo shows the level already held; the others their first (or default) entry.
      SetControlSelection(key.controlId, key.kind == K::kLevel && key.field
                                             ? Clamp(key.field->load(), key.low, key.high)
                                             : key.defaultValue);
    } else if (key.kind == K::kSlider) {
      SetSliderRange(key.controlId, key.low, key.high);
      SetSliderPosition(key.controlId, key.labelWords ? key.defaultValue : key.field->load());
    }
  }
  SetControlChecked(kSecondGenerationCheck, true);
  SetControlChecked(kShowNextHintCheck, true);
  SetControlChecked(kAutoSpeedCheck, false);
}

// ---- LoadSettings ---------------------------------------------------------------------------------------

namespace {

// The value a key reads as, already clamped or put back to its first entry. `read` is the file's number
// (the default when the key is missing or not a number).
int32_t LoadedValue(const SettingKey& key, int32_t read) {
  switch (key.kind) {
    case K::kSlider:
    case K::kLevel:
    case K::kZoom:
      return Clamp(read, key.low, key.high);
    case K::kCheck:
    case K::kFlag:
      return read != 0 ? 1 : 0;
    case K::kChoice: {
      // Without the combo the fixed list still bounds it, so the generator never receives a category it
      // does not have.
      const int count = ControlExists(key.controlId) ? ControlItemCount(key.controlId) : key.high + 1;
      return read < key.low || read >= count ? key.low : read;
    }
    case K::kPort: {
      const int count = ControlItemCount(key.controlId);
      return read < 0 || read >= count ? 0 : read;
    }
    case K::kScript:
    case K::kPracticeMode:
    case K::kValue:
      return read;
  }
  return read;
}

void LoadKey(const SettingKey& key, int32_t read) {
  const int32_t value = LoadedValue(key, read);
  switch (key.kind) {
    case K::kScript: {
      const bool kana = value != 0;  // only 0 means Latin
      CheckRadioButton(kLatinRadio, kKanaRadio, kana ? kKanaRadio : kLatinRadio);
      LatinMode.store(kana ? 0 : 1);
      SelectDecodingMap(kana ? Script::kKana : Script::kLatin);
      return;
    }
    case K::kPracticeMode:  // only 1 means send
      CheckRadioButton(kReceiveRadio, kSendRadio, value == 1 ? kSendRadio : kReceiveRadio);
      return;
    case K::kPort:
      // Meaningful only against a port list: without one the field keeps what it had.
      if (ControlItemCount(key.controlId) <= 0) return;
      break;
    default:
      break;
  }
  if (key.field) key.field->store(value);
  if (key.kind == K::kZoom) practiceSettings.paperZoom.store(value / 1000.0);
  if (key.kind == K::kSlider) SetSliderPosition(key.controlId, value);
  if (key.kind == K::kCheck || key.kind == K::kFlag) SetControlChecked(key.controlId, value != 0);
  if (key.kind == K::kChoice || key.kind == K::kLevel || key.kind == K::kPort) {
    if (ControlExists(key.controlId) || key.kind != K::kChoice) SetControlSelection(key.controlId, value);
  }
}

}  // namespace

void LoadSettings() {
  IniFile ini;
  ReadIniFile(SettingsFilePath(), ini);  // a missing or unreadable file leaves every key at its default
  PracticeSettings& s = practiceSettings;
  for (const SettingKey& key : SettingKeys()) {
    // A file from before the effective speed existed sends at its speed (WPM is loaded first).
    const int32_t fallback = key.field == &s.EffectiveWPM ? s.WPM.load() : key.defaultValue;
    LoadKey(key, IniInt(ini, kSection, key.key, fallback));
  }
  const int32_t wpm = s.WPM.load();
  s.EffectiveWPM.store(EffectiveWpmAfter(wpm, s.EffectiveWPM.load(), wpm));
  SetSliderPosition(kEffectiveSpeedSlider, s.EffectiveWPM.load());
  UpdateSettingLabels();
  InvalidateControl(kModelSheet);
  InvalidateControl(kLearnerSheet);
}

// ---- SaveSettings ---------------------------------------------------------------------------------------

namespace {

// What a key saves: check boxes and radio buttons as the window shows them, lists by their selection where
// the window has one, the rest from the record.
int32_t SavedValue(const SettingKey& key) {
  switch (key.kind) {
    case K::kCheck:
      return IsControlChecked(key.controlId) ? 1 : 0;
    case K::kScript:
      return IsControlChecked(kLatinRadio) ? 0 : 1;
    case K::kPracticeMode:
      return IsControlChecked(kSendRadio) ? 1 : 0;
    case K::kFlag:
      return key.field->load() != 0 ? 1 : 0;
    case K::kLevel: {
      const int selection = ControlSelection(key.controlId);
      return selection >= key.low && selection <= key.high ? selection : key.field->load();
    }
    case K::kPort:
      return ControlSelection(key.controlId);
    case K::kChoice:
      if (key.controlId == kCategoryCombo) {
        return ControlExists(key.controlId) ? ControlSelection(key.controlId) : 0;
      }
      return key.field->load();
    case K::kZoom: {
      // Thousandths, truncated. The small allowance keeps a zoom that was read as n / 1000 from saving as
      // n - 1 when the division left it a hair below n / 1000.
      double zoom = practiceSettings.paperZoom.load();
      zoom = std::isfinite(zoom) ? std::clamp(zoom, 0.0, 1e6) : 1.0;
      key.field->store(static_cast<int32_t>(std::floor(zoom * 1000.0 + 1e-6)));
      return key.field->load();
    }
    case K::kSlider:
    case K::kValue:
      return key.field->load();
  }
  return key.defaultValue;
}

}  // namespace

void SaveSettings() {
  const std::string path = SettingsFilePath();
  IniFile ini;
  ReadIniFile(path, ini);  // keeps FirstRun and whatever else the file holds
  for (const SettingKey& key : SettingKeys()) {
    SetIniValue(ini, kSection, key.key, std::to_string(SavedValue(key)));
  }
  // A failed write leaves the old file whole; the learner is told the settings were not kept.
  if (WriteIniFile(path, ini)) {
    ClearFailure(FailureKind::kSettingsSave);
  } else {
    ReportFailure(FailureKind::kSettingsSave, u"設定を保存できません", std::strerror(errno));
  }
}

void SaveOneSetting(std::string_view name) {
  const std::string path = SettingsFilePath();
  IniFile ini;
  ReadIniFile(path, ini);
  for (const SettingKey& key : SettingKeys()) {
    if (key.key != name || key.field == nullptr) continue;
    SetIniValue(ini, kSection, key.key, std::to_string(key.field->load()));
    if (!WriteIniFile(path, ini))
      ReportFailure(FailureKind::kSettingsSave, u"設定を保存できません", std::strerror(errno));
    return;
  }
}

// ---- Value labels and ApplyTotalEase --------------------------------------------------------------------

namespace {

std::u16string_view ThresholdWord(int32_t value, LabelWords& words) {
  if (value <= 20) return words[0];
  if (value <= 40) return words[1];
  if (value < 60) return u"標準";
  if (value < 80) return words[2];
  return words[3];
}

}  // namespace

void UpdateSettingLabels() {
  for (const SettingKey& key : SettingKeys()) {
    if (key.labelId == 0) continue;
    const int32_t value = key.field->load();
    SetControlText(key.labelId, key.labelWords ? FormatText(key.labelFormat,
                                                            {value, ThresholdWord(value, *key.labelWords)})
                                               : FormatText(key.labelFormat, {value}));
  }
}

void ApplyTotalEase() {
  PracticeSettings& s = practiceSettings;
  const int32_t ease = Clamp(s.TotalEase.load(), 0, 100);
  s.TotalEase.store(ease);
  for (std::atomic<int32_t>* field :
       {&s.JudgeEase, &s.ElementTolerance, &s.KeySoftness, &s.CharSpeedTolerance}) {
    field->store(ease);
  }
  for (int id : {kJudgeEaseSlider, kElementToleranceSlider, kKeySoftnessSlider, kCharSpeedSlider}) {
    SetSliderPosition(id, ease);
  }
  UpdateSettingLabels();
}

// ---- First-run guide ------------------------------------------------------------------------------------

void ShowFirstRunGuide() {
  const std::string path = SettingsFilePath();
  IniFile ini;
  ReadIniFile(path, ini);
  if (IniInt(ini, kSection, "FirstRun", 1) == 0) return;
  ShowMessageBox(
      u"ネモラ\r\n\r\n最初に行うこと\r\n\r\n① RX START を押してください\r\n\r\n② 送信練習は\r\n"
      u"「キー電鍵」にチェックしてください\r\n\r\n③ 苦手電報は\r\n成績CSVが作成された後に利用できます。"
      u"\r\n\r\nこの画面は取扱説明から確認できます。",
      u"ネモラ 初回起動ガイド", MessageBoxIcon::kInformation);
  // Read again: the file may have been saved while the box was open (the sheet view saves on every drag).
  ReadIniFile(path, ini);
  SetIniValue(ini, kSection, "FirstRun", "0");
  WriteIniFile(path, ini);
}
