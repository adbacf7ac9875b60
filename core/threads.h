// Worker threads that can be waited for with a time-out and abandoned when they do not end.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

struct ThreadRecord;

struct ThreadSlot {
  std::shared_ptr<ThreadRecord> record;  // empty: no thread
};

// Starts body on a new thread; false (slot left empty) when the thread cannot be created.
bool StartThread(ThreadSlot& slot, std::function<void()> body);
bool ThreadExists(const ThreadSlot& slot);
bool ThreadFinished(const ThreadSlot& slot);
// Waits up to timeoutMs for the thread to end. Ended: joined. Still running: detached and forgotten.
// The slot is emptied in both cases. Returns whether it ended in time.
bool WaitAndForget(ThreadSlot& slot, uint32_t timeoutMs);

// Asks for real-time scheduling (SCHED_FIFO) for the calling thread; failure is ignored.
void RequestRealtimePriority(int priority);
