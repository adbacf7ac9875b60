#include "core/threads.h"

#include <pthread.h>
#include <sched.h>

#include <thread>

#include "core/event.h"

struct ThreadRecord {
  std::thread thread;
  Event finished = CreateEvent(true, false);
};

bool StartThread(ThreadSlot& slot, std::function<void()> body) {
  auto record = std::make_shared<ThreadRecord>();
  try {
    Event finished = record->finished;
    record->thread = std::thread([body = std::move(body), finished]() {
      body();
      SetEvent(finished);
    });
  } catch (...) {
    return false;  // the system refused a thread; the caller reports it
  }
  slot.record = std::move(record);
  return true;
}

bool ThreadExists(const ThreadSlot& slot) {
  return slot.record != nullptr;
}

bool ThreadFinished(const ThreadSlot& slot) {
  return !slot.record || IsEventSet(slot.record->finished);
}

bool WaitAndForget(ThreadSlot& slot, uint32_t timeoutMs) {
  if (!slot.record) return true;
  std::shared_ptr<ThreadRecord> record = std::move(slot.record);
  slot.record.reset();
  bool ended = WaitForEvent(record->finished, timeoutMs);
  if (record->thread.joinable()) {
    if (ended) {
      record->thread.join();
    } else {
      record->thread.detach();  // abandoned: it ends on its own or with the process
    }
  }
  return ended;
}

void RequestRealtimePriority(int priority) {
  sched_param param{};
  param.sched_priority = priority;
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}
