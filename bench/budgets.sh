#!/usr/bin/env bash
# Every budget of the design beside what this machine measures, in one table.
#
#   bench/budgets.sh [BUILD_DIR]      (default: build/default; builds nothing)
#
# Ticks, the settings dialog, the registry and the report come from the benchmarks (thread CPU
# time, ticks spaced as their timers space them; the median tick, and the mean in brackets);
# the dialog at 10,000 programs and one registry value at 100,000 values are also given as
# ratios to their small cases. Whole-process figures are given beside the floor, the bare Qt
# window of bench/floor (vintrel_floor_window), measured in the same run, and as a ratio to
# it: start-up is the wall time from the launch of `vintrel --dump-widgets` on the offscreen
# platform to the first byte of its dump, less the 510 ms clock measurement, against the floor's
# `--print-shown` (best of ten each); idle CPU and peak memory are measured on the whole process
# under its own Xvfb and openbox, the floor running `--timers`: CPU from /proc/PID/schedstat
# over 30 s once the window has settled (every thread; the median of three runs, the floor's
# and the program's runs taken in turn), peak RSS from VmHWM. Without Xvfb or openbox those
# rows say so. VINTREL_IDLE_SECONDS and VINTREL_IDLE_RUNS shorten the idle measurement for a
# quick look. Takes about eight minutes; not for CI.
set -uo pipefail

build=${1:-build/default}
program="$build/src/vintrel"
bench="$build/bench/vintrel_bench"
floor="$build/bench/vintrel_floor_window"
idle_seconds=${VINTREL_IDLE_SECONDS:-30}
idle_runs=${VINTREL_IDLE_RUNS:-3}
for f in "$program" "$bench" "$floor"; do
  [ -x "$f" ] || { echo "budgets.sh: $f not found; build first (cmake --build --preset default)" >&2; exit 2; }
