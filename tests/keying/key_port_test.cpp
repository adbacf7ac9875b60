// SPDX-License-Identifier: GPL-3.0-or-later
// The serial key port with scripted modem lines on the real monitor thread and the real clock: opening
// and its failures, following DSR and CTS by waiting or polling, a port that vanishes, key-type detection,
// and run control's send start around it.
#include "keying/key_port.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/app.h"
#include "core/clock.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "keying/scripted_modem_lines.h"
#include "practice/run_control.h"

namespace {

class KeyPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearControls();
    ProcessPostedMessages();
    SetMainWindowExists(true);  // this thread acts as the window thread
    app.serialStopEvent = CreateEvent(true, false);
    UseModemLineBackend(ScriptedModemLines());
    ResetSettingsToDefaults();
  }
  void TearDown() override {
    SetEvent(app.serialStopEvent);
    WaitAndForget(app.serialMonitorThread, 1000);
    CloseKeyPort();
    UseModemLineBackend(TermiosModemLines());
    InstallRunControlHooks({});
    app.closeSerialPort = nullptr;
    ProcessPostedMessages();
    SetMainWindowExists(false);
  }
  static std::u16string MessageLine() {
    ProcessPostedMessages();
    return ControlText(kMessageLine);
  }
};

bool Contains(const std::u16string& text, const std::u16string& part) {
  return text.find(part) != std::u16string::npos;
}

// Polls the serial levers every millisecond for `ms` and returns the sequence of distinct states seen,
// one "dot,dash" character pair per change ("00", "10", ...).
std::string ObserveLevers(uint32_t ms) {
  std::string seen;
  int last = -1;
  const uint32_t startMs = TickMs();
  while (TickMs() - startMs < ms) {
    const int now = keyLevers.serialDot.load() * 2 + keyLevers.serialDash.load();
    if (now != last) {
      seen += (now & 2) ? '1' : '0';
      seen += (now & 1) ? '1' : '0';
      seen += ' ';
      last = now;
    }
    SleepMs(1);
  }
  return seen;
}

TEST_F(KeyPortTest, UnopenablePortSaysWhyAndHoldsNoLever) {
  struct Row {
    const char* what;
    std::u16string port;
    int error;
    std::u16string expected;
    int opensTried;
  } rows[] = {
      {"permission", u"ttyUSB0", EACCES, u"dialout", 1},
      {"unplugged before the start", u"ttyUSB0", ENOENT, u"見つかりません", 1},
      {"held by another program", u"ttyACM0", EBUSY, u"使用中", 1},
      {"a path instead of a name", u"../sda", 0, u"見つかりません", 0},
  };
  for (const Row& row : rows) {
    SetModemLineScript({row.error, true, 0, false, {{0, true, true}}});
    keyLevers.serialDot.store(1);
    keyLevers.serialDash.store(1);
    EXPECT_FALSE(OpenKeyPort(row.port)) << row.what;
    EXPECT_FALSE(KeyPortIsOpen()) << row.what;
    EXPECT_EQ(keyLevers.serialDot.load() + keyLevers.serialDash.load(), 0) << row.what;
    EXPECT_TRUE(Contains(MessageLine(), row.expected)) << row.what;
    EXPECT_TRUE(Contains(MessageLine(), row.port)) << row.what;
    EXPECT_EQ(ScriptedModemLineCalls().opens, row.opensTried) << row.what;
  }
}

TEST_F(KeyPortTest, RealBackendRefusesWhatIsNoSerialPort) {
  UseModemLineBackend(TermiosModemLines());
  struct Row {
    const char* what;
    std::u16string port;
    std::u16string expected;
  } rows[] = {
      {"not a terminal", u"null", u"シリアルポートではありません"},
      {"no such device", u"ttyNEMORA-none", u"見つかりません"},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(OpenKeyPort(row.port)) << row.what;
    EXPECT_TRUE(Contains(MessageLine(), row.expected)) << row.what << " " << MessageLine().size();
  }
}

