#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Stamps every source file of the repository with its licence, as its first
# line (after a "#!" line, and after a Python coding line):
#   // SPDX-License-Identifier: Apache-2.0   C++ (.cpp, .h, .h.in)
#   # SPDX-License-Identifier: Apache-2.0    shell, Python, CMake, .ci/run,
#                                            bash completion
#   // SPDX-License-Identifier: Apache-2.0   the page's JavaScript (web/, bench/)
#   /* SPDX-License-Identifier: Apache-2.0 */ and <!-- ... -->  its CSS and HTML
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
    *.cpp | *.h | *.h.in | web/*.js | web/*.mjs | bench/*.mjs) echo "//" ;;
    web/*.css) echo "/*" ;;
    web/*.html) echo "<!--" ;;
    *.sh | *.py | *.cmake | *.cmake.in | */CMakeLists.txt | CMakeLists.txt | .ci/run | *.bash-completion) echo "#" ;;
    *) ;;
  esac
}

# stamped FILE: one of the file's first three lines (a "#!" line and a
# coding line may come first) is an SPDX line, whatever licence it names.
stamped() { head -n 3 -- "$1" | grep -qE '^(//|#|/\*|<!--) SPDX-License-Identifier: '; }

# stamp FILE MARKER: writes the line in place, keeping the file's mode and
# links (the new text is written over the old, not renamed over it).
stamp() {
  local file=$1 line="$2 $license" tmp
  case $2 in
    "/*") line="$line */" ;;
    "<!--") line="$line -->" ;;
  esac
  tmp=$(mktemp)
  awk -v line="$line" '
    NR == 1 && /^#!/ { skip = 1 }
    NR == 2 && skip == 1 && /^#.*coding[:=]/ { skip = 2 }
    !done && NR > skip { print line; done = 1 }
    { print }
    END { if (!done) print line }
  ' "$file" >"$tmp"
  cat "$tmp" >"$file"
  rm -f "$tmp"
}

# The whole run is one function, read before it starts: the script may stamp
# itself, and bash would otherwise read on in the changed file.
main() {
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
}
main "$@"; exit
