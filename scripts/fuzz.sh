#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the libFuzzer targets with clang and runs each on its seed corpus.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
# New inputs go to build-fuzz/corpus/<target>/ (the committed seeds stay as
# they are); a crash is saved in build-fuzz/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKW_BUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  > "$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(cd "$build/fuzz" && ls *_fuzz)
fi
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  seeds="fuzz/corpus/$t"
  [ -d "$seeds" ] || seeds=""
  echo "== $t for ${seconds}s"
  if ! (cd "$build" && "fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "corpus/$t" ${seeds:+"../$seeds"} 2>&1 | tail -n 14); then
    status=1
  fi
done
exit $status
