#!/usr/bin/env bash
# Configures and builds the program, its companion tool, tests and benchmarks; with target
# names (vintrel, vintrel-reg...), only those and what they need.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build --preset default -j "$(nproc)" "${targets[@]}"
