#include "ui/window_commands.h"

#include "content/random_command.h"
#include "content/telegram_document.h"
#include "core/app.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event.h"
#include "core/event_queue.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "keying/keying_tick.h"
#include "practice/judging.h"
#include "practice/run_control.h"
#include "practice/scoring.h"
#include "records/practice_log.h"
#include "ui/home_dashboard_window.h"
#include "ui/keyboard_keying.h"
#include "ui/main_window.h"
#include "ui/serial_port_list.h"
#include "ui/statistics_window.h"
#include "ui/telegram_file_dialog.h"
#include "ui/user_guide.h"

bool sheetFullScreen = false;

namespace {

int Clamp(int value, int low, int high) {
  return value < low ? low : value > high ? high : value;
}

bool IsBandCheck(int id) {
  return (id >= kBandQRNCheck && id <= kBandLidsCheck) || id == kBandChirpCheck || id == kBandUnevenCheck ||
         (id >= kBandAGCCheck && id <= kBandOverloadCheck);
}

// The settings field a band or receiver check box stands for.
std::atomic<int32_t>* BandField(int id) {
  for (const SettingKey& key : SettingKeys()) {
    if (key.controlId == id) return key.field;
  }
  return nullptr;
}

void SwitchScript(bool latin) {
  // A receive run keys the telegram of the script it started with: switching under it would judge that
  // copy against the other script's telegram and mix both into one score. The run ends first (RX STOP).
  if (runFlags.playing.load() != 0) StopPractice();
  LatinMode.store(latin ? 1 : 0);
  SelectDecodingMap(latin ? Script::kLatin : Script::kKana);
  PostToEventThread([] {
    SwitchToBuiltInSamples();
    // The score line spoke of the other script's telegram, which is no longer on the sheets.
    ResetTelegramScore();
    SetControlText(kScoreLine, u"");
  });
}

}  // namespace

void InitializeMainWindow() {
  SetMainWindowExists(true);
  // Rewrites cut short by a crash leave temporaries beside the files; cleared once here, not per write.
  RemoveLeftoverTemporaries(SettingsFilePath());
  RemoveLeftoverTemporaries(CharacterLogPath());
  FillPortList();
  FillSettingControls();
  LoadSettings();
  UpdateSettingLabels();
  if (CurrentRunControlHooks().installKeyHook) CurrentRunControlHooks().installKeyHook();
  keyLevers.keyboardKeying.store(0);
  PostToEventThread(ResetJudging);
  ShowFirstRunGuide();
}