// A pseudo-terminal takes the exclusive flag and the line settings but has no modem lines, so the open
// fails at the last step: everything it changed before must be undone.
TEST_F(KeyPortTest, FailedOpenLeavesTheDeviceAsItWas) {
  struct Row {
    const char* what;
    speed_t speed;
    bool canonical;
  } rows[] = {
      {"cooked terminal at 38400", B38400, true},
      {"raw terminal at 115200", B115200, false},
  };
  for (const Row& row : rows) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0) << row.what;
    ASSERT_EQ(grantpt(master), 0) << row.what;
    ASSERT_EQ(unlockpt(master), 0) << row.what;
    const std::string slavePath = ptsname(master);
    const int watcher = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(watcher, 0) << row.what;
    termios set{};
    ASSERT_EQ(tcgetattr(watcher, &set), 0) << row.what;
    if (!row.canonical) cfmakeraw(&set);
    cfsetispeed(&set, row.speed);
    cfsetospeed(&set, row.speed);
    ASSERT_EQ(tcsetattr(watcher, TCSANOW, &set), 0) << row.what;
    termios before{};
    ASSERT_EQ(tcgetattr(watcher, &before), 0) << row.what;

    int handle = -1, error = 0;
    EXPECT_FALSE(TermiosModemLines().open(slavePath, handle, error)) << row.what;
    EXPECT_NE(error, 0) << row.what;

    termios after{};
    ASSERT_EQ(tcgetattr(watcher, &after), 0) << row.what;
    EXPECT_EQ(cfgetospeed(&after), row.speed) << row.what;
    EXPECT_TRUE(after.c_lflag == before.c_lflag && after.c_iflag == before.c_iflag &&
                after.c_cflag == before.c_cflag)
        << row.what;
    int exclusive = -1;
    ASSERT_EQ(ioctl(watcher, TIOCGEXCL, &exclusive), 0) << row.what;
    EXPECT_EQ(exclusive, 0) << row.what;
    ::close(watcher);
    ::close(master);
  }
}

TEST_F(KeyPortTest, MonitorFollowsTheLinesByWaitingOrPolling) {
  struct Row {
    const char* what;
    bool waitSupported;
    bool wakesLost;
  } rows[] = {{"driver wakes on a change", true, false},
              {"driver cannot wait: polled", false, false},
              {"a change the wait missed is read at its time-out", true, true}};
  for (const Row& row : rows) {
    SetModemLineScript(
        {0,
         row.waitSupported,
         0,
         row.wakesLost,
         // One line per step: the monitor stores the two levers one after the other, so
         // a step of both could be seen half done.
         {{0, true, false}, {120, false, false}, {240, false, true}, {360, true, true}, {480, false, true}}});
    ResetEvent(app.serialStopEvent);
    ASSERT_TRUE(OpenKeyPort(u"ttyUSB0")) << row.what;
    EXPECT_EQ(keyLevers.serialDot.load(), 1) << row.what << ": primed from DSR";
    ASSERT_TRUE(StartThread(app.serialMonitorThread, KeyPortMonitorThread));
    EXPECT_EQ(ObserveLevers(600), "10 00 01 11 01 ") << row.what;
    SetEvent(app.serialStopEvent);
    EXPECT_TRUE(WaitAndForget(app.serialMonitorThread, 1000)) << row.what;
    EXPECT_EQ(keyLevers.serialDot.load() + keyLevers.serialDash.load(), 0) << row.what;
    CloseKeyPort();
  }
}

TEST_F(KeyPortTest, IdleKeyCostsNoPollingWhereTheDriverWakes) {
  struct Row {
    const char* what;
    bool waitSupported;
    int minReads, maxReads;
  } rows[] = {{"waiting", true, 1, 12}, {"polling", false, 100, 100000}};
  for (const Row& row : rows) {
    SetModemLineScript({0, row.waitSupported, 0, false, {}});
    ResetEvent(app.serialStopEvent);
    ASSERT_TRUE(OpenKeyPort(u"ttyUSB0"));
    ASSERT_TRUE(StartThread(app.serialMonitorThread, KeyPortMonitorThread));
    SleepMs(300);
    SetEvent(app.serialStopEvent);
    const uint32_t stopMs = TickMs();
    EXPECT_TRUE(WaitAndForget(app.serialMonitorThread, 1000)) << row.what;
    EXPECT_LT(TickMs() - stopMs, 200u) << row.what << ": the stop is seen within a wait slice";
    const int reads = ScriptedModemLineCalls().reads;
    EXPECT_GE(reads, row.minReads) << row.what;
    EXPECT_LE(reads, row.maxReads) << row.what;
    CloseKeyPort();
  }
}

