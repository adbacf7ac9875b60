// SPDX-License-Identifier: GPL-3.0-or-later
// A serial key port played from a script, for tests: the same interface as the termios backend, the line
// changes at set times after the open, on the real clock, so the real monitor thread follows them.
//
// Thread: any; one scripted port at a time.
#pragma once
#include <cstdint>
#include <vector>

#include "keying/modem_lines.h"

struct LineStep {
  uint32_t atMs;  // after the open
  bool dsr;
  bool cts;
};

struct ModemLineScript {
  int openError = 0;          // errno the open fails with; 0 opens
  bool waitSupported = true;  // false: waitForChange answers kUnsupported (the monitor polls)
  uint32_t vanishAtMs = 0;    // from then on reads and waits fail (unplugged); 0 never
  bool wakesLost = false;     // waits never report a change, only time out (a change missed by the driver)
  std::vector<LineStep> steps;
};

void SetModemLineScript(const ModemLineScript& script);
const ModemLineBackend& ScriptedModemLines();
// Calls made on the scripted port since the script was set.
struct ScriptedLineCalls {
  int opens = 0;
  int closes = 0;
  int reads = 0;
  int waits = 0;
  bool open = false;  // opened and not yet closed
};
ScriptedLineCalls ScriptedModemLineCalls();
