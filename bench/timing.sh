# SPDX-License-Identifier: Apache-2.0
# The bench scripts' timing, for those written in the shell (sourced): a
# front to bench/timing.py, the one harness every bench times its runs with.
# Each function prints "CPU WALL PEAK_KIB": the least user+system CPU
# seconds of its runs pinned to KW_BENCH_CPU (0 by default), the wall
# seconds of that run, and the highest peak resident memory in KiB.

timing_py="$(dirname "${BASH_SOURCE[0]}")/timing.py"

best() {  # best of three runs
  python3 "$timing_py" --runs 3 -- "$@"
}

once() {  # one run (for runs of many seconds)
  python3 "$timing_py" --runs 1 -- "$@"
}

best_on() {  # best of three runs pinned to the CPU list $1 ("0", "1", "0,1")
  local cpus=$1
  shift
  python3 "$timing_py" --runs 3 --cpu "$cpus" -- "$@"
}

cpu_time() {  # least user+system CPU seconds of three runs pinned to CPU $cpu (0 by default)
  python3 - "${cpu:-0}" "$@" <<'PY'
import resource, subprocess, sys
best = None
for _ in range(3):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(["taskset", "-c", sys.argv[1]] + sys.argv[2:], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=False)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    used = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    best = used if best is None else min(best, used)
print("%.3f" % best)
PY
}
