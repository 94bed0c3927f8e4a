#!/usr/bin/env bash
# One blend-slider step on samples/ring4 (and fisheye3): refreshView of every
# camera against a plain copy of the same buffers; prints both medians and their
# ratio (goal: <= 16 ms and <= 3 x the copy); and the coverage check after a
# blend or crop step beside that step's refresh and a check from nothing.
# Skips cleanly without the sample.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}
SAMPLES=${ORVIK_SAMPLES_DIR:-$PWD/samples}
if [ ! -f "$SAMPLES/ring4/ring4.pto" ]; then echo "refresh.sh: samples/ring4 not present, skipped"; exit 0; fi
if [ ! -x "$BIN/nona2" ]; then echo "refresh.sh: $BIN/nona2 not built, skipped"; exit 0; fi
exec python3 bench/gbench_goals.py \
    --goal 'ring4|refresh_median_ms|16|blend step on ring4, refresh of every camera (median ms)' \
    --goal 'ring4|ratio|3|blend step on ring4 against a plain copy of the buffers' \
    -- "$BIN/refresh_bench" --benchmark_counters_tabular=true
