#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Retakes the user guide's pictures (resources/guide/page-1.png .. page-9.png, resources 5101-5109) from the
# program as it is now: builds tools/guide_pictures.cpp, starts a private Xvfb screen, runs a real receive
# session in an empty NEMORA_HOME and saves the windows. Run it again whenever the windows change:
#   bash tools/make-guide-pictures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j 2 --target guide_pictures

work=$(mktemp -d /tmp/nemora-guide.XXXXXX)
source scripts/xvfb.sh
trap 'stop_xvfb; rm -rf "$work"' EXIT
start_xvfb 1600x1160

# Laid out as an installed program keeps its files, so the last page shows the familiar ending.
mkdir -p "$work/.local/share/nemora" resources/guide
QT_QPA_PLATFORM=xcb NEMORA_HOME="$work/.local/share/nemora" "$build/guide_pictures" resources/guide
echo "Guide pictures written to resources/guide; rebuild to compile them in."
