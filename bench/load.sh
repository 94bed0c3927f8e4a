#!/usr/bin/env bash
# Loading samples/ring4 (remapper run, reading, analysis) against the four nona2
# runs alone, alternating over five rounds; prints the median of the rounds'
# ratios (goal <= 1.3). Skips cleanly while the sample or nona2 is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}
SAMPLES=${ORVIK_SAMPLES_DIR:-$PWD/samples}
if [ ! -f "$SAMPLES/ring4/ring4.pto" ]; then echo "load.sh: samples/ring4 not present, skipped"; exit 0; fi
if [ ! -x "$BIN/nona2" ]; then echo "load.sh: $BIN/nona2 not built, skipped"; exit 0; fi
exec python3 bench/gbench_goals.py \
    --goal 'ring4|ratio|1.3|load of ring4 (remap, read, analyse) against nona2 alone' \
    -- "$BIN/load_bench" --benchmark_counters_tabular=true
