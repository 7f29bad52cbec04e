#!/usr/bin/env bash
# The Windows downloads as a user meets them, under Wine and Xvfb with the winmm test double:
# install dist/marbleStomper-<version>-setup.exe silently into a fresh prefix, find its Start-menu
# shortcut and its uninstall entry, start the program through the shortcut, strike a pad, close
# it, find the settings file beside the installed executable; uninstall silently and find the
# program gone and the settings kept. Then unpack the zip and start the program from there once.
# Skips (exit 0, with a message) only when Wine, Xvfb or xdotool is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
helpers=$root/build/windows-helpers
source "$root/tests/win32/wait_for_window.sh"

for tool in wine Xvfb xdotool unzip x86_64-w64-mingw32-g++-posix; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: the installer test needs $tool (scripts/setup installs it)"
    exit 0
  fi
done
build_dir=$(cd "$root" && realpath -m "${MARBLE_WINDOWS_BUILD_DIR:-build/windows}")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt" 2>/dev/null || true)
setup=$root/dist/marbleStomper-$version-setup.exe
zip=$root/dist/marbleStomper-$version-win64.zip
exe=$build_dir/app/win32/marbleStomper.exe
for f in "$setup" "$zip" "$exe"; do
  [ -f "$f" ] || { echo "missing $f: run scripts/package-windows first" >&2; exit 1; }
done

cmake -S "$root/tests/win32/helpers" -B "$helpers" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$helpers" --target winmm_double probe -j "$(nproc)" >/dev/null

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "  ok   $*"; }
fail() { failed=$((failed + 1)); echo "  FAIL $*"; }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

# ==== A fresh prefix and X server ===============================================================
work=$(mktemp -d /tmp/marble-setup.XXXXXX)
display=""
for n in $(seq 141 190); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
# -noreset: NumLock, locked once, stays locked while no client is connected between the runs.
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -ac -noreset >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
log=$work/midi.log

# winemenubuilder would turn the shortcut into a desktop entry outside the prefix.
w() {
  env -i PATH=/usr/bin:/bin HOME="$work" WINEPREFIX="$work/prefix" WINEDEBUG=-all DISPLAY="$display" \
    WINEDLLOVERRIDES="${overrides:-winmm=n,b;winemenubuilder.exe=d}" WINMM_DOUBLE_LOG="Z:$log" "$@"
}
cleanup() {
  w wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

overrides="mscoree,mshtml=;winemenubuilder.exe=d" w wine wineboot -i >/dev/null 2>&1
w wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
w wineserver -p >/dev/null 2>&1 || true

unix_path() { w winepath -u "$1" 2>/dev/null | tr -d '\r'; }
reg_value() {  # NAME: a value of the uninstall entry
  w wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\marbleStomper' /v "$1" 2>/dev/null |
    tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
has() { grep -q -E "$1" "$2"; }
matches() { [[ $1 =~ $2 ]]; }
wait_uninstalled() {  # the uninstaller runs on from a copy of itself after its first process ends
  for _ in $(seq 100); do [ -n "$(reg_value DisplayName)" ] || return 0; sleep 0.3; done
  return 1
}

app_pid=""
numlock_on=0
run_and_strike() {  # WHAT COMMAND...: start the program, strike keypad 5, close it with Alt+F4
  local what=$1 window="" exited=0
  shift
  : > "$log"
  w "$@" >/dev/null 2>&1 &
  app_pid=$!
  wait_for_window "$log" 300 || { fail "$what: the window did not appear"; return 1; }
  # NumLock starts off on a new X server; a keypad key then is an arrow key.
  if [ "$numlock_on" -eq 0 ]; then xdotool key Num_Lock; sleep 0.2; numlock_on=1; fi
  xdotool keydown 84; sleep 0.12; xdotool keyup 84; sleep 0.12   # keypad 5
  xdotool key alt+F4
  for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || { exited=1; break; }; sleep 0.1; done
  wait "$app_pid" 2>/dev/null || true
  local shorts
  shorts=$(grep -o 'msg=0x[0-9a-f]*' "$log" | tr '\n' ' ' || true)
  # The device list has the focus: its key-up handler sends a second note-off after the scanner's.
  check "$what: keypad 5 played note 40, on then off (${shorts:-nothing})" \
    test "$shorts" = "msg=0x007f2899 msg=0x007f2889 msg=0x007f2889 "
  check "$what: closed with Alt+F4, port closed" test "$exited$(grep -c '^midiOutClose ' "$log")" = 11
}

# ==== The installer =============================================================================
echo "-- installer"
check "silent install (/S) succeeds" w wine "$setup" /S
install_dir=$(reg_value InstallLocation)
check "uninstall entry names the version ($version)" test "$(reg_value DisplayVersion)" = "$version"
check "uninstall entry: name, icon, quiet uninstaller" test \
  "$(reg_value DisplayName)|$(reg_value DisplayIcon)|$(reg_value QuietUninstallString)" = \
  "marbleStomper|$install_dir\\marbleStomper.exe,0|\"$install_dir\\uninstall.exe\" /S"
check "installed per user, in the user's programs folder ($install_dir)" \
  matches "$install_dir" '^C:\\users\\[^\\]+\\AppData\\Local\\Programs\\marbleStomper$'
dir=$(unix_path "$install_dir")
check "the installed executable is the one built" cmp -s "$exe" "$dir/marbleStomper.exe"
check "executable's version resource matches ($version.0)" has "^FileVersion=$version.0\$" \
  <(w wine "$helpers/probe.exe" resources "$install_dir\\marbleStomper.exe" 2>/dev/null | tr -d '\r')
lnk=$(find "$work/prefix/drive_c/users" -path '*/Start Menu/Programs/marbleStomper.lnk' | head -1)
# The target path is stored in ANSI, the icon location in UTF-16.
check "Start-menu shortcut to the executable, with its icon" \
  test "$({ strings -a "${lnk:-/dev/null}"; strings -a -el "${lnk:-/dev/null}"; } | grep -c -F "$install_dir\\marbleStomper.exe")" -ge 2

cp "$helpers/winmm.dll" "$dir/"
[ -z "$lnk" ] || run_and_strike "installed, started from the shortcut" wine start /wait /unix "$lnk"
check "settings file beside the installed executable" has '^Num5=40' <(tr -d '\r' < "$dir/marbleStomper.ini" 2>/dev/null)

w wine "$dir/uninstall.exe" /S >/dev/null 2>&1 || fail "the uninstaller failed to start"
wait_uninstalled || true
check "uninstalled: program, README, licence, uninstaller and shortcut gone" \
  test -z "$(ls "$dir/marbleStomper.exe" "$dir/README.txt" "$dir/LICENSE.txt" "$dir/uninstall.exe" "$lnk" 2>/dev/null)"
check "uninstalled: the uninstall entry is gone" test -z "$(reg_value DisplayName)"
check "uninstalled: the settings file is kept" has '^Num5=40' <(tr -d '\r' < "$dir/marbleStomper.ini" 2>/dev/null)

# ==== The portable zip ==========================================================================
echo "-- zip"
unzip -q "$zip" -d "$work/stick"
portable=$work/stick/marbleStomper-$version
check "zip holds the executable, README.txt and LICENSE.txt" \
  test "$(cd "$portable" && ls | tr '\n' ' ')" = "LICENSE.txt README.txt marbleStomper.exe "
cp "$helpers/winmm.dll" "$portable/"
run_and_strike "portable" wine "$portable/marbleStomper.exe" || true
check "settings file beside the unpacked executable" has '^Num5=40' <(tr -d '\r' < "$portable/marbleStomper.ini" 2>/dev/null)

echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
