// SPDX-License-Identifier: GPL-3.0-or-later
// The event thread's queues.
//   1. the keying ring (single producer, lock-free) and the posted queue (locked)
//   2. taking records and work in stamp order
//   3. dispatch and the thread body
#include "core/event_queue.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>

#include "core/app.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/event.h"
#include "core/morse_table.h"
#include "core/shared_flags.h"

namespace {

// ---- 1. Queues -------------------------------------------------------------------------------------------

// One stamp for every record and every piece of work, whichever queue it goes into.
std::atomic<uint64_t> nextStamp{1};

struct RingSlot {
  uint64_t stamp = 0;
  KeyEvent event;
};

// Written by the keying thread only, read by the event thread only. The counters only grow; a slot is
// counter % size. `cleared` is where ClearEventQueue asked the reader to skip to.
struct KeyRing {
  RingSlot slots[kEventQueueSlots];
  std::atomic<uint64_t> written{0};
  std::atomic<uint64_t> read{0};
  std::atomic<uint64_t> cleared{0};
  std::atomic<uint32_t> dropped{0};
};

struct PostedItem {
  uint64_t stamp = 0;
  KeyEvent event;  // kind kNone: this item is work
  std::function<void()> work;
  uint64_t ticket = 0;
};

struct PostedQueue {
  std::mutex lock;
  std::deque<PostedItem> items;
  uint64_t nextTicket = 1;  // under lock
};

KeyRing ring;
PostedQueue posted;
std::atomic<uint64_t> reachedTicket{0};  // the last ticket whose work has run
std::atomic<bool> enabled{false};
std::atomic<bool> eventThreadRunning{false};
std::atomic<bool> droppedReported{false};
Event& workEvent = *new Event(CreateEvent(false, false));  // never destroyed: abandoned threads may set it

std::atomic<void (*)(char16_t, uint32_t, uint32_t)> recordElementConsumer{nullptr};
std::atomic<bool (*)(const std::string&)> specialSignalConsumer{nullptr};
std::atomic<void (*)(char16_t)> judgeConsumer{nullptr};
std::atomic<bool (*)()> spaceExpectedConsumer{nullptr};
std::atomic<void (*)(int32_t)> startTelegramConsumer{nullptr};
std::atomic<void (*)(char16_t)> typedConsumer{nullptr};
std::atomic<void (*)(int32_t)> telegramSentConsumer{nullptr};
std::atomic<void (*)(int32_t)> copyTimeOverConsumer{nullptr};
std::atomic<void (*)()> playbackEndedConsumer{nullptr};

void SkipClearedRecords() {
  const uint64_t mark = ring.cleared.load(std::memory_order_acquire);
  const uint64_t readCount = ring.read.load(std::memory_order_relaxed);
  if (mark <= readCount) return;
  const uint64_t written = ring.written.load(std::memory_order_acquire);
  ring.read.store(std::min(mark, written), std::memory_order_release);
}

// The stamp of the ring's oldest record, 0 when it is empty.
uint64_t RingHeadStamp() {
  const uint64_t readCount = ring.read.load(std::memory_order_relaxed);
  if (readCount == ring.written.load(std::memory_order_acquire)) return 0;
  return ring.slots[readCount % kEventQueueSlots].stamp;
}

KeyEvent TakeRingHead() {
  const uint64_t readCount = ring.read.load(std::memory_order_relaxed);
  KeyEvent event = ring.slots[readCount % kEventQueueSlots].event;
  ring.read.store(readCount + 1, std::memory_order_release);
  return event;
}

void RunWork(PostedItem& item) {
  if (item.work) item.work();
  uint64_t reached = reachedTicket.load(std::memory_order_relaxed);
  while (reached < item.ticket && !reachedTicket.compare_exchange_weak(reached, item.ticket)) {
  }
}

}  // namespace

void EnableEventQueue() {
  std::lock_guard<std::mutex> guard(posted.lock);
  ring.read.store(ring.written.load());
  ring.cleared.store(0);
  posted.items.clear();
  enabled.store(true);
}

void DisableEventQueue() {
  std::lock_guard<std::mutex> guard(posted.lock);
  enabled.store(false);
  ring.read.store(ring.written.load());
  posted.items.clear();
}

