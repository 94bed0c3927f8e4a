#!/usr/bin/env python3
"""Compares the exports of two builds of orvikjoint-cli on the bundled samples.

  compare-exports.py OLD_BIN_DIR NEW_BIN_DIR [SAMPLES_DIR]

Each build exports copies of samples/ring4 and samples/fisheye3, as saved and
with r:CROP removed (every layer the whole canvas), with --auto and with
--blend 20000 --crop 20000, each into a folder with pic/. Then, per case: both
device tables, every debug image, the settings file (when either build writes
one), the exit code and the console output (but for the remapper's progress
lines) must be identical; QuickWeave_Projcet.tab must agree in its header,
drawing order, every camera's offset, size and weights, and in the position
of every pixel whose weight is not 0. Positions at weight-0 pixels may differ
(a remapper may leave -1 outside the source image); how many do is reported.
Exit code 0 when every case agrees."""
import filecmp
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

CASES = [(rig, crop, mode) for rig in ("ring4", "fisheye3") for crop in (True, False)
         for mode in ("--auto", "--blend 20000 --crop 20000")]


def quickweave_differences(old_path, new_path):
    """(problems, positions differing at weight-0 pixels)."""
    a, b = open(old_path, "rb").read(), open(new_path, "rb").read()
    if len(a) != len(b):
        return [f"QuickWeave sizes differ: {len(a)} and {len(b)} bytes"], 0
    n, w, h = struct.unpack_from("<3i", a, 0)
    at = 12 + 4 * n
    if a[:at] != b[:at]:
        return ["QuickWeave headers or drawing orders differ"], 0
    problems, unweighted = [], 0
    for cam in range(n):
        if a[at:at + 16] != b[at:at + 16]:
            return [f"camera {cam}: offset or size differs"], unweighted
        cols, rows = struct.unpack_from("<2i", a, at + 8)
        positions = at + 16
        weights = positions + 8 * cols * rows
        end = weights + cols * rows
        if a[weights:end] != b[weights:end]:
            problems.append(f"camera {cam}: weights differ")
        for r in range(rows):
            row = slice(positions + 8 * cols * r, positions + 8 * cols * (r + 1))
            if a[row] == b[row]:
                continue
            wrow = a[weights + cols * r:weights + cols * (r + 1)]
            for c in range(cols):
                p = positions + 8 * (cols * r + c)
                if a[p:p + 8] == b[p:p + 8]:
                    continue
                if wrow[c]:
                    if len(problems) < 10:
                        x0, y0 = struct.unpack_from("<2f", a, p)
                        x1, y1 = struct.unpack_from("<2f", b, p)
                        problems.append(f"camera {cam} pixel ({c}, {r}), weight {wrow[c]}: "
                                        f"position {x0}, {y0} against {x1}, {y1}")
                else:
                    unweighted += 1
        at = end
    return problems, unweighted


def export(cli, samples, work, rig, crop, mode):
    folder = os.path.join(work, "project")
    shutil.copytree(os.path.join(samples, rig), folder)
    os.mkdir(os.path.join(folder, "pic"))
    pto = os.path.join(folder, rig + ".pto")
    if not crop:
        text = re.sub(r'^(p .*n"[^"]*?) r:CROP', r"\1", open(pto).read(), flags=re.M)
        open(pto, "w").write(text)
    run = subprocess.run([cli, "export", "--no-settings"] + mode.split() + [pto],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    # The remapper's progress lines depend on polling, and paths on the folder.
    lines = [l.replace(work.encode(), b"WORK") for l in run.stdout.splitlines()
             if not l.startswith(b"remapped ")]
    return folder, run.returncode, lines


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    old_bin, new_bin = sys.argv[1:3]
    samples = sys.argv[3] if len(sys.argv) > 3 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "samples")
    failed = 0
    for rig, crop, mode in CASES:
        name = f"{rig} {'cropped' if crop else 'full-canvas'} {mode}"
        with tempfile.TemporaryDirectory() as old_work, tempfile.TemporaryDirectory() as new_work:
            old, old_code, old_out = export(os.path.join(old_bin, "orvikjoint-cli"), samples, old_work,
                                   rig, crop, mode)
            new, new_code, new_out = export(os.path.join(new_bin, "orvikjoint-cli"), samples, new_work,
                                   rig, crop, mode)
            problems = [] if old_code == new_code else [f"exit codes {old_code} and {new_code}"]
            if old_out != new_out:
                problems.append("console output differs")
            # The settings file, where the build writes one.
            settings = [rig + ".orvik.json"] if any(
                os.path.exists(os.path.join(d, rig + ".orvik.json")) for d in (old, new)) else []
            same_files = ["Camera_2K_Project.tab", "Camera_4K_Project.tab"] + settings + [
                "pic/" + f for f in sorted(os.listdir(os.path.join(old, "pic")))]
            if sorted(os.listdir(os.path.join(old, "pic"))) != sorted(
                    os.listdir(os.path.join(new, "pic"))):
                problems.append("different debug images written")
            for f in same_files:
                a, b = os.path.join(old, f), os.path.join(new, f)
                if not (os.path.exists(a) and os.path.exists(b)):
                    problems.append(f"{f} written by one build only")
                elif not filecmp.cmp(a, b, shallow=False):
                    problems.append(f"{f} differs")
            qw_problems, unweighted = quickweave_differences(
                os.path.join(old, "QuickWeave_Projcet.tab"), os.path.join(new, "QuickWeave_Projcet.tab"))
            problems += qw_problems
            print(f"{name}: {'identical' if not problems else 'DIFFERENT'} "
                  f"({len(same_files)} files compared byte for byte; {unweighted} QuickWeave "
                  f"positions differ at weight-0 pixels)")
            for p in problems:
                print("  " + p)
            failed += bool(problems)
    sys.exit(1 if failed else 0)


main()
