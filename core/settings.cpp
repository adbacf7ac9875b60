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

// ---- The record and its keys ----------------------------------------------------------------------------

const std::vector<SettingKey>& SettingKeys() {
  PracticeSettings& s = practiceSettings;
  static const std::vector<SettingKey> keys = {
      {"WPM", &s.WPM, 15, kSpeedSlider},
      {"Freq", &s.Freq, 800, kFreqSlider},
      {"JudgeEase", &s.JudgeEase, 50, kJudgeEaseSlider},
      {"ElementTolerance", &s.ElementTolerance, 50, kElementToleranceSlider},
      {"KeySoftness", &s.KeySoftness, 50, kKeySoftnessSlider},
      {"CharSpeedTolerance", &s.CharSpeedTolerance, 50, kCharSpeedSlider},
      {"TotalEase", &s.TotalEase, 50, kTotalEaseSlider},
      {"ShowNextHint", &s.ShowNextHint, 1, kShowNextHintCheck},
      {"AutoSpeedAdjust", &s.AutoSpeedAdjust, 0, kAutoSpeedCheck},
      {"Lang", nullptr, 1, kKanaRadio},
      {"Mode", nullptr, 0, kSendRadio},
      {"Auto", &s.Auto, 0, kAutoCheck},
      {"KeyKeyer", nullptr, 0, kKeyboardKeyerCheck},
      {"SoundType", &s.SoundType, 0, kSoundTypeCombo},
      {"LearningLevel", &s.LearningLevel, 0, kLevelCombo},
      {"AutoDifficulty", &s.AutoDifficulty, 1, kAutoDifficultyCheck},
      {"WeakTelegram", &s.WeakTelegram, 0, kWeakTelegramCheck},
      {"RandomCategory", &s.RandomCategory, 0, kCategoryCombo},
      {"BandQRN", &s.BandQRN, 0, kBandQRNCheck},
      {"BandQRM", &s.BandQRM, 0, kBandQRMCheck},
      {"BandQSB", &s.BandQSB, 0, kBandQSBCheck},
      {"BandFlutter", &s.BandFlutter, 0, kBandFlutterCheck},
      {"BandLids", &s.BandLids, 0, kBandLidsCheck},
      {"BandChirp", &s.BandChirp, 0, kBandChirpCheck},
      {"BandUnevenLength", &s.BandUnevenLength, 0, kBandUnevenCheck},
      {"BandActivity", &s.BandActivity, 3, kActivityCombo},
      {"BandNoiseLevel", &s.BandNoiseLevel, 30, kNoiseSlider},
      {"BandFilterWidth", &s.BandFilterWidth, 1, kFilterCombo},
      {"BandAGC", &s.BandAGC, 0, kBandAGCCheck + 0},
      {"BandIFFilter", &s.BandIFFilter, 0, kBandAGCCheck + 1},
      {"BandPitchDrift", &s.BandPitchDrift, 0, kBandAGCCheck + 2},
      {"BandEcho", &s.BandEcho, 0, kBandAGCCheck + 3},
      {"BandMultipath", &s.BandMultipath, 0, kBandAGCCheck + 4},
      {"BandLightning", &s.BandLightning, 0, kBandAGCCheck + 5},
      {"BandAdjacent", &s.BandAdjacent, 0, kBandAGCCheck + 6},
      {"BandSplit", &s.BandSplit, 0, kBandAGCCheck + 7},
      {"BandAtmospheric", &s.BandAtmospheric, 0, kBandAGCCheck + 8},
      {"BandHum", &s.BandHum, 0, kBandAGCCheck + 9},
      {"BandIgnition", &s.BandIgnition, 0, kBandAGCCheck + 10},
      {"BandAgcPump", &s.BandAgcPump, 0, kBandAGCCheck + 11},
      {"BandRinging", &s.BandRinging, 0, kBandAGCCheck + 12},
      {"BandOverload", &s.BandOverload, 0, kBandAGCCheck + 13},
      {"ComIndex", &s.ComIndex, 0, kPortCombo},
      {"PaperZoom1000", &s.PaperZoom1000, 1000, 0},
      {"PaperOffsetX", &s.PaperOffsetX, 0, 0},
      {"PaperOffsetY", &s.PaperOffsetY, 0, 0},
      {"KeyerMode", &s.KeyerMode, 0, kKeyerModeCombo},
      {"PaddleReverse", &s.PaddleReverse, 0, kPaddleReverseCheck},
      {"KeyBinding", &s.KeyBinding, 0, kKeyBindingCombo},
  };
  return keys;
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

// ---- Combo lists and FillSettingControls ----------------------------------------------------------------

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
const std::vector<std::u16string> kFilterNames = {u"250 Hz", u"500 Hz", u"1 kHz"};
// In KeyerMode and KeyBinding order.
const std::vector<std::u16string> kKeyerModeNames = {u"AUTO（短点優先）", u"Iambic A", u"Iambic B",
                                                     u"Ultimatic", u"縦振り（ストレート）"};
const std::vector<std::u16string> kKeyBindingNames = {u"J / K", u"左Ctrl / 右Ctrl", u"[ / ]",
                                                      u"Space（縦振り）"};

constexpr int kToleranceSliders[] = {kJudgeEaseSlider, kElementToleranceSlider, kKeySoftnessSlider,
                                     kCharSpeedSlider, kTotalEaseSlider};

// A 0/1 setting shown by a check box.
struct FlagKey {
  const char* key;
  std::atomic<int32_t>* field;
  int checkId;
};

// The seven band conditions, in file order.
const std::vector<FlagKey>& BandConditionKeys() {
  PracticeSettings& s = practiceSettings;
  static const std::vector<FlagKey> keys = {
      {"BandQRN", &s.BandQRN, kBandQRNCheck},
      {"BandQRM", &s.BandQRM, kBandQRMCheck},
      {"BandQSB", &s.BandQSB, kBandQSBCheck},
      {"BandFlutter", &s.BandFlutter, kBandFlutterCheck},
      {"BandLids", &s.BandLids, kBandLidsCheck},
      {"BandChirp", &s.BandChirp, kBandChirpCheck},
      {"BandUnevenLength", &s.BandUnevenLength, kBandUnevenCheck},
  };
  return keys;
}

// The fourteen receiver effects, in file order; their check boxes run from 20034 up.
const std::vector<FlagKey>& ReceiverEffectKeys() {
  PracticeSettings& s = practiceSettings;
  static const std::vector<FlagKey> keys = {
      {"BandAGC", &s.BandAGC, kBandAGCCheck + 0},
      {"BandIFFilter", &s.BandIFFilter, kBandAGCCheck + 1},
      {"BandPitchDrift", &s.BandPitchDrift, kBandAGCCheck + 2},
      {"BandEcho", &s.BandEcho, kBandAGCCheck + 3},
      {"BandMultipath", &s.BandMultipath, kBandAGCCheck + 4},
      {"BandLightning", &s.BandLightning, kBandAGCCheck + 5},
      {"BandAdjacent", &s.BandAdjacent, kBandAGCCheck + 6},
      {"BandSplit", &s.BandSplit, kBandAGCCheck + 7},
      {"BandAtmospheric", &s.BandAtmospheric, kBandAGCCheck + 8},
      {"BandHum", &s.BandHum, kBandAGCCheck + 9},
      {"BandIgnition", &s.BandIgnition, kBandAGCCheck + 10},
      {"BandAgcPump", &s.BandAgcPump, kBandAGCCheck + 11},
      {"BandRinging", &s.BandRinging, kBandAGCCheck + 12},
      {"BandOverload", &s.BandOverload, kBandAGCCheck + 13},
  };
  return keys;
}

}  // namespace