void PushKeyEvent(const KeyEvent& event) {
  if (!enabled.load(std::memory_order_acquire)) return;
  const uint64_t written = ring.written.load(std::memory_order_relaxed);
  if (written - ring.read.load(std::memory_order_acquire) >= kEventQueueSlots) {
    // The reader owns the older records, so the new one goes; the event thread reports the loss.
    ring.dropped.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  RingSlot& slot = ring.slots[written % kEventQueueSlots];
  slot.stamp = nextStamp.fetch_add(1, std::memory_order_acq_rel);
  slot.event = event;
  ring.written.store(written + 1, std::memory_order_release);
}

void PostKeyEvent(const KeyEvent& event) {
  if (!enabled.load(std::memory_order_acquire)) return;
  {
    std::lock_guard<std::mutex> guard(posted.lock);
    size_t records = 0;
    for (const PostedItem& item : posted.items) records += item.event.kind != KeyEventKind::kNone;
    if (records >= kEventQueueSlots - 1) {
      // Nobody drains the queue (the event thread is stuck): the oldest record goes, as the ring's loss
      // would be, and is counted with it.
      auto oldest = std::find_if(posted.items.begin(), posted.items.end(), [](const PostedItem& item) {
        return item.event.kind != KeyEventKind::kNone;
      });
      posted.items.erase(oldest);
      ring.dropped.fetch_add(1, std::memory_order_relaxed);
    }
    PostedItem item;
    item.stamp = nextStamp.fetch_add(1, std::memory_order_acq_rel);
    item.event = event;
    posted.items.push_back(std::move(item));
  }
  SetEvent(workEvent);
}

KeyEvent ElementEvent(char16_t element, uint32_t durationMs, uint32_t tickMs) {
  KeyEvent event;
  event.kind = KeyEventKind::kElement;
  event.element = element;
  event.durationMs = durationMs;
  event.tickMs = tickMs;
  return event;
}

KeyEvent CharacterEvent(const char* code, uint32_t tickMs) {
  KeyEvent event;
  event.kind = KeyEventKind::kCharacter;
  event.tickMs = tickMs;
  if (code) std::strncpy(event.code, code, sizeof(event.code) - 1);
  return event;
}

KeyEvent WordGapEvent(uint32_t tickMs) {
  KeyEvent event;
  event.kind = KeyEventKind::kWordGap;
  event.tickMs = tickMs;
  return event;
}

KeyEvent PlaybackProgressEvent(KeyEventKind kind, int32_t number, uint32_t tickMs) {
  KeyEvent event;
  event.kind = kind;
  event.telegramNumber = number;
  event.tickMs = tickMs;
  return event;
}

KeyEvent TelegramStartEvent(int32_t number, uint32_t tickMs) {
  return PlaybackProgressEvent(KeyEventKind::kTelegramStart, number, tickMs);
}

KeyEvent TypedEvent(char16_t typed, uint32_t tickMs) {
  KeyEvent event;
  event.kind = KeyEventKind::kTyped;
  event.typed = typed;
  event.tickMs = tickMs;
  return event;
}

void ClearEventQueue() {
  if (!enabled.load()) return;
  const uint64_t mark = ring.written.load(std::memory_order_acquire);
  uint64_t cleared = ring.cleared.load(std::memory_order_relaxed);
  while (cleared < mark && !ring.cleared.compare_exchange_weak(cleared, mark)) {
  }
}

void SetCallUpKeying(bool keying) {
  runFlags.callUpKeying.store(keying ? 1 : 0);
  KeyEvent event;
  event.kind = KeyEventKind::kCallUp;
  event.callUpBegins = keying;
  PostKeyEvent(event);
}

// ---- 2. Stamp order --------------------------------------------------------------------------------------

bool PopKeyEvent(KeyEvent& event) {
  for (;;) {
    if (!enabled.load(std::memory_order_acquire)) return false;
    SkipClearedRecords();
    // The ring first, the posted queue second: a posted item that happened after a ring record is then
    // seen with it. When the posted item wins, the ring is looked at again under the lock for a record
    // that happened before that item and arrived meanwhile.
    uint64_t ringStamp = RingHeadStamp();
    PostedItem item;
    {
      std::lock_guard<std::mutex> guard(posted.lock);
      const uint64_t postedStamp = posted.items.empty() ? 0 : posted.items.front().stamp;
      if (postedStamp != 0 && ringStamp == 0) ringStamp = RingHeadStamp();
      if (postedStamp == 0 || (ringStamp != 0 && ringStamp < postedStamp)) {
        if (ringStamp == 0) return false;
        event = TakeRingHead();
        return true;
      }
      item = std::move(posted.items.front());
      posted.items.pop_front();
    }
    if (item.event.kind != KeyEventKind::kNone) {
      event = item.event;
      return true;
    }
    RunWork(item);
  }
}

int QueuedEventCount() {
  SkipClearedRecords();
  std::lock_guard<std::mutex> guard(posted.lock);
  int count = static_cast<int>(ring.written.load() - ring.read.load());
  for (const PostedItem& item : posted.items) count += item.event.kind != KeyEventKind::kNone;
  return count;
}

uint32_t DroppedKeyEventCount() {
  return ring.dropped.load(std::memory_order_relaxed);
}

uint64_t PostToEventThread(std::function<void()> work) {
  if (!eventThreadRunning.load(std::memory_order_acquire)) {
    if (work) work();
    return 0;
  }
  uint64_t ticket;
  {
    std::lock_guard<std::mutex> guard(posted.lock);
    PostedItem item;
    item.stamp = nextStamp.fetch_add(1, std::memory_order_acq_rel);
    item.work = std::move(work);
    item.ticket = ticket = posted.nextTicket++;
    posted.items.push_back(std::move(item));
  }
  SetEvent(workEvent);
  return ticket;
}

bool EventThreadReached(uint64_t ticket) {
  return reachedTicket.load(std::memory_order_acquire) >= ticket;
}

namespace {
bool WaitForTicket(uint64_t ticket, uint32_t timeoutMs) {
  const uint32_t startMs = TickMs();
  while (!EventThreadReached(ticket)) {
    if (TickMs() - startMs >= timeoutMs) return false;
    if (IsWindowThread()) ProcessPostedMessages();
    SleepMs(1);
  }
  return true;
}
}  // namespace

bool RunOnEventThreadAndWait(std::function<void()> work, uint32_t timeoutMs) {
  return WaitForTicket(PostToEventThread(std::move(work)), timeoutMs);
}

bool EventThreadRunning() {
  return eventThreadRunning.load(std::memory_order_acquire);
}

void SetEventThreadRunning(bool running) {
  eventThreadRunning.store(running, std::memory_order_release);
}

// ---- 3. Dispatch and the thread --------------------------------------------------------------------------

void InstallKeyEventConsumers(const KeyEventConsumers& consumers) {
  recordElementConsumer.store(consumers.recordElement);
  specialSignalConsumer.store(consumers.handleSpecialSignal);
  judgeConsumer.store(consumers.judgeInputCharacter);
  spaceExpectedConsumer.store(consumers.spaceExpected);
  startTelegramConsumer.store(consumers.startTelegram);
  typedConsumer.store(consumers.typedCharacter);
  telegramSentConsumer.store(consumers.telegramSent);
  copyTimeOverConsumer.store(consumers.copyTimeOver);
  playbackEndedConsumer.store(consumers.playbackEnded);
}

bool QuerySpaceExpected() {
  auto consumer = spaceExpectedConsumer.load();
  return consumer && consumer();
}

void DispatchKeyEvent(const KeyEvent& event) {
  switch (event.kind) {
    case KeyEventKind::kElement:
      if (auto record = recordElementConsumer.load()) record(event.element, event.durationMs, event.tickMs);
      break;
    case KeyEventKind::kCharacter: {
      // In copy receive the learner's typing is judged; what the program decodes of its own sending is not.
      if (runFlags.copyReceive.load() != 0) break;
      std::string code(event.code, strnlen(event.code, sizeof(event.code)));
      auto special = specialSignalConsumer.load();
      if (special && special(code)) break;
      char16_t c = DecodeCode(code);
      if (auto judge = judgeConsumer.load()) judge(c);
      break;
    }
    case KeyEventKind::kWordGap:
      if (runFlags.copyReceive.load() == 0 && QuerySpaceExpected()) {
        if (auto judge = judgeConsumer.load()) judge(u' ');
      }
      break;
    case KeyEventKind::kTelegramStart:
      if (auto start = startTelegramConsumer.load()) start(event.telegramNumber);
      break;
    case KeyEventKind::kCallUp:
      runFlags.CallUpSending.store(event.callUpBegins ? 1 : 0);
      break;
    case KeyEventKind::kTyped:
      if (auto typed = typedConsumer.load()) typed(event.typed);
      break;
    case KeyEventKind::kTelegramSent:
      if (auto sent = telegramSentConsumer.load()) sent(event.telegramNumber);
      break;
    case KeyEventKind::kCopyTimeOver:
      if (auto over = copyTimeOverConsumer.load()) over(event.telegramNumber);
      break;
    case KeyEventKind::kPlaybackEnded:
      if (auto ended = playbackEndedConsumer.load()) ended();
      break;
    case KeyEventKind::kNone:
      break;
  }
}

void SignalQueueEvent() {
  SetEvent(workEvent);
}

void RunEventThreadWork() {
  KeyEvent event;
  while (PopKeyEvent(event)) DispatchKeyEvent(event);
  const uint32_t dropped = DroppedKeyEventCount();
  if (dropped != 0 && !droppedReported.exchange(true)) {
    std::fprintf(stderr, "nemora: the keying queue was full; %u keying records were dropped\n", dropped);
    SetStatusText(u"キーイングの記録があふれ、一部を捨てました（処理が追いつきません）");
  }
}

namespace {
// The keying thread wakes nobody when it pushes: the ring is looked at this often.
constexpr uint32_t kRingPollMs = 4;
}  // namespace

void EventThreadMain() {
  for (;;) {
    const int fired = WaitForAnyEvent({&app.stopAllEvent, &workEvent}, kRingPollMs);
    if (fired == 0 || IsEventSet(app.stopAllEvent)) return;
    RunEventThreadWork();
  }
}
