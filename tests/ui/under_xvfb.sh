#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command against a private Xvfb screen with Qt's X11 platform, so window tests also pass where the
# windows are real X11 windows (as on a learner's desktop), not only offscreen.
#   under_xvfb.sh COMMAND [ARGS...]
set -uo pipefail
source "$(dirname "$0")/../../scripts/xvfb.sh"
trap stop_xvfb EXIT
start_xvfb 1600x1200 || exit 1
QT_QPA_PLATFORM=xcb "$@"
