// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/event.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// A thread waiting on several events at once: every event it waits on pokes it when set.
struct EventWaiter {
  std::mutex lock;
  std::condition_variable poked;
  bool wasPoked = false;
};

struct EventState {
  bool manualReset = false;
  std::atomic<bool> set{false};  // written under lock; read without it by IsEventSet
  std::mutex lock;
  std::condition_variable changed;    // single-event waiters
  std::vector<EventWaiter*> waiters;  // multi-event waiters registered with this event
};

namespace {

// Takes the event when it is set: an auto-reset event is cleared by the taker. Called under its lock.
bool TakeLocked(EventState& state) {
  if (!state.set.load(std::memory_order_relaxed)) return false;
  if (!state.manualReset) state.set.store(false, std::memory_order_relaxed);
  return true;
}

bool TryTake(EventState& state) {
  std::lock_guard<std::mutex> guard(state.lock);
  return TakeLocked(state);
}

int WaitForOne(EventState& state, uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(state.lock);
  const auto taken = [&] { return TakeLocked(state); };
  if (timeoutMs == kWaitForever) {
    state.changed.wait(lock, taken);
    return 0;
  }
  return state.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), taken) ? 0 : -1;
}

void Register(EventState& state, EventWaiter* waiter) {
  std::lock_guard<std::mutex> guard(state.lock);
  state.waiters.push_back(waiter);
}

void Unregister(EventState& state, EventWaiter* waiter) {
  std::lock_guard<std::mutex> guard(state.lock);
  state.waiters.erase(std::remove(state.waiters.begin(), state.waiters.end(), waiter), state.waiters.end());
}

}  // namespace

Event CreateEvent(bool manualReset, bool initiallySet) {
  Event event;
  event.state = std::make_shared<EventState>();
  event.state->manualReset = manualReset;
  event.state->set.store(initiallySet);
  return event;
}

bool EventExists(const Event& event) {
  return event.state != nullptr;
}

void SetEvent(const Event& event) {
  if (!event.state) return;
  EventState& state = *event.state;
  std::lock_guard<std::mutex> guard(state.lock);
  state.set.store(true, std::memory_order_release);
  state.changed.notify_all();
  for (EventWaiter* waiter : state.waiters) {
    std::lock_guard<std::mutex> hold(waiter->lock);
    waiter->wasPoked = true;
    waiter->poked.notify_one();
  }
}

void ResetEvent(const Event& event) {
  if (!event.state) return;
  std::lock_guard<std::mutex> guard(event.state->lock);
  event.state->set.store(false, std::memory_order_release);
}

bool IsEventSet(const Event& event) {
  return event.state && event.state->set.load(std::memory_order_acquire);
}

int WaitForAnyEvent(std::initializer_list<const Event*> events, uint32_t timeoutMs) {
  for (const Event* event : events) {
    if (!event || !event->state) return -1;
  }
  if (events.size() == 1) return WaitForOne(*(*events.begin())->state, timeoutMs);

  const auto firstTaken = [&]() -> int {
    int index = 0;
    for (const Event* event : events) {
      if (TryTake(*event->state)) return index;
      ++index;
    }
    return -1;
  };
  EventWaiter waiter;
  for (const Event* event : events) Register(*event->state, &waiter);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int fired = -1;
  for (;;) {
    // Registered before looking, so a set between the look and the wait pokes the waiter.
    fired = firstTaken();
    if (fired >= 0) break;
    std::unique_lock<std::mutex> lock(waiter.lock);
    if (timeoutMs == kWaitForever) {
      waiter.poked.wait(lock, [&] { return waiter.wasPoked; });
    } else if (!waiter.poked.wait_until(lock, deadline, [&] { return waiter.wasPoked; })) {
      lock.unlock();
      fired = firstTaken();  // one last look: set just as the time ran out
      break;
    }
    waiter.wasPoked = false;
  }
  for (const Event* event : events) Unregister(*event->state, &waiter);
  return fired;
}

bool WaitForEvent(const Event& event, uint32_t timeoutMs) {
  return WaitForAnyEvent({&event}, timeoutMs) == 0;
}
