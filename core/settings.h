// SPDX-License-Identifier: GPL-3.0-or-later
// The persisted settings ("telegram_practice.ini", section "Settings") and their labels and lists.
// Every field is an atomic so the worker threads read it without a lock; the window thread writes them.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PracticeSettings {
  std::atomic<int32_t> WPM{15};                 // 5..40
  std::atomic<int32_t> Freq{800};               // Hz, 300..1200
  std::atomic<int32_t> JudgeEase{50};           // 0..100
  std::atomic<int32_t> ElementTolerance{50};    // 0..100
  std::atomic<int32_t> KeySoftness{50};         // 0..100
  std::atomic<int32_t> CharSpeedTolerance{50};  // 0..100
  std::atomic<int32_t> TotalEase{50};           // 0..100
  std::atomic<int32_t> ShowNextHint{1};
  std::atomic<int32_t> AutoSpeedAdjust{0};
  std::atomic<int32_t> Auto{0};
  std::atomic<int32_t> SoundType{0};      // 0..5
  std::atomic<int32_t> LearningLevel{0};  // 0..4
  std::atomic<int32_t> AutoDifficulty{1};
  std::atomic<int32_t> WeakTelegram{0};
  std::atomic<int32_t> RandomCategory{0};
  std::atomic<int32_t> BandQRN{0};
  std::atomic<int32_t> BandQRM{0};
  std::atomic<int32_t> BandQSB{0};
  std::atomic<int32_t> BandFlutter{0};
  std::atomic<int32_t> BandLids{0};
  std::atomic<int32_t> BandChirp{0};
  std::atomic<int32_t> BandUnevenLength{0};
  std::atomic<int32_t> BandActivity{3};     // 0..5
  std::atomic<int32_t> BandNoiseLevel{30};  // 0..100
  std::atomic<int32_t> BandFilterWidth{1};  // 0 = 250 Hz, 1 = 500 Hz, 2 = 1 kHz
  std::atomic<int32_t> BandAGC{0};
  std::atomic<int32_t> BandIFFilter{0};
  std::atomic<int32_t> BandPitchDrift{0};
  std::atomic<int32_t> BandEcho{0};
  std::atomic<int32_t> BandMultipath{0};
  std::atomic<int32_t> BandLightning{0};
  std::atomic<int32_t> BandAdjacent{0};
  std::atomic<int32_t> BandSplit{0};
  std::atomic<int32_t> BandAtmospheric{0};
  std::atomic<int32_t> BandHum{0};
  std::atomic<int32_t> BandIgnition{0};
  std::atomic<int32_t> BandAgcPump{0};
  std::atomic<int32_t> BandRinging{0};
  std::atomic<int32_t> BandOverload{0};
  std::atomic<int32_t> ComIndex{0};
  std::atomic<int32_t> PaperZoom1000{1000};  // sheet zoom x 1000, 100..5000
  std::atomic<int32_t> PaperOffsetX{0};
  std::atomic<int32_t> PaperOffsetY{0};
  // The sheet zoom itself, 0.1..5.0: the sheet view steps it by factors of 1.1, which the saved thousandths
  // could not hold; LoadSettings sets it from PaperZoom1000 and SaveSettings writes it back there.
  std::atomic<double> paperZoom{1.0};
  // The paddle and the keyboard levers.
  std::atomic<int32_t> KeyerMode{0};  // 0 AUTO, 1 Iambic A, 2 Iambic B, 3 Ultimatic, 4 straight; while Auto
  std::atomic<int32_t> PaddleReverse{0};  // swaps the learner's dot and dash levers
  std::atomic<int32_t> KeyBinding{0};     // the keyboard keys that are the levers, KeyBindingValue
  // The effective speed (Farnsworth spacing), 5..40: characters keep the unit of WPM, the gaps between them
  // are those of this slower speed. At or above WPM it is WPM itself: the record starts at 40 so that until
  // the settings are loaded every speed is sent as it always was; LoadSettings holds it to the loaded WPM.
  std::atomic<int32_t> EffectiveWPM{40};
};

