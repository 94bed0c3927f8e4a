#!/usr/bin/env bash
# A legal project with a mistyped canvas (w1000000 h500000, r:CROP, two of the
# ring4 cameras): nona2 and orvikjoint-cli export --auto must refuse it within
# 5 s, under 1 GB, naming the memory needed and available. As first measured:
# under an 8 GB address-space limit (where the remapper's own need of about
# 16 GB binds), and the command line also without one (its layers would need
# terabytes). Every run is capped at 120 s, so a build that does not refuse
# shows as a miss instead of running for hours.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BIN=${ORVIK_BIN_DIR:-$ROOT/build/bin}
SAMPLES=${ORVIK_SAMPLES_DIR:-$ROOT/samples}
[ -x "$BIN/nona2" ] && [ -x "$BIN/orvikjoint-cli" ] ||
    { echo "huge_project.sh: $BIN/nona2 or orvikjoint-cli not built" >&2; exit 1; }
if [ ! -f "$SAMPLES/ring4/cam0.jpg" ]; then echo "huge_project.sh: samples/ring4 not present, skipped"; exit 0; fi
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp "$SAMPLES/ring4/cam0.jpg" "$SAMPLES/ring4/cam1.jpg" "$WORK/"
sed -E -e '/^p /s/w3840 h1920/w1000000 h500000/' -e '/cam[23]\.jpg/d' \
    "$SAMPLES/ring4/ring4.pto" >"$WORK/huge.pto"
grep -q '^p f2 w1000000 h500000 .*r:CROP' "$WORK/huge.pto" ||
    { echo "huge_project.sh: project not made" >&2; exit 1; }

status=0
# $1 = what, $2 = address-space limit in KB ("unlimited"), then the command.
refuse() {
    local what=$1 limit=$2
    shift 2
    mkdir -p "$WORK/run"
    local code=0
    (cd "$WORK/run" && ulimit -v "$limit" &&
        /usr/bin/time -o "$WORK/time" -f '%e %M' timeout 120 "$@" >"$WORK/out" 2>&1) || code=$?
    local seconds kb message
    seconds=$(tail -1 "$WORK/time" | awk '{ print $1 }')
    kb=$(tail -1 "$WORK/time" | awk '{ print $2 }')
    message=$(grep -E 'of memory, but' "$WORK/out" | tail -1 || true)
    echo "$what: exit code $code after $seconds s, peak $((kb / 1024)) MB"
    echo "    ${message:-(no message on the memory needed and available)}"
    if [ "$code" != 0 ] && [ -n "$message" ] && (($(awk "BEGIN { print ($seconds <= 5) }"))) &&
        ((kb < 1024 * 1024)); then
        echo "goal met: $what refused: $seconds s, $((kb / 1024)) MB (goal <= 5 s, < 1024 MB, with need and availability)"
    else
        echo "goal MISSED: $what refused: $seconds s, $((kb / 1024)) MB, exit code $code (goal <= 5 s, < 1024 MB, with need and availability)"
        status=1
    fi
    rm -rf "$WORK/run" "$WORK/tiff"
}
refuse "nona2 on the huge project (8 GB address-space limit)" 8000000 \
    "$BIN/nona2" -c -z LZW -r ldr -m TIFF_m -o pic -i 0 "$WORK/huge.pto"
refuse "orvikjoint-cli export --auto on the huge project (8 GB address-space limit)" 8000000 \
    "$BIN/orvikjoint-cli" export --no-settings --auto "$WORK/huge.pto"
refuse "orvikjoint-cli export --auto on the huge project (no limit)" unlimited \
    "$BIN/orvikjoint-cli" export --no-settings --auto "$WORK/huge.pto"
exit $status
