// SPDX-License-Identifier: GPL-3.0-or-later
// The tone-on flag and its timestamped edge ring.
//
// One producer (the keying thread) appends an edge whenever the keyed state changes; one consumer (the
// audio thread) takes them in order. Each slot is one 64-bit atomic holding (timeUs << 1) | on, so an edge
// is never torn. A consumer that fell a whole ring behind skips to the oldest slot that cannot be being
// overwritten; the producer announces each slot write in writeStarted first, so the consumer can tell after
// reading whether the producer may have reused the slot meanwhile.
#include "core/tone_flag.h"

#include <atomic>

namespace {

constexpr uint64_t kRingSize = 256;  // power of two; ~0.25 s of edges at the fastest keying

struct ToneFlagState {
  std::atomic<int32_t> toneOn{0};
  std::atomic<int32_t> lastEdgeOn{0};     // producer only: value of the last recorded edge
  std::atomic<uint64_t> writeStarted{0};  // producer: number of slot writes begun
  std::atomic<uint64_t> writeCount{0};    // producer: number of edges published
  std::atomic<uint64_t> readCount{0};     // consumer: number of edges taken
  std::atomic<uint64_t> slots[kRingSize] = {};
};
ToneFlagState toneFlag;

}  // namespace

void WriteToneOn(int32_t on, uint64_t timeUs) {
  on = on ? 1 : 0;
  toneFlag.toneOn.store(on, std::memory_order_release);
  if (toneFlag.lastEdgeOn.load(std::memory_order_relaxed) == on) return;
  toneFlag.lastEdgeOn.store(on, std::memory_order_relaxed);
  uint64_t index = toneFlag.writeCount.load(std::memory_order_relaxed);
  toneFlag.writeStarted.store(index + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  toneFlag.slots[index % kRingSize].store((timeUs << 1) | static_cast<uint64_t>(on),
                                          std::memory_order_relaxed);
  toneFlag.writeCount.store(index + 1, std::memory_order_release);
}

void ClearToneOn() {
  toneFlag.toneOn.store(0, std::memory_order_release);
}

int32_t ReadToneOn() {
  return toneFlag.toneOn.load(std::memory_order_acquire);
}

bool PopToneEdge(ToneEdge& edge) {
  uint64_t read = toneFlag.readCount.load(std::memory_order_relaxed);
  for (;;) {
    uint64_t written = toneFlag.writeCount.load(std::memory_order_acquire);
    if (read == written) {
      toneFlag.readCount.store(read, std::memory_order_relaxed);
      return false;
    }
    if (written - read > kRingSize) read = written - kRingSize;
    uint64_t packed = toneFlag.slots[read % kRingSize].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    // Slot `read` is reused by write number read + kRingSize; if that write has begun, the value may be
    // the newer edge: skip ahead and read again.
    if (toneFlag.writeStarted.load(std::memory_order_relaxed) > read + kRingSize) {
      read = toneFlag.writeStarted.load(std::memory_order_relaxed) - kRingSize;
      continue;
    }
    edge.timeUs = packed >> 1;
    edge.on = static_cast<int32_t>(packed & 1u);
    toneFlag.readCount.store(read + 1, std::memory_order_relaxed);
    return true;
  }
}

void DiscardToneEdges() {
  toneFlag.readCount.store(toneFlag.writeCount.load(std::memory_order_acquire), std::memory_order_relaxed);
}
