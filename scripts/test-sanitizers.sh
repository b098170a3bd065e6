#!/usr/bin/env bash
# Builds the debug preset (address and undefined-behaviour sanitizers) and runs every test
# under it: a memory error, a leak of the program's own, or undefined behaviour fails the run.
# Leaks that third-party libraries keep by design are listed in tests/sanitizers/lsan.supp.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc)"
ctest --preset debug -j 2
