// SPDX-License-Identifier: GPL-3.0-or-later
// The one pseudo-random source of the text generators (kana and English telegrams).
//
//   state = state × 214013 + 2531011  (mod 2^32)      value = bits 16..30 of state, 0 … 32767
//
// A seed gives the same sequence on every machine, so a seed reproduces a batch. Window thread only (the
// generators run inside the window's commands, or in nemora-cli).
#pragma once
#include <cstdint>

struct RandomSource {
  uint32_t state = 1;
  bool seeded = false;  // set by the first seeding; later generations continue the sequence
};
extern RandomSource randomSource;

// Sets the state to seed and marks the source as seeded.
void SeedRandom(uint32_t seed);
// Seeds from the time of day in whole seconds, unless the source was seeded before.
void SeedRandomOnce();
// The next value, 0 … 32767.
int NextRandom();
// A choice among n: the next value modulo n. n <= 0 draws nothing and gives 0.
int RandomChoice(int n);
