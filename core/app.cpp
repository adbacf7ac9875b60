// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/app.h"

#include "core/event_queue.h"
#include "core/failure_report.h"
#include "core/morse_table.h"
#include "core/shared_flags.h"
#include "core/text.h"

AppState app;

void StartUp(const WorkerBodies& bodies) {
  BuildMorseTables();
  SelectDecodingMap(Script::kKana);
  app.stopAllEvent = CreateEvent(true, false);
  app.serialStopEvent = CreateEvent(true, false);
  EnableEventQueue();
  // Marked before it starts, so nothing posted from now on runs beside it on the caller.
  SetEventThreadRunning(true);
  if (!StartThread(app.eventThread, EventThreadMain)) {
    SetEventThreadRunning(false);
    ReportThreadStartFailure(u"イベント");
  }
  if (bodies.keyingThread && !StartThread(app.keyingThread, bodies.keyingThread)) {
    ReportThreadStartFailure(u"キーイング");
  }
  if (bodies.audioThread && !StartThread(app.audioThread, bodies.audioThread)) {
    ReportThreadStartFailure(u"音声");
  }
}

void ReportThreadStartFailure(std::u16string_view role) {
  // The program goes on without the thread (its slot stays empty and shutdown skips it); the learner
  // must know why keying, judging or sound does nothing.
  ReportFailure(FailureKind::kThreadStart, FormatText(u"%sスレッドを開始できません", {std::u16string(role)}),
                "std::thread could not be created");
}

void ShutDown() {
  SetEvent(app.stopAllEvent);
  SetEvent(app.serialStopEvent);
  SignalQueueEvent();
  WaitAndForget(app.serialMonitorThread, kThreadExitWaitMs);
  WaitAndForget(app.keyingThread, kThreadExitWaitMs);
  if (WaitAndForget(app.eventThread, kThreadExitWaitMs)) SetEventThreadRunning(false);
  WaitAndForget(app.audioThread, kThreadExitWaitMs);
  if (app.closeSerialPort) app.closeSerialPort();
  // The events stay set rather than destroyed: an abandoned thread may still be looking at them.
  DisableEventQueue();
}
