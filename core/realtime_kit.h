// SPDX-License-Identifier: GPL-3.0-or-later
// RealtimeKit: the desktop's way to real-time scheduling for a user who may not set it himself. The daemon
// (org.freedesktop.RealtimeKit1 on the system D-Bus) sets SCHED_RR, or a raised nice level, on a thread of
// the calling process, within limits of its own; before it grants real-time it requires the process to cap
// its RLIMIT_RTTIME at the daemon's RTTimeUSecMax, so that a runaway real-time thread is killed rather
// than freezing the desktop.
//
// Any thread may call these; each call opens its own private bus connection and closes it again (they are
// made once per thread start, never on a real-time path). The system bus address comes from
// DBUS_SYSTEM_BUS_ADDRESS when set (tests run a private bus), else the standard socket.
#pragma once
#include <cstdint>

// Makes the kernel thread `threadId` of this process real-time at `priority`, lowered to the daemon's
// MaxRealtimePriority; RLIMIT_RTTIME is lowered to the daemon's RTTimeUSecMax first. False when no bus or
// no daemon answers, or the daemon refuses.
bool RealtimeKitMakeRealtime(int64_t threadId, int32_t priority);
// Raises the nice level of thread `threadId` to the daemon's MinNiceLevel (its best). False as above.
bool RealtimeKitMakeHighPriority(int64_t threadId);
