// SPDX-License-Identifier: GPL-3.0-or-later
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

// A check box or list that shows a setting: the record follows it, clamped as the setting is. True when
// the control was one.
bool StoreSettingFromControl(int id) {
  const SettingKey* key = SettingForControl(id);
  if (key == nullptr || key->field == nullptr) return false;
  switch (key->kind) {
    case SettingKind::kCheck:
    case SettingKind::kFlag:
      key->field->store(IsControlChecked(id) ? 1 : 0);
      return true;
    case SettingKind::kChoice: {
      const int selection = ControlSelection(id);
      key->field->store(selection >= key->low && selection <= key->high ? selection : key->low);
      return true;
    }
    case SettingKind::kLevel:
      key->field->store(Clamp(ControlSelection(id), key->low, key->high));
      return true;
    default:
      return false;
  }
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
  if (StoreSettingFromControl(id)) {
    if (id == kKeyBindingCombo) ReleaseKeyboardLevers();  // a key held under the old binding is not known
    if (id == kShowNextHintCheck) InvalidateControl(kLearnerSheet);  // the hint appears or goes at once
    return;
  }
  switch (id) {
    case kLatinRadio:
      SwitchScript(true);
      break;
    case kKanaRadio:
      SwitchScript(false);
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
  const SettingKey* key = SettingForControl(id);
  if (key == nullptr || key->kind != SettingKind::kSlider) return;
  const int position = Clamp(SliderPosition(id), key->low, key->high);
  if (id == kSpeedSlider) {
    StoreSpeed(position);  // an effective speed equal to the speed follows it
  } else if (id == kEffectiveSpeedSlider) {
    StoreEffectiveSpeed(position);
  } else {
    key->field->store(position);
  }
  if (id == kTotalEaseSlider) ApplyTotalEase();  // moves the four sliders it stands for
  if (key->labelId != 0) UpdateSettingLabels();
  if (id == kSpeedSlider || id == kFreqSlider) RefreshStatusLines();
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
