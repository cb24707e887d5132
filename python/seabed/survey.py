"""A deterministic synthetic survey for demonstrations: a seabed sloping down
towards +Y, a meandering channel and a mound, sampled at scattered points
(3D) and along one survey line (2D). Elevations are negative below the
datum; units are metres."""

from __future__ import annotations

from pathlib import Path
from typing import Sequence, Union

import numpy as np

EXTENT_Y = 1000.0
EXTENT_Z = 600.0


def elevation(y: np.ndarray, z: np.ndarray) -> np.ndarray:
    """The true seabed of the survey at horizontal positions (y, z)."""
    y = np.asarray(y, dtype=np.float64)
    z = np.asarray(z, dtype=np.float64)
    slope = -40.0 - 0.025 * y - 0.004 * z
    centre = 330.0 + 70.0 * np.sin(2.0 * np.pi * y / 800.0)
    channel = -7.0 * np.exp(-(((z - centre) / 45.0) ** 2))
    mound = 9.0 * np.exp(-((y - 700.0) ** 2 + (z - 150.0) ** 2) / (2.0 * 65.0 ** 2))
    return slope + channel + mound


def points_3d(count: int = 3000, seed: int = 7, noise: float = 0.05) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
    """(x, y, z) float32 arrays: count scattered soundings with measurement
    noise, the same for the same arguments."""
    rng = np.random.default_rng(seed)
    y = rng.uniform(0.0, EXTENT_Y, count)
    z = rng.uniform(0.0, EXTENT_Z, count)
    x = elevation(y, z) + rng.normal(0.0, noise, count)
    return x.astype(np.float32), y.astype(np.float32), z.astype(np.float32)


def line_2d(z: float = 330.0, step: float = 10.0, seed: int = 11,
            noise: float = 0.05) -> tuple[np.ndarray, np.ndarray]:
    """(x, y) float32 arrays: soundings every `step` metres along the survey
    line at the given z, with jitter in position and measurement noise."""
    rng = np.random.default_rng(seed)
    y = np.arange(0.0, EXTENT_Y + step / 2, step) + rng.uniform(-0.3, 0.3, int(EXTENT_Y / step) + 1) * step
    y = np.clip(np.sort(y), 0.0, EXTENT_Y)
    x = elevation(y, np.full_like(y, z)) + rng.normal(0.0, noise, y.size)
    return x.astype(np.float32), y.astype(np.float32)


def write_csv(path: Union[str, Path], columns: Sequence[np.ndarray], header: Sequence[str]) -> None:
    """Writes float columns as CSV with a header line."""
    data = np.column_stack([np.asarray(c, dtype=np.float64) for c in columns])
    np.savetxt(path, data, delimiter=",", header=",".join(header), comments="", fmt="%.4f")
