#!/usr/bin/env bash
# Sets up, builds and runs every test. GUI tests need a display, so the whole
# suite runs under a virtual X server. --sanitize runs it in the ASan+UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh "$@"
BUILD_DIR=build
[ "${1:-}" = "--sanitize" ] && BUILD_DIR=build-asan
cd "$BUILD_DIR"
# A failing case runs once more before it counts: window tests have been seen
# to crash at start-up under heavy load on Xvfb's software GL (the start-up
# test, a preview test) and pass in every one of over a hundred reruns. A real
# fault fails both tries; both outputs stay in the log.
xvfb-run -a -s "-screen 0 1600x1000x24" ctest --output-on-failure -j 2 --repeat until-pass:2
