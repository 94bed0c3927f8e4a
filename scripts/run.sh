#!/usr/bin/env bash
# Sets up, builds and runs the main job on the bundled sample rig: with a
# display, the window opens on the sample project; without one, the headless
# command line exports every table of the sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
PROJECT="${1:-samples/ring4/ring4.pto}"
BIN=build/bin
if [ -z "${DISPLAY:-}" ] && [ -x "$BIN/orvikjoint-cli" ]; then
    exec "$BIN/orvikjoint-cli" export "$PROJECT"
fi
ARGS=()
[ -f "$PROJECT" ] && ARGS=("$PROJECT")
if [ -z "${DISPLAY:-}" ]; then
    # No display and no headless front end: show the window on a virtual
    # screen, run the start-up and leave.
    ORVIKJOINT_EXIT_AFTER_START=1 exec xvfb-run -a "$BIN/orvikjoint" "${ARGS[@]}"
fi
exec "$BIN/orvikjoint" "${ARGS[@]}"
