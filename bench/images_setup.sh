#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what bench/images_bench.sh compares against: foremost, the
# yardstick for Image Recovery's speed (a Debian package).
set -euo pipefail
if command -v foremost > /dev/null; then exit 0; fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get install -y --no-install-recommends foremost
