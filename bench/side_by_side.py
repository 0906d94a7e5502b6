#!/usr/bin/env python3
"""Whole loads of the 1M-triangle tori beside their parse floor and assimp's
read, each in a fresh process, the minimum of RUNS runs (elapsed time; a busy
machine inflates every figure, so compare only the columns of one run).

    bench/side_by_side.py BENCH_DIR MODELS_DIR [RUNS]
"""
import json
import os
import subprocess
import sys

FILES = [  # file, text format (has a parse floor), assimp reads it
    ("torus-1000000.obj", True, True),
    ("torus-1000000-ascii.ply", True, True),
    ("torus-1000000.wrl", True, False),
    ("torus-1000000.stl", False, True),
    ("torus-1000000.ply", False, True),
    ("torus-1000000.glb", False, True),
    ("torus-1000000.3ds", False, True),
]


def last_json(command):
    out = subprocess.run(command, capture_output=True, text=True, check=False).stdout
    lines = [line for line in out.splitlines() if line.startswith("{")]
    return json.loads(lines[-1]) if lines else None


def best(command, key, runs):
    values = [r[key] for r in (last_json(command) for _ in range(runs)) if r and key in r]
    return min(values) if values else None


def main():
    bench, models = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    print(f"{'file':26} {'MB':>6} {'loadMs':>8} {'cpuMs':>7} {'floorMs':>8} {'x floor':>8} "
          f"{'assimpMs':>9} {'x assimp':>9} {'peak/file':>10}  digest")
    for name, text, assimp in FILES:
        path = os.path.join(models, name)
        if not os.path.exists(path):
            continue
        loads = [r for r in (last_json([os.path.join(bench, "mesh_load_once"), path]) for _ in range(runs)) if r]
        if not loads:
            print(f"{name:26} did not load")
            continue
        load = min(r["loadMs"] for r in loads)
        cpu = min(r["cpuMs"] for r in loads)
        peak = min(r["peakPerFile"] for r in loads)
        floor = best([os.path.join(bench, "parse_floor"), path, "1"], "floorMs", runs) if text else None
        peer = os.path.join(bench, "peer_read_once")
        theirs = best([peer, "assimp", path], "readMs", runs) if assimp and os.path.exists(peer) else None

        def cell(value, width, ratio=False):
            if value is None:
                return " " * (width - 1) + "-"
            return f"{value:{width}.2f}" if ratio else f"{value:{width}.0f}"

        print(f"{name:26} {loads[0]['fileMB']:6.1f} {cell(load, 8)} {cell(cpu, 7)} {cell(floor, 8)} "
              f"{cell(load / floor if floor else None, 8, True)} {cell(theirs, 9)} "
              f"{cell(load / theirs if theirs else None, 9, True)} {peak:10.2f}  {loads[0]['digest']}")


if __name__ == "__main__":
    main()
