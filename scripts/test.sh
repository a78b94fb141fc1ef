#!/usr/bin/env bash
# Sets up, builds and runs every test: the whole suite, then the whole suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the engine and
# window tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# AddressSanitizer and UndefinedBehaviorSanitizer: the whole suite again, the
# replay of the committed fuzz reproducers included (the fuzzers themselves run
# from scripts/fuzz.sh). Leaks count; scripts/lsan.supp names the few that
# belong to the system libraries.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_SANITIZE=address,undefined \
  -DQUILLON_BUILD_BENCH=OFF -DQUILLON_WERROR=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:check_initialization_order=1" \
LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

# ThreadSanitizer: the engine (workers, line hand-out, pixel reads while
# rendering) and the window tests (the window copying and recoloring the image
# while workers render). scripts/tsan.supp keeps Qt's own, uninstrumented
# threading out of the reports. The runs on a virtual X server with a window
# manager (label desktop) are left out here: there the X and event-loop libraries, also not
# built for TSan, report their own locking; the window code is covered by the
# offscreen tests. So is the test with its own operator new and delete (label
# own-allocator): Qt's allocations go through it, out of the suppressions' sight.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_SANITIZE=thread \
  -DQUILLON_BUILD_UI=ON -DQUILLON_BUILD_TOOLS=OFF -DQUILLON_BUILD_BENCH=OFF -DQUILLON_WERROR=ON
cmake --build build-tsan -j"$jobs"
# Newer kernels randomise more address bits than TSan's shadow layout allows.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp" \
  setarch "$(uname -m)" -R ctest --test-dir build-tsan -L "engine|session|ui" -LE "desktop|own-allocator" --output-on-failure -j"$jobs"
