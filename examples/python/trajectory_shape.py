#!/usr/bin/python3
"""Plots the semi-axes a, b and c of a cage against the frame, each with its ±σ band.

Reads a trajectory in the XYZ layout of ovalon-report --summary (atom lines "C x y z" or
"C x y z sx sy sz"; the cage is the frame's carbon atoms), analyses every frame with
ovalon.analyse_frames and writes a PNG. Needs matplotlib (Debian: python3-matplotlib).

Usage: trajectory_shape.py TRAJECTORY.xyz [OUTPUT.png]
   e.g. build/examples/ovalon-generate-trajectory --frames 300 c60.xyz
        examples/python/trajectory_shape.py c60.xyz c60_shape.png
"""

import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import ovalon  # noqa: E402


def read_cage_frames(path):
    """Positions and uncertainties of the carbon atoms of every frame: two F×N×3 arrays."""
    lines = open(path, encoding="utf-8").read().splitlines()
    positions, sigmas, at = [], [], 0
    while at < len(lines):
        if not lines[at].strip():
            at += 1
            continue
        count = int(lines[at])
        atoms = [line.split() for line in lines[at + 2:at + 2 + count]]
        cage = [atom for atom in atoms if atom[0] in ("C", "c")]
        positions.append([[float(v) for v in atom[1:4]] for atom in cage])
        sigmas.append([[float(v) for v in atom[4:7]] if len(atom) >= 7 else [0.0] * 3
                       for atom in cage])
        at += 2 + count
    return np.array(positions), np.array(sigmas)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    output = sys.argv[2] if len(sys.argv) == 3 else "trajectory_shape.png"
    positions, sigmas = read_cage_frames(sys.argv[1])
    table = ovalon.analyse_frames(positions, sigmas)
    frame = np.arange(len(positions))

    figure, axis = plt.subplots(figsize=(8, 4.5), dpi=120)
    for name, colour in (("a", "tab:red"), ("b", "tab:green"), ("c", "tab:blue")):
        value, sigma = table[name], table["sigma_" + name]
        axis.plot(frame, value, color=colour, linewidth=1, label=name)
        axis.fill_between(frame, value - sigma, value + sigma, color=colour, alpha=0.2,
                          linewidth=0)
    axis.set_xlabel("frame")
    axis.set_ylabel("semi-axis (Å)")
    axis.set_title("Semi-axes of the fitted ellipsoid, with their first-order ±σ")
    axis.legend(loc="upper right")
    figure.tight_layout()
    figure.savefig(output)
    print(f"{output}: {len(frame)} frames, "
          f"{int(np.sum(table['status'] == 'ok'))} analysed as ellipsoids")


if __name__ == "__main__":
    main()
