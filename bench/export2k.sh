#!/usr/bin/env bash
# The 2K table export of samples/ring4, loaded with blend and crop 20000, against
# a plain write of the same number of bytes into the same folder, measured
# alternately in the same run; with and without a "pic" folder (debug images).
# Goals (for the table, no "pic" folder): export <= 2 x the plain write, peak
# memory <= 512 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}/export2k_bench
[ -x "$BIN" ] || { echo "export2k.sh: $BIN not built" >&2; exit 1; }
exec python3 bench/export_report.py "$BIN" 2K BM_Export2KRing4
