"""The package refuses a 3D generation whose sub-node grid is too large before
anything runs, names a spacing that fits, and generates when forced."""

import numpy as np
import pytest

import seabed


def _triangle(path, spacing):
    x = np.zeros(3, np.float32)
    seabed.write_input_3d(path, x, np.array([0, 1000, 0], np.float32), np.array([0, 0, 1000], np.float32), spacing)


@pytest.mark.parametrize("spacing, limit, refused", [(0.1, seabed.SUBNODE_LIMIT, True), (50.0, 1e3, False),
                                                     (20.0, 1e3, True)])
def test_limit_and_fitting_spacing(tmp_path, spacing, limit, refused):
    path = tmp_path / "s.sbd"
    _triangle(path, spacing)
    before = path.read_bytes()
    if not refused:
        assert seabed.generate(path, limit=limit).status == 0
        return
    with pytest.raises(seabed.TooLargeError, match="would fit") as e:
        seabed.generate(path, limit=limit)
    assert path.read_bytes() == before
    fit = seabed.estimate_3d(path, limit).fitting_spacing
    assert f"spacing {fit:g} would fit" in str(e.value)
    _triangle(path, fit)
    est = seabed.estimate_3d(path, limit)
    assert limit / 2 < est.subnodes <= limit
    if limit < 1e6:
        assert seabed.generate(path, limit=limit).status == 0
        _triangle(path, spacing)
        assert seabed.generate(path, limit=limit, force=True).status == 0


def test_cli_refuses_and_names_the_spacing(tmp_path):
    import os
    import subprocess
    path = tmp_path / "s.sbd"
    _triangle(path, 0.1)
    before = path.read_bytes()
    run = subprocess.run([os.environ["SEABED_CLI"], "generate", str(path)], capture_output=True, text=True)
    assert run.returncode == 1 and "spacing 0.142 would fit" in run.stderr
    assert path.read_bytes() == before
