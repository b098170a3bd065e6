#!/usr/bin/env bash
# The settings dialog driven as a user drives it, in a real X server with a window manager:
# a click on "&Otimizar" opens it, the menu delay is moved to 10 and applied,
# the restart prompt is answered No, and the registry tool finds the new value.
set -euo pipefail
program="$1"
regtool="$2"
work=$(mktemp -d)
export VINTREL_ROOT="$work/root"
unset VINTREL_MACHINE QT_QPA_PLATFORM
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  kill "${app:-}" "${wm:-}" "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/wm.log" 2>&1 &
wm=$!
sleep 0.5

fail() { echo "settings dialog: $*"; cat "$work/err.txt" 2>/dev/null || true; exit 1; }

# Where the button stands on this machine's window: the layout follows the disk count.
QT_QPA_PLATFORM=offscreen "$program" --dump-widgets >"$work/dump.json" 2>/dev/null || fail "dump failed"
read -r bx by < <(python3 - "$work/dump.json" <<'PY'
import json, sys
w = {c["name"]: c for c in json.load(open(sys.argv[1]))}
b = w["SpeedButton3"]
print(b["x"] + b["width"] // 2, b["y"] + b["height"] // 2)
PY
)

"$program" 2>"$work/err.txt" &
app=$!
main=$(xdotool search --sync --name '^Malvex - Vintrel 1.1$' | head -n 1)
sleep 0.5
xdotool mousemove --window "$main" "$bx" "$by" click 1
dialog=$(timeout 10 xdotool search --sync --name '^SistemaDef$' | head -n 1) || fail "the dialog did not open"
sleep 0.5
xdotool windowactivate --sync "$dialog" 2>/dev/null || true
# A click on the track bar's groove gives it the focus; Home takes it to its minimum, 10.
xdotool mousemove --window "$dialog" 140 174 click 1
sleep 0.2
xdotool key Home
sleep 0.3
xdotool mousemove --window "$dialog" 388 244 click 1   # "&Aplicar"
prompt=$(timeout 10 xdotool search --sync --name '^Reiniciar o Windows$' | head -n 1) || fail "no restart prompt"
xdotool windowactivate --sync "$prompt" 2>/dev/null || true
xdotool key --delay 50 alt+n
sleep 0.5
xdotool search --name '^Reiniciar o Windows$' >/dev/null 2>&1 && fail "the prompt is still open"
kill -0 "$app" || fail "the program ended at No"
xdotool mousemove --window "$dialog" 308 244 click 1   # "&OK"
sleep 0.5
xdotool mousemove --window "$main" "$((bx + 160))" "$by" click 1   # the main window's "&OK"
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end"
wait "$app" || fail "exit code $?"
app=""

value=$("$regtool" query 'HKCU\Control Panel\Desktop' /v MenuShowDelay) || fail "vintrel-reg query failed"
echo "$value" | grep -q 'MenuShowDelay.*REG_SZ.*10$' || fail "MenuShowDelay is not 10: $value"
echo "settings dialog under Xvfb and openbox: ok"
