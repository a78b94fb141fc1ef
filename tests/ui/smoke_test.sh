#!/usr/bin/env bash
# Starts the real program on the desktop that wm_session.sh has set up (a
# virtual X server with openbox), takes a screenshot once the first image
# should be on screen, lets the program close itself and checks that the
# screenshot shows a rendered Mandelbrot set, that the quick-help card is
# stacked above the window, and that the settings were written.
#   wm_session.sh WxH smoke_test.sh <path to quillon> <work folder>
set -euo pipefail
program=$1
work=$2
for tool in import convert identify xdotool xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (bash scripts/setup.sh)"
    exit 77
  fi
done
if [ -z "${DISPLAY:-}" ]; then
  echo "FAIL: no X display; run me through wm_session.sh"
  exit 1
fi
mkdir -p "$work"
conf="${XDG_CONFIG_HOME:-$HOME/.config}/Borvik/Quillon.conf"
rm -f "$conf" "$work/screenshot.png"
shot="$work/screenshot.png"
log="$work/program.log"

# Prints, for each rendering, its time and how long after its end the
# finished image was painted.
QUILLON_QUIT_AFTER_MS=10000 QUILLON_TRACE_RENDERING=1 "$program" >"$log" 2>&1 &
pid=$!
window=""
for _ in $(seq 50); do
  window=$(xdotool search --onlyvisible --pid "$pid" --name '^Quillon$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
# The screenshot waits for the first finished image to be painted (a loaded
# machine can take seconds), then for the window manager to settle.
for _ in $(seq 90); do
  grep -q "finished image painted" "$log" 2>/dev/null && break
  sleep 0.1
done
sleep 0.5
import -window root "$shot"
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
top=$(echo "$stacking" | awk '{ print $NF }')
top_pid=$(xdotool getwindowpid "$((top))" 2>/dev/null || echo none)
eval "$(xdotool getwindowgeometry --shell "$window")"
wait $pid
echo "program exited normally"
cat "$log"

if [ -z "$window" ]; then
  echo "FAIL: no window named Quillon appeared"
  exit 1
fi
# The window manager decorates and places the window; the image fills its
# workspace below the menu, tool and control bars, and right of the card.
echo "window $window at ${X},${Y} size ${WIDTH}x${HEIGHT}"
crop="$work/image.png"
convert "$shot" -crop "400x300+$((X + 350))+$((Y + 150))" +repage "$crop"
colors=$(identify -format %k "$crop")
black=$(convert "$crop" -fill white +opaque black -colorspace Gray -format "%[fx:1-mean]" info:)
echo "image area: $colors colors, black fraction $black"
if [ "$colors" -lt 20 ]; then
  echo "FAIL: the image area is (nearly) blank"
  exit 1
fi
if ! awk -v b="$black" 'BEGIN { exit !(b > 0.05 && b < 0.95) }'; then
  echo "FAIL: no Mandelbrot interior (black) next to escaping points"
  exit 1
fi

# The quick-help card, shown at the first start, is the topmost window.
echo "stacking, bottom to top: $stacking (window $(printf '0x%x' "$window"))"
if [ "$((top))" -eq "$((window))" ]; then
  echo "FAIL: the main window is stacked above the quick-help card"
  exit 1
fi
if [ "$top_pid" != "$pid" ]; then
  echo "FAIL: the topmost window ($top, process $top_pid) is not the program's quick-help card"
  exit 1
fi
if ! grep -q "finished image painted" "$log"; then
  echo "FAIL: no rendering reported its finished image"
  exit 1
fi

if ! grep -q '^\[Current\]' "$conf" || ! grep -q '^MaxSteps=50' "$conf" || ! grep -q '^\[MainDialog\]' "$conf"; then
  echo "FAIL: settings not written to $conf"
  exit 1
fi
echo "settings written to $conf"
