#!/usr/bin/env bash
# Installs the Debian 12 packages Nemora needs to build, run and test; only the missing ones.
set -euo pipefail

packages=(
  make build-essential cmake ninja-build pkg-config clang-format
  clang libclang-rt-14-dev
  libgtest-dev googletest
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6svg6 qt6-qpa-plugins
  librtaudio-dev libasound2-dev libpulse-dev libdbus-1-dev
  fonts-noto-cjk fonts-aoyagi-kouzan-t qt6-translations-l10n
  xvfb xauth x11-apps imagemagick xdotool
  desktop-file-utils appstream librsvg2-bin
  pulseaudio pulseaudio-utils sox dbus-daemon util-linux
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
