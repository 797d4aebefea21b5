#!/usr/bin/python3
"""Runs fit_bench's least-squares case with its error estimate and the numpy peer fit one
after the other, and prints both medians and their ratio (the target is at most 0.5).

Usage: fit_vs_numpy.py FIT_BENCH [--repeats N]"""

import argparse
import json
import pathlib
import statistics
import subprocess
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import numpy_peer  # noqa: E402


def fit_bench_median(program, case, repeats):
    """The median wall time of one iteration of `case`, in microseconds."""
    out = subprocess.run(
        [program, f"--benchmark_filter=^{case}$", f"--benchmark_repetitions={repeats}",
         "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[runs[0]["time_unit"]]
    return statistics.median(b["real_time"] * scale for b in runs)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("fit_bench")
    parser.add_argument("--repeats", type=int, default=11)
    args = parser.parse_args()
    ours = fit_bench_median(args.fit_bench, "BM_LeastSquaresFitWithErrors", args.repeats)
    x, y, z = numpy_peer.cage()
    peer = numpy_peer.median_us(lambda: numpy_peer.fit(x, y, z), args.repeats, 2000)
    print(f"least-squares fit with errors (ovalon): {ours:8.2f} us")
    print(f"float64 fit, lstsq + eigh (numpy):      {peer:8.2f} us")
    print(f"ratio ovalon / numpy:                   {ours / peer:8.2f}  (target <= 0.5)")


if __name__ == "__main__":
    main()
