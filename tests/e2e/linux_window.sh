#!/usr/bin/env bash
# The real program on this machine, in a real X server (Xvfb): it starts, measures, shows its
# window with the screen's mode, and writes a screenshot.
set -euo pipefail
program="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VINTREL_ROOT="$work/root"
unset VINTREL_MACHINE QT_QPA_PLATFORM

xvfb-run -a -s "-screen 0 1024x768x24" "$program" --dump-widgets >"$work/dump.json" 2>"$work/err.txt" || {
  echo "vintrel --dump-widgets failed:"; cat "$work/err.txt"; exit 1; }
grep -q '"text": "Malvex - Vintrel 1.1"' "$work/dump.json" || { echo "no window title"; exit 1; }
grep -q '"text": "1024 x 768  (24Bits)"' "$work/dump.json" || {
  echo "screen mode not shown:"; grep -A3 '"Label6"' "$work/dump.json" || true; exit 1; }
grep -q '"text": "Cpu: ' "$work/dump.json" || { echo "no processor line"; exit 1; }
[ -d "$VINTREL_ROOT/C/WINDOWS/SYSTEM" ] || { echo "Windows tree not created"; exit 1; }

xvfb-run -a -s "-screen 0 1024x768x24" "$program" --screenshot "$work/main.png" 2>"$work/err.txt" || {
  echo "vintrel --screenshot failed:"; cat "$work/err.txt"; exit 1; }
[ "$(head -c 4 "$work/main.png" | tail -c 3)" = "PNG" ] || { echo "not a PNG"; exit 1; }
echo "real window under Xvfb: ok"
