#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Fails when a layer includes a layer above it. The layers, lowest first:
#   base -> formats -> jobs -> fronts (cli, ui, web)
# and the formats (doc, docx, images) never include one another, nor do the
# fronts include each other. The build enforces the core's layers too: each
# core library sees only its own headers and those of the libraries it links
# (kw_public_headers in CMakeLists.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
# refuse DIR PATTERN WHY: no file under DIR may include a header matching PATTERN.
refuse() {
  local hits
  hits=$(grep -rnE "^#include \"($2)/" "$1" --include='*.cpp' --include='*.h' || true)
  if [ -n "$hits" ]; then
    echo "layer check: $1 must not include $2 ($3):"
    echo "$hits"
    status=1
  fi
}
refuse base 'formats|jobs|cli|ui' "base is the lowest layer"
refuse formats 'jobs|cli|ui' "formats stand on base only"
refuse formats/doc 'formats/docx|formats/images' "formats are independent"
refuse formats/docx 'formats/doc|formats/images' "formats are independent"
refuse formats/images 'formats/doc|formats/docx' "formats are independent"
refuse jobs 'cli|ui' "jobs know no front end"
refuse cli 'ui' "the CLI does not use the wizard"
refuse ui 'cli' "the wizard does not use the CLI"
refuse web 'cli|ui' "the browser page stands on the core only"
[ $status -eq 0 ] && echo "layer check: every include points downward"
exit $status
