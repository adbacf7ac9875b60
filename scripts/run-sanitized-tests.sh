#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# AddressSanitizer + UndefinedBehaviorSanitizer over the logic tests, ThreadSanitizer over every test, the
# window tests included.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
jobs=$(nproc)

bash "$here/pulseaudio-null-sink.sh" start || echo "PulseAudio could not start; sound tests will skip."
trap 'bash "$here/pulseaudio-null-sink.sh" stop' EXIT

cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNEMORA_SANITIZE=address -DNEMORA_BUILD_UI=OFF
cmake --build "$top/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$here/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$top/build-asan" --output-on-failure --timeout 900 -j 2

cmake -S "$top" -B "$top/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNEMORA_SANITIZE=thread -DNEMORA_BUILD_UI=ON
cmake --build "$top/build-tsan" -j "$jobs"
# Every test, the window tests included (offscreen, with the real worker threads where a test starts them):
# the practice state is shared between the window, the event thread, playback and the painters, and only a
# run that includes the window can show that it has one owner. The stress test hammers the window's
# commands during receive practice for NEMORA_STRESS_SECONDS.
QT_QPA_PLATFORM=offscreen NEMORA_STRESS_SECONDS="${NEMORA_STRESS_SECONDS:-30}" \
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/tsan.supp" \
  ctest --test-dir "$top/build-tsan" --output-on-failure --timeout 900 -j 2 \
  -E '^(install_to_prefix|debian_package|ui_windows_under_xvfb|keyboard_keying_under_xvfb|copy_receive_under_xvfb)$'
# Left out above: installing and packaging (they run no threads of ours that the other tests do not), and
# the X11 repeats of window tests whose offscreen runs are in.