std::u16string LearningLevelName(int level) {
  return kLevelNames[static_cast<size_t>(Clamp(level, 0, static_cast<int32_t>(kLevelNames.size()) - 1))];
}

void FillSettingControls() {
  SetControlItems(kSoundTypeCombo, kSoundTypeNames);
  SetControlSelection(kSoundTypeCombo, 0);
  SetControlItems(kLevelCombo, kLevelNames);
  SetControlSelection(kLevelCombo, Clamp(practiceSettings.LearningLevel.load(), 0, 4));
  SetControlItems(kCategoryCombo, kCategoryNames);
  SetControlSelection(kCategoryCombo, 0);
  std::vector<std::u16string> activity;
  for (int i = 0; i <= 5; ++i) activity.push_back(FormatText(u"%d", {i}));
  SetControlItems(kActivityCombo, activity);
  SetControlSelection(kActivityCombo, 3);
  SetControlItems(kFilterCombo, kFilterNames);
  SetControlSelection(kFilterCombo, 1);
  SetControlItems(kKeyerModeCombo, kKeyerModeNames);
  SetControlSelection(kKeyerModeCombo, 0);
  SetControlItems(kKeyBindingCombo, kKeyBindingNames);
  SetControlSelection(kKeyBindingCombo, 0);

  SetSliderRange(kSpeedSlider, 5, 40);
  SetSliderPosition(kSpeedSlider, practiceSettings.WPM.load());
  SetSliderRange(kFreqSlider, 300, 1200);
  SetSliderPosition(kFreqSlider, practiceSettings.Freq.load());
  for (int id : kToleranceSliders) {
    SetSliderRange(id, 0, 100);
    SetSliderPosition(id, 50);
  }
  SetSliderRange(kNoiseSlider, 0, 100);
  SetSliderPosition(kNoiseSlider, 30);

  SetControlChecked(kSecondGenerationCheck, true);
  SetControlChecked(kShowNextHintCheck, true);
  SetControlChecked(kAutoSpeedCheck, false);
}

