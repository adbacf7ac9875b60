// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shared_flags.h"

Event leverChanged = CreateEvent(false, false);
KeyLevers keyLevers;

int32_t KeyLever::exchange(int32_t closed) {
  int32_t previous = value.exchange(closed);
  if (previous != closed) SetEvent(leverChanged);
  return previous;
}
RunFlags runFlags;
