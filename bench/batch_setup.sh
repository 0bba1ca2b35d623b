#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what the batch bench's corpus generator uses to make its seed
# documents (Debian packages; run as root): pandoc writes the .docx seeds,
# LibreOffice turns them into Word 97-2003 .doc seeds.
set -euo pipefail
apt-get install -y --no-install-recommends pandoc libreoffice-writer-nogui python3
