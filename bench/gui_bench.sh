#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The wizard against the CLI on the same page-cached file (512 MiB mixed text
# and binary by default), one run each, in one go. Prints a table: job time
# in the wizard / in kwrecover, the longest event-loop stall during the job,
# and the time to show the result after it. Both run pinned to one CPU
# (KW_BENCH_CPU, 0 by default).
#   bench/gui_bench.sh [BUILD_DIR] [MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-512}"
file="${TMPDIR:-/tmp}/kw-mixed-${mib}.bin"
[ -f "$file" ] || python3 bench/make_mixed_file.py "$file" "$mib"
cat "$file" > /dev/null  # page-cache it
export QT_QPA_PLATFORM=offscreen

cpu="${KW_BENCH_CPU:-0}"
source bench/timing.sh
# The wizard's job time is its wall time inside the probe (the job runs on a
# thread of its own beside the event loop), so kwrecover's is its wall time
# too, one run each, both pinned to the same CPU.
seconds() { once "$@" | cut -d' ' -f2; }

# The wizard keeps the whole text, so the fair yardstick is kwrecover writing
# it to a file (-o, in TMPDIR); kwrecover writing to /dev/null is shown too.
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
echo "| mode ($mib MiB mixed file) | wizard job | kwrecover -o FILE | wizard / CLI (<= 1.5) | kwrecover > /dev/null | longest stall in the job (< 50 ms) | showing the result | rows laid out after (longest stall) |"
echo "|---|---|---|---|---|---|---|---|"
for mode in quick salvage images; do
  null=$(seconds "$build/cli/kwrecover" "$mode" "$file")
  if [ "$mode" = images ]; then
    cli=$null
  else
    cli=$(seconds "$build/cli/kwrecover" "$mode" "$file" -o "$out/text.txt")
    rm -f "$out/text.txt"
  fi
  line=$(taskset -c "$cpu" "$build/bench/kw_gui_probe" "$mode" "$file" 2>/dev/null)
  python3 - "$mode" "$cli" "$line" "$null" <<'PY'
import sys
mode, cli, line, null = sys.argv[1], float(sys.argv[2]), sys.argv[3], float(sys.argv[4])
v = dict(kv.split("=") for kv in line.split())
job, gap, show = float(v["job_ms"]) / 1000, float(v["longest_gap_ms"]), float(v["show_result_ms"])
layout, lgap = float(v["layout_ms"]), float(v["layout_gap_ms"])
print(f"| {mode} | {job:.3f} s | {cli:.3f} s | {job / cli:.2f}x | {null:.3f} s ({job / null:.2f}x) | {gap:.1f} ms | {show:.0f} ms ({int(v['preview_bytes']) / 2**20:.0f} MiB text) | {layout:.0f} ms ({lgap:.1f} ms) |")
PY
done
