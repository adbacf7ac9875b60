// SPDX-License-Identifier: GPL-3.0-or-later
// The tone-on flag: the keyed state that the audio engine sounds.
//
// A buffer is rendered in one burst, so sampling the flag per frame would move every key edge to a buffer
// boundary. The keying thread therefore stamps each change with the time it made it; the audio loop applies
// each change at the frame that corresponds to that time plus one constant output delay.
#pragma once
#include <cstdint>

struct ToneEdge {
  uint64_t timeUs;  // MonotonicMicros() when the change was made
  int32_t on;       // 0 or 1
};

// Keying thread only (the single producer of edges): stores the value and, when it changed, records an edge.
void WriteToneOn(int32_t on, uint64_t timeUs);
// Any thread: clears the flag (pause, keying resets, audio end). The keying thread rewrites the flag and
// its edge on its next tick, so the edge stream stays the keying thread's alone.
void ClearToneOn();
int32_t ReadToneOn();

// Audio thread only (the single consumer): the oldest edge not yet taken. When the consumer fell more than
// the ring's capacity behind, the oldest edges are skipped. False when no edge is waiting.
bool PopToneEdge(ToneEdge& edge);
// Audio thread: drops every waiting edge (used when the stream (re)starts).
void DiscardToneEdges();
