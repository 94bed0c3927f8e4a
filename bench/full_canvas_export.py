#!/usr/bin/env python3
"""The whole headless export (orvikjoint-cli export --auto) of samples/ring4 as
saved (cropped layers) and of a copy without r:CROP (every layer the size of the
panorama), alternating in one run. Prints per project the median wall time of
each phase (remapping, reading and analysing, exporting), the peak memory, and
the full-canvas to cropped ratios.
Arguments: CLI_BINARY SAMPLES_DIR [ROUNDS]."""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

cli, samples = sys.argv[1:3]
rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3


def make_projects(work):
    projects = {}
    for name, crop in (("cropped", True), ("full-canvas", False)):
        folder = os.path.join(work, name)
        shutil.copytree(os.path.join(samples, "ring4"), folder)
        pto = os.path.join(folder, "ring4.pto")
        if not crop:
            text = open(pto).read()
            text = re.sub(r'^(p .*n"[^"]*?) r:CROP', r"\1", text, flags=re.M)
            open(pto, "w").write(text)
        projects[name] = pto
    return projects


def run(pto):
    """Wall seconds until the last camera is analysed and until the end, and
    the peak resident memory in MB."""
    t0 = time.monotonic()
    proc = subprocess.Popen([cli, "export", "--no-settings", "--auto", pto],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    # The remapper is done at its last progress line ("remapped N/N", which
    # the polling may miss) or, failing that, at the next line after them.
    remapped = analysed = None
    seen_remap = False
    for line in proc.stdout:
        words = line.split()
        now = time.monotonic() - t0
        if line.startswith("remapped") and len(words) > 1:
            seen_remap = True
            done, _, count = words[1].partition("/")
            if done == count and remapped is None:
                remapped = now
        elif seen_remap and remapped is None:
            remapped = now
        if line.startswith("analysed camera"):
            analysed = now
    _, status, usage = os.wait4(proc.pid, 0)
    total = time.monotonic() - t0
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{cli} export --auto {pto} failed")
    return {"remap": remapped, "load": analysed - remapped, "export": total - analysed,
            "total": total, "peak": usage.ru_maxrss / 1024.0}


with tempfile.TemporaryDirectory() as work:
    projects = make_projects(work)
    results = {name: [] for name in projects}
    for _ in range(rounds):
        for name, pto in projects.items():
            results[name].append(run(pto))
    med = {name: {k: statistics.median(r[k] for r in rs) for k in rs[0]}
           for name, rs in results.items()}
    for name, m in med.items():
        totals = ", ".join(f"{r['total']:.2f}" for r in results[name])
        print(f"ring4 {name:<11}: total {m['total']:6.2f} s (runs {totals}); remapping "
              f"{m['remap']:5.2f} s, reading and analysing {m['load']:5.2f} s, exports "
              f"{m['export']:5.2f} s; peak memory {max(r['peak'] for r in results[name]):5.0f} MB")
    full, crop = med["full-canvas"], med["cropped"]
    ratio = full["total"] / crop["total"]
    peak = max(r["peak"] for r in results["full-canvas"])
    print(f"full-canvas / cropped: total {ratio:.2f} (goal <= 2.00), "
          f"after remapping {(full['total'] - full['remap']) / (crop['total'] - crop['remap']):.2f}; "
          f"peak memory {peak:.0f} MB (goal <= 600)")
    # Each round's pair ran under the same machine load.
    ratios = sorted(f["total"] / c["total"] for f, c in zip(results["full-canvas"], results["cropped"]))
    print(f"full-canvas / cropped per round: {', '.join(f'{r:.2f}' for r in ratios)}")
    for what, value, limit, unit in (
            ("full-canvas ring4 export against the cropped one (medians)", ratio, 2.0, ""),
            ("full-canvas ring4 export, peak memory", peak, 600, " MB")):
        print(f"goal {'met' if value <= limit else 'MISSED'}: {what}: {value:.2f}{unit} "
              f"(goal <= {limit}{unit})")
    sys.exit(0 if ratio <= 2.0 and peak <= 600 else 1)
