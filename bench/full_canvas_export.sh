#!/usr/bin/env bash
# The whole headless export (--auto) of samples/ring4 against a full-canvas copy
# of it (r:CROP removed), alternating in one run; prints each phase, the peak
# memory and the ratios. Goals: full-canvas at most 2 x the cropped time, peak
# memory at most 600 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}
SAMPLES=${ORVIK_SAMPLES_DIR:-$PWD/samples}
if [ ! -f "$SAMPLES/ring4/ring4.pto" ]; then echo "full_canvas_export.sh: samples/ring4 not present, skipped"; exit 0; fi
[ -x "$BIN/orvikjoint-cli" ] || { echo "full_canvas_export.sh: $BIN/orvikjoint-cli not built" >&2; exit 1; }
exec python3 bench/full_canvas_export.py "$BIN/orvikjoint-cli" "$SAMPLES" "${ROUNDS:-3}"
