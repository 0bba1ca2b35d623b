#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs what the benches compare against and make their corpora with
# (Debian packages, through scripts/install_missing.sh; quick when all are
# there):
#   foremost                     Image Recovery's yardstick (images_bench.sh)
#   docx2txt, unzip, zip         .docx yardsticks (docx_bench.sh, deep_docx_bench.sh)
#   antiword, catdoc             .doc yardsticks (deep_doc_bench.sh)
#   LibreOffice (with its Python bridge), AbiWord, pandoc, python3-docx,
#   python3-pil, CJK fonts       the writers of the Deep Recovery, pictures
#                                and batch corpora, and LibreOffice's text
#                                export, a yardstick of both Deep benches
#   valgrind                     instruction counts (doc_pictures_bench.sh)
#   bench/setup.sh
set -euo pipefail
"$(dirname "$0")/../scripts/install_missing.sh" \
  foremost docx2txt unzip zip antiword catdoc \
  libreoffice-writer-nogui python3-uno abiword pandoc python3-docx python3-pil fonts-noto-cjk python3 time valgrind
