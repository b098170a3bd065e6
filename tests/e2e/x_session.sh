# Sourced by the end-to-end scripts: start_x_session FOLDER starts Xvfb (1024 x 768, 24 bits)
# on a display of its own and openbox on it, with their logs in FOLDER, and sets DISPLAY, xvfb
# and wm (the two processes, for the script's own clean-up).
start_x_session() {
  display=":$((90 + RANDOM % 100))"
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$1/xvfb.log" 2>&1 &
  xvfb=$!
  export DISPLAY="$display"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >"$1/wm.log" 2>&1 &
  wm=$!
  sleep 0.5
}
