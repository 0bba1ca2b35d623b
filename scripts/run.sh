#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds kwrecover and runs the main job: the wizard on a shipped sample where
# a display exists, else the command line on that sample.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja > build.configure.log 2>&1 || { cat build.configure.log; exit 1; }
cmake --build build
sample="$PWD/samples/letter-cut-short.doc"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/ui/kwrecover-gui ]; then
  exec build/ui/kwrecover-gui "$sample"
fi
echo "== kwrecover quick samples/letter-cut-short.doc"
build/cli/kwrecover quick "$sample"
echo
echo "== kwrecover salvage samples/letter-overwritten-header.doc"
build/cli/kwrecover salvage samples/letter-overwritten-header.doc
echo
