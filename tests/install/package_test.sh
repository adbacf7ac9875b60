#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as `make deb` makes it: its name, version and architecture, exactly the files it must
# hold, runtime dependencies only, programs that report the version the metainfo announces, and no lintian
# error. Without lintian that last check is skipped, and the output says so.
#   package_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d /tmp/nemora-package-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
version=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$build"/desktop/*.metainfo.xml)
arch=$(dpkg --print-architecture)
deb=$work/out/nemora_${version}_${arch}.deb
[ -n "$version" ] || fail "no release version in the metainfo"
[ -s "$deb" ] || { ls "$work/out"; fail "no nemora_${version}_${arch}.deb"; }

field() { dpkg-deb -f "$deb" "$1" 2>/dev/null; }
[ "$(field Package)" = nemora ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version), metainfo $version"
[ "$(field Architecture)" = "$arch" ] || fail "architecture $(field Architecture)"

id=org.nemora.Nemora
expected=(
  usr/bin/nemora usr/bin/nemora-cli
  usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml
  usr/share/icons/hicolor/16x16/apps/$id.png usr/share/icons/hicolor/24x24/apps/$id.png
  usr/share/icons/hicolor/32x32/apps/$id.png usr/share/icons/hicolor/48x48/apps/$id.png
  usr/share/icons/hicolor/64x64/apps/$id.png usr/share/icons/hicolor/128x128/apps/$id.png
  usr/share/icons/hicolor/256x256/apps/$id.png usr/share/icons/hicolor/scalable/apps/$id.svg
  usr/share/man/man1/nemora.1.gz usr/share/man/man1/nemora-cli.1.gz
  usr/share/doc/nemora/copyright usr/share/doc/nemora/changelog.gz
  usr/share/nemora/screenshots/main-window.png
)
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
diff "$work/expected" "$work/files" >"$work/files.diff" || { cat "$work/files.diff"; fail "file list ('<' missing, '>' unexpected)"; }

# Installing the package must not pull build or test tools.
for dependency in $(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//'); do
  case $dependency in
    *-dev | cmake | ninja-build | gcc* | g++* | clang* | libgtest* | googletest | pulseaudio | xvfb | sox | lintian)
      fail "depends on $dependency" ;;
  esac
done
field Depends | grep -q 'libqt6widgets6' || fail "no dependency on Qt Widgets: $(field Depends)"

# The packaged programs, as installed: --version without a display, the man pages readable.
dpkg-deb -x "$deb" "$work/root"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/nemora" --version >"$work/v1" 2>&1
[ "$(cat "$work/v1")" = "nemora $version" ] || fail "nemora --version: $(cat "$work/v1")"
[ "$("$work/root/usr/bin/nemora-cli" --version 2>&1)" = "nemora-cli $version" ] || fail "nemora-cli --version"
for page in nemora nemora-cli; do
  zcat "$work/root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1 .*Nemora $version" || fail "man page $page"
done
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$work/root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo licence"

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" || fail "lintian reports errors"
else
  echo "SKIPPED: lintian is not installed, the package's policy check did not run"
fi

echo "package test: $failures failed"
[ "$failures" -eq 0 ]
