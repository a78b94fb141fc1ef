#!/usr/bin/env bash
# Starts the real program on a virtual X server, takes a screenshot once the
# first image should be on screen, lets the program close itself and checks
# that the screenshot shows a rendered Mandelbrot set and that the settings
# were written.
#   smoke_test.sh <path to quillon> <work folder>
set -euo pipefail
program=$1
work=$2
for tool in xvfb-run xauth import convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (bash scripts/setup.sh)"
    exit 77
  fi
done
mkdir -p "$work"
conf="${XDG_CONFIG_HOME:-$HOME/.config}/Borvik/Quillon.conf"
rm -f "$conf" "$work/screenshot.png"

# The window must go to the virtual X server, whatever the test run says.
export QT_QPA_PLATFORM=xcb
export QUILLON_QUIT_AFTER_MS=6000
export PROGRAM="$program" SHOT="$work/screenshot.png"
xvfb-run -a -s "-screen 0 1100x800x24" bash -c '
  "$PROGRAM" > "$(dirname "$SHOT")/program.log" 2>&1 &
  pid=$!
  sleep 3
  import -window root "$SHOT"
  wait $pid
'
echo "program exited normally"

# Without a window manager the window sits at the top-left corner; the image
# fills its workspace below the menu, tool and control bars.
crop="$work/image.png"
convert "$SHOT" -crop 400x300+250+140 +repage "$crop"
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

if ! grep -q '^\[Current\]' "$conf" || ! grep -q '^MaxSteps=50' "$conf" || ! grep -q '^\[MainDialog\]' "$conf"; then
  echo "FAIL: settings not written to $conf"
  exit 1
fi
echo "settings written to $conf"
