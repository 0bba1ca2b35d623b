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
