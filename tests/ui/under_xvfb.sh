#!/usr/bin/env bash
# Runs a command against a private Xvfb screen with Qt's X11 platform, so window tests also pass where the
# windows are real X11 windows (as on a learner's desktop), not only offscreen.
#   under_xvfb.sh COMMAND [ARGS...]
set -uo pipefail
display=
for n in $(seq 200 260); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "no free X display"; exit 1; }
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done
DISPLAY=$display QT_QPA_PLATFORM=xcb "$@"
