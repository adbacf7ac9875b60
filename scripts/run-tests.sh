#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every test of a build tree: a PulseAudio null sink for the tests that start the program's sound
# (the recording test runs a private server of its own) and the offscreen Qt platform for the window tests.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)

bash "$here/pulseaudio-null-sink.sh" start || echo "PulseAudio could not start; sound tests will skip."
trap 'bash "$here/pulseaudio-null-sink.sh" stop' EXIT

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 600 -j 2
