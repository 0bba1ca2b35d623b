#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Time and peak memory against input size, for each path that must stay
# linear in time and bounded in memory on hostile input: Deep Recovery of
# .doc files full of directory entries, with a lost table stream, a FAT
# listing every sector, RTF, millions of pieces; of .docx packages of
# pictures and of damaged entries; the .docx text of Quick and Salvage
# Recovery where tags merge. The inputs are bench/make_worst_inputs.py's
# at each size; each job runs pinned to one CPU; the table gives CPU time
# and peak memory per size, the time's growth per size step (linear: about
# the sizes' ratio) and the peak against 64 MiB plus the text (plus the
# largest picture) at the largest size.
#
#   bench/bounds_bench.sh [BUILD_DIR] [MIB...]      (defaults: build, 4 16 64)
# The inputs are made once in ${TMPDIR:-/tmp}/kw-bounds-bench and kept.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(4 16 64)
python3 bench/bounds_runs.py growth "$build" "${TMPDIR:-/tmp}/kw-bounds-bench" "${sizes[@]}"
