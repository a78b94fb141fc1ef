#!/usr/bin/env bash
# Sets up, builds and starts Quillon.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
if [ -x build/app/quillon ]; then
  exec build/app/quillon "$@"
fi
# Until the window is built, run the engine benchmark instead.
exec build/bench/quillon-bench-engine "$@"
