#!/usr/bin/env bash
# Runs every benchmark script in this folder (bench/*.sh except this one) against
# the release build. Each script prints its own figures and ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for script in bench/*.sh; do
    [ "$(basename "$script")" = run.sh ] && continue
    echo "== $script"
    bash "$script"
done
