// SPDX-License-Identifier: GPL-3.0-or-later
// Real-time priority for a thread the system refuses it to: a real private D-Bus daemon stands in for the
// system bus, and a small RealtimeKit of the test's own answers on it the way the desktop's daemon does
// (its limits as properties, RLIMIT_RTTIME checked before real-time is granted, the scheduling set on the
// thread id it is given). The asking thread gives up CAP_SYS_NICE first, as an ordinary user has none.
#include <dbus/dbus.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/clock.h"
#include "core/threads.h"

namespace {

constexpr int64_t kRttimeMaxUs = 200000;

// ---- A private bus ----

struct PrivateBus {
  pid_t pid = -1;
  std::string directory, address;
  ~PrivateBus();
};

bool StartPrivateBus(PrivateBus& bus) {
  char pattern[] = "/tmp/nemora-bus-XXXXXX";
  if (!mkdtemp(pattern) || std::system("command -v dbus-daemon >/dev/null") != 0) return false;
  bus.directory = pattern;
  bus.address = "unix:path=" + bus.directory + "/bus";
  const std::string addressArg = "--address=" + bus.address;
  bus.pid = fork();
  if (bus.pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", addressArg.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
  }
  // Up once it registers a client.
  for (int waited = 0; waited < 5000; waited += 10) {
    if (DBusConnection* probe = dbus_connection_open_private(bus.address.c_str(), nullptr)) {
      const bool registered = dbus_bus_register(probe, nullptr);
      dbus_connection_close(probe);
      dbus_connection_unref(probe);
      if (registered) return true;
    }
    SleepMs(10);
  }
  return false;
}

void StopPrivateBus(PrivateBus& bus) {
  if (bus.pid > 0) {
    kill(bus.pid, SIGTERM);
    waitpid(bus.pid, nullptr, 0);
  }
  bus.pid = -1;
  if (!bus.directory.empty()) std::system(("rm -rf '" + bus.directory + "'").c_str());
  bus.directory.clear();
}

// A failed assertion leaves the loop early: the daemon goes with the record.
PrivateBus::~PrivateBus() {
  StopPrivateBus(*this);
}

// ---- A RealtimeKit of our own ----

struct FakeKit {
  bool grantsRealtime = true;
  bool grantsNice = true;
  int32_t maxPriority = 15;
  int32_t minNice = -11;
  std::atomic<bool> stop{false};
  std::atomic<int> realtimeCalls{0}, niceCalls{0};
  std::thread thread;
  ~FakeKit() {
    stop = true;
    if (thread.joinable()) thread.join();
  }
};

DBusMessage* VariantReply(DBusMessage* call, int type, const void* value) {
  DBusMessage* reply = dbus_message_new_method_return(call);
  DBusMessageIter iter, variant;
  dbus_message_iter_init_append(reply, &iter);
  const char signature[2] = {static_cast<char>(type), 0};
  dbus_message_iter_open_container(&iter, DBUS_TYPE_VARIANT, signature, &variant);
  dbus_message_iter_append_basic(&variant, type, value);
  dbus_message_iter_close_container(&iter, &variant);
  return reply;
}

bool RttimeCapped() {
  rlimit limit{};
  return getrlimit(RLIMIT_RTTIME, &limit) == 0 && limit.rlim_max != RLIM_INFINITY &&
         limit.rlim_max <= static_cast<rlim_t>(kRttimeMaxUs);
}

DBusMessage* Answer(FakeKit& kit, DBusMessage* call) {
  if (dbus_message_is_method_call(call, "org.freedesktop.DBus.Properties", "Get")) {
    const char *interfaceName = nullptr, *name = nullptr;
    dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &interfaceName, DBUS_TYPE_STRING, &name,
                          DBUS_TYPE_INVALID);
    const std::string property = name ? name : "";
    if (property == "MaxRealtimePriority") return VariantReply(call, DBUS_TYPE_INT32, &kit.maxPriority);
    if (property == "MinNiceLevel") return VariantReply(call, DBUS_TYPE_INT32, &kit.minNice);
    if (property == "RTTimeUSecMax") return VariantReply(call, DBUS_TYPE_INT64, &kRttimeMaxUs);
    return dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_PROPERTY, "no such property");
  }
  dbus_uint64_t thread = 0;
  if (dbus_message_is_method_call(call, "org.freedesktop.RealtimeKit1", "MakeThreadRealtime")) {
    ++kit.realtimeCalls;
    dbus_uint32_t priority = 0;
    dbus_message_get_args(call, nullptr, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_UINT32, &priority,
                          DBUS_TYPE_INVALID);
    if (!kit.grantsRealtime || !RttimeCapped() || priority > static_cast<uint32_t>(kit.maxPriority)) {
      return dbus_message_new_error(call, DBUS_ERROR_ACCESS_DENIED, "refused");
    }
    sched_param param{};
    param.sched_priority = static_cast<int>(priority);
    if (sched_setscheduler(static_cast<pid_t>(thread), SCHED_RR | SCHED_RESET_ON_FORK, &param) != 0) {
      return dbus_message_new_error(call, DBUS_ERROR_FAILED, "sched_setscheduler failed");
    }
    return dbus_message_new_method_return(call);
  }
  if (dbus_message_is_method_call(call, "org.freedesktop.RealtimeKit1", "MakeThreadHighPriority")) {
    ++kit.niceCalls;
    dbus_int32_t nice = 0;
    dbus_message_get_args(call, nullptr, DBUS_TYPE_UINT64, &thread, DBUS_TYPE_INT32, &nice,
                          DBUS_TYPE_INVALID);
    if (!kit.grantsNice || nice < kit.minNice)
      return dbus_message_new_error(call, DBUS_ERROR_ACCESS_DENIED, "no");
    setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice);
    return dbus_message_new_method_return(call);
  }
  return nullptr;
}

