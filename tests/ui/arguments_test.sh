#!/usr/bin/env bash
# The program's command line: one file is opened (a scene; its step limit is
# stored at exit), Qt's own options are taken by Qt, unknown options and
# further files are named on standard error and ignored, and the program runs.
#   arguments_test.sh <path to quillon> <scene file> <work folder>
set -euo pipefail
program=$1
scene=$2
work=$3
rm -rf "$work"
mkdir -p "$work/home/.config"
cp "$scene" "$work/scene.qsf"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=offscreen
export QUILLON_QUIT_AFTER_MS=1500
conf="$XDG_CONFIG_HOME/Borvik/Quillon.conf"
fail() { echo "FAIL: $*"; echo "--- stderr:"; cat "$work/err" || true; exit 1; }

cd "$work"
"$program" -platform offscreen --bogus scene.qsf second.qsf 2>"$work/err" >/dev/null || fail "exit status $?"
grep -qx 'quillon: unknown option ignored: --bogus' err || fail "unknown option not named"
grep -qx 'quillon: only one file is opened; ignored: second.qsf' err || fail "second file not named"
grep -q 'platform' err && fail "Qt's own option reached the program"
grep -qi 'MaxSteps=600' "$conf" || fail "the scene was not opened (MaxSteps in $conf: $(grep -i maxsteps "$conf"))"

# Without arguments: no note, the stored state.
"$program" 2>"$work/err" >/dev/null || fail "exit status $? without arguments"
grep -q 'quillon:' err && fail "a note without arguments"
grep -qi 'MaxSteps=600' "$conf" || fail "the stored state was not kept"
echo "PASS"
