#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# make install into a temporary prefix: the files land where the desktop looks for them, the desktop entry
# and the AppStream metainfo pass their validators, and the installed programs start and keep their files
# in the XDG data directory (not in <prefix>/bin, which the default prefix ~/.local makes writable).
#   install_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d /tmp/nemora-install-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "cmake --install"; }
id=$(basename "$(ls "$prefix"/share/applications/*.desktop 2>/dev/null | head -1)" .desktop)
[ -n "$id" ] || fail "no desktop entry installed"

expected=(
  bin/nemora bin/nemora-cli
  "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/16x16/apps/$id.png" "share/icons/hicolor/32x32/apps/$id.png"
  "share/icons/hicolor/48x48/apps/$id.png" "share/icons/hicolor/256x256/apps/$id.png"
  "share/icons/hicolor/scalable/apps/$id.svg" share/nemora/screenshots/main-window.png
  share/man/man1/nemora.1.gz share/man/man1/nemora-cli.1.gz share/doc/nemora/copyright
)
for file in "${expected[@]}"; do
  [ -s "$prefix/$file" ] || fail "missing $file"
done
[ -x "$prefix/bin/nemora" ] || fail "bin/nemora is not executable"

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -q '^Exec=nemora %f$' "$prefix/share/applications/$id.desktop" || fail "Exec line does not pass the file"
grep -q '^Categories=Education;$' "$prefix/share/applications/$id.desktop" || fail "category"
grep -q '^Name\[ja\]=ネモラ$' "$prefix/share/applications/$id.desktop" || fail "Japanese name"

# One version: the metainfo's release is what both installed programs report.
version=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$prefix/share/metainfo/$id.metainfo.xml")
[ -n "$version" ] || fail "no release version in the metainfo"
[ "$(env -u DISPLAY "$prefix/bin/nemora" --version)" = "nemora $version" ] || fail "nemora --version"
[ "$("$prefix/bin/nemora-cli" --version)" = "nemora-cli $version" ] || fail "nemora-cli --version"

# The installed programs, with a home of their own.
export HOME=$work/home
unset NEMORA_HOME XDG_DATA_HOME
mkdir -p "$HOME"
data=$HOME/.local/share/nemora
report=$("$prefix/bin/nemora-cli" report --mode 0) || fail "nemora-cli report exited with $?"
grep -q "^$data/telegram_practice_log.csv"$'\r'"$" <<<"$report" || fail "report does not name $data: $report"

QT_QPA_PLATFORM=offscreen timeout 4 "$prefix/bin/nemora" >"$work/run.log" 2>&1
status=$?
[ "$status" -eq 124 ] || { cat "$work/run.log"; fail "installed nemora ended early with status $status"; }
[ -d "$data" ] || fail "the installed program did not use $data"
ls "$prefix/bin" | grep -qv '^nemora\(-cli\)\?$' && fail "files written beside the installed program: $(ls "$prefix/bin")"

echo "install test: $failures failed"
[ "$failures" -eq 0 ]
