#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for a while on a copy
# of its seed corpus. Usage: scripts/fuzz.sh [seconds-per-harness]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
scripts/setup.sh
scripts/build.sh fuzz
shopt -s nullglob
harnesses=(build-fuzz/fuzz/fuzz_*)
if [ ${#harnesses[@]} -eq 0 ]; then
  echo "fuzz: no harnesses yet"
  exit 0
fi
for h in "${harnesses[@]}"; do
  name=$(basename "$h"); name=${name#fuzz_}
  work=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/"
  echo "fuzz: $name for ${secs}s"
  (cd "$work" && "$OLDPWD/$h" -max_total_time="$secs" -max_len=65536 -rss_limit_mb=2048 "$work" 2>&1 | tail -n 3)
  rm -rf "$work"
done
