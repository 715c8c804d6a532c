#!/bin/sh
# Installs what building, playing and testing Quibblix need on Debian 12, and only what is
# missing. Run as root (or with sudo available).
set -eu

PACKAGES="build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libsdl2-dev libxcb-xkb-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  fonts-dejavu-core fonts-liberation2 fonts-comic-neue fonts-cabinsketch
  fontconfig xvfb xauth xdotool x11-xserver-utils desktop-file-utils appstream shared-mime-info
  dpkg-dev debhelper lintian qt6-wayland sway wtype grim git ffmpeg"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  run() { "$@"; }
elif command -v sudo >/dev/null 2>&1; then
  run() { sudo "$@"; }
else
  echo "Quibblix needs these packages installed as root:$missing" >&2
  exit 1
fi
echo "Installing:$missing"
run env DEBIAN_FRONTEND=noninteractive apt-get update -qq
# shellcheck disable=SC2086
run env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
