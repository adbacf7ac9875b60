// SPDX-License-Identifier: GPL-3.0-or-later
// Practice run control.
//   1. hooks, waits for worker threads
//   2. pause
//   3. starting and stopping runs
//   4. event-thread consumers
#include "practice/run_control.h"

#include <algorithm>

#include "audio/audio_engine.h"
#include "audio/band_simulation.h"
#include "content/telegram_document.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/keying_reset.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/text.h"
#include "core/tone_flag.h"
#include "keying/playback.h"
#include "practice/copy_judging.h"
#include "practice/judging.h"
#include "practice/typed_copy.h"
#include "records/practice_log.h"
#include "records/run_statistics.h"

RunControlState runControl;

namespace {

constexpr uint32_t kPlaybackStopWaitMs = 3000;
constexpr uint32_t kSerialMonitorStopWaitMs = 1000;
constexpr uint32_t kPortReopenDelayMs = 50;
constexpr uint32_t kMessagePumpSliceMs = 5;  // well under the 50 ms the window may go without its messages

RunControlHooks hooks;  // window thread

// The pause button back to "一旦停止" with the resume text, as every start and stop does first.
void ClearPause() {
  if (keyLevers.paused.exchange(0) != 0) {
    NotePauseEnded();
    ReleaseRunClock(ClockHold::kPaused, TickMs());
  }
  SetStatusText(runFlags.demonstration.load() != 0 ? u"デモ送信再開" : u"再開");
  SetControlText(kPauseButton, u"一旦停止");
}

// Playback keys the levers on a schedule that the learner hears: a preempted playback thread would stretch
// elements (a late key-up turns a dot into a dash), so it asks for real-time priority, below the keying
// thread that samples what it keys.
constexpr int kPlaybackPriority = 15;

bool LaunchPlayback(void (*body)()) {
  if (hooks.launchPlayback) return hooks.launchPlayback(runControl.playbackThread, body);
  return StartThread(runControl.playbackThread, [body] {
    RequestRealtimePriority(kPlaybackPriority, ThreadRole::kPlayback);
    body();
  });
}

// The port named in a port-list entry: the text inside its last parentheses ("USB Serial (ttyUSB0)").
// Empty when the entry has none.
std::u16string PortNameOf(const std::u16string& entry) {
  const size_t open = entry.rfind(u'(');
  if (open == std::u16string::npos) return {};
  const size_t close = entry.find(u')', open + 1);
  return entry.substr(open + 1, close == std::u16string::npos ? std::u16string::npos : close - open - 1);
}

// A run starts: the run before it counts if anything was judged, then empty copies and statistics, and the
// sheets follow the input. Event thread.
void ResetJudgingForRun() {
  FinishOpenRun();
  runFlags.copyClosedUpTo.store(0);
  judgeState.copySentUpTo = 0;
  judgeState.copyRevealedUpTo = 0;
  ResetJudging();
  telegramDocument.followInput = true;
}

}  // namespace

void ClearKeyLevers() {
  keyLevers.serialDot.store(0);
  keyLevers.serialDash.store(0);
  keyLevers.keyboardDot.store(0);
  keyLevers.keyboardDash.store(0);
}

void ReleaseSerialKey() {
  SetEvent(app.serialStopEvent);
  WaitAndForgetPumping(app.serialMonitorThread, kSerialMonitorStopWaitMs);
  if (app.closeSerialPort) app.closeSerialPort();
}

// ---- 1. Hooks, waits for worker threads -----------------------------------------------------------------

void InstallRunControlHooks(const RunControlHooks& installed) {
  hooks = installed;
}

const RunControlHooks& CurrentRunControlHooks() {
  return hooks;
}

bool WaitWithMessagePump(const ThreadSlot& slot, uint32_t timeoutMs) {
  if (!ThreadExists(slot)) return true;
  const uint32_t startMs = TickMs();
  for (;;) {
    if (ThreadFinished(slot)) return true;
    // Posted status texts keep flowing while the window thread waits here.
    if (IsWindowThread()) ProcessPostedMessages();
    const uint32_t elapsedMs = TickMs() - startMs;
    if (elapsedMs >= timeoutMs) return ThreadFinished(slot);
    SleepMs(std::min(kMessagePumpSliceMs, timeoutMs - elapsedMs));
  }
}

bool WaitAndForgetPumping(ThreadSlot& slot, uint32_t timeoutMs) {
  const bool ended = WaitWithMessagePump(slot, timeoutMs);
  WaitAndForget(slot, 0);  // joins a finished thread, abandons one that is still running
  if (IsWindowThread()) ProcessPostedMessages();
  return ended;
}

