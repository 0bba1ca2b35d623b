#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the corpus tools and the peers the Deep Recovery .doc bench compares
# against (Debian packages). Run as root, once.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq antiword catdoc libreoffice-writer-nogui abiword pandoc python3-docx fonts-noto-cjk >/dev/null
