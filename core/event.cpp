#include "core/event.h"

#include <chrono>
#include <vector>

// All events share one mutex and condition variable so a thread can wait for any of several events.
// Waits are rare (thread ends, queue wake-ups), so the shared lock costs nothing that matters.
struct EventState {
  bool manualReset = false;
  bool set = false;
};

namespace {
// Never destroyed: an abandoned thread may still set an event while the process exits.
std::mutex& eventMutex = *new std::mutex;
std::condition_variable& eventChanged = *new std::condition_variable;
}  // namespace

Event CreateEvent(bool manualReset, bool initiallySet) {
  Event event;
  event.state = std::make_shared<EventState>();
  event.state->manualReset = manualReset;
  event.state->set = initiallySet;
  return event;
}

bool EventExists(const Event& event) {
  return event.state != nullptr;
}

void SetEvent(const Event& event) {
  if (!event.state) return;
  {
    std::lock_guard<std::mutex> lock(eventMutex);
    event.state->set = true;
  }
  eventChanged.notify_all();
}

void ResetEvent(const Event& event) {
  if (!event.state) return;
  std::lock_guard<std::mutex> lock(eventMutex);
  event.state->set = false;
}

bool IsEventSet(const Event& event) {
  if (!event.state) return false;
  std::lock_guard<std::mutex> lock(eventMutex);
  return event.state->set;
}

int WaitForAnyEvent(std::initializer_list<const Event*> events, uint32_t timeoutMs) {
  for (const Event* event : events) {
    if (!event || !event->state) return -1;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(eventMutex);
  for (;;) {
    int index = 0;
    for (const Event* event : events) {
      if (event->state->set) {
        if (!event->state->manualReset) event->state->set = false;
        return index;
      }
      ++index;
    }
    if (timeoutMs == kWaitForever) {
      eventChanged.wait(lock);
    } else if (eventChanged.wait_until(lock, deadline) == std::cv_status::timeout) {
      // One last look: the event may have been set just as the time ran out.
      index = 0;
      for (const Event* event : events) {
        if (event->state->set) {
          if (!event->state->manualReset) event->state->set = false;
          return index;
        }
        ++index;
      }
      return -1;
    }
  }
}

bool WaitForEvent(const Event& event, uint32_t timeoutMs) {
  return WaitForAnyEvent({&event}, timeoutMs) == 0;
}
