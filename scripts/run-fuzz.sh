#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzz target of a fuzz build for a bounded time each, starting from the committed seed inputs.
#   scripts/run-fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$build"/fuzz/*_fuzz; do
  name=$(basename "$target")
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus"
  seeds="$root/fuzz/corpus/$name"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  echo "== $name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-$name-" "$corpus" 2>"$build/fuzz-$name.log"; then
    echo "FAILED: $name (see $build/fuzz-$name.log)"
    tail -40 "$build/fuzz-$name.log"
    status=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$build/fuzz-$name.log" || true
  fi
done
exit $status
