#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and runs every test (headless).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --preset default -j 2
