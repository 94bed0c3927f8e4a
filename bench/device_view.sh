#!/usr/bin/env bash
# The device view of samples/ring4's three tables (3840 x 1920, four cameras):
# reading and checking, coverage, render. Goals: a render within about 1 s, and
# the window's device view switched on (2K table built in memory, read, rendered)
# well under a second, taken as 500 ms.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}/device_view_bench
[ -x "$BIN" ] || { echo "device_view.sh: $BIN not built" >&2; exit 1; }
exec python3 bench/gbench_goals.py \
    --goal 'BM_Render|real_time|1000|render of a ring4 table from the camera images' \
    --goal 'BM_ProjectDeviceView|real_time|500|device view of ring4 switched on' \
    -- "$BIN" --benchmark_min_time=1
