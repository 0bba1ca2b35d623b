#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the libFuzzer targets with clang (in build-fuzz) and runs them.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#       each target for SECONDS (default 30) on its seeds and its corpus,
#       KW_FUZZ_JOBS (default 2) at a time
#   scripts/fuzz.sh --total SECONDS [--round SECONDS] [-j N] [TARGET...]
#       the long run (docs/fuzzing.md): every target in turn, a round of at
#       most --round seconds (default 600) each, N at a time (default 1),
#       round after round until SECONDS in all have been spent; a finding
#       does not stop the run
#   scripts/fuzz.sh --speed [RUNS] [TARGET...]
#       inputs a second of each target: RUNS inputs (default 5000) mutated
#       from its seeds alone, pinned to one CPU (KW_BENCH_CPU, default 0),
#       per second of CPU time (user + system)
# New inputs go to build-fuzz/corpus/<target>/ and stay there between runs
# (the committed seeds in fuzz/corpus/ stay as they are); a crash, a leak or
# a slow input is saved as build-fuzz/findings/<target>-<kind>-<hash> and
# makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=each seconds=30 round=600 parallel=1 runs=5000
case "${1:-}" in
  --total)
    mode=total seconds="$2"
    shift 2
    while [ $# -gt 0 ]; do
      case "$1" in
        --round) round="$2"; shift 2 ;;
        -j) parallel="$2"; shift 2 ;;
        *) break ;;
      esac
    done
    ;;
  --speed)
    mode=speed
    shift
    if [[ "${1:-}" =~ ^[0-9]+$ ]]; then runs="$1"; shift; fi
    ;;
  '') ;;
  *)
    seconds="$1"
    shift
    ;;
esac
build=build-fuzz
# ASan keeps freed memory in quarantine before reusing it: 16 MiB (not 256)
# still outlasts any one input's allocations, and each input then reuses
# pages instead of faulting in fresh ones. libFuzzer's rare-feature
# bookkeeping took a third of the larger targets' time; features found in
# more than 32 inputs (not 255) are no longer counted as rare.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"
tuning=(-entropic_feature_frequency_threshold=32)
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKW_BUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  > "$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(cd "$build/fuzz" && ls *_fuzz)
fi
mkdir -p "$build/findings" "$build/logs"

# Runs target $1 for $2 seconds on its corpus and seeds, with libFuzzer's
# further flags $3...; its last lines go to stdout, the whole log to
# build-fuzz/logs/<target>.log.
fuzz_one() {
  local t="$1" secs="$2" seeds="fuzz/corpus/$1"
  shift 2
  [ -d "$seeds" ] || seeds=""
  mkdir -p "$build/corpus/$t" "$build/logs"
  local status=0
  (cd "$build" && "fuzz/$t" "${tuning[@]}" "$@" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
     -artifact_prefix="findings/$t-" "corpus/$t" ${seeds:+"../$seeds"}) > "$build/logs/$t.log" 2>&1 || status=$?
  echo "== $t for ${secs}s: exit $status"
  grep -E '^#[0-9]+' "$build/logs/$t.log" | tail -n 1 || true
  grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec)|^SUMMARY|Test unit written' \
    "$build/logs/$t.log" || true
  if [ "$status" -ne 0 ]; then tail -n 40 "$build/logs/$t.log"; fi
  return $status
}

status=0
if [ "$mode" = speed ]; then
  cpu="${KW_BENCH_CPU:-0}"
  printf '%-22s %8s %8s %14s\n' target inputs "CPU s" "inputs/CPU s"
  for t in "${targets[@]}"; do
    scratch=$(mktemp -d -p "$(test -w /dev/shm && echo /dev/shm || echo /tmp)")
    seeds="fuzz/corpus/$t"
    [ -d "$seeds" ] || seeds=""
    TIMEFORMAT='%U %S'
    log="$build/logs/$t.speed.log"
    mkdir -p "$build/logs"
    cpu_time=$({ time taskset -c "$cpu" "$build/fuzz/$t" "${tuning[@]}" -runs="$runs" -seed=1 -timeout=10 -rss_limit_mb=2048 \
                   -artifact_prefix="$build/findings/$t-" "$scratch" ${seeds:+"$seeds"} > "$log" 2>&1; } 2>&1) \
      || { echo "$t stopped on a finding: see $log"; status=1; }
    rm -rf "$scratch"
    awk -v t="$t" -v n="$runs" '{ c = $1 + $2; printf "%-22s %8d %8.2f %14.0f\n", t, n, c, n / c }' <<< "$cpu_time"
  done
  exit $status
fi

if [ "$mode" = each ]; then
  # A few at a time, each one's summary printed whole once the group ends.
  jobs=${KW_FUZZ_JOBS:-2}
  for ((i = 0; i < ${#targets[@]}; i += jobs)); do
    group=("${targets[@]:i:jobs}")
    for t in "${group[@]}"; do
      fuzz_one "$t" "$seconds" > "$build/logs/$t.summary" 2>&1 &
    done
    for t in "${group[@]}"; do
      wait -n || status=1
    done
    for t in "${group[@]}"; do
      cat "$build/logs/$t.summary"
    done
  done
  exit $status
fi

# The long run: rounds over every target until the time is spent. A round
# takes `slots` times its share of wall time.
slots=$(( (${#targets[@]} + parallel - 1) / parallel ))
started="$build/findings/.started"
touch "$started"
left="$seconds"
while [ "$left" -gt 0 ]; do
  share=$(( (left + slots - 1) / slots ))
  [ "$share" -gt "$round" ] && share="$round"
  running=0
  for t in "${targets[@]}"; do
    if [ "$running" -ge "$parallel" ]; then
      wait -n || status=1
      running=$((running - 1))
    fi
    # Fork mode: a crash, timeout or OOM is saved and the run goes on.
    fuzz_one "$t" "$share" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 &
    running=$((running + 1))
  done
  while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
  done
  left=$(( left - share * slots ))
done
new=$(find "$build/findings" -type f -newer "$started" ! -name '.*')
echo "== new findings in $build/findings: $(printf '%s' "$new" | grep -c . || true)"
if [ -n "$new" ]; then
  printf '%s\n' "$new"
  status=1
fi
exit $status
