#include "core/shared_flags.h"

#include "core/event_queue.h"
#include "core/tone_flag.h"

Event leverChanged = CreateEvent(false, false);
KeyLevers keyLevers;

int32_t KeyLever::exchange(int32_t closed) {
  int32_t previous = value.exchange(closed);
  if (previous != closed) SetEvent(leverChanged);
  return previous;
}
RunFlags runFlags;

void ResetKeyingState() {
  keyLevers.serialDot.store(0);
  keyLevers.serialDash.store(0);
  keyLevers.keyboardDot.store(0);
  keyLevers.keyboardDash.store(0);
  ClearToneOn();
  ClearEventQueue();
  keyLevers.dropPendingCharacter.store(1);
}