// ---- 2. Pause -------------------------------------------------------------------------------------------

void SetPause(bool paused) {
  if (paused) {
    if (keyLevers.paused.load() == 0) NotePauseStarted();
    HoldRunClock(ClockHold::kPaused, TickMs());
    keyLevers.paused.store(1);
    ResetKeyingState();  // levers open, tone off, queue empty, partly keyed code dropped
    SetStatusText(u"一旦停止中");
  } else {
    keyLevers.paused.store(0);
    NotePauseEnded();
    ReleaseRunClock(ClockHold::kPaused, TickMs());
    SetStatusText(runFlags.demonstration.load() != 0 ? u"デモ送信再開" : u"再開");
  }
  SetControlText(kPauseButton, paused ? u"再開" : u"一旦停止");
}

void TogglePause() {
  SetPause(keyLevers.paused.load() == 0);
  if (hooks.focusMainWindow) hooks.focusMainWindow();
}

// ---- 3. Starting and stopping runs ----------------------------------------------------------------------

void StopPlayback() {
  ClearPause();
  // Cleared even without a thread: a playback body run by other means (a virtual session) stops on it too.
  runFlags.playing.store(0);
  if (ThreadExists(runControl.playbackThread)) {
    WaitAndForgetPumping(runControl.playbackThread, kPlaybackStopWaitMs);
  }
  ResetKeyingState();
  runFlags.demonstration.store(0);
}

void StartPractice() {
  if (hooks.focusMainWindow) hooks.focusMainWindow();
  if (hooks.installKeyHook) hooks.installKeyHook();
  keyLevers.keyboardDot.store(0);
  keyLevers.keyboardDash.store(0);
  keyLevers.keyboardKeying.store(IsControlChecked(kKeyboardKeyerCheck) ? 1 : 0);
  ResetElementStatistics();
  RefreshStatusLines();
  StartStatusTimer();
  if (IsControlChecked(kReceiveRadio)) {
    StartReceivePlayback();
  } else {
    StartKeySending();
  }
}

void StartReceivePlayback() {
  ClearPause();
  StopPlayback();
  runFlags.demonstration.store(0);
  // A serial key left from send practice would key over the playback on the same levers.
  ReleaseSerialKey();
  const bool copy = IsControlChecked(kCopyReceiveCheck);
  runFlags.copyReceive.store(copy ? 1 : 0);
  if (copy) {
    // The keyboard types the copy: none of its keys is a lever.
    keyLevers.keyboardKeying.store(0);
    keyLevers.keyboardDot.store(0);
    keyLevers.keyboardDash.store(0);
  }
  ResetTypedCopy();
  if (hooks.copyTyping) hooks.copyTyping(copy);
  PostToEventThread(ResetJudgingForRun);
  SetStatusText(copy ? u"筆記受信中：聞こえた文字を入力してください（＝区切り ＋終わり）" : u"受信中");
  SelectDecodingMap(CurrentScript());
  runFlags.bandMasterSwitch.store(1);  // the received signal passes through the band conditions
  SetSoundUse(SoundUse::kReceiving);
  runFlags.playing.store(1);
  if (!LaunchPlayback(PlaybackRoutine)) {
    runFlags.playing.store(0);
    runFlags.bandMasterSwitch.store(0);
    SetSoundUse(SoundUse::kRest);
    ShowMessageBox(u"リアルタイム受信再生スレッドを開始できません。", u"ERROR", MessageBoxIcon::kError);
  }
}

void StartDemoSending() {
  ClearPause();
  StopPlayback();
  runFlags.demonstration.store(0);
  runFlags.copyReceive.store(0);
  if (hooks.copyTyping) hooks.copyTyping(false);
  ReleaseSerialKey();
  keyLevers.keyboardKeying.store(0);
  ClearKeyLevers();
  PostToEventThread(ResetJudgingForRun);
  SelectDecodingMap(CurrentScript());
  CheckRadioButton(kReceiveRadio, kSendRadio, kSendRadio);
  SetStatusText(u"デモ送信開始：J=短点 / K=長点");
  runFlags.bandMasterSwitch.store(1);
  SetSoundUse(SoundUse::kReceiving);
  runFlags.playing.store(1);
  runFlags.demonstration.store(1);
  if (!LaunchPlayback(DemonstrationThreadBody)) {
    runFlags.playing.store(0);
    runFlags.demonstration.store(0);
    runFlags.bandMasterSwitch.store(0);
    SetSoundUse(SoundUse::kRest);
    ShowMessageBox(u"デモ送信スレッドを開始できません。", u"ERROR", MessageBoxIcon::kError);
  }
}

