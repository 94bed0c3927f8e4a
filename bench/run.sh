#!/usr/bin/env bash
# Runs every benchmark script in this folder (bench/*.sh except this one)
# against the release build, each to its end whatever the others gave, then
# repeats the goal lines they printed ("goal met: ..." / "goal MISSED: ...",
# one per goal with its figure) and names any script that failed without one.
# Exit code 1 when a goal was missed or a script failed.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1
LOGS=$(mktemp -d)
trap 'rm -rf "$LOGS"' EXIT
failed=()
for script in bench/*.sh; do
    name=$(basename "$script" .sh)
    [ "$name" = run ] && continue
    echo "== $script"
    bash "$script" 2>&1 | tee "$LOGS/$name.log"
    code=${PIPESTATUS[0]}
    if [ "$code" -ne 0 ] && ! grep -q '^goal MISSED' "$LOGS/$name.log"; then
        failed+=("$script (exit code $code)")
    fi
done
echo "== goals"
grep -h '^goal ' "$LOGS"/*.log
for f in "${failed[@]}"; do echo "failed without a goal line: $f"; done
! grep -qh '^goal MISSED' "$LOGS"/*.log && [ ${#failed[@]} -eq 0 ]
