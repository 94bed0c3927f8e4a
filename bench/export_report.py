#!/usr/bin/env python3
"""Runs a table-export benchmark binary and prints export time against a plain
write of the same bytes, and the peak memory. Used by bench/export2k.sh and
bench/export4k.sh. Arguments: BINARY LABEL BENCHMARK_NAME."""
import json
import subprocess
import sys
import tempfile

binary, label, name = sys.argv[1:4]
with tempfile.NamedTemporaryFile(suffix=".json") as out:
    subprocess.run([binary, "--benchmark_out=" + out.name, "--benchmark_out_format=json"],
                   check=True, stdout=subprocess.DEVNULL)
    data = json.load(open(out.name))

ok = True
goals = []
for b in data["benchmarks"]:
    if b.get("error_occurred"):
        print(f"{b['name']}: {b.get('error_message', 'failed')}")
        if b["name"].startswith(name):
            ok = False
        continue
    if not b["name"].startswith(name):
        print(f"{b['name']:<45} {b['real_time']:8.1f} {b['time_unit']}")
        continue
    pic = "with pic folder   " if "pic:1" in b["name"] else "without pic folder"
    goal = "  (goal <= 2.00)" if "pic:0" in b["name"] else ""
    print(f"{label} export of samples/ring4 {pic}: {b['export_ms']:7.1f} ms, "
          f"{b['table_MB']:.1f} MB; plain write {b['plain_ms']:6.1f} ms -> "
          f"ratio {b['ratio']:.2f}{goal}")
    print(f"    CPU time of the export (all threads) {b['export_cpu_ms']:6.1f} ms")
    print(f"    synced write + rename of the same bytes {b['durable_ms']:6.1f} ms -> "
          f"ratio {b['ratio_durable']:.2f}")
    print(f"    peak memory during the export {b['peak_MB']:.0f} MB "
          f"(the loaded rig holds {b['rig_MB']:.0f} MB; goal <= 512)")
    goals.append((f"{label} export of ring4 {pic.strip()}, peak memory", b["peak_MB"], 512, " MB"))
    if "pic:0" in b["name"]:
        goals.append((f"{label} export of ring4 against a plain write", b["ratio"], 2.0, ""))
for what, value, limit, unit in goals:
    met = value <= limit
    ok = ok and met
    print(f"goal {'met' if met else 'MISSED'}: {what}: {value:.2f}{unit} (goal <= {limit}{unit})")
if not goals:
    print(f"goal MISSED: {label} export of ring4: no result")
    ok = False
sys.exit(0 if ok else 1)
