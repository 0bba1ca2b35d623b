#!/usr/bin/env bash
# Stamps every source file of the repository with its licence, as its first
# line (after a "#!" line, and after a Python coding line):
#   // SPDX-License-Identifier: Apache-2.0   C++ (.cpp, .h, .h.in)
#   # SPDX-License-Identifier: Apache-2.0    shell, Python, CMake, .ci/run,
#                                            bash completion
# Safe to run again: a file whose head already carries an SPDX line is left
# as it is, so after a merge it stamps only the new files. Files are those
# git knows or would add (tracked, and untracked but not ignored).
#   add_spdx.sh           stamp the files that lack the line
#   add_spdx.sh --check   change nothing; list them and fail if there are any
set -euo pipefail
cd "$(dirname "$0")/.."
readonly license="SPDX-License-Identifier: Apache-2.0"
check=false
[ "${1-}" = "--check" ] && check=true

# comment_of FILE: the comment marker the file's language uses, or nothing
# when the file is not source.
comment_of() {
  case $1 in
    *.cpp | *.h | *.h.in) echo "//" ;;
    *.sh | *.py | *.cmake | *.cmake.in | */CMakeLists.txt | CMakeLists.txt | .ci/run | *.bash-completion) echo "#" ;;
    *) ;;
  esac
}

# stamped FILE: the SPDX line is among the file's first three lines (after a
# "#!" line and a coding line at most).
stamped() { head -n 3 -- "$1" | grep -q "SPDX-License-Identifier:"; }

# stamp FILE MARKER: writes the line in place, keeping the file's mode and
# links (the new text is written over the old, not renamed over it).
stamp() {
  local file=$1 line="$2 $license" tmp skip=0
  tmp=$(mktemp)
  if head -n 1 -- "$file" | grep -q '^#!'; then
    skip=1
    sed -n 2p -- "$file" | grep -qE '^#.*coding[:=]' && skip=2
  fi
  {
    head -n "$skip" -- "$file"
    echo "$line"
    tail -n "+$((skip + 1))" -- "$file"
  } >"$tmp"
  cat "$tmp" >"$file"
  rm -f "$tmp"
}

missing=0
while IFS= read -r -d '' file; do
  [ -f "$file" ] && [ ! -L "$file" ] || continue
  marker=$(comment_of "$file")
  [ -n "$marker" ] || continue
  stamped "$file" && continue
  missing=$((missing + 1))
  if $check; then
    echo "no SPDX line: $file"
  else
    stamp "$file" "$marker"
    echo "stamped: $file"
  fi
done < <(git ls-files -z --cached --others --exclude-standard)

if $check; then
  if [ $missing -ne 0 ]; then
    echo "$missing source file(s) lack \"$license\": run scripts/add_spdx.sh"
    exit 1
  fi
  echo "SPDX check: every source file names its licence"
else
  echo "add_spdx: $missing file(s) stamped"
fi
