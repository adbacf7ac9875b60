// SPDX-License-Identifier: GPL-3.0-or-later
// The keying thread: runs the keying tick every millisecond on the shared levers and settings.
#pragma once
#include "keying/keying_tick.h"

// Keying thread (or a test standing in for it): samples the four levers, the paused flag and the settings,
// runs one tick at TickMs(), writes the tone-on flag stamped with the tick's MonotonicMicros() and pushes
// the tick's events. A nonzero keyLevers.dropPendingCharacter first forgets the partly keyed character and
// any key-down in progress (the tick starts over as at start-up).
void KeyingStep(KeyingState& state);
// Thread body: 1 ms ticks on absolute deadlines (2 ms while paused) until app.stopAllEvent is set, then
// clears the tone-on flag. A pending character is dropped.
void KeyingThreadMain();
