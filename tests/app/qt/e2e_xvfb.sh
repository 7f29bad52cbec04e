#!/usr/bin/env bash
# The real drum pad under a virtual X server, driven as a user would: keypad strikes with
# NumLock on and off, a typed tempo, note changes by keyboard and mouse, a screenshot of the
# window, then a close request, after which the settings file must hold all fourteen keys.
#
# Usage: e2e_xvfb.sh <marbleStomper> <x11_close_window> <work dir> [screenshot.png]
#
# Closing: there is no window manager here, so `xdotool key alt+F4` reaches nobody and
# `xdotool windowclose` only destroys the X window. x11_close_window sends the
# WM_DELETE_WINDOW message a window manager's close button sends; the second run ends by
# SIGTERM, which the program turns into the same close.
set -euo pipefail

exe=$1 closer=$2 work=$3 screenshot_out=${4:-}
# Under AddressSanitizer, leaks of system libraries are not the program's.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")" && pwd)/lsan_suppressions.txt}
rm -rf "$work"
mkdir -p "$work/app"
# The settings file sits beside the executable (/proc/self/exe, so a symlink would not do).
cp "$exe" "$work/app/marbleStomper"
ini="$work/app/marbleStomper.ini"

xvfb_pid='' app_pid=''
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/app.log" ] && sed 's/^/  app: /' "$work/app.log" >&2; exit 1; }

. "$(dirname "$0")/xvfb_start.sh"
start_xvfb
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY

start_app() {
  "$work/app/marbleStomper" >>"$work/app.log" 2>&1 &
  app_pid=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^marbleStomper$' | head -n1) || fail "no window"
  xdotool windowfocus --sync "$wid"
  sleep 0.5
}
# A keypad key by X key code (keypad 0..9 = 90 87 88 89 83 84 85 79 80 81, decimal point = 91).
strike() { xdotool keydown "$1"; sleep 0.05; xdotool keyup "$1"; sleep 0.03; }
wait_exit() {
  local status=0
  for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after $1"
  wait "$app_pid" || status=$?
  app_pid=''
  [ "$status" -eq 0 ] || fail "exit status $status after $1"
}
pixel() { convert "$work/window.png" -format "%[pixel:p{$1,$2}]" info:; }

# ---- First run: no settings file yet ---------------------------------------------------------
start_app
geometry=$(xwininfo -id "$wid" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
[ "$geometry" = "200x146" ] || fail "window is $geometry, not 200x146"

for key in 84 90 91 87 88 89 83 85 79 80 81; do strike "$key"; done
xdotool keydown 37; strike 84; xdotool keyup 37        # Ctrl + keypad 5
xdotool key 77                                         # NumLock toggles ...
for key in 84 90 91 80; do strike "$key"; done         # ... and the pads still play
xdotool keydown 84; sleep 0.6; xdotool keyup 84        # held through auto-repeat
xdotool key 77

# Tab to the tempo editor and type over it; then on to pad 0's note and raise it three times.
xdotool key Tab
xdotool key ctrl+a
xdotool type --delay 50 '20'
xdotool key Tab
for _ in 1 2 3; do xdotool key Up; sleep 0.2; done
# Pad 3's up arrow (UpDown5 at 175,89, 16 by 21) with the mouse.
xdotool mousemove --window "$wid" 183 94 click 1
sleep 0.5

import -window root -crop 200x146+0+0 +repage "$work/window.png"
[ -n "$screenshot_out" ] && cp "$work/window.png" "$screenshot_out"
# The bar strip (0,23 200 by 11): white top row and beat marks over black, and the moving
# yellow line, which may cover any column.
strip_is() {
  local p; p=$(pixel "$1" "$2")
  [ "$p" = "$3" ] || [ "$p" = "srgb(255,255,0)" ] || fail "strip pixel $1,$2 is $p, not $3"
}
for xy in "10,23" "120,23" "199,23" "0,28" "50,28" "100,28" "150,33"; do strip_is "${xy%,*}" "${xy#*,}" "srgb(255,255,255)"; done
for xy in "25,28" "75,30" "125,26" "199,33"; do strip_is "${xy%,*}" "${xy#*,}" "srgb(0,0,0)"; done
# The window's background (button face) is neither black nor white, and the note edits are lighter.
bg=$(pixel 4 140)
case "$bg" in "srgb(0,0,0)"|"srgb(255,255,255)") fail "background is $bg";; esac
edit=$(pixel 46 120)
[ "$edit" != "$bg" ] || fail "Edit1 at (18,116) is not drawn there"

"$closer" "$wid"
wait_exit "WM_DELETE_WINDOW"
[ -f "$ini" ] || fail "no settings file written"
grep -q '^\[marbleStomper\]' "$ini" || fail "no [marbleStomper] section"
for key in Num0 Num. Num1 Num2 Num3 Num4 Num5 Num6 Num7 Num8 Num9 Top Left MIDI; do
  grep -q "^$key=-\?[0-9]\+\$" "$ini" || fail "key $key missing: $(cat "$ini")"
done
grep -qi 'tempo' "$ini" && fail "the tempo was stored"
grep -q '^Num0=38$' "$ini" || fail "Num0 is not 38 after three Up keys: $(grep Num0 "$ini")"
grep -q '^Num3=39$' "$ini" || fail "Num3 is not 39 after a click on its up arrow: $(grep Num3 "$ini")"
grep -q '^MIDI=0$' "$ini" || fail "device line is not 0: $(grep MIDI "$ini")"

# ---- Second run: the notes come back; SIGTERM closes as cleanly ------------------------------
sed -i 's/^Num9=.*/Num9=300/' "$ini"
start_app
kill -TERM "$app_pid"
wait_exit "SIGTERM"
grep -q '^Num0=38$' "$ini" || fail "Num0 did not survive a run"
grep -q '^Num9=127$' "$ini" || fail "Num9=300 was not clamped to 127"

# ---- Ctrl+C in a terminal (SIGINT) and a hang-up (SIGHUP) close the same way -------------------
for sig in INT HUP; do
  sed -i 's/^Num1=.*/Num1=300/' "$ini"
  start_app
  kill -"$sig" "$app_pid"
  wait_exit "SIG$sig"
  grep -q '^Num1=127$' "$ini" || fail "SIG$sig did not write the settings: $(grep Num1 "$ini")"
done
# ---- A remembered position on a screen that is gone comes back; a reachable one is kept -------
# The screen is 640x480: the window goes to its bottom-right corner, and that place is saved.
position() { xwininfo -id "$wid" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x "," y}'; }
for case in "100000,100000 440,334" "-100,50 -100,50" "-190,50 0,50" "300,475 300,334"; do
  set -- $case
  sed -i -e "s/^Left=.*/Left=${1%,*}/" -e "s/^Top=.*/Top=${1#*,}/" "$ini"
  start_app
  at=$(position)
  [ "$at" = "$2" ] || fail "saved Left,Top $1: window at $at, not $2"
  "$closer" "$wid"
  wait_exit "WM_DELETE_WINDOW"
  grep -q "^Left=${2%,*}\$" "$ini" && grep -q "^Top=${2#*,}\$" "$ini" || fail "saved $1, came back at $2, written: $(grep -E '^(Left|Top)=' "$ini" | tr '\n' ' ')"
done
echo "e2e: ok ($(wc -l <"$ini") lines in the settings file)"
