// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/cross_thread_call.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>
#include <atomic>

#include "core/event.h"

namespace {

std::atomic<uint64_t> handOff{0};

const QEvent::Type kCallEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

struct CallEvent : QEvent {
  explicit CallEvent(std::function<void()> function) : QEvent(kCallEventType), call(std::move(function)) {}
  std::function<void()> call;
};

// Lives on the window thread and runs the calls posted to it.
class CallReceiver : public QObject {
 public:
  bool event(QEvent* event) override {
    // First of all: the poster wrote the whole event before it bumped the counter.
    handOff.load(std::memory_order_acquire);
    if (event->type() != kCallEventType) return QObject::event(event);
    static_cast<CallEvent*>(event)->call();
    return true;
  }
};

CallReceiver* Receiver() {
  static CallReceiver* receiver = [] {
    auto* made = new CallReceiver;  // lives as long as the process: late calls must find it
    made->moveToThread(QCoreApplication::instance()->thread());
    return made;
  }();
  return receiver;
}

bool OnWindowThread() {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

void QueueOnWindowThread(std::function<void()> call) {
  if (!QCoreApplication::instance()) return;
  auto* event = new CallEvent(std::move(call));
  handOff.fetch_add(1, std::memory_order_acq_rel);
  QCoreApplication::postEvent(Receiver(), event);
}

void RunOnWindowThreadAndWait(std::function<void()> call) {
  if (!QCoreApplication::instance()) return;
  if (OnWindowThread()) {
    call();
    return;
  }
  const Event done = CreateEvent(true, false);
  QueueOnWindowThread([&call, done] {
    call();
    SetEvent(done);
  });
  WaitForEvent(done, kWaitForever);
}

bool IsQueuedCallReceiver(const QObject* object) {
  return object != nullptr && QCoreApplication::instance() && object == Receiver();
}
