#!/usr/bin/env bash
# run_deb_test.sh [dist dir]   (as root; the packages come from scripts/package)
#
# The Debian packages as a user meets them: lintian finds no errors; apt-get installs them; an
# outside program builds against the installed library through CMake and pkg-config; the
# installed drum pad starts as an unprivileged user under a virtual X server, closes, and leaves
# its settings in that user's ~/.config/marbleStomper, and so it does for root, who could write
# /usr/bin; a Japanese font comes with it; purging removes every packaged file.
set -euo pipefail
cd "$(dirname "$0")/../.."
dist=$(cd "${1:-dist}" && pwd)
debs=("$dist"/*.deb)
packages=(marblestomper liblumarix1 liblumarix-dev)
user=marble-deb-test
work=$(mktemp -d /tmp/marble-deb.XXXXXX)
export DEBIAN_FRONTEND=noninteractive
fail() { echo "FAIL: $*" >&2; exit 1; }
cleanup() {
  apt-get purge -y -qq "${packages[@]}" >/dev/null 2>&1 || true
  if id "$user" >/dev/null 2>&1; then userdel -r "$user" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
[ "$(id -u)" -eq 0 ] || fail "needs root (it installs packages and adds a user)"
[ "${#debs[@]}" -eq 3 ] && [ -f "${debs[0]}" ] || fail "expected three packages in $dist"

echo "== lintian"
status=0
lintian --fail-on error "${debs[@]}" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'root privileges' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"

echo "== apt-get install"
apt-get install -y -qq --no-install-recommends "${debs[@]}" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "install"; }
for f in /usr/share/applications/marbleStomper.desktop /usr/share/icons/hicolor/48x48/apps/marbleStomper.png \
         /usr/share/icons/hicolor/scalable/apps/marbleStomper.svg; do
  [ -f "$f" ] || fail "$f is not installed"
done
man -w marbleStomper >/dev/null || fail "no manual page"

echo "== outside consumer against the installed library"
cmake -S tests/package/consumer -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release >"$work/cfg.log" \
  || { cat "$work/cfg.log"; fail "configure"; }
cmake --build "$work/consumer" >"$work/build.log" || { cat "$work/build.log"; fail "build"; }
"$work/consumer/consumer_shared"
"$work/consumer/consumer_static"
ldd "$work/consumer/consumer_shared" | grep -q "liblumarix.so.1 => \(/usr\)\?/lib/$(gcc -print-multiarch)/liblumarix.so.1 " \
  || fail "not linked to the installed library: $(ldd "$work/consumer/consumer_shared")"
# shellcheck disable=SC2046
c++ tests/package/consumer/main.cpp $(pkg-config --cflags --libs lumarix) -o "$work/consumer_pc"
"$work/consumer_pc"

echo "== the installed drum pad, run by $user"
id "$user" >/dev/null 2>&1 || useradd -m -s /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
# Starts the installed program on a private X server, waits for its window and closes it as a
# session end would; run below as a user and as root.
start_and_close=$(cat <<'RUN'
set -euo pipefail
work=$(mktemp -d)
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
marbleStomper >"$work/app.log" 2>&1 &
app=$!
timeout 30 xdotool search --sync --onlyvisible --name '^marbleStomper$' >/dev/null || { cat "$work/app.log"; exit 1; }
sleep 0.5
kill -TERM "$app"
wait "$app" || { echo "exit status $?"; cat "$work/app.log"; exit 1; }
RUN
)
runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin bash -c "$start_and_close" || fail "the installed program as $user"
ini="$home/.config/marbleStomper/marbleStomper.ini"
[ -f "$ini" ] || fail "no settings in $ini"
[ "$(grep -c '^[A-Za-z0-9.]*=-\?[0-9]*$' "$ini")" -eq 14 ] || fail "$ini does not hold the fourteen keys"
[ "$(stat -c %U "$ini")" = "$user" ] || fail "$ini does not belong to $user"
[ ! -e /usr/bin/marbleStomper.ini ] || fail "the program wrote beside itself"
echo "settings of $user in $ini"

echo "== the installed drum pad, run by root"
# Root may write /usr/bin, yet the installed copy keeps its settings per user all the same.
roothome="$work/root-home"
mkdir -p "$roothome"
env -i HOME="$roothome" PATH=/usr/bin:/bin bash -c "$start_and_close" || fail "the installed program as root"
[ ! -e /usr/bin/marbleStomper.ini ] || fail "root's run wrote /usr/bin/marbleStomper.ini"
[ -f "$roothome/.config/marbleStomper/marbleStomper.ini" ] || fail "root's settings are not in its ~/.config"

# The settings error box is in Japanese: the package brings a font that has it.
dpkg-deb -f "$dist"/marblestomper_*.deb Depends | grep -q 'fonts-vlgothic' || fail "the package does not depend on a Japanese font"
[ -n "$(fc-list :lang=ja family)" ] || fail "no Japanese font installed with the package"

echo "== apt-get purge"
files=$(for d in "${debs[@]}"; do dpkg-deb -c "$d"; done | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}')
apt-get purge -y -qq "${packages[@]}" >/dev/null
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q installed && fail "$p is still installed"
done
left=$(for f in $files; do [ -e "$f" ] || [ -L "$f" ] && echo "$f"; done || true)
[ -z "$left" ] || fail "left after purge: $left"
echo "package test passed"
