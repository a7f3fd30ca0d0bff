#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs the program in a
# window (headless, for a bounded number of frames, when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh normal tilvo tobex
exec build/game/tilvo "$@"
