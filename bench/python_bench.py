#!/usr/bin/python3
"""Speed of the Python package against the command line, in the same run.

1. ovalon.analyse_frames on a trajectory of F frames of 60 atoms against
   `ovalon-report --summary` on the same frames written as a file, with the same jobs:
   medians of alternating runs and their ratio (the package should take at most 1.2 times).
2. The cost that one ovalon.analyse call adds to the analysis: the median time of a call
   minus the median time per frame of analyse_frames on the same cage on one thread, which is
   the C++ analysis and the writing of its row (the addition should be at most 10 µs).

Usage: PYTHONPATH=build/python bench/python_bench.py [BUILD_DIR] [--frames F] [--jobs J]
"""

import argparse
import os
import statistics
import subprocess
import tempfile
import time

import numpy as np

import ovalon


def read_frames(path):
    lines = open(path).read().splitlines()
    frames, sigmas, at = [], [], 0
    while at < len(lines):
        count = int(lines[at])
        atoms = [line.split() for line in lines[at + 2:at + 2 + count]]
        frames.append([[float(v) for v in atom[1:4]] for atom in atoms])
        sigmas.append([[float(v) for v in atom[4:7]] for atom in atoms])
        at += 2 + count
    return np.array(frames), np.array(sigmas)


def median_time(run, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--frames", type=int, default=10000)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--repeats", type=int, default=5)
    args = parser.parse_args()
    report = os.path.join(args.build, "cli", "ovalon-report")
    generate = os.path.join(args.build, "examples", "ovalon-generate-trajectory")

    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "trajectory.xyz")
        subprocess.run([generate, "--frames", str(args.frames), path], check=True)
        frames, sigmas = read_frames(path)
        command = [report, "--summary", "--jobs", str(args.jobs), path]

        package, cli = [], []
        for _ in range(args.repeats):
            package.append(median_time(
                lambda: ovalon.analyse_frames(frames, sigmas, jobs=args.jobs), 1))
            cli.append(median_time(
                lambda: subprocess.run(command, stdout=subprocess.DEVNULL, check=True), 1))
        p, c = statistics.median(package), statistics.median(cli)
        print(f"analyse_frames, {args.frames} frames x 60 atoms, jobs {args.jobs}: "
              f"median {p * 1e3:.1f} ms; ovalon-report --summary: median {c * 1e3:.1f} ms; "
              f"ratio {p / c:.2f}")

    # Short batches of each, alternating, so that both see the same load of a shared machine;
    # the minimum of each is its cost with the least interference.
    cage, sigma = frames[0], sigmas[0]
    batch = 200
    block = np.repeat(cage[None], batch, axis=0)
    per_frame, per_call = [], []
    for _ in range(15 * args.repeats):
        per_frame.append(median_time(lambda: ovalon.analyse_frames(block, sigma, jobs=1), 1) / batch)
        per_call.append(median_time(lambda: [ovalon.analyse(cage, sigma) for _ in range(batch)], 1)
                        / batch)
    print(f"analyse: {min(per_call) * 1e6:.2f} µs a call (median {statistics.median(per_call) * 1e6:.2f}); "
          f"analyse_frames on one thread: {min(per_frame) * 1e6:.2f} µs a frame (median "
          f"{statistics.median(per_frame) * 1e6:.2f}); added by a call: "
          f"{(min(per_call) - min(per_frame)) * 1e6:.2f} µs (of the medians "
          f"{(statistics.median(per_call) - statistics.median(per_frame)) * 1e6:.2f} µs)")

if __name__ == "__main__":
    main()
