#!/usr/bin/env bash
# Configures and builds the program, its companion tool, tests and benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
