#!/usr/bin/env bash
# Runs a command on a virtual X server of its own with the openbox window
# manager, as a desktop user's session would be, and passes its exit status on.
# The server takes a free display number itself, so that test runs in
# parallel, and other sessions on the machine, do not meet.
#   wm_session.sh WIDTHxHEIGHT command [arguments...]
set -euo pipefail
screen=$1
shift
for tool in Xvfb openbox wmctrl xdotool xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (bash scripts/setup.sh)"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
finish() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "FAIL: the virtual X server did not start"
  cat "$work/xvfb.log"
  exit 1
fi
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
export QT_QPA_PLATFORM=xcb

# The server may take a moment to accept clients after naming its display.
for _ in $(seq 100); do
  xprop -root >/dev/null 2>&1 && break
  sleep 0.1
done

# The window manager has taken over once it names itself on the root window.
# A loaded machine can make its first start fail; it gets three tries.
for _ in 1 2 3; do
  openbox >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  for _ in $(seq 100); do
    wmctrl -m >/dev/null 2>&1 && break
    kill -0 "$wm_pid" 2>/dev/null || break
    sleep 0.1
  done
  wmctrl -m >/dev/null 2>&1 && break
  kill "$wm_pid" 2>/dev/null || true
  wait "$wm_pid" 2>/dev/null || true
  sleep 0.5
done
if ! wmctrl -m >/dev/null 2>&1; then
  echo "FAIL: openbox did not start"
  cat "$work/openbox.log"
  exit 1
fi
echo "desktop $DISPLAY ($screen) with $(wmctrl -m | sed -n 's/^Name: //p')"

status=0
"$@" || status=$?
exit $status
