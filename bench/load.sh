#!/usr/bin/env bash
# Loading samples/ring4 (remapper run, reading, analysis) against the four nona2
# runs alone, best of three each; prints the ratio (goal <= 1.5). Skips cleanly
# while the sample or nona2 is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}
SAMPLES=${ORVIK_SAMPLES_DIR:-$PWD/samples}
if [ ! -f "$SAMPLES/ring4/ring4.pto" ]; then echo "load.sh: samples/ring4 not present, skipped"; exit 0; fi
if [ ! -x "$BIN/nona2" ]; then echo "load.sh: $BIN/nona2 not built, skipped"; exit 0; fi
"$BIN/load_bench" --benchmark_counters_tabular=true
