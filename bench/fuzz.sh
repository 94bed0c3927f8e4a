#!/bin/bash
# Runs each libFuzzer harness of fuzz/ for a while (FUZZ_SECONDS, default 60)
# on a corpus seeded from samples/, and prints executions and findings.
# Not part of CI. Needs clang with its fuzzer runtime (Debian 12: clang and
# libclang-rt-14-dev, or clang-14's bundled runtime).
# Usage: bench/fuzz.sh [harness ...]   (default: every fuzz/fuzz_*.cpp)
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++ > /dev/null; then
    echo "fuzz.sh: clang++ not found (Debian: apt-get install clang libclang-rt-14-dev); skipped"
    exit 0
fi
SECONDS_EACH=${FUZZ_SECONDS:-60}
BUILD=build-fuzz
LAUNCHER=()
command -v ccache > /dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVIK_FUZZ=ON -DORVIK_BUILD_TESTS=OFF \
    -DORVIK_BUILD_BENCH=OFF "${LAUNCHER[@]}" > /dev/null
HARNESSES=("$@")
if [ ${#HARNESSES[@]} -eq 0 ]; then
    for f in fuzz/fuzz_*.cpp; do
        h=$(basename "$f" .cpp); h=${h#fuzz_}
        if [ "$h" != seeds ]; then HARNESSES+=("$h"); fi
    done
fi
cmake --build "$BUILD" -j2 --target fuzz_seeds $(printf 'fuzz_%s ' "${HARNESSES[@]}")
SEEDS="$BUILD/fuzz-seeds"
ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/fuzz_seeds" samples "$SEEDS"
declare -A CORPUS=([pto_reader]=pto [nona2_pto]=pto [map_tiff]=map [nona2_image]=image
    [table_readers]=table [table_render]=table [settings]=settings)
# Qt's own leak when a JSON key repeats (bounded, not ours) is not a finding.
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
for h in "${HARNESSES[@]}"; do
    if [ -z "${CORPUS[$h]:-}" ]; then
        echo "fuzz.sh: no seed corpus is named for fuzz_$h (add it to CORPUS)"; exit 1
    fi
    corpus="$BUILD/corpus/$h"
    artifacts="$BUILD/findings/$h/"
    mkdir -p "$corpus" "$artifacts"
    cp -n "$SEEDS/${CORPUS[$h]}"/* "$corpus"/ 2>/dev/null || true
    log="$BUILD/findings/$h.log"
    # Only the slow unwinder gets through Qt's frames to the suppressed one.
    unwind=""
    if [ "$h" = settings ]; then unwind="fast_unwind_on_malloc=0"; fi
    # -timeout: an input running longer than 10 s counts as a hang (a finding).
    status=0
    ASAN_OPTIONS="$unwind" "$BUILD/bin/fuzz_$h" "$corpus" -max_total_time="$SECONDS_EACH" -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$artifacts" -print_final_stats=1 \
        > "$log" 2>&1 || status=$?
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    findings=$(ls "$artifacts" | wc -l)
    echo "fuzz_$h: $execs executions in ${SECONDS_EACH}s, exit $status, findings: $findings ($artifacts)"
done
