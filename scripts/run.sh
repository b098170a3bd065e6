#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh vintrel  # the program and its printer helper only
exec build/default/src/vintrel "$@"
