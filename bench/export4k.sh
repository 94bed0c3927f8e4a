#!/usr/bin/env bash
# The 4K table export of a ring4-sized rig (bench/export4k_bench.cpp) and, when
# it and nona2 are there, of samples/ring4 itself after loading, each against
# writing the same number of bytes into the same folder, measured in the same
# run; and the peak memory of a process holding the rig and exporting it.
# Goals: export at most 2 x the plain write, peak at most 512 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=${ORVIK_BIN_DIR:-$PWD/build/bin}/export4k_bench
[ -x "$BIN" ] || { echo "export4k.sh: $BIN not built" >&2; exit 1; }
OUT=$(mktemp)
trap 'rm -f "$OUT"' EXIT

# The export prints its console lines; only the benchmark's file is read.
"$BIN" --benchmark_repetitions="${REPS:-3}" --benchmark_report_aggregates_only=true \
    --benchmark_out="$OUT" --benchmark_out_format=json >/dev/null
# Median wall time (ms) of a benchmark, from the pretty-printed JSON.
median() {
    awk -v want="\"$1_median\"" '
        /"name":/ { name = $2; sub(/,$/, "", name) }
        /"real_time":/ && name == want { v = $2; sub(/,$/, "", v); print v; exit }' "$OUT"
}
for b in BM_Export4K/pic:0 BM_Export4K/pic:1 BM_WriteSameBytes BM_WriteSameBytesAtomically \
    BM_WeightVolume BM_SourceBlocksAndRegions BM_BlendTable4K BM_Export4KSample \
    BM_WriteSampleBytes; do
    v=$(median "$b")
    if [ -n "$v" ]; then printf '%-30s %8.1f ms\n' "$b" "$v"; fi
done
export_ms=$(median BM_Export4K/pic:0)
plain_ms=$(median BM_WriteSameBytes)
atomic_ms=$(median BM_WriteSameBytesAtomically)
awk -v e="$export_ms" -v p="$plain_ms" -v a="$atomic_ms" 'BEGIN {
    printf "4K export (no pic folder) / plain write of the same bytes: %.2f (goal <= 2.00)\n", e / p
    printf "4K export (no pic folder) / synced write and rename:       %.2f\n", e / a }'

sample_ms=$(median BM_Export4KSample)
if [ -n "$sample_ms" ]; then
    awk -v e="$sample_ms" -v p="$(median BM_WriteSampleBytes)" 'BEGIN {
        printf "samples/ring4 4K export / plain write of the same bytes: %.2f (goal <= 2.00)\n", e / p }'
else
    echo "samples/ring4 or nona2 missing: the sample was not measured"
fi

# Peak resident memory: the rig, one export with debug images (the larger case).
peak_kb=$( { /usr/bin/time -v "$BIN" --benchmark_filter='BM_Export4K/pic:1' \
    --benchmark_min_time=0 >/dev/null; } 2>&1 | awk '/Maximum resident set size/ { print $6 }')
awk -v k="$peak_kb" 'BEGIN { printf "peak memory, rig + 4K export with debug images: %.0f MB (goal <= 512)\n", k / 1024 }'