DBusHandlerResult Filter(DBusConnection* connection, DBusMessage* message, void* data) {
  if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL)
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  DBusMessage* reply = Answer(*static_cast<FakeKit*>(data), message);
  if (!reply) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  dbus_connection_send(connection, reply, nullptr);
  dbus_message_unref(reply);
  return DBUS_HANDLER_RESULT_HANDLED;
}

bool StartFakeKit(FakeKit& kit, const std::string& address) {
  DBusConnection* connection = dbus_connection_open_private(address.c_str(), nullptr);
  if (!connection || !dbus_bus_register(connection, nullptr)) return false;
  if (dbus_bus_request_name(connection, "org.freedesktop.RealtimeKit1", DBUS_NAME_FLAG_DO_NOT_QUEUE,
                            nullptr) != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
    return false;
  }
  dbus_connection_add_filter(connection, Filter, &kit, nullptr);
  kit.thread = std::thread([&kit, connection] {
    while (!kit.stop && dbus_connection_read_write_dispatch(connection, 20)) {
    }
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
  });
  return true;
}

// ---- The asking thread ----

// Drops CAP_SYS_NICE from the calling thread's effective set (capabilities are per thread on Linux): the
// thread can then no longer set real-time scheduling itself (RLIMIT_RTPRIO is 0).
bool DropNiceCapability() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  data[0].effective &= ~(1u << CAP_SYS_NICE);
  return syscall(SYS_capset, &header, data) == 0;
}

struct Outcome {
  ThreadPriority granted = ThreadPriority::kNotAsked;
  int policy = -1;
  int priority = -1;
  int nice = 0;
  double tookMs = 0;
};

Outcome AskFromAnOrdinaryThread(bool ordinary, int priority) {
  Outcome outcome;
  std::thread asking([&] {
    if (ordinary && !DropNiceCapability()) return;
    const uint64_t startUs = MonotonicMicros();
    outcome.granted = RequestRealtimePriority(priority, ThreadRole::kSerialMonitor);
    outcome.tookMs = (MonotonicMicros() - startUs) / 1000.0;
    sched_param param{};
    outcome.policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
    sched_getparam(0, &param);
    outcome.priority = param.sched_priority;
    outcome.nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
  });
  asking.join();
  return outcome;
}

enum class Bus { kNone, kEmpty, kKit };
constexpr int kInherited = 99;  // expected nice level: the one the process runs at (the suite may be niced)

struct PriorityCase {
  const char* name;
  bool ordinaryUser;
  Bus bus;
  bool kitGrantsRealtime, kitGrantsNice;
  ThreadPriority expected;
  int expectedPolicy, expectedPriority, expectedNice;
};

const PriorityCase kCases[] = {
    {"allowed to itself: SCHED_FIFO directly", false, Bus::kNone, false, false, ThreadPriority::kRealtime,
     SCHED_FIFO, 30, kInherited},
    {"no system bus: normal priority", true, Bus::kNone, false, false, ThreadPriority::kNormal, SCHED_OTHER,
     0, kInherited},
    {"a bus without RealtimeKit: normal priority", true, Bus::kEmpty, false, false, ThreadPriority::kNormal,
     SCHED_OTHER, 0, kInherited},
    {"RealtimeKit grants real-time at its own maximum", true, Bus::kKit, true, true,
     ThreadPriority::kRealtimeKit, SCHED_RR, 15, kInherited},
    {"RealtimeKit refuses real-time, raises the nice level", true, Bus::kKit, false, true,
     ThreadPriority::kHighPriorityKit, SCHED_OTHER, 0, -11},
    {"RealtimeKit refuses both: normal priority", true, Bus::kKit, false, false, ThreadPriority::kNormal,
     SCHED_OTHER, 0, kInherited},
};

TEST(RealtimePriority, DirectlyThroughRealtimeKitOrNormal) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hand real-time scheduling out as the daemon";
  for (const PriorityCase& c : kCases) {
    SCOPED_TRACE(c.name);
    PrivateBus bus;
    FakeKit kit;
    kit.grantsRealtime = c.kitGrantsRealtime;
    kit.grantsNice = c.kitGrantsNice;
    if (c.bus == Bus::kNone) {
      setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/nemora-no-bus", 1);
    } else {
      ASSERT_TRUE(StartPrivateBus(bus)) << "dbus-daemon did not start";
      setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.c_str(), 1);
      if (c.bus == Bus::kKit) {
        ASSERT_TRUE(StartFakeKit(kit, bus.address));
      }
    }
    const Outcome outcome = AskFromAnOrdinaryThread(c.ordinaryUser, 30);
    kit.stop = true;
    if (kit.thread.joinable()) kit.thread.join();
    if (c.bus != Bus::kNone) StopPrivateBus(bus);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");

    EXPECT_EQ(static_cast<int>(outcome.granted), static_cast<int>(c.expected));
    EXPECT_EQ(outcome.policy, c.expectedPolicy);
    EXPECT_EQ(outcome.priority, c.expectedPriority);
    EXPECT_EQ(outcome.nice, c.expectedNice == kInherited ? getpriority(PRIO_PROCESS, 0) : c.expectedNice);
    EXPECT_EQ(static_cast<int>(ObtainedPriority(ThreadRole::kSerialMonitor)), static_cast<int>(c.expected));
    EXPECT_LT(outcome.tookMs, 1000.0) << "a thread waits too long for its priority";
    if (c.expected == ThreadPriority::kRealtimeKit) {
      EXPECT_TRUE(RttimeCapped()) << "real-time granted without the watchdog limit";
    }
  }
}

}  // namespace
