// SPDX-License-Identifier: GPL-3.0-or-later
// The serial key port as the window offers it: the port list of combo 200 and the wiring of the key port
// into run control.
#pragma once
#include <QString>

#include "practice/run_control.h"

// Shown in combo 200 when no serial port is present: none found, and the group that gives access.
QString NoSerialPortText();
// Refills combo 200 with one entry per present serial port, "description (portName)", and selects entry 0.
void FillPortList();
// Sets the key-port members of the hooks (open, is-open, monitor thread, key-type detection) and the
// shutdown's port close.
void AddSerialKeyHooks(RunControlHooks& hooks);
