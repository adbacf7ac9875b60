// SPDX-License-Identifier: GPL-3.0-or-later
// The serial key port: opening and closing it, the monitor thread that copies DSR (dot) and CTS (dash) into
// the serial levers, and the detection of the kind of key wired to it.
//
// The window thread owns the port: it opens it, starts and stops the monitor (run control) and closes it
// only after the monitor has ended or been abandoned.
#pragma once
#include <string>

#include "keying/modem_lines.h"

// ---- Backend (window thread, while no port is open) -------------------------------------------------------
// The termios backend unless a test installs another.
void UseModemLineBackend(const ModemLineBackend& backend);

// ---- Window thread ----------------------------------------------------------------------------------------
// Opens /dev/<portName> ("ttyUSB0"); on success the serial levers already hold DSR and CTS. On failure the
// message line (1108) says why, with the dialout hint for a permission error, and no lever is left held.
bool OpenKeyPort(const std::u16string& portName);
// Closes the port if open and opens both serial levers.
void CloseKeyPort();
bool KeyPortIsOpen();
// Samples DSR and CTS every 10 ms for 1.5 s (blocking the window thread, whose posted messages still run)
// and writes "電鍵種類: %s  J=DSR短点  K=CTS長点" into control 1104. Skipped without an open port or window.
void DetectKeyType();

// ---- Serial monitor thread --------------------------------------------------------------------------------
// Until app.serialStopEvent: waits for a line change (TIOCMIWAIT) or, where the driver cannot, polls every
// millisecond, and stores DSR and CTS into the serial levers. A port that stops answering (unplugged) ends
// the thread with a message. Both serial levers are open when it returns.
void KeyPortMonitorThread();

// ---- Pure rules (any thread) ------------------------------------------------------------------------------
struct LineActivity {
  int dsrOnSamples = 0;
  int ctsOnSamples = 0;
  int dsrChanges = 0;
  int ctsChanges = 0;
};
// "電鍵未操作または未判別" "横振りオート" "縦振り" "横振りマニュアル" "その他", first match in that order.
std::u16string KeyTypeName(const LineActivity& activity, bool autoKeyer);
// The message-line text for a port that cannot be opened (errno value `error`).
std::u16string KeyPortOpenFailureText(const std::u16string& portName, int error);
