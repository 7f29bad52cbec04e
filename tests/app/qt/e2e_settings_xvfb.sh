#!/usr/bin/env bash
# The real drum pad under a virtual X server with settings files a real desktop holds: one saved
# with a byte-order mark and CRLF line ends (Windows Notepad), one that is a link into a dotfiles
# folder, a FIFO in its place, and one beside an executable in a read-only folder. Each run opens
# the window, closes it as a window manager would, and checks the file afterwards.
#
# Usage: e2e_settings_xvfb.sh <marbleStomper> <x11_close_window> <work dir>
set -euo pipefail

exe=$1 closer=$2 work=$3
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")" && pwd)/lsan_suppressions.txt}
rm -rf "$work"
mkdir -p "$work"

xvfb_pid='' app_pid=''
cleanup() {
  [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/app.log" ] && sed 's/^/  app: /' "$work/app.log" >&2; exit 1; }

. "$(dirname "$0")/xvfb_start.sh"
start_xvfb -noreset
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
export XDG_CONFIG_HOME="$work/config"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY

# A fresh copy of the program in its own folder (the settings file sits beside /proc/self/exe).
install_app() { mkdir -p "$work/$1"; cp "$exe" "$work/$1/marbleStomper"; }
# Starts the copy in folder $1; the window must appear within 10 s, however the file behaves.
start_app() {
  "$work/$1/marbleStomper" >>"$work/app.log" 2>&1 &
  app_pid=$!
  wid=$(timeout 10 xdotool search --sync --onlyvisible --name '^marbleStomper$' | head -n1) ||
    fail "$1: no window within 10 s"
}
# Closes the window; an error box (the file could not be written) is answered with Return.
close_app() {
  "$closer" "$wid"
  for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    box=$(xdotool search --onlyvisible --name '^marbleStomper$' 2>/dev/null | head -n1 || true)
    if [ -n "$box" ]; then
      echo "$1: error box" >>"$work/boxes"
      xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
    fi
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "$1: the program did not end"
  wait "$app_pid" || fail "$1: exit status $?"
  app_pid=''
}
keys_in() { tr -d '\r' <"$1" | grep -c '^\(Num[0-9.]\|Top\|Left\|MIDI\)=-\?[0-9]*$' || true; }
no_temporaries() {
  left=$(find "$work" -name '.marbleStomper.ini.tmp*' | head -n1)
  [ -z "$left" ] || fail "temporary file left: $left"
}

# ---- A byte-order mark and CRLF: the values are used, the mark and line ends stay --------------
install_app bom
printf '\xef\xbb\xbf[marbleStomper]\r\nNum0=50\r\nTop=12\r\n' >"$work/bom/marbleStomper.ini"
start_app bom
close_app bom
ini="$work/bom/marbleStomper.ini"
[ "$(head -c 3 "$ini" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the byte-order mark was dropped"
[ "$(grep -c 'marbleStomper\]' "$ini")" -eq 1 ] || fail "a second section was added: $(cat -A "$ini")"
grep -q $'^Num0=50\r$' "$ini" || fail "Num0 did not keep the user's 50: $(cat -A "$ini")"
[ "$(keys_in "$ini")" -eq 14 ] || fail "not fourteen keys: $(cat -A "$ini")"

# ---- A link into a dotfiles folder: the link stays, its target gets every key ------------------
install_app link
mkdir -p "$work/dotfiles"
printf '[marbleStomper]\nNum5=60\n; kept\n' >"$work/dotfiles/drums.ini"
ln -s "$work/dotfiles/drums.ini" "$work/link/marbleStomper.ini"
start_app link
close_app link
[ -L "$work/link/marbleStomper.ini" ] || fail "the link was replaced by a file"
grep -q '^Num5=60$' "$work/dotfiles/drums.ini" || fail "the target lost Num5=60"
grep -q '^; kept$' "$work/dotfiles/drums.ini" || fail "the target lost its comment"
[ "$(keys_in "$work/dotfiles/drums.ini")" -eq 14 ] || fail "the target does not hold fourteen keys"

# ---- A FIFO in the file's place: no blocking, defaults, the write refused and reported ---------
install_app fifo
mkfifo "$work/fifo/marbleStomper.ini"
start_app fifo
close_app fifo
[ -p "$work/fifo/marbleStomper.ini" ] || fail "the FIFO was replaced"
grep -q '^fifo: error box$' "$work/boxes" || fail "no error box for the FIFO"

# ---- A read-only folder holding the user's file: it starts the per-user file -------------------
install_app readonly
printf '[marbleStomper]\nNum0=45\nLeft=7\n' >"$work/readonly/marbleStomper.ini"
chmod 555 "$work/readonly"
start_app readonly
close_app readonly
user_ini="$XDG_CONFIG_HOME/marbleStomper/marbleStomper.ini"
[ -f "$user_ini" ] || fail "no per-user file $user_ini"
grep -q '^Num0=45$' "$user_ini" || fail "the per-user file did not start from the file beside: $(cat "$user_ini")"
[ "$(keys_in "$user_ini")" -eq 14 ] || fail "the per-user file does not hold fourteen keys"
[ "$(cat "$work/readonly/marbleStomper.ini")" = $'[marbleStomper]\nNum0=45\nLeft=7' ] || fail "the file beside changed"
grep -q '^readonly:' "$work/boxes" 2>/dev/null && fail "an error box for the read-only folder"

no_temporaries
echo "e2e settings: ok (byte-order mark, link, FIFO, read-only folder)"
