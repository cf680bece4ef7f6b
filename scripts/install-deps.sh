#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quorvan needs.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format clang-tidy black
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  qt6-webchannel-dev qt6-multimedia-dev qt6-svg-dev libqt6svg6 qml6-module-qtwebchannel
  libgl-dev libxkbcommon-dev
  libespeak-ng-dev espeak-ng-data libsndfile1-dev libgumbo-dev
  flite1-dev libsoxr-dev sox pocketsphinx pocketsphinx-en-us python3-pocketsphinx
  libpocketsphinx-dev libsphinxbase-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libgif-dev
  fonts-wqy-microhei xvfb xauth x11-utils xdotool xclip python3-xlib
  libpulse-dev pulseaudio pulseaudio-utils openbox python3-numpy
  file dpkg-dev desktop-file-utils appstream lintian man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  echo "install-deps: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
