// SPDX-License-Identifier: GPL-3.0-or-later
// The serial key port.
//   1. state and backend
//   2. open, close and the failure texts
//   3. the monitor thread
//   4. key-type detection
#include "keying/key_port.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "core/app.h"
#include "core/clock.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/text.h"
#include "core/threads.h"

namespace {

// ---- 1. State and backend ---------------------------------------------------------------------------------

constexpr int kMonitorPriority = 20;  // as the keying thread: a contact change must not wait for a core
constexpr uint32_t kChangeWaitSliceMs = 50;  // the longest a waiting monitor goes without looking at its stop
constexpr uint64_t kPollPeriodUs = 1000;
constexpr uint32_t kDetectionMs = 1500;
constexpr uint32_t kDetectionSampleMs = 10;

struct KeyPort {
  const ModemLineBackend* backend = &TermiosModemLines();  // window thread, while closed
  std::atomic<int> handle{-1};                             // -1: closed; window thread writes
  std::u16string portName;                                 // of the open port; written before the monitor
};
KeyPort keyPort;

void StoreLevers(const ModemLines& lines) {
  keyLevers.serialDot.store(lines.dsr ? 1 : 0);
  keyLevers.serialDash.store(lines.cts ? 1 : 0);
}

void OpenSerialLevers() {
  keyLevers.serialDot.store(0);
  keyLevers.serialDash.store(0);
}

// A port name as the port list gives it: one path component under /dev.
bool PlainPortName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  for (char16_t c : name) {
    if (c == u'/' || c == 0) return false;
  }
  return true;
}

std::u16string ReasonText(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return u"アクセス権がありません（dialout グループに参加してください）";
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return u"ポートが見つかりません";
    case EBUSY:
      return u"ほかのプログラムが使用中です";
    case ENOTTY:
    case EINVAL:
      return u"電鍵をつなげるシリアルポートではありません";
    default:
      return Utf8ToUtf16(std::strerror(error));
  }
}

}  // namespace

void UseModemLineBackend(const ModemLineBackend& backend) {
  keyPort.backend = &backend;
}

// ---- 2. Open, close and the failure texts -----------------------------------------------------------------

std::u16string KeyPortOpenFailureText(const std::u16string& portName, int error) {
  return FormatText(u"シリアルポート %s を開けません：%s", {portName, ReasonText(error)});
}

bool OpenKeyPort(const std::u16string& portName) {
  int handle = -1;
  int error = ENOENT;
  const bool opened =
      PlainPortName(portName) && keyPort.backend->open("/dev/" + Utf16ToUtf8(portName), handle, error);
  ModemLines lines;
  if (opened && !keyPort.backend->read(handle, lines)) {
    error = EIO;
    keyPort.backend->close(handle);
    handle = -1;
  }
  if (handle < 0) {
    OpenSerialLevers();
    SetStatusText(KeyPortOpenFailureText(portName, error));
    return false;
  }
  keyPort.portName = portName;
  keyPort.handle.store(handle);
  StoreLevers(lines);
  return true;
}

void CloseKeyPort() {
  const int handle = keyPort.handle.exchange(-1);
  if (handle >= 0) keyPort.backend->close(handle);
  OpenSerialLevers();
}

bool KeyPortIsOpen() {
  return keyPort.handle.load() >= 0;
}

// ---- 3. The monitor thread --------------------------------------------------------------------------------

void KeyPortMonitorThread() {
  const Event stop = app.serialStopEvent;
  const ModemLineBackend& lines = *keyPort.backend;
  const std::u16string portName = keyPort.portName;
  RequestRealtimePriority(kMonitorPriority, ThreadRole::kSerialMonitor);
  bool polling = false;
  bool vanished = false;
  uint64_t pollDeadlineUs = MonotonicMicros();
  while (EventExists(stop) && !IsEventSet(stop)) {
    const int handle = keyPort.handle.load();
    if (handle < 0) {
      WaitForEvent(stop, 20);
      continue;
    }
    if (polling) {
      pollDeadlineUs += kPollPeriodUs;
      const uint64_t nowUs = MonotonicMicros();
      if (pollDeadlineUs < nowUs) pollDeadlineUs = nowUs;  // after a stall: on from now, no burst
      SleepUntilMicros(pollDeadlineUs);
    } else {
      const LineWait result = lines.waitForChange(handle, kChangeWaitSliceMs);
      if (result == LineWait::kUnsupported) {
        polling = true;
        pollDeadlineUs = MonotonicMicros();
      }
      // A time-out reads the lines too: a change that slipped in between the last read and the wait
      // (contact bounce) would otherwise hold a lever until the next change.
      if (result == LineWait::kFailed) {
        vanished = true;
        break;
      }
    }
    ModemLines now;
    if (!lines.read(handle, now)) {
      vanished = true;
      break;
    }
    StoreLevers(now);
  }
  OpenSerialLevers();
  if (vanished) {
    SetStatusText(
        FormatText(u"シリアルポート %s との接続が切れました。RX STOP で終了してください", {portName}));
  }
}

// ---- 4. Key-type detection --------------------------------------------------------------------------------

std::u16string KeyTypeName(const LineActivity& a, bool autoKeyer) {
  if (a.dsrOnSamples == 0 && a.ctsOnSamples == 0) return u"電鍵未操作または未判別";
  if (autoKeyer) return u"横振りオート";
  if ((a.dsrChanges > 0) != (a.ctsChanges > 0)) return u"縦振り";
  if (a.dsrChanges > 0 && a.ctsChanges > 0) return u"横振りマニュアル";
  return u"その他";
}

void DetectKeyType() {
  if (!KeyPortIsOpen() || !MainWindowExists()) return;
  LineActivity activity;
  ModemLines previous;
  const uint64_t startUs = MonotonicMicros();
  for (uint32_t sample = 0; sample * kDetectionSampleMs < kDetectionMs; ++sample) {
    const int handle = keyPort.handle.load();
    ModemLines now;
    if (handle < 0 || !keyPort.backend->read(handle, now)) break;
    activity.dsrOnSamples += now.dsr ? 1 : 0;
    activity.ctsOnSamples += now.cts ? 1 : 0;
    if (sample > 0) {
      activity.dsrChanges += now.dsr != previous.dsr ? 1 : 0;
      activity.ctsChanges += now.cts != previous.cts ? 1 : 0;
    }
    previous = now;
    if (IsWindowThread()) ProcessPostedMessages();
    SleepUntilMicros(startUs + static_cast<uint64_t>(sample + 1) * kDetectionSampleMs * 1000u);
  }
  const bool autoKeyer = practiceSettings.Auto.load() != 0;
  SetControlText(kRateLabel,
                 FormatText(u"電鍵種類: %s  J=DSR短点  K=CTS長点", {KeyTypeName(activity, autoKeyer)}));
}
