#!/usr/bin/env bash
# The real drum pad's built-in synth against a failing audio server, under a virtual X server
# with a private PulseAudio (null sink "out", its monitor recorded to hear the program):
#  1. the server killed while the program runs: strokes are lost, the device line changes; a
#     new server on the same socket: the stream is back within two seconds (the time is
#     printed), the lost strokes do not sound late, and a new stroke sounds;
#  2. a stopped (SIGSTOP) server at start: the window still appears at once, and the stream
#     joins once the server runs on;
#  3. no soundfont anywhere (the sounds folder hidden in a mount namespace): the program runs
#     and its device line is another one again (the words are checked by the front-end tests).
#
# Usage: e2e_audio_xvfb.sh <marbleStomper> <x11_close_window> <work dir>
set -euo pipefail

exe=$1 closer=$2 work=$3
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")" && pwd)/lsan_suppressions.txt}
rm -rf "$work"
mkdir -p "$work/app" "$work/home" "$work/run/pulse"
cp "$exe" "$work/app/marbleStomper"

xvfb_pid='' app_pid='' pulse_pid=''
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$pulse_pid" ] && { kill -CONT "$pulse_pid"; kill "$pulse_pid"; } 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/app.log" ] && sed 's/^/  app: /' "$work/app.log" >&2; exit 1; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN{printf "%.2f", b-a}'; }

. "$(dirname "$0")/xvfb_start.sh"
start_xvfb -noreset
export QT_QPA_PLATFORM=xcb
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PULSE_SERVER="unix:$work/run/pulse/native"
printf 'autospawn = no\n' >"$work/client.conf"
export PULSE_CLIENTCONFIG="$work/client.conf"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY

start_pulse() {
  pulseaudio --daemonize=no --system=false --exit-idle-time=-1 -n --disallow-exit --use-pid-file=false \
    --load="module-null-sink sink_name=out rate=48000" \
    --load="module-native-protocol-unix socket=$work/run/pulse/native auth-anonymous=1" >>"$work/pulse.log" 2>&1 &
  pulse_pid=$!
  for _ in $(seq 100); do timeout 2 pactl info >/dev/null 2>&1 && return; sleep 0.05; done
  fail "pulseaudio did not start"
}
stop_pulse() { kill -KILL "$pulse_pid"; wait "$pulse_pid" 2>/dev/null || true; pulse_pid=''; }
# Seconds until the program's stream is back on the server (fails after $1 seconds).
wait_stream() {
  local start; start=$(now)
  for _ in $(seq $(($1 * 20))); do
    [ -n "$(timeout 2 pactl list short sink-inputs 2>/dev/null)" ] && { since "$start"; return; }
    sleep 0.05
  done
  fail "the program's stream did not come back within $1 s"
}
# Peak level (0..32767) of what the sink plays over $1 seconds, while the command in $2 runs.
peak() {
  timeout "$1" parec -d out.monitor --raw --format=s16le --channels=1 --rate=8000 >"$work/rec.raw" 2>/dev/null &
  local rec=$!
  sleep 0.3; eval "${2:-true}"; wait "$rec" || true
  od -An -v -td2 -w2 "$work/rec.raw" | awk '{v = $1 < 0 ? -$1 : $1; if (v > m) m = v} END {print m + 0}'
}
start_app() {
  local start; start=$(now)
  "$@" "$work/app/marbleStomper" >>"$work/app.log" 2>&1 &
  app_pid=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^marbleStomper$' | head -n1) || fail "no window"
  window_after=$(since "$start")
  xdotool windowfocus --sync "$wid"
  sleep 0.3
}
close_app() {
  "$closer" "$wid"
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after $1"
  wait "$app_pid" || fail "exit status $? after $1"
  app_pid=''
}
strike() { xdotool keydown "$1"; sleep 0.05; xdotool keyup "$1"; sleep 0.03; }
# The device line as drawn (ComboBox1 at 1,1, 146 by 21): a digest of its pixels.
device_line() { sleep 0.3; import -window "$wid" -crop 120x21+1+1 +repage rgb:- | md5sum | cut -c1-12; }

# ---- 1. The server goes away and comes back ----------------------------------------------------
start_pulse
start_app
wait_stream 5 >/dev/null
playing=$(device_line)
[ "$(peak 1.2 'strike 84')" -gt 300 ] || fail "a stroke is not heard"
stop_pulse
sleep 0.5
gone=$(device_line)
[ "$gone" != "$playing" ] || fail "the device line did not change when the server went away"
for key in 84 90 87 88 89; do strike "$key"; done      # lost: no server to play them
sleep 1.5
start_pulse
back_after=$(wait_stream 3)
[ "$(device_line)" = "$playing" ] || fail "the device line did not come back"
late=$(peak 1.0)
[ "$late" -lt 30 ] || fail "strokes made without a server sound after it came back (peak $late)"
[ "$(peak 1.2 'strike 84')" -gt 300 ] || fail "no stroke is heard after the server came back"
close_app "the server's return"
echo "server restart: stream back ${back_after} s after the new server answered"

# ---- 2. A stopped server at start ----------------------------------------------------------------
kill -STOP "$pulse_pid"
start_app
awk -v t="$window_after" 'BEGIN{exit !(t < 5)}' || fail "window after $window_after s with a stopped server"
connecting=$(device_line)
[ "$connecting" != "$playing" ] || fail "the device line says the synth plays while the server is stopped"
strike 84
kill -CONT "$pulse_pid"
joined_after=$(wait_stream 5)
[ "$(device_line)" = "$playing" ] || fail "the device line did not change once the server ran on"
close_app "a stopped server"
echo "stopped server: window after ${window_after} s, stream ${joined_after} s after the server ran on"

# ---- 3. No soundfont -------------------------------------------------------------------------------
if unshare -m true 2>/dev/null; then
  start_app unshare -m --propagation private sh -c 'mount -t tmpfs none /usr/share/sounds && exec "$0"'
  missing=$(device_line)
  [ "$missing" != "$playing" ] && [ "$missing" != "$gone" ] || fail "the device line does not tell a missing soundfont"
  [ -z "$(timeout 2 pactl list short sink-inputs)" ] || fail "a stream without a soundfont"
  close_app "no soundfont"
  echo "no soundfont: ok"
else
  echo "no soundfont: skipped (no mount namespace)"
fi
echo "e2e audio: ok"