// KeyBinding values.
enum KeyBindingValue : int32_t {
  kJKBinding = 0,            // J dot, K dash
  kCtrlBinding = 1,          // left Ctrl dot, right Ctrl dash (USB key adapters type these)
  kBracketBinding = 2,       // [ dot, ] dash
  kSpaceStraightBinding = 3  // Space alone, as a straight key
};
constexpr int32_t kKeyBindingCount = 4;
extern PracticeSettings practiceSettings;
// The script flag: 1 for Latin ("欧文"), 0 for kana ("和文"); the setting Lang inverted.
extern std::atomic<int32_t> LatinMode;

// Puts every field back to its default (tests, and before the window loads the file).
void ResetSettingsToDefaults();
std::string SettingsFilePath();

// How a setting is read, clamped, shown and saved.
enum class SettingKind {
  kSlider,        // clamped into low..high, a slider, often a value label
  kCheck,         // 0/1, a check box; saved as the box shows it
  kFlag,          // 0/1, a check box; saved from the record
  kChoice,        // an index into the control's list; out of the list reads as the first entry
  kLevel,         // an index into the control's list, clamped into it
  kPort,          // the serial port's index, meaningful only against the port list
  kScript,        // Lang: the script radio buttons (only 0 means Latin)
  kPracticeMode,  // Mode: the practice radio buttons (only 1 means send)
  kZoom,          // PaperZoom1000: the sheet zoom in thousandths, clamped
  kValue,         // a plain number
};

// One setting as the INI file and the window know it: everything about it is written here once, and the
// load, clamp, save, labels and controls loop over the table.
struct SettingKey {
  const char* key;
  std::atomic<int32_t>* field;  // nullptr for keys not held as a field (Lang, Mode, KeyKeyer)
  int32_t defaultValue;
  int controlId;  // check box, slider or combo that shows it; 0 when none
  SettingKind kind = SettingKind::kValue;
  int32_t low = 0;
  int32_t high = 0;
  int labelId = 0;                                     // value label beside a slider; 0 when none
  const char16_t* labelFormat = nullptr;               // "%d" (and "%s" for the words)
  const char16_t* const (*labelWords)[4] = nullptr;    // tolerance words by threshold
  const std::vector<std::u16string>* items = nullptr;  // a combo's list
};
// The persisted keys in their save order (FirstRun is not among them).
const std::vector<SettingKey>& SettingKeys();
// The setting a control shows, or nullptr.
const SettingKey* SettingForControl(int controlId);

// The effective speed once the speed goes from oldWpm to newWpm: one at or above the old speed (the
// effective speed not in use) follows the new speed; one set lower stays, but at most the new speed. With
// oldWpm == newWpm it holds an effective speed chosen on its own to at most the speed. Results are 5..40.
int32_t EffectiveWpmAfter(int32_t oldWpm, int32_t oldEffective, int32_t newWpm);
// The effective speed the playback sends at: EffectiveWPM, at most WPM.
int32_t EffectiveWpm();
// Every change of the speed goes through here (the slider, the automatic speed adjustment, the command
// line): WPM and, by EffectiveWpmAfter, the effective speed, and both sliders. The caller updates labels.
// Window thread, or the event thread for the automatic adjustment (the control table takes any thread).
void StoreSpeed(int32_t wpm);
// The effective-speed slider: held to at most the speed, the slider put back when it was above.
void StoreEffectiveSpeed(int32_t effectiveWpm);

// Window-thread operations.
void FillSettingControls();  // combo lists, slider ranges and initial positions, default check states
void LoadSettings();
// Writes one setting's present value into the settings file, the rest of the file as it is (after the
// window is gone, when the other controls can no longer be read).
void SaveOneSetting(std::string_view key);
void SaveSettings();
void UpdateSettingLabels();
void ApplyTotalEase();
void ShowFirstRunGuide();
// The kana/Latin name of learning level 0..4 ("初心者" … "国家試験").
std::u16string LearningLevelName(int level);
