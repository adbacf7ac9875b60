// SPDX-License-Identifier: GPL-3.0-or-later
// Manual- or auto-reset event, as the worker threads wait on them.
//
// Each event has its own lock and condition variable, so a set wakes only the threads waiting on that
// event. A wait on several events registers one waiter with each of them. IsEventSet takes no lock: the
// keying tick and other real-time loops may poll it.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>

struct EventState;

struct Event {
  std::shared_ptr<EventState> state;  // empty: no event (a wait on it fails)
};

Event CreateEvent(bool manualReset, bool initiallySet);
bool EventExists(const Event& event);
void SetEvent(const Event& event);
void ResetEvent(const Event& event);
bool IsEventSet(const Event& event);  // an atomic load, no lock, no system call
// Waits until the event is set or the time-out passes; an auto-reset event is reset by a successful wait.
// kWaitForever waits without time-out. Returns false on time-out or when the event does not exist.
constexpr uint32_t kWaitForever = 0xFFFFFFFFu;
bool WaitForEvent(const Event& event, uint32_t timeoutMs);
// Waits for the first of several events; returns its index, or -1 on time-out or a missing event. When
// several are set, the first in the list wins (an auto-reset one is reset only when it is the one taken).
int WaitForAnyEvent(std::initializer_list<const Event*> events, uint32_t timeoutMs);
