#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the main window under Xvfb, taken from the real program: kana and Latin script, each in
# the normal and the full-sheet view. The kana normal view is also the README's picture.
#
#   bash tools/take-screenshots.sh [build-dir] [WIDTHxHEIGHT] [output-dir]
#
# Defaults: build, 1366x768, docs. Each shot is taken after DEMO_SECONDS (20) of a demonstration.
# Needs Xvfb, xdotool and ImageMagick's import (scripts/install-deps.sh).
set -euo pipefail
build=${1:-build}
size=${2:-1366x768}
out=${3:-docs}
demo_seconds=${DEMO_SECONDS:-20}
program="$build/nemora"
[ -x "$program" ] || { echo "take-screenshots: $program not built" >&2; exit 1; }
mkdir -p "$out"

source "$(dirname "$0")/../scripts/xvfb.sh"
home=$(mktemp -d)
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  stop_xvfb
  rm -rf "$home"
}
trap cleanup EXIT
start_xvfb "$size"

# Waits for the program's window and prints its id.
wait_for_window() {
  for _ in $(seq 1 100); do
    if id=$(xdotool search --onlyvisible --name 'ネモラ' 2>/dev/null | head -1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Clicks the centre of a control given in the window's 1540 x 1120 design space.
click_design() {
  local window=$1 x=$2 y=$3 w=$4 h=$5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --window "$window" $(((2 * x + w) * WIDTH / 3080)) $(((2 * y + h) * HEIGHT / 2240)) click 1
}

shoot() {
  local script=$1 lang=$2
  # Lang 1 is kana, 0 Latin; FirstRun=0 keeps the first-run guide away; a brisk speed fills the learner's
  # sheet quickly during the demonstration.
  printf '[Settings]\r\nFirstRun=0\r\nLang=%s\r\nWPM=30\r\n' "$lang" >"$home/telegram_practice.ini"
  NEMORA_HOME="$home" QT_QPA_PLATFORM=xcb "$program" >"$home/program.log" 2>&1 &
  program_pid=$!
  window=$(wait_for_window) || { echo "take-screenshots: no window appeared" >&2; cat "$home/program.log" >&2; exit 1; }
  sleep 1.5
  click_design "$window" 750 8 115 28  # デモ送信: the program keys the telegram onto the learner's sheet
  sleep "$demo_seconds"
  import -window "$window" "$out/main-window-$script.png"
  click_design "$window" 10 74 240 29  # 用紙全画面
  sleep 1
  import -window "$window" "$out/main-window-$script-full-sheet.png"
  kill "$program_pid"
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
}

shoot kana 1
shoot latin 0
cp "$out/main-window-kana.png" "$out/main-window.png"
echo "take-screenshots: $size into $out/"