// ---- LoadSettings ---------------------------------------------------------------------------------------

namespace {

struct SettingsReader {
  IniFile ini;
  int32_t Int(std::string_view key, int32_t defaultValue) const {
    return IniInt(ini, kSection, key, defaultValue);
  }
  bool Flag(std::string_view key, int32_t defaultValue) const { return Int(key, defaultValue) != 0; }
};

// Reads a clamped integer into its field and moves its slider.
void LoadSlider(const SettingsReader& file, std::string_view key, std::atomic<int32_t>& field,
                int32_t defaultValue, int32_t low, int32_t high, int sliderId) {
  field.store(Clamp(file.Int(key, defaultValue), low, high));
  SetSliderPosition(sliderId, field.load());
}

void LoadFlag(const SettingsReader& file, std::string_view key, std::atomic<int32_t>& field,
              int32_t defaultValue, int checkId) {
  const bool on = file.Flag(key, defaultValue);
  field.store(on ? 1 : 0);
  SetControlChecked(checkId, on);
}

}  // namespace

void LoadSettings() {
  PracticeSettings& s = practiceSettings;
  SettingsReader file;
  ReadIniFile(SettingsFilePath(), file.ini);  // a missing or unreadable file leaves every key at its default

  // 1. Speed, frequency, the five tolerances and the two option check boxes.
  LoadSlider(file, "WPM", s.WPM, 15, 5, 40, kSpeedSlider);
  LoadSlider(file, "Freq", s.Freq, 800, 300, 1200, kFreqSlider);
  LoadSlider(file, "JudgeEase", s.JudgeEase, 50, 0, 100, kJudgeEaseSlider);
  LoadSlider(file, "ElementTolerance", s.ElementTolerance, 50, 0, 100, kElementToleranceSlider);
  LoadSlider(file, "KeySoftness", s.KeySoftness, 50, 0, 100, kKeySoftnessSlider);
  LoadSlider(file, "CharSpeedTolerance", s.CharSpeedTolerance, 50, 0, 100, kCharSpeedSlider);
  LoadSlider(file, "TotalEase", s.TotalEase, 50, 0, 100, kTotalEaseSlider);
  LoadFlag(file, "ShowNextHint", s.ShowNextHint, 1, kShowNextHintCheck);
  LoadFlag(file, "AutoSpeedAdjust", s.AutoSpeedAdjust, 0, kAutoSpeedCheck);

  // 2. Script: only 0 means Latin.
  const bool kana = file.Flag("Lang", 1);
  CheckRadioButton(kLatinRadio, kKanaRadio, kana ? kKanaRadio : kLatinRadio);
  LatinMode.store(kana ? 0 : 1);
  SelectDecodingMap(kana ? Script::kKana : Script::kLatin);

  // 3. Practice mode: only 1 means send.
  CheckRadioButton(kReceiveRadio, kSendRadio, file.Int("Mode", 0) == 1 ? kSendRadio : kReceiveRadio);

  // 4. Keyer and key source.
  LoadFlag(file, "Auto", s.Auto, 0, kAutoCheck);
  SetControlChecked(kKeyboardKeyerCheck, file.Flag("KeyKeyer", 0));

  // 5. Sound type: out of range falls back to the first entry, not the nearest.
  int32_t soundType = file.Int("SoundType", 0);
  if (soundType < 0 || soundType > 5) soundType = 0;
  s.SoundType.store(soundType);
  SetControlSelection(kSoundTypeCombo, soundType);

  // 6. Learning level.
  s.LearningLevel.store(Clamp(file.Int("LearningLevel", 0), 0, 4));
  SetControlSelection(kLevelCombo, s.LearningLevel.load());

  // 7. Automatic level change and weak-telegram draws.
  LoadFlag(file, "AutoDifficulty", s.AutoDifficulty, 1, kAutoDifficultyCheck);
  LoadFlag(file, "WeakTelegram", s.WeakTelegram, 0, kWeakTelegramCheck);

  // 8. Category: an index into the category list. Without the combo the fixed list still bounds it, so the
  // generator never receives a category it does not have.
  const bool categoryCombo = ControlExists(kCategoryCombo);
  const int categoryCount =
      categoryCombo ? ControlItemCount(kCategoryCombo) : static_cast<int>(kCategoryNames.size());
  int32_t category = file.Int("RandomCategory", 0);
  if (category < 0 || category >= categoryCount) category = 0;
  s.RandomCategory.store(category);
  if (categoryCombo) SetControlSelection(kCategoryCombo, category);

  // 9. Band conditions and crowding.
  for (const FlagKey& band : BandConditionKeys()) LoadFlag(file, band.key, *band.field, 0, band.checkId);
  s.BandActivity.store(Clamp(file.Int("BandActivity", 3), 0, 5));
  SetControlSelection(kActivityCombo, s.BandActivity.load());

  // 10. Serial port: meaningful only against a port list.
  const int portCount = ControlItemCount(kPortCombo);
  if (portCount > 0) {
    int32_t port = file.Int("ComIndex", 0);
    if (port < 0 || port >= portCount) port = 0;
    s.ComIndex.store(port);
    SetControlSelection(kPortCombo, port);
  }

  // 11. Sheet view.
  s.PaperZoom1000.store(Clamp(file.Int("PaperZoom1000", 1000), 100, 5000));
  s.paperZoom.store(s.PaperZoom1000.load() / 1000.0);
  s.PaperOffsetX.store(file.Int("PaperOffsetX", 0));
  s.PaperOffsetY.store(file.Int("PaperOffsetY", 0));

  // 12. Receiver noise and filter.
  LoadSlider(file, "BandNoiseLevel", s.BandNoiseLevel, 30, 0, 100, kNoiseSlider);
  s.BandFilterWidth.store(Clamp(file.Int("BandFilterWidth", 1), 0, 2));
  SetControlSelection(kFilterCombo, s.BandFilterWidth.load());

  // 13. The fourteen receiver effects.
  for (const FlagKey& effect : ReceiverEffectKeys())
    LoadFlag(file, effect.key, *effect.field, 0, effect.checkId);

  // 14. Keyer, paddle reverse and keyboard levers: a number outside the list is the first entry.
  int32_t keyerMode = file.Int("KeyerMode", 0);
  if (keyerMode < 0 || keyerMode >= static_cast<int32_t>(kKeyerModeNames.size())) keyerMode = 0;
  s.KeyerMode.store(keyerMode);
  SetControlSelection(kKeyerModeCombo, keyerMode);
  LoadFlag(file, "PaddleReverse", s.PaddleReverse, 0, kPaddleReverseCheck);
  int32_t binding = file.Int("KeyBinding", 0);
  if (binding < 0 || binding >= kKeyBindingCount) binding = 0;
  s.KeyBinding.store(binding);
  SetControlSelection(kKeyBindingCombo, binding);

  // 15.
  UpdateSettingLabels();
  InvalidateControl(kModelSheet);
  InvalidateControl(kLearnerSheet);
}

