# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that run Nemora on a private X screen.
#   start_xvfb WIDTHxHEIGHT   starts Xvfb on a display nobody uses and returns once it accepts clients
#                             (Xvfb itself picks the number and reports it when ready: -displayfd);
#                             exports DISPLAY and sets XVFB_PID. Fails after 30 s.
#   stop_xvfb                 ends it.
start_xvfb() {
  local size=$1 fifo number=""
  fifo=$(mktemp -u /tmp/nemora-xvfb.XXXXXX)
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  read -r -t 30 number <"$fifo"
  rm -f "$fifo"
  if [ -z "$number" ]; then
    kill "$XVFB_PID" 2>/dev/null
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] || return 0
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}
