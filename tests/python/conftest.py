"""Fixtures of the package's tests: the command-line tools they compare against and the
example files."""

import os
import pathlib
import subprocess

import numpy as np
import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("OVALON_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
EXAMPLES = SOURCE_DIR / "examples"


def _tool(name):
    path = os.environ.get(name)
    if not path:
        pytest.skip(f"{name} is not set; the tests run through ctest")
    return path


@pytest.fixture(scope="session")
def report_command():
    """Runs ovalon-report with arguments; returns the CompletedProcess (text, UTF-8)."""
    path = _tool("OVALON_REPORT")

    def run(*args, input=None):
        return subprocess.run([path, *args], input=input, capture_output=True, check=False)

    return run


def read_frames(path):
    """The frames of an XYZ trajectory whose atom lines are "C x y z sx sy sz": (positions,
    sigmas), each F×N×3. Python's float() rounds correctly, as the summary's reader does."""
    positions, sigmas = [], []
    lines = path.read_text().splitlines()
    at = 0
    while at < len(lines):
        count = int(lines[at])
        atoms = [line.split() for line in lines[at + 2:at + 2 + count]]
        positions.append([[float(v) for v in atom[1:4]] for atom in atoms])
        sigmas.append([[float(v) for v in atom[4:7]] for atom in atoms])
        at += 2 + count
    return np.array(positions), np.array(sigmas)


@pytest.fixture(scope="session")
def c60_frames(tmp_path_factory):
    """A 40-frame example trajectory (σ = 0.005 Å): its path and (positions, sigmas)."""
    path = tmp_path_factory.mktemp("frames") / "c60_frames.xyz"
    subprocess.run([_tool("OVALON_GENERATE_TRAJECTORY"), "--frames", "40", "--seed", "3",
                    str(path)], check=True)
    return path, read_frames(path)
