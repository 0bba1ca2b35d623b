#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Fails when a source file lacks its SPDX licence line, naming each one. To
# fix: scripts/add_spdx.sh (safe to run again).
set -euo pipefail
exec "$(dirname "$0")/add_spdx.sh" --check
