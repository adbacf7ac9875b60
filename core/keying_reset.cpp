// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keying_reset.h"

#include "core/event_queue.h"
#include "core/shared_flags.h"
#include "core/tone_flag.h"

void ResetKeyingState() {
  keyLevers.serialDot.store(0);
  keyLevers.serialDash.store(0);
  keyLevers.keyboardDot.store(0);
  keyLevers.keyboardDash.store(0);
  ClearToneOn();
  ClearEventQueue();
  keyLevers.dropPendingCharacter.store(1);
}
