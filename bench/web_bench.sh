#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The browser page's jobs against the native CLI on the same files: each mode
# on a file of mixed text and binary (make_mixed_file.py), a sound Word 97 file
# (make_word97_doc.py), a file of pictures (make_pictures_file.py), a large .docx
# (make_big_docx.py) and a sample. The page runs in Debian's chromium,
# headless. All times are CPU times (the machine is shared), pinned to one
# CPU (KW_BENCH_CPU, 0 by default), best of 3: kwrecover's user+sys (writing
# its text to a file, as the page keeps it, and to /dev/null beside it), and
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
[ -f "$mixed" ] || python3 bench/make_mixed_file.py "$mixed" "$mib"
[ -f "$doc" ] || python3 bench/make_word97_doc.py "$doc" "$mib"
[ -f "$pictures" ] || python3 bench/make_pictures_file.py mixed "$pictures" "$mib" 200 200
[ -f "$docx" ] || python3 bench/make_big_docx.py "$docx" "$((mib / 4))"
cases=(quick:"$mixed" salvage:"$mixed" images:"$mixed" deep:"$mixed" quick:"$doc" deep:"$doc"
  images:"$pictures" quick:"$docx" deep:"$docx" quick:samples/letter-cut-short.doc)

# kwrecover's least user+sys time of 3 runs, in milliseconds (bench/timing.py).
# The page keeps the text it is given, as kwrecover keeps it when it writes it
# to a file with -o: that is the like-for-like run. The same run with the text
# sent to /dev/null is shown beside it.
source bench/timing.sh
out="$tmp/kw-web-bench-$$.txt"
trap 'rm -f "$out"' EXIT
native_ms() {
  best "$kw" "$@" | awk '{ printf "%.1f", $1 * 1000 }'
}
native_kept_ms() {  # MODE FILE
  if [ "$1" = images ]; then native_ms "$@"; else native_ms "$@" -o "$out"; fi
  rm -f "$out"
}

# Each case in the page twice: read from the File as the page reads it, and
# copied into the module's memory first; and each file copied in without a
# job ("load"), which the job's own time leaves out.
lazy=$(taskset -c "$cpu" node bench/web_bench.mjs "$page" 3 "${cases[@]}")
memory=$(KW_IN_MEMORY=1 taskset -c "$cpu" node bench/web_bench.mjs "$page" 3 "${cases[@]}")
loads=()
for f in $(printf '%s\n' "${cases[@]#*:}" | sort -u); do loads+=("load:$f"); done
load=$(KW_IN_MEMORY=1 taskset -c "$cpu" node bench/web_bench.mjs "$page" 3 "${loads[@]}")
native=""
for c in "${cases[@]}"; do
  native+="${c%%:*} ${c#*:} $(native_kept_ms "${c%%:*}" "${c#*:}") $(native_ms "${c%%:*}" "${c#*:}")"$'\n'
done

python3 - "$cpu" "$lazy" "$memory" "$load" "$native" <<'PY'
import os, sys
cpu, lazy, memory, load, native = sys.argv[1:]
rows = lambda text: [line.split() for line in text.strip().splitlines()]
loaded = {r[1]: float(r[2]) for r in rows(load)}
mem = {(r[0], r[1]): float(r[2]) for r in rows(memory)}
nat = {(r[0], r[1]): float(r[2]) for r in rows(native)}
discarded = {(r[0], r[1]): float(r[3]) for r in rows(native)}
print(f"{'mode':8} {'file':22} {'native':>8} {'job':>8} {'ratio':>6} {'to_null':>8} {'ratio':>6} {'job_file':>9} {'browser':>8} {'wall':>8}")
worst = 0.0
for mode, path, job_file, browser, wall in rows(lazy):
    n = nat[(mode, path)]
    job = max(0.0, mem[(mode, path)] - loaded[path])
    ratio = job / max(n, 1.0)
    if n >= 20:
        worst = max(worst, ratio)
    d = discarded[(mode, path)]
    print(f"{mode:8} {os.path.basename(path)[:22]:22} {n:8.1f} {job:8.1f} {ratio:6.2f} {d:8.1f} {job / max(d, 1.0):6.2f} {float(job_file):9.1f} {float(browser):8.0f} {float(wall):8.1f}")
print(f"""CPU times in ms, pinned to CPU {cpu}, best of 3. native: kwrecover's user+sys writing its
text to a file (-o), as the page keeps it; to_null: the same with the text sent to /dev/null,
and the job's ratio to it. job: the job's
worker thread with the file in the module's memory, less that of copying it in (its ratio to
native is the target, at most 3). job_file: the worker thread, the file read from the File in
slices as the page reads it; browser: all the browser's processes then (the browser's own file
reads, the page taking the text); wall: that job's wall time in the worker.
worst ratio on jobs of 20 ms or more natively: {worst:.2f}""")
PY
