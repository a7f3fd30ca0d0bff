#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh [normal|sanitize|fuzz] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-normal}
shift || true
case "$kind" in
  normal)   dir=build;      flags=() ;;
  sanitize) dir=build-asan; flags=(-DTOBEX_SANITIZE=ON -DTOBEX_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  fuzz)     dir=build-fuzz; flags=(-DTOBEX_FUZZ=ON -DTOBEX_TESTS=OFF -DTOBEX_BENCH=OFF
                                   -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: scripts/build.sh [normal|sanitize|fuzz] [targets...]" >&2; exit 2 ;;
esac
jobs=$(nproc 2>/dev/null || echo 2)
# CI sets TOBEX_WERROR=1: warnings fail the GCC builds (the clang fuzz build keeps them warnings).
if [ "${TOBEX_WERROR:-0}" = 1 ] && [ "$kind" != fuzz ]; then
  cmake -S . -B "$dir" "${flags[@]}" -DTOBEX_WERROR=ON >/dev/null
else
  [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" "${flags[@]}" >/dev/null
fi
if [ $# -gt 0 ]; then
  cmake --build "$dir" -j "$jobs" --target "$@"
else
  cmake --build "$dir" -j "$jobs"
fi
