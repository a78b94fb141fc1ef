#!/usr/bin/env bash
# Pictures per second of the Julia preview in the real program while a script
# moves the pointer over the Mandelbrot set, under a virtual X server with a
# window manager. The program logs its own count once a second.
#
#   bash bench/julia_preview_rate.sh <quillon binary> [display number] [seconds] [step limit]
set -euo pipefail
app=$1
disp=${2:-64}
seconds=${3:-8}
steps=${4:-}
for tool in Xvfb openbox xdotool wmctrl; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 77; }
done
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
export DISPLAY=:$disp HOME=$work XDG_CONFIG_HOME=$work/.config XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
if [ -n "$steps" ]; then
  mkdir -p "$XDG_CONFIG_HOME/Borvik"
  printf '[Current]\nMaxSteps=%s\n' "$steps" >"$XDG_CONFIG_HOME/Borvik/Quillon.conf"
fi
Xvfb ":$disp" -screen 0 1600x1200x24 >/dev/null 2>&1 & pids+=($!)
sleep 1
openbox >/dev/null 2>&1 & pids+=($!)
sleep 1
QT_LOGGING_RULES="quillon.juliapreview.info=true" "$app" >"$work/log" 2>&1 & pids+=($!)
for _ in $(seq 50); do wmctrl -l | grep -q ' Quillon$' && break; sleep 0.2; done
main=$(xdotool search --sync --name '^Quillon$' | tail -1)
xdotool windowactivate --sync "$main"
sleep 2 # the first image renders
# View menu, "Julia preview".
xdotool key alt+v; sleep 0.5; xdotool key j; sleep 1
eval "$(xdotool getwindowgeometry --shell "$main")"
# A loop around the main cardioid, in one xdotool process: 200 positions a second.
cx=$((X + WIDTH * 55 / 100)); cy=$((Y + HEIGHT * 55 / 100)); r=$((HEIGHT / 4))
moves=$((seconds * 200))
mapfile -t args < <(awk -v n="$moves" -v cx="$cx" -v cy="$cy" -v r="$r" \
  'BEGIN { for (i = 0; i < n; i++) { a = i * 0.01; printf "mousemove\n%d\n%d\nsleep\n0.005\n", cx + r * cos(a), cy + r * sin(a) } }')
uptime
xdotool "${args[@]}"
sleep 1.2
uptime
grep 'pictures/s' "$work/log" || { echo "no pictures logged" >&2; cat "$work/log" >&2; exit 1; }
