#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates Nemora's icon: resources/icons/nemora.svg from tools/icon_svg.cpp, and the PNG sizes the
# desktop and the window use (resources/icons/nemora-<size>.png; the 256-pixel one is resource 5001).
# Needs a C++ compiler and rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
out=resources/icons
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -std=c++20 -O1 -o "$work/icon_svg" tools/icon_svg.cpp
"$work/icon_svg" > "$out/nemora.svg"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$out/nemora.svg" -o "$out/nemora-$size.png"
done
echo "Wrote $out/nemora.svg and PNGs 16-256."
