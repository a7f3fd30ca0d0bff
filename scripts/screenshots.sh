#!/usr/bin/env bash
# Makes docs/<screen>.png, one screenshot of every screen of Tilvo-1, from the
# game's end-to-end runs (tests/game/e2e_test.cpp): they play a copy of the
# built game headless on the virtual clock, so the pictures are the same on
# every run. The screenshots are the screen's own 240 x 320 pixels.
# Usage: scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh normal tilvo tobex test_game >/dev/null
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
if ! TOBEX_SHOTS="$shots" build/tests/test_game --gtest_filter='GameE2E.*' >"$shots/run.log" 2>&1; then
  tail -n 30 "$shots/run.log" >&2
  echo "screenshots.sh: the end-to-end runs failed" >&2
  exit 1
fi
mkdir -p docs
for screen in intro menu choose game solved msgbox outro; do
  cp "$shots/$screen.png" "docs/$screen.png"
done
ls -l docs/*.png
