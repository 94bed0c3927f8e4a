#!/usr/bin/env bash
# One slider notch (blend and crop) in the window on samples/ring4, cropped and
# full-canvas: refresh, texture upload and paint, without and with the
# coverage check the window runs after each change (check=1). Prints the
# median per case; goals: at most 15 ms cropped, 40 ms full-canvas. Skips cleanly without the
# sample; the preview needs an X display with OpenGL, so it runs under a
# virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}
SAMPLES=${ORVIK_SAMPLES_DIR:-$PWD/samples}
if [ ! -f "$SAMPLES/ring4/ring4.pto" ]; then echo "slider_notch.sh: samples/ring4 not present, skipped"; exit 0; fi
if [ ! -x "$BIN/nona2" ]; then echo "slider_notch.sh: $BIN/nona2 not built, skipped"; exit 0; fi
exec python3 bench/gbench_goals.py \
    --goal 'full:0/|median_ms|15|slider notch, ring4 cropped (median ms)' \
    --goal 'full:1/|median_ms|40|slider notch, ring4 full-canvas (median ms)' \
    -- xvfb-run -a -s "-screen 0 1600x1000x24" "$BIN/ui_slider_notch_bench" \
    --benchmark_counters_tabular=true "$@"
