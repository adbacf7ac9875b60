// SPDX-License-Identifier: GPL-3.0-or-later
// Process start-up and shutdown: tables, events, the queue and the three long-lived worker threads.
#pragma once
#include <string_view>

#include "core/event.h"
#include "core/threads.h"

struct AppState {
  Event stopAllEvent;     // manual-reset; shutdown sets it
  Event serialStopEvent;  // manual-reset; ends the serial monitor
  ThreadSlot eventThread, keyingThread, audioThread, serialMonitorThread;
  void (*closeSerialPort)() = nullptr;  // installed by the key-port code
};
extern AppState app;

// Bodies of the keying and audio threads; either may be null (that thread is not started).
struct WorkerBodies {
  void (*keyingThread)() = nullptr;
  void (*audioThread)() = nullptr;
};

// Tables, events, queue, then the event, keying and audio threads in that order.
void StartUp(const WorkerBodies& bodies);
// A worker thread did not start: said on the message line and stderr; the program goes on without it.
void ReportThreadStartFailure(std::u16string_view role);
// Stop events, waits of at most 1500 ms per thread, serial port, events, queue. Safe to call twice.
void ShutDown();
constexpr uint32_t kThreadExitWaitMs = 1500;
