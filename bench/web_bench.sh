#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The browser page's jobs against the native CLI on the same files: each mode
# on a file of mixed text and binary (make_mixed.py), a sound Word 97 file
# (make_big_doc.py), a file of pictures (make_images_file.py), a large .docx
# (docx_make_big.py) and a sample. The page runs in Debian's chromium,
# headless. All times are CPU times (the machine is shared), pinned to one
# CPU (KW_BENCH_CPU, 0 by default), best of 3: kwrecover's user+sys, and
# the CPU time of the job's worker thread, with the file in the module's
# memory (the job alone: the target is at most 3 times kwrecover) and read
# from the File in slices as the page reads it (the browser's file reads,
# a round trip to its browser process each, cost more: shown beside it).
#   bench/web_bench.sh [BUILD_DIR] [WEB_BUILD_DIR] [MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
web="${2:-build-web}"
mib="${3:-64}"
cpu="${KW_BENCH_CPU:-0}"
tmp="${TMPDIR:-/tmp}"
kw="$build/cli/kwrecover"
page="$web/web/kwrecover.html"
[ -x "$kw" ] && [ -f "$page" ] || { echo "build kwrecover ($build) and the page ($web: cmake --preset web) first"; exit 2; }
(cd web/tests && npm ci --no-audit --no-fund --silent)

mixed="$tmp/kw-mixed-$mib.bin"
doc="$tmp/kw-big-$mib.doc"
pictures="$tmp/kw-pictures-$mib.bin"
docx="$tmp/kw-big-$mib.docx"
[ -f "$mixed" ] || python3 bench/make_mixed.py "$mixed" "$mib"
[ -f "$doc" ] || python3 bench/make_big_doc.py "$doc" "$mib"
[ -f "$pictures" ] || python3 bench/make_images_file.py mixed "$pictures" "$mib" 200 200
[ -f "$docx" ] || python3 bench/docx_make_big.py "$docx" "$((mib / 4))"
cases=(quick:"$mixed" salvage:"$mixed" images:"$mixed" deep:"$mixed" quick:"$doc" deep:"$doc"
  images:"$pictures" quick:"$docx" deep:"$docx" quick:samples/letter-cut-short.doc)

# kwrecover's least user+sys time of 3 runs, in milliseconds (microsecond
# counts from getrusage, not time's hundredths).
native_ms() {
  python3 - "$cpu" "$kw" "$@" <<'PY'
import resource, subprocess, sys
cpu, kw, args = sys.argv[1], sys.argv[2], sys.argv[3:]
best = None
for _ in range(3):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(["taskset", "-c", cpu, kw, *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    best = t if best is None else min(best, t)
print(f"{best * 1000:.1f}")
PY
}

# Each file in the page twice: read from the File as the page reads it, and
# copied into the module's memory first (the job alone).
lazy=$(taskset -c "$cpu" node bench/web_bench.mjs "$page" 3 "${cases[@]}")
memory=$(KW_IN_MEMORY=1 taskset -c "$cpu" node bench/web_bench.mjs "$page" 3 "${cases[@]}")
printf '%-8s %-22s %10s %12s %12s %12s %12s %8s\n' mode file native_cpu job_cpu_mem job_cpu_file browser_cpu wall_file ratio
worst=0
while read -r mode file job cpu wall && read -r _ _ job_mem _ _ <&3; do
  native=$(native_ms "$mode" "$file")
  ratio=$(awk -v w="$job_mem" -v n="$native" 'BEGIN { printf "%.2f", w / (n < 1 ? 1 : n) }')
  printf '%-8s %-22s %10s %12s %12s %12s %12s %8s\n' "$mode" "$(basename "$file")" "$native" "$job_mem" "$job" "$cpu" "$wall" "$ratio"
  big=$(awk -v n="$native" 'BEGIN { print (n >= 20) }')
  [ "$big" = 1 ] && worst=$(awk -v a="$worst" -v b="$ratio" 'BEGIN { print (b > a ? b : a) }')
done <<<"$lazy" 3<<<"$memory"
cat <<EOT
CPU times in ms, pinned to CPU $cpu, best of 3. native_cpu: kwrecover's user+sys; job_cpu: the
worker thread's CPU time, the file in the module's memory (mem) or read from the File in slices
(file); browser_cpu: all the browser's processes during the job read from the File; wall_file:
the job's wall time in the worker. ratio = job_cpu_mem / native_cpu.
worst ratio on jobs of 20 ms or more: $worst (target: at most 3)
EOT
