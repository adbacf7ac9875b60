#include "core/app.h"

#include "core/event_queue.h"
#include "core/morse_table.h"
#include "core/shared_flags.h"

AppState app;

void StartUp(const WorkerBodies& bodies) {
  BuildMorseTables();
  SelectDecodingMap(Script::kKana);
  app.stopAllEvent = CreateEvent(true, false);
  app.serialStopEvent = CreateEvent(true, false);
  EnableEventQueue();
  // A thread that cannot be created is not reported: its slot stays empty and shutdown skips it.
  StartThread(app.eventThread, EventThreadMain);
  if (bodies.keyingThread) StartThread(app.keyingThread, bodies.keyingThread);
  if (bodies.audioThread) StartThread(app.audioThread, bodies.audioThread);
}

void ShutDown() {
  SetEvent(app.stopAllEvent);
  SetEvent(app.serialStopEvent);
  SignalQueueEvent();
  WaitAndForget(app.serialMonitorThread, kThreadExitWaitMs);
  WaitAndForget(app.keyingThread, kThreadExitWaitMs);
  WaitAndForget(app.eventThread, kThreadExitWaitMs);
  WaitAndForget(app.audioThread, kThreadExitWaitMs);
  if (app.closeSerialPort) app.closeSerialPort();
  // The events stay set rather than destroyed: an abandoned thread may still be looking at them.
  DisableEventQueue();
}
