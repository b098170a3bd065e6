#!/usr/bin/env bash
# Checks the installed package as a user meets it: the programs run, the manual pages open,
# and the application menu's entry starts the window in a real X server.
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "installed package: $*"; exit 1; }

/usr/bin/vintrel --version
report=$(VINTREL_MACHINE=docs/examples/desktop-pt-br.json VINTREL_ROOT=$(mktemp -d) \
  QT_QPA_PLATFORM=offscreen /usr/bin/vintrel --report -)
grep -q "RELATORIO DO SISTEMA" <<<"$report" || fail "--report wrote no report"
# A key that a fresh registry lacks: exit 0, or 1 with the documented not-found message.
reg_status=0
reg_error=$(VINTREL_ROOT=$(mktemp -d) /usr/bin/vintrel-reg query 'HKCU\Control Panel' 2>&1 >/dev/null) ||
  reg_status=$?
if [ "$reg_status" -ne 0 ] &&
  ! { [ "$reg_status" -eq 1 ] && grep -q "unable to find the specified registry key" <<<"$reg_error"; }; then
  fail "vintrel-reg query failed ($reg_status): $reg_error"
fi
# Printers are asked through the helper in /usr/libexec: with queues installed (CI makes two),
# the main window's detected devices name them.
if [ -n "$(lpstat -e 2>/dev/null)" ]; then
  devices=$(VINTREL_ROOT=$(mktemp -d) QT_QPA_PLATFORM=offscreen /usr/bin/vintrel --dump-widgets main 2>/dev/null |
    jq -r '.[] | select(.name == "Label29") | .text')
  grep -q "Impressora" <<<"$devices" || fail "printers are installed but the window detects none ('$devices')"
fi
for page in vintrel vintrel-reg; do
  man -w "$page" >/dev/null 2>&1 || [ -e "/usr/share/man/man1/$page.1.gz" ] || fail "no manual page $page(1)"
done

# The completions where the shells look for them, answering as a user's Tab would.
if command -v fish >/dev/null; then
  fish -c 'complete -C "vintrel-reg add /t "' | grep -q '^REG_DWORD' || fail "fish completes no value types"
  fish -c 'complete -C "vintrel --dump-widgets "' | grep -q '^settings' || fail "fish completes no windows"
fi
if command -v zsh >/dev/null; then
  zsh -n /usr/share/zsh/vendor-completions/_vintrel || fail "the zsh completion does not parse"
  zsh -fc 'fpath=(/usr/share/zsh/vendor-completions $fpath); autoload -U compinit; compinit -u; [[ $_comps[vintrel-reg] == _vintrel ]]' ||
    fail "zsh does not pick up the completion"
fi

# The menu entry: its Exec line, as a desktop would start it, shows the window.
entry=/usr/share/applications/br.com.malvex.Vintrel.desktop
[ -f "$entry" ] || fail "no desktop entry at $entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry" | head -n 1 | sed 's/ *%[fFuUik]//g')
[ -n "$exec_line" ] || fail "the desktop entry has no Exec line"
work=$(mktemp -d)
display=":$((190 + RANDOM % 50))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill ${app:-} $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY="$display" VINTREL_ROOT="$work/root" HOME="$work" sh -c "exec $exec_line" 2>"$work/err.txt" &
app=$!
DISPLAY="$display" timeout 20 xdotool search --sync --name '^Malvex - Vintrel 1.1$' >/dev/null ||
  { cat "$work/err.txt"; fail "the menu entry ($exec_line) showed no window"; }
echo "installed package: runs, manual pages, menu entry opens the window"
