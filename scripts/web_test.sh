#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The browser page: builds it (cmake --preset web, Debian's emscripten) and
# runs its tests in Debian's chromium, headless, against kwrecover in build/
# (scripts/test.sh builds it; KWRECOVER names another).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install_missing.sh emscripten chromium
export NODE_PATH=/usr/share/nodejs  # emscripten's optimiser needs Debian's node modules
cmake --preset web > build-web.configure.log 2>&1 || { cat build-web.configure.log; exit 1; }
cmake --build --preset web
(cd web/tests && npm ci --no-audit --no-fund --silent)
export KW_PAGE="${KW_PAGE:-build-web/web/kwrecover.html}"
export KWRECOVER="${KWRECOVER:-build/cli/kwrecover}"
node --test --test-concurrency=1 web/tests/results.test.mjs web/tests/behaviour.test.mjs
