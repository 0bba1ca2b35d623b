#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Writes the Debian changelog of the package, made from CHANGELOG.md (Keep a
# Changelog): one entry per release, newest first, its bullet points as the
# entry's items, dated at the release's date. Unreleased changes are left out.
#   debian_changelog.sh CHANGELOG.md PACKAGE DEBIAN_REVISION MAINTAINER OUT
set -euo pipefail
changelog=$1
package=$2
revision=$3
maintainer=$4
exec >"$5"

entry_end() { printf '\n -- %s  %s\n' "$maintainer" "$(date -u -R -d "$1")"; }

date=""
while IFS= read -r line; do
  if [[ $line =~ ^##\ \[([^]]+)\]\ -\ ([0-9]{4}-[0-9]{2}-[0-9]{2}) ]]; then
    [ -z "$date" ] || { entry_end "$date"; echo; }
    date=${BASH_REMATCH[2]}
    printf '%s (%s-%s) unstable; urgency=medium\n\n' "$package" "${BASH_REMATCH[1]}" "$revision"
  elif [[ $line == "## "* ]]; then
    [ -z "$date" ] || { entry_end "$date"; echo; }
    date=""
  elif [ -n "$date" ]; then
    case $line in
      "- "*) echo "  * ${line#- }" ;;
      "  "*) echo "    ${line#  }" ;;
    esac
  fi
done <"$changelog"
[ -z "$date" ] || entry_end "$date"
