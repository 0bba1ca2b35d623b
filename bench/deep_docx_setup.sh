#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the peers and corpus tools the Deep Recovery .docx bench uses
# (Debian packages; run as root). The corpus script runs with /usr/bin/python3,
# which sees the Debian python3-docx and python3-pil.
set -euo pipefail
apt-get install -y --no-install-recommends docx2txt python3-docx python3-pil pandoc abiword libreoffice-writer-nogui zip unzip
