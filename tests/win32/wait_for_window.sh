# Sourced by the Wine test scripts. wait_for_window LOG TRIES: waits (0.1 s a try) until the
# program has opened its MIDI port (the double's LOG says midiOutOpen) and its main window is
# mapped, then focuses it; sets `window` to its X id, or leaves it empty when it never came.
wait_for_window() {
  local log=$1 tries=$2
  window=""
  for _ in $(seq "$tries"); do
    if grep -q midiOutOpen "$log" 2>/dev/null; then
      window=$(xdotool search --name '^marbleStomper$' 2>/dev/null | head -1 || true)
      [ -n "$window" ] && break
    fi
    sleep 0.1
  done
  [ -n "$window" ] || return 1
  sleep 0.3
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}
