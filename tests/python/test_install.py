"""What installing the package changed: where the library is looked for on
either platform, the one lock around the non-re-entrant exports, float64
input rounded to float32, block counts as the library computes them, and
one version number."""

import ctypes
import re
import threading
from ctypes import byref, c_int32
from pathlib import Path

import numpy as np
import pytest

import seabed
from seabed import _lib
from seabed.files import block_records

ROOT = Path(__file__).resolve().parents[2]


@pytest.mark.parametrize("platform, installed, built", [
    ("linux", ["lib/libseabed.so.1", "lib64/libseabed.so.1", "lib/x86_64-linux-gnu/libseabed.so.1"],
     ["build/release/libseabed.so.1", "build/libseabed.so.1"]),
    ("win32", ["bin/seabed.dll", "seabed.dll"], ["build/windows/bin/seabed.dll"]),
])
def test_library_lookup_order(platform, installed, built):
    prefix, src = Path("/p"), Path("/src")
    found = _lib.library_candidates(platform, {}, prefix, src, "x86_64-linux-gnu")
    assert found == [prefix / p for p in installed] + [src / b for b in built]
    assert _lib.library_candidates(platform, {"SEABED_LIBRARY": "/x/lib"}, prefix, src) == [Path("/x/lib")]
    assert _lib.library_file_name(platform) == Path(installed[0]).name


def test_only_the_queries_run_unlocked(lib, tmp_path):
    # While another thread holds the lock, a query completes and a
    # non-re-entrant export waits for it.
    held, release = threading.Event(), threading.Event()

    def holder():
        with _lib._SERIAL:
            held.set()
            release.wait(10)

    profile = (ctypes.c_float * 4)(0.0, 1.0, 0.0, 10.0)
    name = str(tmp_path / "t.sbd").encode()
    calls = {"find_segment": (profile, byref(c_int32(2)), byref(ctypes.c_double(5.0)), byref(c_int32(0))),
             "seabed_create_test_file": (len(name), name, 1)}
    done = []
    workers = [threading.Thread(target=lambda k=k: (getattr(lib, k)(*calls[k]), done.append(k))) for k in calls]
    owner = threading.Thread(target=holder)
    owner.start()
    held.wait(10)
    for w in workers:
        w.start()
    workers[0].join(10)
    workers[1].join(0.3)
    assert done == ["find_segment"]
    release.set()
    for t in (owner, workers[1]):
        t.join(10)
    assert done == ["find_segment", "seabed_create_test_file"]


def test_float64_input_is_rounded_to_float32(tmp_path):
    y64 = np.array([0.1, 1.0 / 3.0, 2.7])
    seabed.write_input_2d(tmp_path / "a.sbd", np.zeros(3), y64)
    seabed.write_input_2d(tmp_path / "b.sbd", np.zeros(3, np.float32), y64.astype(np.float32))
    assert (tmp_path / "a.sbd").read_bytes() == (tmp_path / "b.sbd").read_bytes()


def test_block_records_in_float32_at_the_2_24_boundary():
    # Exact up to 2^24 values; 16,777,224 values (3D: 5,592,408 nodes) round
    # v - 1 up to a multiple of 8 and take one record more than the integer
    # count, and every later block moves with it.
    assert [block_records(v) for v in (0, 1, 8, 9, 1 << 24)] == [0, 1, 1, 2, 1 << 21]
    assert block_records(16_777_224) == 2_097_154 == (16_777_224 - 1) // 8 + 2
    assert block_records(3 * 5_592_408) == 2_097_154
    assert block_records(16_777_225) == 2_097_154 == (16_777_225 - 1) // 8 + 1


def test_one_version_number():
    cmake = re.search(r"project\(seabed VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)
    pyproject = re.search(r'^version = "([0-9.]+)"', (ROOT / "python/pyproject.toml").read_text(), re.M).group(1)
    assert cmake == pyproject
