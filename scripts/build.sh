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
[ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" "${flags[@]}" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$dir" -j "$jobs" --target "$@"
else
  cmake --build "$dir" -j "$jobs"
fi
