#include "core/event_queue.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "core/app.h"
#include "core/event.h"
#include "core/morse_table.h"
#include "core/shared_flags.h"

namespace {

struct EventQueue {
  KeyEvent slots[kEventQueueSlots];
  int readIndex = 0;                             // next record to take
  int writeIndex = 0;                            // next slot to fill; equal indices mean empty
  std::mutex lock;                               // guards the slots and both indices
  Event queueEvent = CreateEvent(false, false);  // auto-reset, set after every push
  std::atomic<bool> enabled{false};
};

EventQueue queue;

std::atomic<void (*)(char16_t, uint32_t, uint32_t)> recordElementConsumer{nullptr};
std::atomic<bool (*)(const std::string&)> specialSignalConsumer{nullptr};
std::atomic<void (*)(char16_t)> judgeConsumer{nullptr};
std::atomic<bool (*)()> spaceExpectedConsumer{nullptr};
std::atomic<void (*)(int32_t)> startTelegramConsumer{nullptr};

}  // namespace

void EnableEventQueue() {
  std::lock_guard<std::mutex> guard(queue.lock);
  queue.readIndex = 0;
  queue.writeIndex = 0;
  queue.enabled.store(true);
}

void DisableEventQueue() {
  std::lock_guard<std::mutex> guard(queue.lock);
  queue.enabled.store(false);
  queue.readIndex = 0;
  queue.writeIndex = 0;
}

void PushKeyEvent(const char* code, int32_t kind, char16_t element, uint32_t durationMs, uint32_t tickMs) {
  if (!queue.enabled.load()) return;
  {
    std::lock_guard<std::mutex> guard(queue.lock);
    int next = (queue.writeIndex + 1) % kEventQueueSlots;
    if (next == queue.readIndex) queue.readIndex = (queue.readIndex + 1) % kEventQueueSlots;  // drop oldest
    KeyEvent& slot = queue.slots[queue.writeIndex];
    std::memset(&slot, 0, sizeof(slot));
    slot.kind = kind;
    slot.element = element;
    slot.durationMs = durationMs;
    slot.tickMs = tickMs;
    if (code) std::strncpy(slot.code, code, sizeof(slot.code) - 1);
    queue.writeIndex = next;
  }
  SetEvent(queue.queueEvent);
}

void ClearEventQueue() {
  if (!queue.enabled.load()) return;
  std::lock_guard<std::mutex> guard(queue.lock);
  queue.readIndex = 0;
  queue.writeIndex = 0;
}

void SetCallUpKeying(bool keying) {
  runFlags.callUpKeying.store(keying ? 1 : 0);
  PushKeyEvent(nullptr, kCallUpEvent, 0, keying ? 1 : 0, 0);
}

bool PopKeyEvent(KeyEvent& event) {
  if (!queue.enabled.load()) return false;
  std::lock_guard<std::mutex> guard(queue.lock);
  if (queue.readIndex == queue.writeIndex) return false;
  event = queue.slots[queue.readIndex];
  queue.readIndex = (queue.readIndex + 1) % kEventQueueSlots;
  return true;
}

int QueuedEventCount() {
  std::lock_guard<std::mutex> guard(queue.lock);
  return (queue.writeIndex - queue.readIndex + kEventQueueSlots) % kEventQueueSlots;
}

void InstallKeyEventConsumers(const KeyEventConsumers& consumers) {
  recordElementConsumer.store(consumers.recordElement);
  specialSignalConsumer.store(consumers.handleSpecialSignal);
  judgeConsumer.store(consumers.judgeInputCharacter);
  spaceExpectedConsumer.store(consumers.spaceExpected);
  startTelegramConsumer.store(consumers.startTelegram);
}

bool QuerySpaceExpected() {
  auto consumer = spaceExpectedConsumer.load();
  return consumer && consumer();
}

void DispatchKeyEvent(const KeyEvent& event) {
  switch (event.kind) {
    case 1:
      if (auto record = recordElementConsumer.load()) record(event.element, event.durationMs, event.tickMs);
      break;
    case 2: {
      std::string code(event.code, strnlen(event.code, sizeof(event.code)));
      auto special = specialSignalConsumer.load();
      if (special && special(code)) break;
      char16_t c = DecodeCode(code);
      if (auto judge = judgeConsumer.load()) judge(c);
      break;
    }
    case 3:
      if (QuerySpaceExpected()) {
        if (auto judge = judgeConsumer.load()) judge(u' ');
      }
      break;
    case 4:
      if (auto start = startTelegramConsumer.load()) start(static_cast<int32_t>(event.durationMs));
      break;
    case kCallUpEvent:
      runFlags.CallUpSending.store(event.durationMs != 0 ? 1 : 0);
      break;
    default:
      break;
  }
}

void SignalQueueEvent() {
  SetEvent(queue.queueEvent);
}

void EventThreadMain() {
  for (;;) {
    int fired = WaitForAnyEvent({&app.stopAllEvent, &queue.queueEvent}, kWaitForever);
    if (fired != 1) return;  // stop-all, or the wait failed
    KeyEvent event;
    while (queue.enabled.load() && PopKeyEvent(event)) DispatchKeyEvent(event);
  }
}
