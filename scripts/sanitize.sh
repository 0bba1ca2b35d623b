#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds with AddressSanitizer + UndefinedBehaviorSanitizer in build-asan and
# runs the whole test suite there.
set -euo pipefail
cd "$(dirname "$0")/.."
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
BUILD_DIR=build-asan exec ./scripts/test.sh -DKW_SANITIZE=ON -DKW_BUILD_BENCH=OFF "$@"
