#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: under AddressSanitizer and UBSan)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
kind=normal
dir=build
if [ "${1:-}" = "--sanitize" ]; then
  kind=sanitize
  dir=build-asan
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
scripts/build.sh "$kind"
cd "$dir"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
