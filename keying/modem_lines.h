// SPDX-License-Identifier: GPL-3.0-or-later
// The modem-status lines of a serial key port behind one small interface: the termios backend for real
// ports, and a scripted one (keying/scripted_modem_lines.h) that tests drive. A key's contacts close DSR
// (dot) and CTS (dash) against DTR and RTS, which the open holds on as their supply.
//
// Thread: open and close on the window thread; read and waitForChange on the serial monitor thread and, for
// the key-type detection, on the window thread while the monitor runs.
#pragma once
#include <cstdint>
#include <string>

struct ModemLines {
  bool dsr = false;
  bool cts = false;
};

enum class LineWait {
  kChanged,      // DSR or CTS changed (or may have: read the lines)
  kTimedOut,     // nothing changed within the time-out
  kUnsupported,  // the driver cannot wait for line changes: poll instead
  kFailed,       // the port no longer answers (unplugged)
};

struct ModemLineBackend {
  // Opens the device (a path such as "/dev/ttyUSB0") exclusively, 9600 8N1 raw, DTR and RTS on. On failure
  // returns false with errno's value in `error`, nothing left open and the device's settings and exclusive
  // flag as they were.
  bool (*open)(const std::string& device, int& handle, int& error);
  void (*close)(int handle);
  // The current DSR and CTS states; false when they cannot be read (the port is gone).
  bool (*read)(int handle, ModemLines& lines);
  // Blocks until DSR or CTS changes or timeoutMs passes.
  LineWait (*waitForChange)(int handle, uint32_t timeoutMs);
};

// The real ports: termios, TIOCEXCL, TIOCMBIS, TIOCMGET and TIOCMIWAIT.
const ModemLineBackend& TermiosModemLines();
