"""Fixtures of the package's tests: the command-line tools they compare against and the
example files."""

import os
import pathlib
import subprocess

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


@pytest.fixture(scope="session")
def trajectory(tmp_path_factory):
    """The example trajectory of a vibrating C60: 200 frames with σ = 0.005 Å, frame 7 short
    of an atom (a cage-size row)."""
    path = tmp_path_factory.mktemp("trajectory") / "c60_trajectory.xyz"
    subprocess.run([_tool("OVALON_GENERATE_TRAJECTORY"), "--frames", "200", "--seed", "7",
                    "--drop-atom", "7", str(path)], check=True)
    return path
