// SPDX-License-Identifier: GPL-3.0-or-later
// Real serial ports through termios.
//
// TIOCMIWAIT waits for a change after the moment it is entered; one that came between the last read and
// the wait would be missed. The line counters (TIOCGICOUNT) taken with each read catch that case.
//
// TIOCMIWAIT has no time-out of its own. A periodic per-thread timer signal interrupts it instead (EINTR),
// so the monitor thread still notices its stop event (one wake-up per slice the monitor asks for, 20 a
// second, each a few microseconds) while a line change wakes it at once. The signal has an empty handler
// installed without SA_RESTART.
#include <fcntl.h>
#include <linux/serial.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "keying/modem_lines.h"

namespace {

int WakeSignal() {
  return SIGRTMIN + 4;
}

void IgnoreWake(int) {}

void InstallWakeHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action = {};
    action.sa_handler = IgnoreWake;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the blocked ioctl must return EINTR
    sigaction(WakeSignal(), &action, nullptr);
  });
}

// The port as it was found: a failed open puts it back, so a device that turned out to be no key port (a
// modem, a console, a pseudo-terminal) is not left raw at 9600 baud and locked against everyone else.
struct PortState {
  termios options{};
  bool haveOptions = false;
  bool exclusiveSet = false;
};

void RestorePort(int fd, const PortState& before) {
  if (before.haveOptions) tcsetattr(fd, TCSANOW, &before.options);
  if (before.exclusiveSet) ioctl(fd, TIOCNXCL);
}

bool Configure(int fd, PortState& before) {
  if (tcgetattr(fd, &before.options) != 0) return false;
  before.haveOptions = true;
  if (ioctl(fd, TIOCEXCL) != 0) return false;
  before.exclusiveSet = true;
  termios options = before.options;
  cfmakeraw(&options);
  cfsetispeed(&options, B9600);
  cfsetospeed(&options, B9600);
  options.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  options.c_cflag |= CS8 | CLOCAL | CREAD;
  options.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  options.c_cc[VMIN] = 0;  // reads return at once; no data is ever exchanged
  options.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &options) != 0) return false;
  tcflush(fd, TCIOFLUSH);
  int supply = TIOCM_DTR | TIOCM_RTS;
  return ioctl(fd, TIOCMBIS, &supply) == 0;
}

bool OpenPort(const std::string& device, int& handle, int& error) {
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return false;
  }
  PortState before;
  if (!Configure(fd, before)) {
    error = errno;
    RestorePort(fd, before);
    ::close(fd);
    return false;
  }
  handle = fd;
  return true;
}

void ClosePort(int handle) {
  if (handle >= 0) ::close(handle);
}

// DSR and CTS change counts as of the calling thread's last read; -1 when the driver keeps none.
struct LineCounts {
  int dsr = -1;
  int cts = -1;
  bool operator==(const LineCounts&) const = default;
};
thread_local LineCounts countsAtRead;

LineCounts CurrentCounts(int handle) {
  serial_icounter_struct counts{};
  if (ioctl(handle, TIOCGICOUNT, &counts) != 0) return {};
  return {counts.dsr, counts.cts};
}

bool ReadLines(int handle, ModemLines& lines) {
  countsAtRead = CurrentCounts(handle);
  int bits = 0;
  if (ioctl(handle, TIOCMGET, &bits) != 0) return false;
  lines.dsr = (bits & TIOCM_DSR) != 0;
  lines.cts = (bits & TIOCM_CTS) != 0;
  return true;
}

LineWait WaitForChange(int handle, uint32_t timeoutMs) {
  const LineCounts counts = CurrentCounts(handle);
  if (counts.dsr >= 0 && !(counts == countsAtRead)) return LineWait::kChanged;
  InstallWakeHandler();
  sigevent notify{};
  notify.sigev_notify = SIGEV_THREAD_ID;
  notify.sigev_signo = WakeSignal();
  notify._sigev_un._tid = gettid();  // glibc 2.36 names no accessor for the thread id
  timer_t timer;
  if (timer_create(CLOCK_MONOTONIC, &notify, &timer) != 0) return LineWait::kUnsupported;
  // Periodic: a tick that fires just before the ioctl starts is followed by another.
  itimerspec period{};
  period.it_value.tv_sec = timeoutMs / 1000;
  period.it_value.tv_nsec = static_cast<long>(timeoutMs % 1000) * 1000000L;
  period.it_interval = period.it_value;
  timer_settime(timer, 0, &period, nullptr);
  const int result = ioctl(handle, TIOCMIWAIT, TIOCM_DSR | TIOCM_CTS);
  const int error = errno;
  timer_delete(timer);
  if (result == 0) return LineWait::kChanged;
  if (error == EINTR) return LineWait::kTimedOut;
  if (error == EINVAL || error == ENOTTY || error == ENOSYS) return LineWait::kUnsupported;
  return LineWait::kFailed;
}

}  // namespace

const ModemLineBackend& TermiosModemLines() {
  static const ModemLineBackend backend{OpenPort, ClosePort, ReadLines, WaitForChange};
  return backend;
}
