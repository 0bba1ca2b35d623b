#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The version is set in one place, project(kwrecover VERSION ...): checks
# that `kwrecover --version` shows it and that the newest release in
# CHANGELOG.md is it.
#   check_version.sh KWRECOVER CMAKE_VERSION CHANGELOG.md
set -euo pipefail
kwrecover=$1
version=$2
changelog=$3
IFS=. read -r major minor build <<<"$version"
status=0

expected="kwrecover $major.$minor (build $build)"
shown=$("$kwrecover" --version)
if [ "$shown" != "$expected" ]; then
  echo "kwrecover --version shows \"$shown\"; CMake's version $version makes \"$expected\""
  status=1
fi

newest=$(grep -m1 -oE '^## \[[0-9][^]]*\]' "$changelog" | tr -d '#[] ' || true)
if [ "$newest" != "$version" ]; then
  echo "the newest release in CHANGELOG.md is \"$newest\", not CMake's version $version"
  status=1
fi
[ $status -ne 0 ] || echo "kwrecover --version and CHANGELOG.md show CMake's version $version"
exit $status
