#!/usr/bin/env bash
# Texture upload and preview frame cost; the preview needs an X display with
# OpenGL, so the benchmark runs under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/ui_texture_upload_bench \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
