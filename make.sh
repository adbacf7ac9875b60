#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# For a fresh Debian 12 or 13 that has nothing but bash: installs what the target needs and is missing
# (make included), then runs the Makefile's target.
#   bash make.sh run | bash make.sh test | bash make.sh <any make target>
set -euo pipefail
cd "$(dirname "$0")"
target=${1:-run}
case $target in
  test | test-sanitize | fuzz) groups=(build run test) ;;
  deb) groups=(build) ;;
  format | format-check | clean) groups=() ;;
  *) groups=(build run) ;;
esac
if [ ${#groups[@]} -gt 0 ]; then
  bash scripts/install-deps.sh "${groups[@]}"
elif ! command -v make >/dev/null; then
  bash scripts/install-deps.sh build
fi
exec make "${@:-run}"
