#!/usr/bin/env bash
# Starts the CUPS scheduler when none answers and makes sure it has the two queues that the
# spooler test looks for (printing to /dev/null). Safe to run again; uses sudo when not root.
#   scripts/start-cups.sh
set -euo pipefail

SUDO=""
# lpstat -r exits 0 either way; only its text tells.
answering() { lpstat -r 2>/dev/null | grep -q "is running"; }

if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if ! command -v cupsd >/dev/null 2>&1; then
  echo "start-cups: cupsd is not installed; the spooler test will be skipped"
  exit 0
fi

# Queues on file: devices need FileDevice in cups-files.conf.
conf=/etc/cups/cups-files.conf
if [ -f "$conf" ] && ! grep -qE '^[[:space:]]*FileDevice[[:space:]]+Yes' "$conf"; then
  echo "FileDevice Yes" | $SUDO tee -a "$conf" >/dev/null
  if answering; then $SUDO pkill -HUP -x cupsd || true; fi
fi

if ! answering; then
  $SUDO cupsd
fi
for _ in $(seq 50); do
  if answering; then break; fi
  sleep 0.1
done
if ! answering; then
  echo "start-cups: the scheduler does not answer; the spooler test will be skipped"
  exit 0
fi

# Made out of name order, so the test sees the scheduler's order rather than ours.
for queue in Vintrel_Zeta Vintrel_Alfa; do
  if ! lpstat -p "$queue" >/dev/null 2>&1; then
    $SUDO lpadmin -p "$queue" -E -v file:///dev/null
  fi
done
lpstat -p
