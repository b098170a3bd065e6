#!/usr/bin/env bash
# `vintrel --open settings` in a real X server with a window manager: the main window stands
# where it stands without the option (centred), the dialog opened at once notwithstanding.
set -euo pipefail
program="$1"
work=$(mktemp -d)
unset VINTREL_MACHINE QT_QPA_PLATFORM WAYLAND_DISPLAY
source "$(dirname "$0")/x_session.sh"
start_x_session "$work"
cleanup() {
  kill ${app:-} ${wm:-} "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The main window's client corner on the screen, once it has settled.
corner() {
  VINTREL_ROOT="$work/root" "$program" "$@" >/dev/null 2>"$work/err.txt" &
  app=$!
  local id=""
  for _ in $(seq 50); do
    id=$(xdotool search --name '^Malvex - Vintrel 1.1$' 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no main window"; cat "$work/err.txt"; exit 1; }
  sleep 1.5
  xwininfo -id "$id" | awk '/Absolute upper-left [XY]/ {printf "%s ", $4}'
  kill "$app"; wait "$app" 2>/dev/null || true
  app=""
}
plain=$(corner)
opened=$(corner --open settings)
[ "$plain" = "$opened" ] || { echo "main window at $opened with --open settings, at $plain without"; exit 1; }
echo "main window with --open settings where it stands without: ok ($plain)"
