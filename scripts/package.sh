#!/usr/bin/env bash
# Builds the Debian package in one step: sets up the build dependencies,
# configures a Release build installing into /usr, builds it and runs CPack.
# The package lands in build-pkg/ (or $BUILD_DIR): quillon_<version>_<arch>.deb;
# install it with: sudo apt install ./build-pkg/quillon_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build="${BUILD_DIR:-build-pkg}"
jobs="${JOBS:-$(nproc)}"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DQUILLON_BUILD_BENCH=OFF -DQUILLON_BUILD_UI=ON -DQUILLON_BUILD_TOOLS=ON
cmake --build "$build" -j"$jobs"
rm -f "$build"/quillon_*.deb
(cd "$build" && cpack -G DEB)

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate packaging/quillon.desktop
fi
ls "$build"/quillon_*.deb
