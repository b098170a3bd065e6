#!/usr/bin/env bash
# Builds the Debian package from debian/ (dpkg-buildpackage, binary only) in a copy of the
# tree under build/package, checks the desktop entry, the AppStream metainfo and the package
# (lintian: no error, no warning), and prints where the .deb is.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$PWD/build/package"
rm -rf "$out"
mkdir -p "$out/src"
# The tracked and new files of the tree, without the build folders.
git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -xf - -C "$out/src"
# debhelper gives the build a home of its own: keep the compiler cache of this machine.
export CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir 2>/dev/null || echo "$HOME/.cache/ccache")}"
export CCACHE_BASEDIR="$out/src"
(cd "$out/src" && nice -n 10 dpkg-buildpackage -us -uc -b -j"${JOBS:-2}" >"$out/build.log" 2>&1) || {
  tail -n 60 "$out/build.log"; echo "dpkg-buildpackage failed (log: $out/build.log)"; exit 1; }
deb=$(ls "$out"/vintrel_*_*.deb)
desktop-file-validate packaging/br.com.malvex.Vintrel.desktop
appstreamcli validate --pedantic --no-net packaging/br.com.malvex.Vintrel.metainfo.xml
lintian --fail-on error,warning "$deb"
echo "package: $deb"