// ---- SaveSettings ---------------------------------------------------------------------------------------

void SaveSettings() {
  PracticeSettings& s = practiceSettings;
  const std::string path = SettingsFilePath();
  IniFile ini;
  ReadIniFile(path, ini);  // keeps FirstRun and whatever else the file holds
  auto put = [&ini](std::string_view key, int32_t value) {
    SetIniValue(ini, kSection, key, std::to_string(value));
  };
  auto putCheck = [&put](std::string_view key, int checkId) { put(key, IsControlChecked(checkId) ? 1 : 0); };

  put("WPM", s.WPM.load());
  put("Freq", s.Freq.load());
  put("JudgeEase", s.JudgeEase.load());
  put("ElementTolerance", s.ElementTolerance.load());
  put("KeySoftness", s.KeySoftness.load());
  put("CharSpeedTolerance", s.CharSpeedTolerance.load());
  put("TotalEase", s.TotalEase.load());
  putCheck("ShowNextHint", kShowNextHintCheck);
  putCheck("AutoSpeedAdjust", kAutoSpeedCheck);
  put("Lang", IsControlChecked(kLatinRadio) ? 0 : 1);
  put("Mode", IsControlChecked(kSendRadio) ? 1 : 0);
  putCheck("Auto", kAutoCheck);
  putCheck("KeyKeyer", kKeyboardKeyerCheck);
  put("SoundType", s.SoundType.load());
  const int level = ControlSelection(kLevelCombo);
  put("LearningLevel", (level >= 0 && level <= 4) ? level : s.LearningLevel.load());
  putCheck("AutoDifficulty", kAutoDifficultyCheck);
  putCheck("WeakTelegram", kWeakTelegramCheck);
  put("RandomCategory", ControlExists(kCategoryCombo) ? ControlSelection(kCategoryCombo) : 0);
  for (const FlagKey& band : BandConditionKeys()) putCheck(band.key, band.checkId);
  put("BandActivity",
      ControlExists(kActivityCombo) ? ControlSelection(kActivityCombo) : s.BandActivity.load());
  put("BandNoiseLevel", s.BandNoiseLevel.load());
  put("BandFilterWidth", s.BandFilterWidth.load());
  for (const FlagKey& effect : ReceiverEffectKeys()) putCheck(effect.key, effect.checkId);
  put("ComIndex", ControlSelection(kPortCombo));
  // Thousandths, truncated. The small allowance keeps a zoom that was read as n / 1000 from saving as n - 1
  // when the division left it a hair below n / 1000.
  double zoom = s.paperZoom.load();
  zoom = std::isfinite(zoom) ? std::clamp(zoom, 0.0, 1e6) : 1.0;
  s.PaperZoom1000.store(static_cast<int32_t>(std::floor(zoom * 1000.0 + 1e-6)));
  put("PaperZoom1000", s.PaperZoom1000.load());
  put("PaperOffsetX", s.PaperOffsetX.load());
  put("PaperOffsetY", s.PaperOffsetY.load());
  put("KeyerMode", s.KeyerMode.load());
  put("PaddleReverse", s.PaddleReverse.load() != 0 ? 1 : 0);
  put("KeyBinding", s.KeyBinding.load());

  // A failed write leaves the old file whole; the learner is told the settings were not kept.
  if (WriteIniFile(path, ini)) {
    ClearFailure(FailureKind::kSettingsSave);
  } else {
    ReportFailure(FailureKind::kSettingsSave, u"設定を保存できません", std::strerror(errno));
  }
}

