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
  dpkg-dev file
  clang libclang-rt-14-dev time
  clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
