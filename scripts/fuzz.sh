#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz and runs each for SECONDS
# (default 60) on its seeds. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# Targets: ini_file scenery_file color_map palette_map view_text numbers settings png_scene.
# The growing corpus stays in build-fuzz/corpus/<target>; crashes, hangs and
# leaks land in build-fuzz/findings/<target>/ -- fix them, then commit the input
# as tests/data/fuzz/<target>/crash-<name> so the replay test keeps it fixed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
all=(ini_file scenery_file color_map palette_map view_text numbers settings png_scene)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

build=build-fuzz
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_FUZZ=ON -DQUILLON_SANITIZE=address,undefined \
    -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
    -DBUILD_TESTING=OFF -DQUILLON_BUILD_UI=OFF -DQUILLON_BUILD_TOOLS=OFF -DQUILLON_BUILD_BENCH=OFF
fi
nice -n 19 cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' "${targets[@]}")

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$corpus" "$findings"
  dict=()
  [ -f "fuzz/dict/$t.dict" ] && dict=(-dict="fuzz/dict/$t.dict")
  echo "== $t: ${seconds}s"
  nice -n 19 "$build/fuzz/fuzz_$t" "$corpus" "tests/data/fuzz/$t" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -malloc_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$findings/" -print_final_stats=1 2>&1 | tee "$build/findings/$t.log" | grep -E '(DONE|^==|^stat::|SUMMARY|ERROR)' || true
  if ls "$findings"/* >/dev/null 2>&1; then
    echo "!! $t: findings in $findings"
    status=1
  fi
done
exit $status