void StartKeySending() {
  ClearPause();
  StopPlayback();
  runFlags.demonstration.store(0);
  runFlags.copyReceive.store(0);
  if (hooks.copyTyping) hooks.copyTyping(false);
  runFlags.bandMasterSwitch.store(0);  // the learner's own sidetone is the clean tone
  SetSoundUse(SoundUse::kSending);
  PostToEventThread(ResetJudgingForRun);
  SetStatusText(u"送信中");

  if (IsControlChecked(kKeyboardKeyerCheck)) {
    ReleaseSerialKey();
    ClearKeyLevers();
    SetStatusText(u"キー電鍵送信中  J=短点  K=長点");
    return;
  }

  const int selection = ControlSelection(kPortCombo);
  if (selection < 0) {
    ShowMessageBox(u"COMポートが選択されていません。", u"ERROR", MessageBoxIcon::kError);
    return;
  }
  const std::vector<std::u16string> entries = ControlItems(kPortCombo);
  if (selection >= static_cast<int>(entries.size())) return;
  const std::u16string port = PortNameOf(entries[static_cast<size_t>(selection)]);
  if (port.empty()) return;  // an entry without a port name starts nothing
  if ((hooks.keyPortIsOpen && hooks.keyPortIsOpen()) || ThreadExists(app.serialMonitorThread)) {
    // The running monitor ends before its port closes: it must not read a closed (or reused) descriptor,
    // and a new monitor started into its slot would drop a thread that is still running.
    ReleaseSerialKey();
    SleepMs(kPortReopenDelayMs);
  }
  // A failed open is not reported: the learner sees no key type on the message line.
  if (!hooks.openKeyPortHook || !hooks.openKeyPortHook(port)) return;
  ResetEvent(app.serialStopEvent);
  if (hooks.serialMonitorThread) StartThread(app.serialMonitorThread, hooks.serialMonitorThread);
  if (hooks.detectKeyType) hooks.detectKeyType();
}

void StopPractice() {
  ClearPause();
  keyLevers.keyboardKeying.store(0);
  ClearKeyLevers();
  if (hooks.removeKeyHook) hooks.removeKeyHook();
  if (hooks.copyTyping) hooks.copyTyping(false);
  StopStatusTimer();
  ResetBandSimulation();
  RefreshStatusLines();
  StopPlayback();
  ReleaseSerialKey();
  SetSoundUse(SoundUse::kRest);  // nothing can sound outside a run: the stream rests at no cost
  SetStatusText(u"停止");
  runFlags.demonstration.store(0);
  PostToEventThread([] {
    // What was practised counts, finished or not; typed input that was still on its way is judged first.
    FinishOpenRun();
    runFlags.copyReceive.store(0);
    telegramDocument.followInput = false;
    FlushPracticeLogs();
    RefreshSheets();  // a copy run's hidden models are shown once it is over
  });
}

// ---- 4. Event-thread consumers --------------------------------------------------------------------------

void ShowPlaybackTelegram(int32_t number) {
  TelegramDocument& doc = telegramDocument;
  number = std::clamp(number, 1, TelegramCount());
  // Normally the judge has reached this telegram by its end signal already. If it has not (the end signal
  // was never judged), it leaves the unfinished copy stored and follows the playback.
  while (doc.currentNumber < number && !judgeState.runFinished) AdvanceTelegram();
  if (doc.currentNumber > number) {
    // Paged ahead by hand: back to the telegram being sent, at its start.
    StoreWorkingRecord();
    doc.currentNumber = number;
    LoadWorkingRecord();
    judgeState.currentField = kNumber;
    judgeState.textPosition = 0;
    PublishSpaceExpected();
  }
  doc.shownPage = 0;
  UpdatePageLabels();
  RefreshSheets();
}

void InstallPracticeConsumers() {
  KeyEventConsumers consumers = JudgeConsumers();
  consumers.startTelegram = ShowPlaybackTelegram;
  consumers.typedCharacter = JudgeTypedCharacter;
  consumers.telegramSent = NoteTelegramSent;
  consumers.copyTimeOver = CloseCopyAtTimeOver;
  consumers.playbackEnded = FinishOpenRun;
  InstallKeyEventConsumers(consumers);
}
