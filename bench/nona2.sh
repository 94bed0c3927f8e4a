#!/usr/bin/env bash
# Remaps four cameras with our nona2 and with Debian's nona -c (the same
# command line the tool's batch file uses), alternating over several rounds,
# and prints the best wall time of each and their ratio, for three projects:
#   ring4        samples/ring4 as saved (r:CROP: each layer is its camera's box)
#   ring4-full   the same without r:CROP (each layer is the whole 3840 x 1920 canvas)
#   tilted-full  the ring4 cameras with roll, pitch and a d/e lens shift, no r:CROP
# Goal: nona2 at most 0.5 x nona in every case.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BIN=${ORVIK_BIN_DIR:-$ROOT/build/bin}
RING4=$ROOT/samples/ring4
ROUNDS=${ROUNDS:-3}
NONA=${NONA:-/usr/bin/nona}

[ -x "$BIN/nona2" ] || { echo "nona2.sh: $BIN/nona2 not built" >&2; exit 1; }
[ -x "$NONA" ] || { echo "nona2.sh: $NONA not found (package hugin-tools)" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The projects live in their own folders beside links to the ring4 images, so
# the relative image names resolve as in the sample.
make_project() {  # $1 = case name; the p- and i-lines come on standard input
    mkdir -p "$WORK/$1"
    for i in 0 1 2 3; do ln -s "$RING4/cam$i.jpg" "$WORK/$1/cam$i.jpg"; done
    cat >"$WORK/$1/project.pto"
}
make_project ring4 <"$RING4/ring4.pto"
sed -E '/^p /s/ r:CROP//' "$RING4/ring4.pto" | make_project ring4-full
grep -q '^p .*r:CROP' "$WORK/ring4-full/project.pto" && { echo "nona2.sh: r:CROP not removed" >&2; exit 1; }
make_project tilted-full <<'EOF'
p f2 w3840 h1920 v360 E0 R0 n"TIFF_m c:LZW"
m i0
i w1920 h1080 f0 v100 r4 p-9 y0 a0 b0 c0 d35 e-22 g0 t0 Eev0 Er1 Eb1 Ra0 Rb0 Rc0 Rd0 Re0 Va1 Vb0 Vc0 Vd0 Vx0 Vy0 Vm5 n"cam0.jpg"
i w1920 h1080 f0 v=0 r-3 p7 y91 a0 b0 c0 d-18 e30 g0 t0 Eev0 Er1 Eb1 Ra0 Rb0 Rc0 Rd0 Re0 Va1 Vb0 Vc0 Vd0 Vx0 Vy0 Vm5 n"cam1.jpg"
i w1920 h1080 f0 v=0 r2 p-4 y179 a0 b0 c0 d12 e15 g0 t0 Eev0 Er1 Eb1 Ra0 Rb0 Rc0 Rd0 Re0 Va1 Vb0 Vc0 Vd0 Vx0 Vy0 Vm5 n"cam2.jpg"
i w1920 h1080 f0 v=0 r-5 p11 y272 a0 b0 c0 d-40 e-8 g0 t0 Eev0 Er1 Eb1 Ra0 Rb0 Rc0 Rd0 Re0 Va1 Vb0 Vc0 Vd0 Vx0 Vy0 Vm5 n"cam3.jpg"
EOF

calc() { awk "BEGIN { print $1 }"; }
run_all() {  # $1 = remapper, $2 = output folder, $3 = project
    mkdir -p "$2"
    (cd "$2" && for i in 0 1 2 3; do
        "$1" -c -z LZW -r ldr -m TIFF_m -o pic -i "$i" "$3" >/dev/null
    done)
}
# Sets WALL and CPU (user + system, the remapper's threads summed) of one run_all.
measure() {
    local TIMEFORMAT='%R %U %S' t
    t=$({ time run_all "$@" 2>>"$WORK/errors"; } 2>&1) ||
        { echo "nona2.sh: $1 failed:" >&2; cat "$WORK/errors" >&2; exit 1; }
    WALL=$(echo "$t" | awk '{ print $1 }')
    CPU=$(echo "$t" | awk '{ print $2 + $3 }')
}
best() { if [ -z "$1" ] || (($(calc "$2 < $1"))); then echo "$2"; else echo "$1"; fi; }

# Wall time is the goal. On a shared machine the remapper's second thread may
# find no free core; the processor time shows what each side costs regardless.
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
status=0
for name in ring4 ring4-full tilted-full; do
    project=$WORK/$name/project.pto
    wall_ours="" wall_nona="" cpu_ours="" cpu_nona=""
    for round in $(seq "$ROUNDS"); do
        measure "$NONA" "$WORK/$name/nona" "$project"
        n=$WALL wall_nona=$(best "$wall_nona" "$WALL") cpu_nona=$(best "$cpu_nona" "$CPU")
        measure "$BIN/nona2" "$WORK/$name/ours" "$project"
        o=$WALL wall_ours=$(best "$wall_ours" "$WALL") cpu_ours=$(best "$cpu_ours" "$CPU")
        printf '%s round %d: nona %.3f s, nona2 %.3f s\n' "$name" "$round" "$n" "$o"
    done
    for i in 0 1 2 3; do
        for f in pic000$i.tif pic000${i}_x.tif pic000${i}_y.tif; do
            [ -s "$WORK/$name/ours/$f" ] || { echo "nona2.sh: $name: nona2 did not write $f" >&2; status=1; }
        done
    done
    ratio=$(calc "$wall_ours / $wall_nona")
    printf '%s, 4 cameras: nona -c %.3f s, nona2 %.3f s (best of %d), ratio %.2f (goal <= 0.50); processor time %.3f s vs %.3f s, ratio %.2f\n' \
        "$name" "$wall_nona" "$wall_ours" "$ROUNDS" "$ratio" \
        "$cpu_nona" "$cpu_ours" "$(calc "$cpu_ours / $cpu_nona")"
    if (($(calc "$ratio <= 0.5"))); then verdict=met; else verdict=MISSED status=1; fi
    printf 'goal %s: nona2 against nona -c on %s, wall (best of %d): %.2f (goal <= 0.50)\n' \
        "$verdict" "$name" "$ROUNDS" "$ratio"
    rm -rf "$WORK/$name/nona" "$WORK/$name/ours"
done
exit $status
