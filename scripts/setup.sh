#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quillon needs.
# Idempotent: quiet and quick when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpng-dev zlib1g-dev libjpeg62-turbo-dev libgif-dev libpcre2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libhwy-dev
  clang libclang-rt-14-dev
  libmpfr-dev libavcodec-dev libavformat-dev libswscale-dev ffmpeg
  xvfb xauth imagemagick openbox wmctrl xdotool x11-utils parallel
  desktop-file-utils xdg-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
