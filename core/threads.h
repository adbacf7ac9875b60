// SPDX-License-Identifier: GPL-3.0-or-later
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

// ---- Real-time priority
// What a thread obtained. Every thread that must not be starved (keying, the audio callback and libpulse's
// I/O thread, the key-port monitor, the playback that keys received telegrams) asks through
// RequestRealtimePriority; the program goes on at whatever it gets.
enum class ThreadPriority : int32_t {
  kNotAsked = -1,
  kNormal = 0,          // neither the system nor RealtimeKit granted anything
  kRealtime = 1,        // SCHED_FIFO set directly (root, CAP_SYS_NICE or an RLIMIT_RTPRIO)
  kRealtimeKit = 2,     // SCHED_RR granted by RealtimeKit over the system D-Bus
  kHighPriorityKit = 3  // RealtimeKit refused real-time but raised the nice level
};
// Whose grant the start log line reports.
enum class ThreadRole : int32_t { kOther, kKeying, kAudio, kSerialMonitor, kPlayback, kCount };

// Real-time scheduling for the calling thread: SCHED_FIFO at `priority` when the system allows it, else
// RealtimeKit (real-time, failing that a raised nice level), else normal priority. May block for a D-Bus
// round trip: call it at a thread's start, never on a real-time path.
ThreadPriority RequestRealtimePriority(int priority, ThreadRole role = ThreadRole::kOther);
// The same for another thread of this process, by its kernel thread id.
ThreadPriority RequestRealtimePriorityFor(int64_t threadId, int priority, ThreadRole role);
// Kernel thread id of the calling thread.
int64_t CurrentThreadId();
// The last grant recorded for a role (kNotAsked before any).
ThreadPriority ObtainedPriority(ThreadRole role);
// "real-time", "real-time (RealtimeKit)", "raised nice level (RealtimeKit)", "normal", "not asked".
const char* ThreadPriorityText(ThreadPriority priority);
