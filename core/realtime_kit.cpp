// SPDX-License-Identifier: GPL-3.0-or-later
// RealtimeKit client over libdbus.
//
// Protocol (object /org/freedesktop/RealtimeKit1, interface org.freedesktop.RealtimeKit1):
//   MakeThreadRealtime(t thread, u priority)       thread = kernel thread id of the caller's process
//   MakeThreadHighPriority(t thread, i priority)   priority = nice level
//   properties MaxRealtimePriority (i), MinNiceLevel (i), RTTimeUSecMax (x), read with
//   org.freedesktop.DBus.Properties.Get.
#include "core/realtime_kit.h"

#include <dbus/dbus.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr const char* kService = "org.freedesktop.RealtimeKit1";
constexpr const char* kObject = "/org/freedesktop/RealtimeKit1";
constexpr const char* kInterface = "org.freedesktop.RealtimeKit1";
constexpr const char* kDefaultSystemBus = "unix:path=/var/run/dbus/system_bus_socket";
// A daemon started on demand by the bus takes a moment; a thread should not wait longer than this at its
// start (shutdown waits 1500 ms for each thread).
constexpr int kCallTimeoutMs = 800;

// A private connection: the shared one of dbus_bus_get would stay open for the whole process and tie the
// process to the bus (it exits on disconnect by default). The address is read here on every call, as
// libdbus would read it only once per process.
DBusConnection* OpenSystemBus() {
  const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  if (!address || !*address) address = kDefaultSystemBus;
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_connection_open_private(address, &error);
  if (bus) {
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    if (!dbus_bus_register(bus, &error)) {
      dbus_connection_close(bus);
      dbus_connection_unref(bus);
      bus = nullptr;
    }
  }
  dbus_error_free(&error);
  return bus;
}

void CloseSystemBus(DBusConnection* bus) {
  dbus_connection_close(bus);
  dbus_connection_unref(bus);
}

// Sends the call and returns the reply (the caller unrefs it), or null on an error reply or time-out.
DBusMessage* Call(DBusConnection* bus, DBusMessage* call) {
  DBusError error;
  dbus_error_init(&error);
  DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call, kCallTimeoutMs, &error);
  dbus_message_unref(call);
  dbus_error_free(&error);
  return reply;
}

// An integer property of the daemon (sent as int32 or int64); false when it cannot be read.
bool ReadIntegerProperty(DBusConnection* bus, const char* name, int64_t& value) {
  DBusMessage* call =
      dbus_message_new_method_call(kService, kObject, "org.freedesktop.DBus.Properties", "Get");
  if (!call) return false;
  const char* interfaceName = kInterface;
  if (!dbus_message_append_args(call, DBUS_TYPE_STRING, &interfaceName, DBUS_TYPE_STRING, &name,
                                DBUS_TYPE_INVALID)) {
    dbus_message_unref(call);
    return false;
  }
  DBusMessage* reply = Call(bus, call);
  if (!reply) return false;
  bool ok = false;
  DBusMessageIter iter, variant;
  if (dbus_message_iter_init(reply, &iter) && dbus_message_iter_get_arg_type(&iter) == DBUS_TYPE_VARIANT) {
    dbus_message_iter_recurse(&iter, &variant);
    const int type = dbus_message_iter_get_arg_type(&variant);
    if (type == DBUS_TYPE_INT32) {
      dbus_int32_t v = 0;
      dbus_message_iter_get_basic(&variant, &v);
      value = v;
      ok = true;
    } else if (type == DBUS_TYPE_INT64) {
      dbus_int64_t v = 0;
      dbus_message_iter_get_basic(&variant, &v);
      value = v;
      ok = true;
    }
  }
  dbus_message_unref(reply);
  return ok;
}

// The daemon refuses a process whose real-time watchdog is looser than its own; lowering the limit is
// always allowed. Both limits get the value, as the daemon reads the hard one.
bool CapRealtimeCpuTime(int64_t maxUs) {
  if (maxUs <= 0) return true;
  rlimit limit{};
  if (getrlimit(RLIMIT_RTTIME, &limit) != 0) return false;
  const rlim_t cap = static_cast<rlim_t>(maxUs);
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= cap) return true;
  limit.rlim_cur = limit.rlim_max = cap;
  return setrlimit(RLIMIT_RTTIME, &limit) == 0;
}

bool CallWithThread(DBusConnection* bus, const char* method, int64_t threadId, int argType, const void* arg) {
  DBusMessage* call = dbus_message_new_method_call(kService, kObject, kInterface, method);
  if (!call) return false;
  const dbus_uint64_t thread = static_cast<dbus_uint64_t>(threadId);
  if (!dbus_message_append_args(call, DBUS_TYPE_UINT64, &thread, argType, arg, DBUS_TYPE_INVALID)) {
    dbus_message_unref(call);
    return false;
  }
  DBusMessage* reply = Call(bus, call);
  if (!reply) return false;
  dbus_message_unref(reply);
  return true;
}

}  // namespace

bool RealtimeKitMakeRealtime(int64_t threadId, int32_t priority) {
  DBusConnection* bus = OpenSystemBus();
  if (!bus) return false;
  int64_t maxPriority = 0, maxRttimeUs = 0;
  bool ok = ReadIntegerProperty(bus, "MaxRealtimePriority", maxPriority) &&
            ReadIntegerProperty(bus, "RTTimeUSecMax", maxRttimeUs) && maxPriority > 0 &&
            CapRealtimeCpuTime(maxRttimeUs);
  if (ok) {
    const dbus_uint32_t granted = static_cast<dbus_uint32_t>(std::clamp<int64_t>(priority, 1, maxPriority));
    ok = CallWithThread(bus, "MakeThreadRealtime", threadId, DBUS_TYPE_UINT32, &granted);
  }
  CloseSystemBus(bus);
  return ok;
}

bool RealtimeKitMakeHighPriority(int64_t threadId) {
  DBusConnection* bus = OpenSystemBus();
  if (!bus) return false;
  int64_t minNice = 0;
  bool ok = ReadIntegerProperty(bus, "MinNiceLevel", minNice) && minNice < 0;
  if (ok) {
    const dbus_int32_t nice = static_cast<dbus_int32_t>(std::max<int64_t>(minNice, -20));
    ok = CallWithThread(bus, "MakeThreadHighPriority", threadId, DBUS_TYPE_INT32, &nice);
  }
  CloseSystemBus(bus);
  return ok;
}
