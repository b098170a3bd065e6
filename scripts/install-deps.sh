#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the program need.
# Safe to run again; uses sudo when not already root.
set -euo pipefail


PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config git
  # GUI
  qt6-base-dev qt6-base-dev-tools libqt6dbus6 qt6-qpa-plugins libgl-dev
  fonts-wine fonts-dejavu-core
  # platform layer
  libsqlite3-dev libudev-dev libpci-dev pci.ids libcups2-dev
  nlohmann-json3-dev libxcb1-dev libfontconfig-dev libglib2.0-dev
  # desktop settings at run time (GSettings schemas) and their tests (gsettings, a menu parser, private buses)
  gsettings-desktop-schemas libglib2.0-bin python3-xdg dbus-daemon
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev xvfb xauth sqlite3 clang libclang-rt-14-dev ccache
  xdotool openbox x11-utils x11-apps cups weston qt6-wayland jq
  # shell launches at run time
  xdg-utils
  # the Debian package (debian/, scripts/package.sh), its checks and autopkgtest; the shells
  # whose completions it installs
  dpkg-dev debhelper fakeroot desktop-file-utils appstream lintian autopkgtest zsh fish
)

# A second run needs neither root nor the network when everything is already there.
missing=$({ dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${PACKAGES[@]}" 2>/dev/null || true; } |
  awk '$1 == "ii" { print $2 }' | sort | comm -13 - <(printf '%s\n' "${PACKAGES[@]}" | sort))
if [ -z "$missing" ]; then
  exit 0
fi
echo "installing: $(echo $missing)"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${PACKAGES[@]}"