TEST_F(KeyPortTest, VanishingPortEndsTheMonitorAndRxStopStillWorks) {
  InstallRunControlHooks({});
  app.closeSerialPort = CloseKeyPort;
  SetModemLineScript({0, true, 100, false, {{0, true, true}}});
  ASSERT_TRUE(OpenKeyPort(u"ttyUSB0"));
  ASSERT_TRUE(StartThread(app.serialMonitorThread, KeyPortMonitorThread));
  const uint32_t startMs = TickMs();
  while (!ThreadFinished(app.serialMonitorThread) && TickMs() - startMs < 2000) SleepMs(5);
  EXPECT_TRUE(ThreadFinished(app.serialMonitorThread));
  EXPECT_EQ(keyLevers.serialDot.load() + keyLevers.serialDash.load(), 0);
  EXPECT_TRUE(Contains(MessageLine(), u"ttyUSB0 との接続が切れました"));
  StopPractice();
  EXPECT_FALSE(ThreadExists(app.serialMonitorThread));
  EXPECT_FALSE(KeyPortIsOpen());
  EXPECT_FALSE(ScriptedModemLineCalls().open);
  EXPECT_EQ(ControlText(kMessageLine), u"停止");
}

TEST_F(KeyPortTest, DetectionNamesTheKeyFromTheLineActivity) {
  struct Row {
    const char* what;
    std::vector<LineStep> steps;
    bool autoKeyer;
    std::u16string expected;
  } rows[] = {
      {"straight key on DSR",
       {{200, true, false}, {350, false, false}, {600, true, false}, {700, false, false}},
       false,
       u"縦振り"},
      {"nothing keyed", {}, false, u"電鍵未操作または未判別"},
      {"paddle keyed by hand",
       {{200, true, false}, {400, false, false}, {700, false, true}, {900, false, false}},
       false,
       u"横振りマニュアル"},
      {"paddle with AUTO", {{200, true, false}, {400, false, false}}, true, u"横振りオート"},
  };
  for (const Row& row : rows) {
    SetModemLineScript({0, true, 0, false, row.steps});
    practiceSettings.Auto.store(row.autoKeyer ? 1 : 0);
    ASSERT_TRUE(OpenKeyPort(u"ttyUSB0"));
    DetectKeyType();
    EXPECT_EQ(ControlText(kRateLabel), u"電鍵種類: " + row.expected + u"  J=DSR短点  K=CTS長点") << row.what;
    CloseKeyPort();
  }
}

TEST_F(KeyPortTest, KeyTypeRulesTakeTheFirstMatch) {
  struct Row {
    const char* what;
    LineActivity activity;
    bool autoKeyer;
    std::u16string expected;
  } rows[] = {
      {"AUTO but nothing on", {0, 0, 0, 0}, true, u"電鍵未操作または未判別"},
      {"CTS alone changing", {0, 20, 0, 4}, false, u"縦振り"},
      {"DSR held on, never changing", {150, 0, 0, 0}, false, u"その他"},
  };
  for (const Row& row : rows) EXPECT_EQ(KeyTypeName(row.activity, row.autoKeyer), row.expected) << row.what;
}

// RX START twice with a serial key: the first monitor ends before its port closes and the second opens
// (started into the same slot, the first would have ended the program). A receive start then gives the key
// up, so it cannot key over the playback on the same levers.
TEST_F(KeyPortTest, SecondSendStartReplacesTheRunningMonitor) {
  RunControlHooks hooks;
  hooks.openKeyPortHook = OpenKeyPort;
  hooks.keyPortIsOpen = KeyPortIsOpen;
  hooks.serialMonitorThread = KeyPortMonitorThread;
  hooks.launchPlayback = [](ThreadSlot&, void (*)()) { return true; };
  InstallRunControlHooks(hooks);
  app.closeSerialPort = CloseKeyPort;
  SetControlItems(kPortCombo, {u"USB Serial (ttyUSB0)"});
  SetControlSelection(kPortCombo, 0);
  CheckRadioButton(kReceiveRadio, kSendRadio, kSendRadio);
  SetModemLineScript({0, true, 0, false, {{0, false, true}}});
  StartPractice();
  ASSERT_TRUE(ThreadExists(app.serialMonitorThread));
  StartPractice();
  EXPECT_TRUE(ThreadExists(app.serialMonitorThread));
  EXPECT_TRUE(KeyPortIsOpen());
  const ScriptedLineCalls calls = ScriptedModemLineCalls();
  EXPECT_EQ(calls.opens, 2);
  EXPECT_EQ(calls.closes, 1);
  SleepMs(20);
  EXPECT_EQ(keyLevers.serialDash.load(), 1);
  CheckRadioButton(kReceiveRadio, kSendRadio, kReceiveRadio);
  StartPractice();
  EXPECT_FALSE(ThreadExists(app.serialMonitorThread));
  EXPECT_FALSE(ScriptedModemLineCalls().open);
  EXPECT_EQ(keyLevers.serialDash.load(), 0);
  StopPractice();
}

}  // namespace
