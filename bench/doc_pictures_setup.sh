#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what bench/doc_pictures_bench.sh needs (Debian packages): Writer
# and its Python bridge to make the corpus, PIL to make and decode pictures,
# foremost to compare with. Run as root, once.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq libreoffice-writer-nogui python3-uno python3-pil foremost valgrind >/dev/null