// ---- Value labels and ApplyTotalEase --------------------------------------------------------------------

namespace {

// ≤ 20 first word, ≤ 40 second, < 60 "標準", < 80 fourth, else fifth.
std::u16string_view ThresholdWord(int32_t value, const char16_t* const (&words)[4]) {
  if (value <= 20) return words[0];
  if (value <= 40) return words[1];
  if (value < 60) return u"標準";
  if (value < 80) return words[2];
  return words[3];
}

void SetToleranceLabel(int labelId, std::u16string_view format, int32_t value,
                       const char16_t* const (&words)[4]) {
  SetControlText(labelId, FormatText(format, {value, ThresholdWord(value, words)}));
}

}  // namespace

void UpdateSettingLabels() {
  const PracticeSettings& s = practiceSettings;
  SetControlText(kSpeedLabel, FormatText(u"速度 %d WPM", {s.WPM.load()}));
  SetControlText(kFreqLabel, FormatText(u"周波数 %d Hz", {s.Freq.load()}));
  static const char16_t* const judgeWords[4] = {u"厳密", u"やや厳密", u"やや容易", u"容易"};
  static const char16_t* const softnessWords[4] = {u"鋭い", u"やや鋭い", u"やや甘い", u"甘い"};
  static const char16_t* const elementWords[4] = {u"厳密", u"やや厳密", u"やや許容", u"許容"};
  static const char16_t* const charSpeedWords[4] = {u"厳密", u"やや厳密", u"広い", u"最大"};
  static const char16_t* const totalWords[4] = {u"難しい", u"やや難しい", u"やや易しい", u"易しい"};
  SetToleranceLabel(kJudgeEaseLabel, u"判定しやすさ %d %s", s.JudgeEase.load(), judgeWords);
  SetToleranceLabel(kKeySoftnessLabel, u"打鍵の甘さ %d %s", s.KeySoftness.load(), softnessWords);
  SetToleranceLabel(kElementToleranceLabel, u"符号長許容度 %d %s", s.ElementTolerance.load(), elementWords);
  SetToleranceLabel(kCharSpeedLabel, u"文字速度許容度 %d %s", s.CharSpeedTolerance.load(), charSpeedWords);
  SetToleranceLabel(kTotalEaseLabel, u"総合判定度 %d %s", s.TotalEase.load(), totalWords);
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
