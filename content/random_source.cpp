// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/random_source.h"

#include <ctime>

RandomSource randomSource;

void SeedRandom(uint32_t seed) {
  randomSource.state = seed;
  randomSource.seeded = true;
}

void SeedRandomOnce() {
  if (randomSource.seeded) return;
  SeedRandom(static_cast<uint32_t>(std::time(nullptr)));
}

int NextRandom() {
  randomSource.state = randomSource.state * 214013u + 2531011u;
  return static_cast<int>((randomSource.state >> 16) & 0x7FFF);
}

int RandomChoice(int n) {
  if (n <= 0) return 0;
  return NextRandom() % n;
}
