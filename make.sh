#!/usr/bin/env bash
# For a fresh Debian 12 that has nothing but bash: installs what is missing (make included), then runs the
# Makefile's target.   bash make.sh run | bash make.sh test | bash make.sh <any make target>
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
exec make "${@:-run}"
