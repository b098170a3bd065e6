#!/usr/bin/env bash
# Builds the Debian package with CPack from the install rules, checks the desktop entry, the
# AppStream metainfo and the package, and prints where the .deb is.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
nice -n 10 cmake --build --preset default -j "${JOBS:-2}"
rm -f build/default/vintrel_*.deb
(cd build/default && cpack -G DEB >/dev/null)
deb=$(ls build/default/vintrel_*.deb)
desktop-file-validate packaging/br.com.malvex.Vintrel.desktop
appstreamcli validate --no-net packaging/br.com.malvex.Vintrel.metainfo.xml
# lintian exits non-zero on errors only; warnings are printed.
lintian --fail-on error "$deb"
echo "package: $deb"
