#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes a PulseAudio server with a null sink available for the sound tests, and takes away only what it made.
#   start  when no server answers on the default socket: starts one whose only sink is "nullsink"
#          (norewinds=1 avoids a 1-2 s stall when a low-latency stream joins). When a server already runs
#          without a null sink, loads one into it. Prints what it did and records it.
#   stop   stops the daemon (by its recorded pid) or unloads the module that start made; nothing else.
set -u

state="${NEMORA_PULSE_STATE:-/tmp/nemora-pulseaudio-null-sink-$(id -u).state}"
log="${state%.state}.log"
sink_args="sink_name=nullsink rate=48000 norewinds=1"

server_answers() { pactl info >/dev/null 2>&1; }

start() {
  if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    echo "pulseaudio-null-sink: pulseaudio or pactl not installed"
    return 1
  fi
  if server_answers; then
    if pactl list short sinks 2>/dev/null | awk '{print $2}' | grep -qx nullsink; then
      echo "pulseaudio-null-sink: server already running with nullsink; nothing started"
      return 0
    fi
    module=$(pactl load-module module-null-sink $sink_args 2>/dev/null) || {
      echo "pulseaudio-null-sink: server running, could not load a null sink"
      return 1
    }
    echo "module $module" >"$state"
    echo "pulseaudio-null-sink: loaded nullsink (module $module) into the running server"
    return 0
  fi
  # Root needs --system=false to run a per-user daemon; the idle and exit options keep it up for the tests.
  setsid pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --system=false \
    --load="module-null-sink $sink_args" --load="module-native-protocol-unix" \
    >"$log" 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 1 100); do
    if server_answers; then
      echo "pid $pid" >"$state"
      echo "pulseaudio-null-sink: started pulseaudio (pid $pid) with nullsink"
      return 0
    fi
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  echo "pulseaudio-null-sink: pulseaudio could not start (see $log)"
  return 1
}

stop() {
  if [ ! -f "$state" ]; then
    echo "pulseaudio-null-sink: nothing was started here"
    return 0
  fi
  read -r kind value <"$state"
  case "$kind" in
    pid)
      if kill "$value" 2>/dev/null; then
        for _ in $(seq 1 50); do kill -0 "$value" 2>/dev/null || break; sleep 0.1; done
        kill -0 "$value" 2>/dev/null && kill -9 "$value" 2>/dev/null
        echo "pulseaudio-null-sink: stopped pulseaudio (pid $value)"
      fi
      ;;
    module)
      pactl unload-module "$value" 2>/dev/null && echo "pulseaudio-null-sink: unloaded module $value"
      ;;
  esac
  rm -f "$state"
  return 0
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
