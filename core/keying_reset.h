// SPDX-License-Identifier: GPL-3.0-or-later
// One reset of everything keyed so far, for run starts, stops and pauses. It sits above the levers, the
// tone flag and the queue, so none of those needs to know the others.
#pragma once

// Clears the four levers and the tone-on flag, empties the queue and the keying thread's partly keyed code.
void ResetKeyingState();
