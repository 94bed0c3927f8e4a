#!/usr/bin/env bash
# Sets up, builds and runs every test. GUI tests need a display, so the whole
# suite runs under a virtual X server. --sanitize runs it in the ASan+UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh "$@"
BUILD_DIR=build
[ "${1:-}" = "--sanitize" ] && BUILD_DIR=build-asan
cd "$BUILD_DIR"
xvfb-run -a -s "-screen 0 1600x1000x24" ctest --output-on-failure -j 2