done
command -v jq >/dev/null || { echo "budgets.sh: jq is needed" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid="" wm_pid=""
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The ten-disk machine of the benchmarks.
drives=""
for l in A B C D E F G H I J; do
  drives+="${drives:+,}\"$l\":{\"type\":3,\"volumeLabel\":\"DISCO\",\"fileSystemName\":\"FAT32\",\"totalBytes\":6500000000,\"freeBytes\":2700000000}"
done
echo "{\"memory\":{\"memoryLoad\":42,\"totalPhys\":66650112,\"totalPageFile\":100000000,\"availPageFile\":81125632},\"folders\":[\"C:\\\\WINDOWS\\\\Desktop\"],\"drives\":{$drives}}" >"$work/ten-disks.json"

rows=()
row() { rows+=("$1"$'\t'"$2"$'\t'"$3"); }

# ------------------------------------------------------------------ benchmarks
echo "benchmarks ..." >&2
"$bench" --benchmark_filter='BM_SpacedTick|BM_MountChangeTick|BM_OpenSettingsDialog|BM_FirstSettingsDialogOpening|BM_WriteReport|BM_RegQueryOneValue' \
  --benchmark_format=json >"$work/bench.json" 2>"$work/bench.err" || {
  echo "budgets.sh: the benchmarks failed:" >&2; cat "$work/bench.err" >&2; exit 1; }

# The CPU time of a benchmark in µs (empty when missing); name matched as a regular expression.
cpu_us() {
  jq -r --arg re "$1" '[.benchmarks[] | select(.name | test($re))][0] |
    if . == null then "" else
      (if .time_unit == "ms" then 1000 elif .time_unit == "us" then 1 else 0.001 end) as $k |
      .cpu_time * $k end' "$work/bench.json"
}
# The median (and mean) of a benchmark in microseconds.
tick() {
  jq -r --arg re "$1" '[.benchmarks[] | select(.name | test($re))][0] |
    if . == null then "missing" else
      (if .time_unit == "ms" then 1000 elif .time_unit == "us" then 1 else 0.001 end) as $k |
      if .median_us then "\(.median_us * 100 | round / 100) µs (\(.cpu_time * $k * 100 | round / 100))"
      else "\(.cpu_time * $k * 100 | round / 100) µs" end end' "$work/bench.json"
}
ms() {
  local us; us=$(cpu_us "$1")
  [ -z "$us" ] && echo missing || awk -v u="$us" 'BEGIN {printf "%.2f ms", u / 1000}'
}
# a / b to two decimals with an x, or "-" when either is missing or b is zero.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || b + 0 == 0) print "-"; else printf "%.2fx", a / b }'; }
row "Timer2, ten fixed disks (simulated)" "< 100 µs" "$(tick 'Timer2Timer>/0/')"
row "Timer2, this machine (Linux)" "< 150 µs (8 disks)" "$(tick 'Timer2Timer>/1/')"
row "Timer1 (memory), Linux" "< 50 µs" "$(tick 'Timer1Timer>/1/')"
row "Timer3, Linux" "< 100 µs" "$(tick 'Timer3Timer>/1/')"
for n in 20 100 200 1000; do
  row "Timer2 after a mount change, $n lines" "$([ $n = 1000 ] && echo '< 1 ms' || echo '-')" "$(tick "BM_MountChangeTick/$n/")"
done
dialog_small=$(cpu_us 'BM_OpenSettingsDialog/100/') dialog_large=$(cpu_us 'BM_OpenSettingsDialog/10000/')
row "settings dialog, this machine's programs" "-" "$(ms 'BM_OpenSettingsDialog/0/')"
row "settings dialog, 100 more programs" "-" "$(ms 'BM_OpenSettingsDialog/100/')"
row "settings dialog, 10,000 more programs" "<= 4x the 100" "$(ms 'BM_OpenSettingsDialog/10000/'), $(ratio "$dialog_large" "$dialog_small")"
# The first opening after the programs changed reads every desktop entry: linear, not within 4x.
first_small=$(cpu_us 'BM_FirstSettingsDialogOpening/100/') first_large=$(cpu_us 'BM_FirstSettingsDialogOpening/10000/')
row "settings dialog's first opening, 100 / 10,000 more programs" "linear" \
  "$(ms 'BM_FirstSettingsDialogOpening/100/') / $(ms 'BM_FirstSettingsDialogOpening/10000/'), $(awk -v a="$first_small" -v b="$first_large" 'BEGIN { if (a == "" || b == "") print "-"; else printf "%.1f µs a program more", (b - a) / 9900 }')"
reg_empty=$(cpu_us 'BM_RegQueryOneValue/0') reg_large=$(cpu_us 'BM_RegQueryOneValue/100000')
row "vintrel-reg query /v, empty store" "-" "$(tick 'BM_RegQueryOneValue/0')"
row "vintrel-reg query /v, 100,000 values" "<= 1.5x empty" "$(tick 'BM_RegQueryOneValue/100000'), $(ratio "$reg_large" "$reg_empty")"
row "writing the report (simulated)" "-" "$(tick 'BM_WriteReport')"

# ------------------------------------------------------------------ start-up, offscreen
# From the launch to the first byte the program writes once its window is shown (the dump of
# --dump-widgets; the floor's "shown"), best of ten, and the whole run (with the teardown).
first_byte() {
  local best="" best_whole="" times shown whole
  for _ in $(seq 10); do
    times=$(start=$EPOCHREALTIME
      VINTREL_ROOT="$work/root" QT_QPA_PLATFORM=offscreen "$@" 2>/dev/null |
        { IFS= read -r -n1 _; shown=$EPOCHREALTIME; cat >/dev/null; echo "$start $shown $EPOCHREALTIME"; })
    read -r shown whole < <(awk '{printf "%d %d\n", ($2 - $1) * 1000, ($3 - $1) * 1000}' <<<"$times")
    if [ -z "$best" ] || [ "$shown" -lt "$best" ]; then best=$shown; fi
    if [ -z "$best_whole" ] || [ "$whole" -lt "$best_whole" ]; then best_whole=$whole; fi
  done
  echo "$best $best_whole"
}
echo "start-up ..." >&2
read -r floor_shown floor_whole < <(first_byte "$floor" --print-shown)
read -r shown whole < <(first_byte "$program" --dump-widgets main)
row "start-up beyond the 510 ms measurement (offscreen)" "<= 1.25x floor" \
  "$((shown - 510)) ms, floor $floor_shown ms: $(ratio $((shown - 510)) "$floor_shown") (whole runs $whole and $floor_whole ms)"

# ------------------------------------------------------------------ the whole process under X
idle_rows() {
  for what in "main window, Linux" "main window, ten simulated disks"; do
    row "idle CPU, $what" "<= 1.10x floor" "$1"
  done
  row "idle CPU, About window, Linux" "< 3 % of a core" "$1"
  row "peak RSS, main window, Linux" "<= 1.15x floor" "$1"
}
if ! command -v Xvfb >/dev/null || ! command -v openbox >/dev/null; then
  idle_rows "not measured: Xvfb and openbox are needed"
else
  display=""
  for n in $(seq 91 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  DISPLAY=$display openbox >/dev/null 2>&1 &
  wm_pid=$!
  sleep 1

  # CPU time so far of every thread of the process (Qt's X event reader included), in ns.
  process_cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {print ns + 0}'; }
  # One run: the process's CPU over the idle window in µs per second and its peak RSS in kB,
  # appended to the lists named by $1 (kind); "x" when it did not start.
  declare -A cpu rss dialog_rss
  idle_run() {
    local kind=$1; shift
    env DISPLAY="$display" VINTREL_ROOT="$work/root" "$@" >/dev/null 2>&1 &
    local pid=$! before after
    sleep 4  # start-up, the 510 ms measurement and the first paints
    if ! kill -0 "$pid" 2>/dev/null; then cpu[$kind]+="x "; return; fi
    before=$(process_cpu_ns "$pid")
    sleep "$idle_seconds"
    after=$(process_cpu_ns "$pid")
    rss[$kind]+="$(awk '/VmHWM/ {print $2}' "/proc/$pid/status") "
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    cpu[$kind]+="$(( (after - before) / 1000 / idle_seconds )) "
  }
  median() { printf '%s\n' $1 | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
  echo "idle CPU, $idle_seconds s each, $idle_runs runs of the floor and the program in turn ..." >&2
  for _ in $(seq "$idle_runs"); do
    idle_run floor "$floor" --timers
    idle_run linux "$program"
    idle_run sim env VINTREL_MACHINE="$work/ten-disks.json" "$program"
  done
  floor_cpu=$(median "${cpu[floor]}")
  for kind in linux sim; do
    label=$([ $kind = linux ] && echo "main window, Linux" || echo "main window, ten simulated disks")
    if [[ "${cpu[$kind]}" == *x* ]]; then row "idle CPU, $label" "<= 1.10x floor" "did not start"; continue; fi
    value=$(median "${cpu[$kind]}")
    row "idle CPU, $label" "<= 1.10x floor" \
      "$value µs/s, floor $floor_cpu µs/s: $(ratio "$value" "$floor_cpu") (runs ${cpu[$kind]% }; floor ${cpu[floor]% })"
  done
  if "$program" --help 2>/dev/null | grep -q -- '--open'; then
    idle_run about "$program" --open about
    about=$(median "${cpu[about]}")
    row "idle CPU, About window, Linux" "< 3 % of a core" \
      "$about µs/s ($(awk -v u="$about" 'BEGIN {printf "%.2f", u / 1e4}') % of a core)"
  else
    row "idle CPU, About window, Linux" "< 3 % of a core" "not measured: this build has no --open"
  fi
  # The settings dialog open over 100 and over 10,000 more installed programs (flatpak
  # exports in a scratch user data folder, as the dialog's benchmark has them): peak RSS.
  for n in 100 10000; do
    apps="$work/programs$n/flatpak/exports/share/applications"
    mkdir -p "$apps"
    awk -v n="$n" -v dir="$apps" 'BEGIN { for (i = 0; i < n; i++) { id = "org.vintrel.Bench" (100000 + i)
      f = dir "/" id ".desktop"; printf "[Desktop Entry]\nType=Application\nName=Programa %d\nExec=true\nX-Flatpak=%s\n", i, id > f
      close(f) } }'
    env DISPLAY="$display" VINTREL_ROOT="$work/root" XDG_DATA_HOME="$work/programs$n" "$program" --open settings >/dev/null 2>&1 &
    pid=$!
    sleep 6
    dialog_rss[$n]=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  row "peak RSS, settings dialog, 100 / 10,000 more programs" "within 2 MB" \
    "$(awk -v a="${dialog_rss[100]}" -v b="${dialog_rss[10000]}" 'BEGIN {printf "%.1f / %.1f MB (+%.1f MB)", a / 1024, b / 1024, (b - a) / 1024}')"
  rss_program=$(median "${rss[linux]}") rss_floor=$(median "${rss[floor]}")
  row "peak RSS, main window, Linux" "<= 1.15x floor" \
    "$(awk -v k="$rss_program" -v f="$rss_floor" 'BEGIN {printf "%.1f MB, floor %.1f MB", k / 1024, f / 1024}'): $(ratio "$rss_program" "$rss_floor")"
fi

{
  printf 'figure\tbudget\tmeasured\n'
  printf '%s\n' "${rows[@]}"
} | column -t -s $'\t'

