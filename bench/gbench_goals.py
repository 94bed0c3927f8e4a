#!/usr/bin/env python3
"""Runs a Google Benchmark binary, prints its results, then one line per goal:

  goal met: WHAT: FIGURE (goal <= LIMIT)
  goal MISSED: WHAT: FIGURE (goal <= LIMIT)

  gbench_goals.py [--goal 'BENCH_REGEX|FIELD|LIMIT|WHAT' ...] -- COMMAND [ARGS...]

FIELD is a counter of the benchmark or real_time (in the benchmark's unit).
Every benchmark whose name matches BENCH_REGEX is held to the goal; a goal no
benchmark matches, or one that reported an error, is missed. Exit code 1
when a goal is missed. bench/run.sh collects the goal lines of every script."""
import json
import re
import subprocess
import sys
import tempfile

args = sys.argv[1:]
split = args.index("--")
goals = [g.split("|", 3) for flag, g in zip(args[:split:2], args[1:split:2]) if flag == "--goal"]
command = args[split + 1:]

with tempfile.NamedTemporaryFile(suffix=".json") as out:
    run = subprocess.run(command + ["--benchmark_out=" + out.name, "--benchmark_out_format=json"])
    try:
        results = json.load(open(out.name)).get("benchmarks", [])
    except (OSError, ValueError):
        results = []

missed = run.returncode != 0
for pattern, field, limit, what in goals:
    matched = [b for b in results if re.search(pattern, b["name"])]
    if not matched:
        print(f"goal MISSED: {what}: no result (benchmark failed or skipped)")
        missed = True
    for b in matched:
        if b.get("error_occurred") or field not in b:
            print(f"goal MISSED: {what}: {b.get('error_message', 'no ' + field)}")
            missed = True
            continue
        value, bound = float(b[field]), float(limit)
        unit = " " + b.get("time_unit", "") if field == "real_time" else ""
        ok = value <= bound
        missed = missed or not ok
        label = what if len(matched) == 1 else f"{what} [{b['name']}]"
        print(f"goal {'met' if ok else 'MISSED'}: {label}: {value:.2f}{unit} (goal <= {limit}{unit})")
sys.exit(1 if missed else 0)
