#!/usr/bin/env bash
# The device view of samples/ring4's three tables (3840 x 1920, four cameras):
# reading and checking, coverage, render. Goal: a render within about 1 s.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}/device_view_bench
[ -x "$BIN" ] || { echo "device_view.sh: $BIN not built" >&2; exit 1; }
"$BIN" --benchmark_min_time=1
"$BIN" --benchmark_filter=BM_Render --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
worst = max(b["real_time"] for b in json.load(sys.stdin)["benchmarks"])
print("slowest render: %.0f ms (goal about 1000 ms): %s" % (worst, "met" if worst <= 1000 else "MISSED"))
sys.exit(0 if worst <= 1000 else 1)'
