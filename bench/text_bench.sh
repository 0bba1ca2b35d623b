#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Quick and Salvage Recovery against cat on a page-cached file of mixed text
# and binary bytes (512 MiB by default), in one run. Prints a table.
#   bench/text_bench.sh [BUILD_DIR] [MIB]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mib="${2:-512}"
file="${TMPDIR:-/tmp}/kw-mixed-${mib}.bin"
[ -f "$file" ] || python3 bench/make_mixed.py "$file" "$mib"
kw="$build/cli/kwrecover"

measure="$(mktemp)"
trap 'rm -f "$measure"' EXIT
source bench/timing.sh

cat "$file" > /dev/null  # page-cache it
t_cat=$(best cat "$file")
t_quick=$(best "$kw" quick "$file")
t_salvage=$(best "$kw" salvage "$file")
text_bytes=$("$kw" quick "$file" | wc -c)
peak_quick=$(peak_kib "$kw" quick "$file")
gap_quick=$("$build/bench/kw_yield_gap" quick "$file")
gap_salvage=$("$build/bench/kw_yield_gap" salvage "$file")

python3 - "$mib" "$t_cat" "$t_quick" "$t_salvage" "$text_bytes" "$peak_quick" "$gap_quick" "$gap_salvage" <<'PY'
import sys
mib, cat, quick, salvage = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
text, peak = int(sys.argv[5]), int(sys.argv[6]) * 1024
gq = float(sys.argv[7].split("longest_gap_ms=")[1].split()[0])
gs = float(sys.argv[8].split("longest_gap_ms=")[1].split()[0])
limit = 3 * text + 64 * 2**20
print(f"| measure ({mib} MiB mixed file) | value | target | ok |")
print("|---|---|---|---|")
print(f"| cat | {cat:.3f} s | | |")
print(f"| quick / cat | {quick / cat:.2f}x ({quick:.3f} s) | <= 4x | {'yes' if quick <= 4 * cat else 'NO'} |")
print(f"| salvage / cat | {salvage / cat:.2f}x ({salvage:.3f} s) | <= 2x | {'yes' if salvage <= 2 * cat else 'NO'} |")
print(f"| quick peak memory / (3 x text + 64 MiB) | {peak / limit:.2f} ({peak / 2**20:.0f} MiB, text {text / 2**20:.0f} MiB) | <= 1 | {'yes' if peak <= limit else 'NO'} |")
print(f"| longest gap between yields, quick | {gq:.1f} ms | < 50 ms | {'yes' if gq < 50 else 'NO'} |")
print(f"| longest gap between yields, salvage | {gs:.1f} ms | < 50 ms | {'yes' if gs < 50 else 'NO'} |")
PY
