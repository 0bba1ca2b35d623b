#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Fails when a C++ file is not formatted as .clang-format says. To fix:
#   git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "format check: every C++ file follows .clang-format"
