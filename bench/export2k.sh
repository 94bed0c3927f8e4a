#!/usr/bin/env bash
# The 2K table export of a ring4-sized rig (4 cameras, 3840 x 1920 panorama)
# against writing the same number of bytes into the same folder, and the
# export's peak memory. Goals: export <= 2 x the plain write, peak <= 512 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=build/bin/export2k_bench
[ -x "$BIN" ] || { echo "export2k.sh: $BIN not built"; exit 1; }

json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$BIN" --benchmark_filter='Export2K|WriteSameBytes' --benchmark_min_time=2 \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_format=json >"$json"

# Peak resident memory of a process that builds the rig and exports once,
# against one that only builds the rig.
rss() {
    /usr/bin/time -f '%M' "$BIN" --benchmark_filter="$1" --benchmark_min_time=0.01 \
        2>&1 >/dev/null | tail -n 1
}
export_kb=$(rss '^BM_Export2KRing4')
rig_kb=$(rss '^BM_RigOnly$')

python3 - "$json" "$export_kb" "$rig_kb" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
med = {b['run_name']: b for b in data['benchmarks'] if b.get('aggregate_name') == 'median'}
def ms(name, key='real_time'):
    return med[name][key]
exp = 'BM_Export2KRing4/real_time'
raw = 'BM_WriteSameBytes/real_time'
dur = 'BM_WriteSameBytesDurably/real_time'
mb = med[exp]['file_MB']
print(f"2K export of ring4-sized rig: {ms(exp):.0f} ms wall, {ms(exp, 'cpu_time'):.0f} ms CPU, {mb:.1f} MB written")
print(f"writing {mb:.1f} MB plainly:      {ms(raw):.0f} ms wall  -> ratio {ms(exp) / ms(raw):.2f} (goal <= 2)")
print(f"writing it durably (fsync+rename): {ms(dur):.0f} ms wall  -> ratio {ms(exp) / ms(dur):.2f}")
export_mb, rig_mb = int(sys.argv[2]) / 1024, int(sys.argv[3]) / 1024
print(f"peak memory: {export_mb:.0f} MB with the export, {rig_mb:.0f} MB for the rig alone "
      f"(export adds {export_mb - rig_mb:.0f} MB; goal <= 512 MB)")
PY
