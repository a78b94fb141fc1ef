#!/usr/bin/env bash
# Sets up, builds and runs every test: the whole suite, then the thread-sensitive
# tests again under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# ThreadSanitizer: the engine (workers, line hand-out, pixel reads while rendering).
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_SANITIZE=thread \
  -DQUILLON_BUILD_UI=OFF -DQUILLON_BUILD_TOOLS=OFF -DQUILLON_BUILD_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target quillon_engine_tests
# Newer kernels randomise more address bits than TSan's shadow layout allows.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  setarch "$(uname -m)" -R ctest --test-dir build-tsan -L engine --output-on-failure -j"$jobs"
