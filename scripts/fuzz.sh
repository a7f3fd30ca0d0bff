#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (ASan and UBSan on) and runs them for
# a total time budget, split evenly over the harnesses given (default: all).
# Usage: scripts/fuzz.sh [total-seconds] [harness...]
#
# Each harness keeps its corpus between runs in $TOBEX_FUZZ_DIR/<harness>/corpus
# (default ~/.cache/tobex-fuzz, outside the repository), seeded from
# fuzz/corpus/<harness>; inputs that crash, leak or time out land in
# $TOBEX_FUZZ_DIR/<harness>/findings. Ends with one line per harness: runs,
# corpus size, new findings; exits 1 when this run found something.
# TOBEX_FUZZ_RUNS=N also stops each harness after N executions (a campaign of
# "10 M runs or the time budget, whichever comes first"). Every run appends its
# count to $TOBEX_FUZZ_DIR/<harness>/history.tsv, so campaigns add up across sessions.
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-420}
shift || true
store=${TOBEX_FUZZ_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tobex-fuzz}
# TOBEX_FUZZ_NOBUILD=1 runs the harnesses already built (a second campaign on the same build).
if [ -z "${TOBEX_FUZZ_NOBUILD:-}" ]; then
  scripts/setup.sh
  scripts/build.sh fuzz
fi
shopt -s nullglob
harnesses=()
if [ $# -gt 0 ]; then
  for name in "$@"; do harnesses+=("build-fuzz/fuzz/fuzz_$name"); done
else
  harnesses=(build-fuzz/fuzz/fuzz_*)
fi
if [ ${#harnesses[@]} -eq 0 ]; then
  echo "fuzz: no harnesses yet"
  exit 0
fi
secs=$(( total / ${#harnesses[@]} ))
[ "$secs" -ge 1 ] || secs=1
summary=()
found=0
for h in "${harnesses[@]}"; do
  name=$(basename "$h"); name=${name#fuzz_}
  [ -x "$h" ] || { echo "fuzz: no harness $name" >&2; exit 2; }
  corpus="$store/$name/corpus"
  findings="$store/$name/findings"
  mkdir -p "$corpus" "$findings"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("$PWD/fuzz/corpus/$name")
  log="$store/$name/last.log"
  before=$(find "$findings" -type f | wc -l)
  echo "fuzz: $name for ${secs}s (corpus $corpus)"
  # New inputs go to the first folder; the repository's seeds are only read.
  runs_opt=()
  [ -n "${TOBEX_FUZZ_RUNS:-}" ] && runs_opt=(-runs="$TOBEX_FUZZ_RUNS")
  started=$(date +%s)
  (cd "$store/$name" && "$OLDPWD/$h" -max_total_time="$secs" "${runs_opt[@]}" -max_len=65536 -rss_limit_mb=2048 \
      -timeout=25 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" \
      >"$log" 2>&1) || true
  tail -n 3 "$log" | grep -v '^stat::' || true
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log" | tail -n 1)
  new=$(( $(find "$findings" -type f | wc -l) - before ))
  took=$(( $(date +%s) - started ))
  printf '%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "${runs:-0}" "$took" "$new" >>"$store/$name/history.tsv"
  total_runs=$(awk -F'\t' '{r+=$2; t+=$3} END {printf "%d runs in %d s", r, t}' "$store/$name/history.tsv")
  found=$(( found + new ))
  summary+=("fuzz: $name: ${runs:-?} runs in ${took}s (all campaigns: $total_runs), corpus $(find "$corpus" -type f | wc -l), findings $new")
done
printf '%s\n' "${summary[@]}"
[ "$found" -eq 0 ]
