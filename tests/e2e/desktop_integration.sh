#!/usr/bin/env bash
# The registry values and Start-menu folders that stand for desktop settings, against the
# desktop's real parts in private folders: GSettings on its keyfile backend (GNOME's schemas
# as installed, MATE's as its schema declares them), GTK's settings.ini, and the menu as a
# freedesktop menu parser (python3-xdg) reads it.
set -euo pipefail
program="$1"
reg="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" VINTREL_ROOT="$work/root"
export XDG_CONFIG_DIRS="$work/etc" XDG_DATA_DIRS="$work/share:/usr/share" GSETTINGS_BACKEND=keyfile QT_QPA_PLATFORM=offscreen
unset VINTREL_MACHINE XDG_MENU_PREFIX DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$work/share" "$work/etc/menus" "$XDG_DATA_HOME/applications"
fail() { echo "FAIL: $*"; exit 1; }
icon='HKCR\Paint.Picture\DefaultIcon'

# GNOME: image/bmp joins and leaves the thumbnailers' disable list, the rest kept in order.
export XDG_CURRENT_DESKTOP=GNOME
gsettings set org.gnome.desktop.thumbnailers disable "['image/png', 'application/x-foo']"
"$reg" add "$icon" /ve /d "mspaint.exe,1" /f >/dev/null
[ "$(gsettings get org.gnome.desktop.thumbnailers disable)" = "['image/png', 'application/x-foo', 'image/bmp']" ] ||
  fail "GNOME: image/bmp not added: $(gsettings get org.gnome.desktop.thumbnailers disable)"
"$reg" add "$icon" /ve /d "mspaint.exe,1" /f >/dev/null
[ "$(gsettings get org.gnome.desktop.thumbnailers disable)" = "['image/png', 'application/x-foo', 'image/bmp']" ] ||
  fail "GNOME: image/bmp added twice"
"$reg" add "$icon" /ve /d "%1" /f >/dev/null
[ "$(gsettings get org.gnome.desktop.thumbnailers disable)" = "['image/png', 'application/x-foo']" ] ||
  fail "GNOME: image/bmp not removed"
# A change made in the desktop reads back, in vintrel-reg and in the program's dialog.
gsettings set org.gnome.desktop.thumbnailers disable "['image/bmp']"
"$reg" query "$icon" /ve | grep -q 'mspaint.exe,1    (desktop)' || fail "GNOME: the desktop's state is not read"
checkbox4() { "$program" --dump-widgets settings 2>/dev/null | jq -r '.[] | select(.name == "CheckBox4") | .checked'; }
[ "$(checkbox4)" = false ] ||
  fail "GNOME: CheckBox4 checked although thumbnails of BMP files are off"
gsettings set org.gnome.desktop.thumbnailers disable "[]"
[ "$(checkbox4)" = true ] ||
  fail "GNOME: CheckBox4 unchecked although thumbnails of BMP files are on"
gsettings set org.gnome.desktop.thumbnailers disable-all true
"$reg" query "$icon" /ve | grep -q 'mspaint.exe,1' || fail "GNOME: disable-all does not read as mspaint.exe,1"
gsettings reset org.gnome.desktop.thumbnailers disable-all

# import and delete reach the desktop too: a .reg file's value, then the whole key deleted
# (the list goes back to its default).
printf 'REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Paint.Picture\\DefaultIcon]\r\n@="mspaint.exe,1"\r\n' >"$work/icon.reg"
gsettings set org.gnome.desktop.thumbnailers disable "['image/png']"
"$reg" import "$work/icon.reg" >/dev/null
[ "$(gsettings get org.gnome.desktop.thumbnailers disable)" = "['image/png', 'image/bmp']" ] || fail "GNOME: import did not reach the desktop"
"$reg" delete 'HKCR\Paint.Picture' /f >/dev/null
[ "$(gsettings get org.gnome.desktop.thumbnailers disable)" = "@as []" ] || fail "GNOME: deleting the key did not reset the list"

# MATE, with its schema as MATE declares it.
mkdir -p "$work/schemas"
cat >"$work/schemas/org.mate.thumbnailers.gschema.xml" <<'XML'
<schemalist>
  <schema id="org.mate.thumbnailers" path="/org/mate/desktop/thumbnailers/">
    <key name="disable-all" type="b"><default>false</default></key>
    <key name="disable" type="as"><default>[]</default></key>
  </schema>
</schemalist>
XML
glib-compile-schemas "$work/schemas"
GSETTINGS_SCHEMA_DIR="$work/schemas" XDG_CURRENT_DESKTOP=MATE "$reg" add "$icon" /ve /d "x" /f >/dev/null
[ "$(GSETTINGS_SCHEMA_DIR="$work/schemas" gsettings get org.mate.thumbnailers disable)" = "['image/bmp']" ] ||
  fail "MATE: image/bmp not added"
