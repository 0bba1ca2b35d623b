# SPDX-License-Identifier: Apache-2.0
# Timing helpers for the bench scripts (sourced). The caller sets $measure,
# a scratch file for /usr/bin/time.

best() {  # best wall time of 3 runs, in seconds
  local best=999
  for _ in 1 2 3; do
    /usr/bin/time -o "$measure" -f '%e' "$@" > /dev/null 2>&1
    best=$(python3 -c "print(min($best, $(cat "$measure")))")
  done
  echo "$best"
}

once() {  # wall time of one run, in seconds (for runs of many seconds)
  /usr/bin/time -o "$measure" -f '%e' "$@" > /dev/null 2>&1
  cat "$measure"
}

peak_kib() {  # peak resident memory of one run, in KiB
  /usr/bin/time -o "$measure" -f '%M' "$@" > /dev/null 2>&1
  cat "$measure"
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