void HandleCommand(int id) {
  // A running demonstration stops before any other command, settings clicks included.
  if (runFlags.demonstration.load() && id != kRxStopButton && id != kDemoButton && id != kPauseButton) {
    StopPlayback();
  }
  if (IsBandCheck(id)) {
    if (std::atomic<int32_t>* field = BandField(id)) field->store(IsControlChecked(id) ? 1 : 0);
    return;
  }
  switch (id) {
    case kAutoCheck:
      practiceSettings.Auto.store(IsControlChecked(id) ? 1 : 0);
      break;
    case kLatinRadio:
      SwitchScript(true);
      break;
    case kKanaRadio:
      SwitchScript(false);
      break;
    case kSoundTypeCombo: {
      int selection = ControlSelection(id);
      practiceSettings.SoundType.store(selection >= 0 && selection <= 5 ? selection : 0);
      break;
    }
    case kLevelCombo:
      practiceSettings.LearningLevel.store(Clamp(ControlSelection(id), 0, 4));
      break;
    case kAutoDifficultyCheck:
      practiceSettings.AutoDifficulty.store(IsControlChecked(id) ? 1 : 0);
      break;
    case kWeakTelegramCheck:
      practiceSettings.WeakTelegram.store(IsControlChecked(id) ? 1 : 0);
      break;
    case kAutoSpeedCheck:
      practiceSettings.AutoSpeedAdjust.store(IsControlChecked(id) ? 1 : 0);
      break;
    case kActivityCombo:
      practiceSettings.BandActivity.store(Clamp(ControlSelection(id), 0, 5));
      break;
    case kFilterCombo:
      practiceSettings.BandFilterWidth.store(Clamp(ControlSelection(id), 0, 2));
      break;
    case kKeyerModeCombo:
      practiceSettings.KeyerMode.store(Clamp(ControlSelection(id), 0, kKeyerModeCount - 1));
      break;
    case kPaddleReverseCheck:
      practiceSettings.PaddleReverse.store(IsControlChecked(id) ? 1 : 0);
      break;
    case kKeyBindingCombo:
      practiceSettings.KeyBinding.store(Clamp(ControlSelection(id), 0, kKeyBindingCount - 1));
      ReleaseKeyboardLevers();  // a key held under the old binding would not be known when it is let go
      break;
    case kRxStartButton:
      StartPractice();
      break;
    case kRxStopButton:
      StopPractice();
      break;
    case kResetButton:
      PostToEventThread(ResetJudging);
      break;
    case kDemoButton:
      StartDemoSending();
      break;
    case kLoadTelegramButton:
      ChooseTelegramFile();
      break;
    case kRandomButton:
      GenerateRandomTelegrams();
      break;
    case kPreviousPageButton:
      PostToEventThread(PreviousPage);
      break;
    case kNextPageButton:
      PostToEventThread(NextPage);
      break;
    case kFullScreenButton:
      ToggleSheetFullScreen();
      break;
    case kPauseButton:
      TogglePause();
      break;
    case kShowNextHintCheck:
      InvalidateControl(kLearnerSheet);  // the hint appears or goes at once
      break;
    case kGuideButton:
      OpenUserGuide(TheMainWindow());
      break;
    case kStatisticsButton:
      OpenStatisticsWindow(TheMainWindow());
      break;
    case kHomeButton:
      OpenHomeDashboard(TheMainWindow());
      break;
    default:
      break;
  }
  // Page turns, resets and script switches move the judge's position; the keying thread reads the answer.
  PostToEventThread(PublishSpaceExpected);
}

void ToggleSheetFullScreen() {
  sheetFullScreen = !sheetFullScreen;
  if (MainWindow* window = TheMainWindow()) window->LayoutMainWindow();
  RepaintSheets();
}

void HandleSliderMove(int id) {
  int position = SliderPosition(id);
  switch (id) {
    case kSpeedSlider:
      practiceSettings.WPM.store(position);
      UpdateSettingLabels();
      RefreshStatusLines();
      break;
    case kFreqSlider:
      practiceSettings.Freq.store(position);
      UpdateSettingLabels();
      RefreshStatusLines();
      break;
    case kJudgeEaseSlider:
      practiceSettings.JudgeEase.store(Clamp(position, 0, 100));
      UpdateSettingLabels();
      break;
    case kElementToleranceSlider:
      practiceSettings.ElementTolerance.store(Clamp(position, 0, 100));
      UpdateSettingLabels();
      break;
    case kKeySoftnessSlider:
      practiceSettings.KeySoftness.store(Clamp(position, 0, 100));
      UpdateSettingLabels();
      break;
    case kCharSpeedSlider:
      practiceSettings.CharSpeedTolerance.store(Clamp(position, 0, 100));
      UpdateSettingLabels();
      break;
    case kTotalEaseSlider:
      practiceSettings.TotalEase.store(position);
      ApplyTotalEase();
      UpdateSettingLabels();
      break;
    case kNoiseSlider:
      practiceSettings.BandNoiseLevel.store(Clamp(position, 0, 100));
      break;
    default:
      break;
  }
}

void CloseMainWindow() {
  keyLevers.keyboardKeying.store(0);
  ClearKeyLevers();
  if (CurrentRunControlHooks().removeKeyHook) CurrentRunControlHooks().removeKeyHook();
  StopPlayback();
  ReleaseSerialKey();
  StopStatusTimer();
  SaveSettings();
  PostToEventThread(FlushPracticeLogs);
  SetMainWindowExists(false);
}