# KDE has no per-type switch: the value is stored only, and GNOME's list is left alone.
XDG_CURRENT_DESKTOP=KDE "$reg" add "$icon" /ve /d "%1" /f >/dev/null
[ "$(gsettings get org.gnome.desktop.thumbnailers disable)" = "@as []" ] || fail "KDE: GNOME's list changed"

# The menu delay in GTK's settings.ini, every other setting kept.
mkdir -p "$XDG_CONFIG_HOME/gtk-3.0"
printf '[Settings]\ngtk-theme-name=Adwaita\n' >"$XDG_CONFIG_HOME/gtk-3.0/settings.ini"
"$reg" add 'HKCU\Control Panel\Desktop' /v MenuShowDelay /d 250 /f >/dev/null
grep -qx 'gtk-menu-popup-delay=250' "$XDG_CONFIG_HOME/gtk-3.0/settings.ini" || fail "settings.ini: delay not written"
grep -qx 'gtk-theme-name=Adwaita' "$XDG_CONFIG_HOME/gtk-3.0/settings.ini" || fail "settings.ini: theme lost"
sed -i 's/gtk-menu-popup-delay=250/gtk-menu-popup-delay=120/' "$XDG_CONFIG_HOME/gtk-3.0/settings.ini"
"$reg" query 'HKCU\Control Panel\Desktop' /v MenuShowDelay | grep -q '120    (desktop)' || fail "settings.ini: not read back"
"$reg" delete 'HKCU\Control Panel\Desktop' /v MenuShowDelay /f >/dev/null
! grep -q 'gtk-menu-popup-delay' "$XDG_CONFIG_HOME/gtk-3.0/settings.ini" || fail "settings.ini: delay not removed"

# The Start menu's folders as submenus, as a menu parser reads them (applications of this
# test's folders only), and on GNOME Shell as app folders.
menu() { XDG_DATA_DIRS="$work/share" "$here/menu_entries.py"; }
cat >"$work/etc/menus/applications.menu" <<'XML'
<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1.0//EN" "http://www.freedesktop.org/standards/menu-spec/1.0/menu.dtd">
<Menu><Name>Applications</Name><DefaultAppDirs/><DefaultDirectoryDirs/><DefaultMergeDirs/>
  <Menu><Name>System</Name><Include><Category>System</Category></Include></Menu>
</Menu>
XML
app() { printf '[Desktop Entry]\nType=Application\nName=%s\nExec=true\nCategories=%s\n' "$1" "$2" >"$XDG_DATA_HOME/applications/$1.desktop"; }
app display-settings 'Settings;DesktopSettings;'
app printer-tool 'Settings;HardwareSettings;Printing;'
app dialer 'Network;Dialup;'
app system-monitor 'System;'
mkdir -p "$XDG_CONFIG_HOME/menus/applications-merged"
echo '<Menu><Name>Applications</Name></Menu>' >"$XDG_CONFIG_HOME/menus/applications-merged/users-own.menu"
"$program" --report - >/dev/null
start="$VINTREL_ROOT/C/WINDOWS/Menu Iniciar"
[ -d "$start" ] || fail "no Start menu folder"
menu >"$work/menu0.txt"
[ "$(cat "$work/menu0.txt")" = "System/system-monitor.desktop" ] || fail "a submenu shown with no folder"
mkdir "$start/Painel de Controle.{21EC2020-3AEA-1069-A2DD-08002B30309D}" "$start/Impressoras.{2227A280-3AEA-1069-A2DE-08002B30309D}"
mkdir "$start/Acesso à rede dial-up.{992CFFA0-F557-101A-88EC-00DD010CCC48}"
"$program" --report - >/dev/null
menu >"$work/menu1.txt"
expected='Acesso à rede dial-up/dialer.desktop
Impressoras/printer-tool.desktop
Painel de Controle/display-settings.desktop
System/system-monitor.desktop'
[ "$(LC_ALL=C sort "$work/menu1.txt")" = "$expected" ] || { cat "$work/menu1.txt"; fail "submenus not as expected"; }
gsettings get org.gnome.desktop.app-folders folder-children | grep -q "'br-com-malvex-Vintrel-Impressoras'" ||
  fail "no GNOME app folder"
grep -qx 'Name=Painel de Controle' "$XDG_DATA_HOME/desktop-directories/br.com.malvex.Vintrel.PainelDeControle.directory" ||
  fail "no submenu name"
rmdir "$start"/*
"$program" --report - >/dev/null
menu >"$work/menu2.txt"
cmp -s "$work/menu0.txt" "$work/menu2.txt" || { cat "$work/menu2.txt"; fail "submenus left after the folders went"; }
[ -f "$XDG_CONFIG_HOME/menus/applications-merged/users-own.menu" ] || fail "the user's own merge file removed"
[ -z "$(ls "$XDG_DATA_HOME/desktop-directories")" ] || fail ".directory files left"
[ "$(gsettings get org.gnome.desktop.app-folders folder-children)" = "@as []" ] || fail "GNOME app folders left"
echo "desktop integration: ok"
