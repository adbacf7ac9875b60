// SPDX-License-Identifier: GPL-3.0-or-later
// Calls from the worker threads onto the window thread.
//
// Qt hands a queued call to the window thread through its own locks, which the thread sanitizer cannot see
// (Qt is not built with it). Here the call is made by us before it is posted, and every poster and every
// delivery touches one atomic counter (read-modify-writes form one release sequence), so the call is
// ordered after everything its poster did, for the sanitizer as for the hardware. Any thread.
#pragma once
#include <functional>

class QObject;

// Queued: runs `call` on the window thread soon; at once when already there.
void QueueOnWindowThread(std::function<void()> call);
// Runs `call` on the window thread and returns when it has run.
void RunOnWindowThreadAndWait(std::function<void()> call);
// Whether `object` is where the queued calls are delivered. An application-wide event filter leaves their
// events unread: a call's event is ordered after its poster only once it is delivered.
bool IsQueuedCallReceiver(const QObject* object);
