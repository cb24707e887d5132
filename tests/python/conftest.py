"""Shared fixtures: the library (through the package), the command-line tool,
and generated seabeds. Tests that need an export the library does not have
yet are skipped with the name of the export."""

import os
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "python"))
# The tool runs in each test's own folder: give it an absolute library path.
if os.environ.get("SEABED_LIBRARY"):
    os.environ["SEABED_LIBRARY"] = str(Path(os.environ["SEABED_LIBRARY"]).resolve())

import seabed  # noqa: E402
from seabed import survey  # noqa: E402


@pytest.fixture(scope="session")
def lib():
    try:
        return seabed.library()
    except seabed.SeabedError as e:
        pytest.skip(str(e))


def need(lib, *names):
    """Skips the calling test unless the library exports every name."""
    missing = [n for n in names if not lib.has(n)]
    if missing:
        pytest.skip(f"the library does not export {', '.join(missing)} yet")


@pytest.fixture(scope="session")
def cli_path():
    env = os.environ.get("SEABED_CLI")
    candidates = [Path(env)] if env else [ROOT / "build" / "tools" / "cli" / "seabed",
                                          ROOT / "build" / "release" / "tools" / "cli" / "seabed"]
    for c in candidates:
        if c.exists():
            return c
    pytest.skip("the seabed command-line tool is not built")


@pytest.fixture
def run(cli_path, tmp_path):
    """Runs the tool in tmp_path; returns the CompletedProcess (text)."""

    def _run(*args, stdin=None):
        return subprocess.run([str(cli_path), *map(str, args)], cwd=tmp_path, input=stdin, capture_output=True,
                              text=True, timeout=120)

    return _run


def profile_grid():
    """A 2D profile whose coordinates are multiples of 1/4 below 2^12, so every
    difference of two of them is exact in float32 and the library's float
    interval lengths equal a double-precision peer's."""
    rng = np.random.default_rng(3)
    steps = rng.integers(4, 60, 80) * 0.25
    y = np.concatenate([[0.0], np.cumsum(steps)]).astype(np.float32)
    x = survey.elevation(y, np.full(y.size, 330.0)).astype(np.float32)
    return x, y


def survey_grid():
    """300 survey points whose coordinates are multiples of 1/64 below 1024 and
    elevations multiples of 1/1024 below 128: every difference of two of them
    is exact in float32, so the library's float edge vectors equal a double
    peer's and comparisons come down to double rounding."""
    x, y, z = survey.points_3d(count=300, seed=5)
    snap = lambda v, q: (np.round(v.astype(np.float64) * q) / q).astype(np.float32)  # noqa: E731
    return snap(x, 1024), snap(y, 64), snap(z, 64)


@pytest.fixture(scope="session")
def profile_file(lib, tmp_path_factory):
    need(lib, "seabed_generate", "load_seabed_2d")
    path = tmp_path_factory.mktemp("profile") / "profile.sbd"
    x, y = profile_grid()
    seabed.write_input_2d(path, x, y, notes="test profile")
    seabed.generate(path)
    return path


@pytest.fixture(scope="session")
def surface_file(lib, tmp_path_factory):
    need(lib, "seabed_generate", "load_seabed_3d")
    path = tmp_path_factory.mktemp("surface") / "surface.sbd"
    x, y, z = survey_grid()
    seabed.write_input_3d(path, x, y, z, spacing=40.0, notes="test surface")
    result = seabed.generate(path, check=False)
    if result.status == 9:
        pytest.skip("the library's seabed_generate does not build 3D seabeds yet (status 9)")
    if result.status != 0:
        pytest.fail(f"3D generation of the survey failed: {seabed.SeabedError(result.status)}")
    return path
