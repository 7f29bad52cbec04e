# Sourced by the end-to-end scripts: start_xvfb [Xvfb options...] starts a private 640x480 X
# server that picks its own display number, waits for it, and exports DISPLAY; it sets xvfb_pid
# for the caller's cleanup. Needs $work and a fail function.
start_xvfb() {
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp "$@" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
}
