#!/usr/bin/env bash
# The drum pad's CPU use while idle: the window open under Xvfb, nothing pressed, for 30 s.
# Usage: bench/app/idle_cpu.sh <marbleStomper> [seconds]
set -euo pipefail
exe=$1 seconds=${2:-30}
work=$(mktemp -d)
trap 'kill "${app:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$exe" "$work/marbleStomper"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
"$work/marbleStomper" >/dev/null 2>&1 &
app=$!
timeout 20 xdotool search --sync --onlyvisible --name '^marbleStomper$' >/dev/null
sleep 2
cpu() { awk '{print $14 + $15}' "/proc/$app/stat"; }
t0=$(cpu)
sleep "$seconds"
t1=$(cpu)
hz=$(getconf CLK_TCK)
awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "idle CPU: %.2f%% of one core over %d s\n", 100 * d / hz / s, s }'
kill -TERM "$app"
wait "$app" || true
