#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, preset "fuzz") and runs each for N seconds.
#   fuzz/run.sh [SECONDS]        default 30
# New inputs go to build/fuzz/corpus/<target>; the seed folders are only read.
# A crash leaves its input in build/fuzz/artifacts/ and makes the script fail.
set -euo pipefail

seconds="${1:-30}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
build="$repo/build/fuzz"

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ not found; nothing to run"
    exit 0
fi

# target name -> seed folder relative to the repository (empty: none)
declare -A seeds=([reg_parser_fuzz]=fuzz/corpus/reg [edid_fuzz]=tests/data/hw/edid [ini_parser_fuzz]=
                  [profile_fuzz]=fuzz/corpus/profile [desktop_entry_fuzz]=tests/data/linux/apps)
declare -A dictionaries=([reg_parser_fuzz]=reg.dict [profile_fuzz]=profile.dict)
# Deep keys, long names and deep folders need room: the file parsers get inputs up to 1 MB,
# with a time budget per input; the others keep small inputs.
declare -A max_len=([reg_parser_fuzz]=1048576 [profile_fuzz]=1048576)

(cd "$repo" && cmake --preset fuzz >/dev/null)
cmake --build "$build" --target "${!seeds[@]}"

mkdir -p "$build/artifacts"
for target in "${!seeds[@]}"; do
    work="$build/corpus/$target"
    mkdir -p "$work"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="${max_len[$target]:-8192}"
             -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1)
    if [[ -n "${dictionaries[$target]:-}" ]]; then
        options+=(-dict="$here/${dictionaries[$target]}")
    fi
    folders=("$work")
    if [[ -n "${seeds[$target]}" && -d "$repo/${seeds[$target]}" ]]; then
        folders+=("$repo/${seeds[$target]}")
    fi
    echo "fuzz: $target for ${seconds}s"
    "$build/fuzz/$target" "${options[@]}" "${folders[@]}"
done
