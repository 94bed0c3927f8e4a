#!/usr/bin/env bash
# Sets up, builds and runs every test. GUI tests need a display, so the whole
# suite runs under a virtual X server. --sanitize runs it in the ASan+UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh "$@"
BUILD_DIR=build
[ "${1:-}" = "--sanitize" ] && BUILD_DIR=build-asan
cd "$BUILD_DIR"
# -noreset: Xvfb otherwise resets itself each time its last client leaves, and
# drops a client that connects during the reset; Qt then aborts in the
# application's constructor ("could not connect to display"). CTest starts each
# case as its own process and the start-up test starts the program four times
# in a row, so under load a window test now and then connected just as the
# previous one left.
xvfb-run -a -s "-screen 0 1600x1000x24 -noreset" ctest --output-on-failure -j 2
