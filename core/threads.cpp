// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/threads.h"

#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "core/event.h"
#include "core/realtime_kit.h"

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

// ---- Real-time priority ----

namespace {

std::atomic<int32_t> obtained[static_cast<int>(ThreadRole::kCount)] = {-1, -1, -1, -1, -1};

ThreadPriority Record(ThreadRole role, ThreadPriority priority) {
  obtained[static_cast<int>(role)].store(static_cast<int32_t>(priority));
  return priority;
}

}  // namespace

int64_t CurrentThreadId() {
  return static_cast<int64_t>(syscall(SYS_gettid));
}

ThreadPriority RequestRealtimePriorityFor(int64_t threadId, int priority, ThreadRole role) {
  sched_param param{};
  param.sched_priority = priority;
  if (sched_setscheduler(static_cast<pid_t>(threadId), SCHED_FIFO, &param) == 0) {
    return Record(role, ThreadPriority::kRealtime);
  }
  // An ordinary desktop user has no real-time limit: ask the desktop's broker instead.
  if (RealtimeKitMakeRealtime(threadId, priority)) return Record(role, ThreadPriority::kRealtimeKit);
  if (RealtimeKitMakeHighPriority(threadId)) return Record(role, ThreadPriority::kHighPriorityKit);
  return Record(role, ThreadPriority::kNormal);
}

ThreadPriority RequestRealtimePriority(int priority, ThreadRole role) {
  return RequestRealtimePriorityFor(CurrentThreadId(), priority, role);
}

ThreadPriority ObtainedPriority(ThreadRole role) {
  return static_cast<ThreadPriority>(obtained[static_cast<int>(role)].load());
}

const char* ThreadPriorityText(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::kRealtime:
      return "real-time";
    case ThreadPriority::kRealtimeKit:
      return "real-time (RealtimeKit)";
    case ThreadPriority::kHighPriorityKit:
      return "raised nice level (RealtimeKit)";
    case ThreadPriority::kNormal:
      return "normal";
    case ThreadPriority::kNotAsked:
      break;
  }
  return "not asked";
}
