#!/usr/bin/env bash
# Takes a screenshot of the program under a virtual X server, for the README:
#   bash scripts/screenshot.sh [OUT.png] [SCENE]
# Needs a built program (bash scripts/run.sh or cmake --build build).
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshot.png}"
scene="${2:-docs/seahorse-valley.qsf}"
program=build/app/quillon
[ -x "$program" ] || { echo "screenshot: build the program first ($program)" >&2; exit 1; }

home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/run" && chmod 700 "$home/run"
raw="$home/raw.png"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run"
# The window closes itself; the picture is taken while the scene shows.
QUILLON_QUIT_AFTER_MS=9000 xvfb-run -a -s "-screen 0 1280x900x24" bash -c "
  '$program' '$scene' 2>/dev/null &
  sleep 6
  import -window root '$raw'
  wait"
# Without a window manager the window sits at the top left on black: cut it out.
convert "$raw" -trim +repage "$out"
echo "$out"
