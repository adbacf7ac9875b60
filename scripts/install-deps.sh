#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Nemora needs, only those that are missing, by what they are needed for:
#   install-deps.sh build   the compiler, CMake and the libraries' development files
#   install-deps.sh run     what the program loads without linking it (fonts, Qt plugins)
#   install-deps.sh test    GoogleTest, the sound server, Xvfb, validators, clang for the fuzz targets
# Several groups may be given; none means build and run. Nothing is asked when nothing is missing. As root
# it runs apt-get, otherwise through sudo; with neither, it prints the apt-get line to run and stops.
# No compiler or library version is written here: the same list serves Debian 12 and 13.
set -euo pipefail

build=(
  make build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
  librtaudio-dev libasound2-dev libpulse-dev libdbus-1-dev libsndfile1-dev
)
run=(libqt6svg6 qt6-qpa-plugins qt6-translations-l10n fonts-noto-cjk fonts-aoyagi-kouzan-t)
test=(
  libgtest-dev googletest clang-format clang
  xvfb xauth x11-apps imagemagick xdotool
  desktop-file-utils appstream librsvg2-bin lintian
  pulseaudio pulseaudio-utils sox dbus-daemon util-linux
)

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)" = "installed" ]
}

# The sanitizer and fuzzer runtime of the clang that is (or will be) installed: the clang in use picks
# the versioned package; before clang is there, the release's default clang comes with its default runtime.
clang_runtime() {
  if command -v clang >/dev/null; then
    local major
    major=$(clang -dumpversion | cut -d. -f1)
    if apt-cache show "libclang-rt-$major-dev" >/dev/null 2>&1; then
      echo "libclang-rt-$major-dev"
      return
    fi
  fi
  echo libclang-rt-dev
}

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(build run)
wanted=()
for group in "${groups[@]}"; do
  case $group in
    build) wanted+=("${build[@]}") ;;
    run) wanted+=("${run[@]}") ;;
    test) wanted+=("${test[@]}" "$(clang_runtime)") ;;
    *)
      echo "install-deps.sh: unknown group '$group' (build, run or test)" >&2
      exit 2
      ;;
  esac
done

missing=()
for p in "${wanted[@]}"; do
  installed "$p" || [[ " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

command=(apt-get install -y --no-install-recommends "${missing[@]}")
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null; then
  sudo=(sudo)
else
  echo "Nemora needs these Debian packages (${groups[*]}). As root, run:" >&2
  echo "  apt-get update && ${command[*]}" >&2
  exit 1
fi

echo "Installing (${groups[*]}): ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "${command[@]}" -qq
