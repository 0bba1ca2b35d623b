#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what building, running and testing kwrecover needs, from Debian's
# packages. Quick when everything is already there.
set -euo pipefail

packages=(
  g++ cmake ninja-build
  zlib1g-dev libgtest-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-tools-dev qt6-l10n-tools
  xvfb xauth
  openbox x11-utils xdotool dbus-daemon at-spi2-core python3-pyatspi
  dpkg-dev file
  clang libclang-rt-14-dev time
  clang-format
  emscripten chromium
)

"$(dirname "$0")/install_missing.sh" "${packages[@]}"
# The browser tests' npm packages, as web/tests/package-lock.json pins them.
if [ ! -d "$(dirname "$0")/../web/tests/node_modules" ]; then
  (cd "$(dirname "$0")/../web/tests" && npm ci --no-audit --no-fund --silent)
fi
