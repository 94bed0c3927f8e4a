#!/usr/bin/env bash
# Remaps the four cameras of samples/ring4 with our nona2 and with Debian's
# nona -c (the same command line the tool's batch file uses), alternating over
# several rounds, and prints the best wall time of each and their ratio.
# Goal: nona2 at most 0.5 x nona.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BIN=${ORVIK_BIN_DIR:-$ROOT/build/bin}
PROJECT=$ROOT/samples/ring4/ring4.pto
ROUNDS=${ROUNDS:-3}
NONA=${NONA:-/usr/bin/nona}

[ -x "$BIN/nona2" ] || { echo "nona2.sh: $BIN/nona2 not built" >&2; exit 1; }
[ -x "$NONA" ] || { echo "nona2.sh: $NONA not found (package hugin-tools)" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/ours" "$WORK/nona"

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }
run_all() {  # $1 = remapper, $2 = folder
    (cd "$2" && for i in 0 1 2 3; do
        "$1" -c -z LZW -r ldr -m TIFF_m -o pic -i "$i" "$PROJECT" >/dev/null
    done)
}

best_ours=""
best_nona=""
for round in $(seq "$ROUNDS"); do
    t0=$(now); run_all "$NONA" "$WORK/nona"; t1=$(now)
    run_all "$BIN/nona2" "$WORK/ours"; t2=$(now)
    n=$(calc "$t1 - $t0"); o=$(calc "$t2 - $t1")
    printf 'round %d: nona %.3f s, nona2 %.3f s\n' "$round" "$n" "$o"
    if [ -z "$best_nona" ] || (($(calc "$n < $best_nona"))); then best_nona=$n; fi
    if [ -z "$best_ours" ] || (($(calc "$o < $best_ours"))); then best_ours=$o; fi
done
for i in 0 1 2 3; do
    for f in pic000$i.tif pic000${i}_x.tif pic000${i}_y.tif; do
        [ -s "$WORK/ours/$f" ] || { echo "nona2.sh: nona2 did not write $f" >&2; exit 1; }
    done
done
ratio=$(calc "$best_ours / $best_nona")
printf 'ring4, 4 cameras: nona -c %.3f s, nona2 %.3f s (best of %d), ratio %.2f (goal <= 0.50)\n' \
    "$best_nona" "$best_ours" "$ROUNDS" "$ratio"
