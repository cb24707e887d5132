"""Generation, loading and vectorised queries through the exported operations,
called exactly as a host calls them.

Interpolation kinds have one set of names, the loader types of seabed.h, used
for loading and for querying alike: 2D "linear", "bessel" or "spline" (cubic
with Bessel or spline slopes), 3D "linear" or "cubic". A seabed loaded with a
cubic kind answers queries of that kind and "linear" ones."""

from __future__ import annotations

import ctypes
import time
from ctypes import byref, c_double, c_int32, c_int64
from dataclasses import dataclass
from pathlib import Path
from typing import Any, Optional

import numpy as np

from . import batch
from ._lib import Desc1, Desc2, PathLike, SeabedError, library
from .files import SeabedFile, read_file

KINDS_2D = {"linear": 0, "bessel": 2, "spline": 3}
KINDS_3D = {"linear": 0, "cubic": 1}


def _query_kind(kind: Optional[str], loaded: str, kinds: dict, dims: str, needs: str) -> str:
    """The kind a query uses: the loaded one by default, or "linear"."""
    kind = kind or loaded
    if kind not in kinds:
        raise ValueError(f"{dims} interpolation must be one of {', '.join(kinds)}, got {kind!r}")
    if kind not in ("linear", loaded):
        raise SeabedError(0, f"a {kind} query needs the {kind} {needs}: load the seabed as {kind!r} "
                             f"(it was loaded as {loaded!r})")
    return kind
OUTSIDE = -3.4028234663852886e38  # elevation the 3D queries return outside the triangulation
_unit = 40  # units for the loaders' calls; any value works, the loaders close it again


def _name(path):
    raw = str(Path(path)).encode()
    return len(raw), raw


def _array(desc, dtype):
    """A copy of the array behind a loader's descriptor, honouring its extents
    and byte strides (element (i, j) at base + i*stride1 + j*stride2)."""
    if not desc.allocated:
        return None
    rank = desc.rank
    shape = tuple(desc.dim[k].extent for k in range(rank))
    strides = tuple(desc.dim[k].stride for k in range(rank))
    if any(e <= 0 for e in shape):
        return np.empty(shape, dtype=dtype)
    span = sum((e - 1) * s for e, s in zip(shape, strides)) + desc.elem_len
    buf = (ctypes.c_char * span).from_address(desc.base)
    return np.ndarray(shape, dtype=dtype, buffer=buf, strides=strides).copy()


def _points(values, name):
    if not isinstance(values, np.ndarray):
        values = np.asarray(values)
        if values.dtype.kind in "iu" or values.dtype == np.float64:
            values = values.astype(np.float64)
    if values.dtype != np.float64:
        raise TypeError(f"{name} must have dtype float64 (query coordinates are doubles), got {values.dtype.name} "
                        f"(convert explicitly, e.g. {name}.astype(np.float64))")
    return np.ascontiguousarray(values.reshape(-1))


@dataclass
class GenerateResult:
    status: int
    duplicates: int
    seconds: float


SUBNODE_LIMIT = 5e7  # sub-nodes a generation may ask for unless forced
BYTES_PER_SUBNODE = 48  # a sub-node, its normal and about two sub-node triangles in the file


class TooLargeError(ValueError):
    """A 3D generation would exceed the sub-node limit; the message names a spacing that fits."""


def _grid_points(extent_y, extent_z, spacing):
    """Sub-node grid points over the extents, as the library counts them (at least 2 per axis)."""
    def axis(r):
        with np.errstate(all="ignore"):
            q = np.floor(np.float32(r) / np.float32(spacing))
        return max(int(q) + 1, 2) if np.isfinite(q) and q >= 0 else float("inf")
    return axis(extent_y) * axis(extent_z)


@dataclass
class GenerationEstimate:
    """At most what a 3D generation produces: the grid over the nodes' extent, and the file."""

    subnodes: float
    file_bytes: float
    fitting_spacing: float  # the smallest spacing (3 significant digits) within the limit


def estimate_3d(path: PathLike, limit: float = SUBNODE_LIMIT) -> "GenerationEstimate | None":
    """The estimate for the 3D input at path; None for a 2D or nodeless file."""
    sf = read_file(path)
    if sf.kind != 2 or sf.nodes is None or len(sf.nodes) == 0:
        return None
    yz = sf.nodes[:, 1:3].astype(np.float64)
    ext_y, ext_z = (float(v) for v in np.nanmax(yz, axis=0) - np.nanmin(yz, axis=0))
    count = _grid_points(ext_y, ext_z, sf.spacing)
    fit = float(np.sqrt(max(ext_y, 1e-30) * max(ext_z, 1e-30) / limit))
    while _grid_points(ext_y, ext_z, float(f"{fit:.3g}")) > limit:
        fit *= 1.001
    return GenerationEstimate(count, 4 * 19 * sf.n + BYTES_PER_SUBNODE * count, float(f"{fit:.3g}"))


def check_size(path: PathLike, force: bool = False, limit: float = SUBNODE_LIMIT) -> "GenerationEstimate | None":
    """Raises TooLargeError when the 3D input at path asks for more than limit
    sub-nodes, unless force; returns the estimate (None for 2D files)."""
    est = estimate_3d(path, limit)
    if est is not None and est.subnodes > limit and not force:
        raise TooLargeError(
            f"{path}: the spacing asks for about {est.subnodes:.3g} sub-nodes and a {est.file_bytes / 1e9:.3g} GB "
            f"file, over the limit of {limit:.3g} sub-nodes; spacing {est.fitting_spacing:g} would fit "
            f"(or force the generation)")
    return est


def generate(path: PathLike, check: bool = True, force: bool = False, limit: float = SUBNODE_LIMIT) -> GenerateResult:
    """Runs seabed_generate on a host-written seabed file. Raises SeabedError
    with the returned status unless it is 0 (or check is False). A 3D input
    whose sub-node grid would exceed limit is refused with TooLargeError
    before anything runs, unless force."""
    check_size(path, force, limit)
    lib = library()
    length, raw = _name(path)
    status, duplicates = c_int32(-1), c_int32(-1)
    start = time.perf_counter()
    lib.seabed_generate(length, raw, byref(status), byref(duplicates))
    result = GenerateResult(status.value, duplicates.value, time.perf_counter() - start)
    if check and result.status != 0:
        raise SeabedError(result.status, context=f"seabed_generate {path}")
    return result


def create_test_file(path: PathLike, kind: int) -> None:
    """seabed_create_test_file: kind 1 (fixed four-point profile) or 2 (random
    3D nodes; every call in a process draws another seabed)."""
    length, raw = _name(path)
    library().seabed_create_test_file(length, raw, int(kind))


def open_seabed_file(path: PathLike, unit: int = _unit) -> int:
    """open_seabed_file; returns the status (the file is left open on unit)."""
    length, raw = _name(path)
    status = c_int32(-1)
    library().open_seabed_file(length, raw, byref(c_int32(unit)), byref(status))
    return status.value


class _Loaded:
    """A loaded seabed: its arrays belong to the library until close()."""

    _lib = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:
            pass

    def _live(self):
        if self._lib is None:
            raise SeabedError(0, "the seabed was closed")
        return self._lib


class Profile2D(_Loaded):
    """A loaded 2D seabed. profile and slopes are the library's arrays, kept
    until close(); x, y and slopes are numpy copies."""

    def __init__(self, path: PathLike, kind: str = "spline", unit: int = _unit):
        if kind not in KINDS_2D:
            raise ValueError(f"2D interpolation must be one of {', '.join(KINDS_2D)}, got {kind!r}")
        self._lib = library()
        self.path, self.kind = Path(path), kind
        self._profile, self._slopes = Desc2(), Desc1()
        self.memory = c_int64(0)
        length, raw = _name(path)
        n, status = c_int32(0), c_int32(-1)
        self._lib.load_seabed_2d(byref(c_int32(length)), raw, byref(c_int32(unit)), byref(c_int32(KINDS_2D[kind])),
                                 byref(n), byref(self._profile), byref(self._slopes), byref(self.memory),
                                 byref(status))
        if status.value != 0:
            self.close()
            raise SeabedError(status.value, context=f"load_seabed_2d {path}")
        self.n = n.value
        profile = _array(self._profile, np.float32)
        self.x, self.y = profile[:, 0], profile[:, 1]
        self.slopes = _array(self._slopes, np.float32)

    def close(self) -> None:
        if self._lib is not None:
            self._lib.free_seabed_2d(byref(self._profile), byref(self._slopes))
            self._lib = None

    def find_segment(self, y: Any, hint: int = 0) -> np.ndarray:
        """Segment codes of the coordinates y (1 left, n+1 at or right of the last node)."""
        lib = self._live()
        ys = _points(y, "y")
        out = np.empty(ys.size, dtype=np.int32)
        n, yy, seg = c_int32(self.n), c_double(), c_int32(hint)
        for k, v in enumerate(ys):
            yy.value = v
            lib.find_segment(self._profile.base, byref(n), byref(yy), byref(seg))
            out[k] = seg.value
        return out

    def query(self, y: Any, kind: Optional[str] = None) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """Elevation, slope dX/dY and segment code at each y (float64). kind:
        the loaded kind (default) or 'linear'. The slope is NaN outside the
        profile, where the library leaves it alone."""
        lib = self._live()
        ys = _points(y, "y")
        method = _query_kind(kind, self.kind, KINDS_2D, "2D", "slopes")
        x = np.empty(ys.size)
        slope = np.empty(ys.size)
        seg_out = np.empty(ys.size, dtype=np.int32)
        n, yy, xx, ss, seg = c_int32(self.n), c_double(), c_double(), c_double(), c_int32(0)
        for k, v in enumerate(ys):
            yy.value, ss.value = v, np.nan
            if method == "linear":
                lib.interpolate_2d_linear(byref(yy), byref(n), self._profile.base, byref(xx), byref(ss), byref(seg))
            else:
                lib.interpolate_2d_cubic(byref(yy), byref(n), self._profile.base, self._slopes.base, byref(xx),
                                         byref(ss), byref(seg))
            x[k], slope[k], seg_out[k] = xx.value, ss.value, seg.value
        return x, slope, seg_out

    def query_many(self, y: Any, kind: Optional[str] = None) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """As query(), in one call to the batch library: sorted points carry
        the segment from one to the next, others bisect (hint 0)."""
        self._live()
        ys = _points(y, "y")
        method = _query_kind(kind, self.kind, KINDS_2D, "2D", "slopes")
        linear = method == "linear"
        return batch.query_2d("linear" if linear else "cubic", ys, self.n, self._profile.base,
                              None if linear else self._slopes.base)


class Surface3D(_Loaded):
    """A loaded 3D seabed. nodes (n x 3: X, Y, Z), iadj, istart and, for the
    cubic kind, gradients (n x 2) are numpy copies of the library's arrays."""

    def __init__(self, path: PathLike, kind: str = "cubic", unit: int = _unit):
        if kind not in KINDS_3D:
            raise ValueError(f"3D interpolation must be one of {', '.join(KINDS_3D)}, got {kind!r}")
        self._lib = library()
        self.path, self.kind = Path(path), kind
        self._nodes, self._grad, self._iadj, self._istart = Desc2(), Desc2(), Desc1(), Desc1()
        self.memory = c_int64(0)
        length, raw = _name(path)
        n, nt, nadj, status = c_int32(0), c_int32(0), c_int32(0), c_int32(-1)
        self._lib.load_seabed_3d(byref(c_int32(length)), raw, byref(c_int32(unit)), byref(c_int32(KINDS_3D[kind])),
                                 byref(n), byref(nt), byref(nadj), byref(self._nodes), byref(self._grad),
                                 byref(self._iadj), byref(self._istart), byref(self.memory), byref(status))
        if status.value != 0:
            self.close()
            raise SeabedError(status.value, context=f"load_seabed_3d {path}")
        self.n, self.nt, self.nadj = n.value, nt.value, nadj.value
        self.nodes = _array(self._nodes, np.float32)
        self.iadj = _array(self._iadj, np.int32)
        self.istart = _array(self._istart, np.int32)
        g = _array(self._grad, np.float32)
        self.gradients = None if g is None else g.T.copy()

    _prepared = None  # the batch library's copy of the arrays, made on first query_many

    def close(self) -> None:
        if self._prepared is not None:
            self._prepared.free()
            self._prepared = None
        if self._lib is not None:
            self._lib.free_seabed_3d(byref(self._nodes), byref(self._grad), byref(self._iadj), byref(self._istart))
            self._lib = None

    def triangles(self) -> np.ndarray:
        """The stored triangles (1-based, counter-clockwise), read from the file:
        loading does not return them."""
        return read_file(self.path).triangles

    def find_triangle(self, y: Any, z: Any) -> np.ndarray:
        """(k, 3) int32 triangles holding each (y, z): i1 = -1 outside."""
        lib = self._live()
        ys, zs = _points(y, "y"), _points(z, "z")
        if ys.size != zs.size:
            raise ValueError(f"y and z differ in length: {ys.size} and {zs.size}")
        out = np.empty((ys.size, 3), dtype=np.int32)
        n, nadj = c_int32(self.n), c_int32(self.nadj)
        yy, zz, i1, i2, i3 = c_double(), c_double(), c_int32(0), c_int32(0), c_int32(0)
        for k in range(ys.size):
            yy.value, zz.value = ys[k], zs[k]
            lib.find_triangle(byref(yy), byref(zz), byref(n), byref(nadj), byref(self._nodes), byref(self._iadj),
                              byref(self._istart), byref(i1), byref(i2), byref(i3))
            out[k] = (i1.value, i2.value, i3.value)
        return out

    def query(self, y: Any, z: Any, kind: Optional[str] = None,
              raw: bool = False) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """Elevation (k), unit normal (k x 3: X, Y, Z components) and status
        (k) at each (y, z), float64. kind: the loaded kind (default) or
        'linear'. Outside, the elevation is NaN (the library's OUTSIDE with
        raw=True) and the normal (1, 0, 0); see inside()."""
        lib = self._live()
        ys, zs = _points(y, "y"), _points(z, "z")
        if ys.size != zs.size:
            raise ValueError(f"y and z differ in length: {ys.size} and {zs.size}")
        method = _query_kind(kind, self.kind, KINDS_3D, "3D", "gradients")
        x = np.empty(ys.size)
        normal = np.empty((ys.size, 3))
        status_out = np.empty(ys.size, dtype=np.int32)
        n, nadj = c_int32(self.n), c_int32(self.nadj)
        yy, zz, xx = c_double(), c_double(), c_double()
        nn = (c_double * 3)()
        start, status = c_int32(0), c_int32(0)
        for k in range(ys.size):
            yy.value, zz.value = ys[k], zs[k]
            nn[0] = nn[1] = nn[2] = np.nan
            if method == "linear":
                lib.interpolate_3d_linear(byref(yy), byref(zz), byref(n), byref(nadj), self._nodes.base,
                                          self._iadj.base, self._istart.base, byref(xx), nn, byref(start),
                                          byref(status))
            else:
                lib.interpolate_3d_cubic(byref(yy), byref(zz), byref(n), byref(nadj), self._nodes.base,
                                         self._iadj.base, self._istart.base, self._grad.base, byref(xx), nn,
                                         byref(start), byref(status))
            x[k], status_out[k] = xx.value, status.value
            normal[k] = nn[0], nn[1], nn[2]
        if not raw:
            x[x <= OUTSIDE] = np.nan
        return x, normal, status_out

    def query_many(self, y: Any, z: Any, kind: Optional[str] = None, threads: int = 1,
                   raw: bool = False) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """As query(), in one call to the batch library. Each point starts
        its walk at a node of a grid over the seabed, a step or two from its
        triangle, or, when it lies within a grid cell of the point before,
        at the nearest vertex of that point's triangle (points in raster
        order walk a step); the results equal the exports' for those start
        nodes. The first call prepares the seabed for batches (about 60
        bytes a node, kept until close)."""
        self._live()
        ys, zs = _points(y, "y"), _points(z, "z")
        if ys.size != zs.size:
            raise ValueError(f"y and z differ in length: {ys.size} and {zs.size}")
        method = _query_kind(kind, self.kind, KINDS_3D, "3D", "gradients")
        if self._prepared is None:
            self._prepared = batch.Prepared(self.n, self.nadj, self._nodes.base, self._iadj.base, self._istart.base,
                                            self._grad.base)
        x, normal, status = batch.query_3d(self._prepared, method, ys, zs, threads)
        if not raw:
            x[x <= OUTSIDE] = np.nan
        return x, normal, status

    @staticmethod
    def inside(x: Any) -> np.ndarray:
        """Where a queried elevation lies on the seabed (neither NaN nor the outside marker)."""
        return np.asarray(x) > OUTSIDE

    @staticmethod
    def gradient(normal: Any) -> np.ndarray:
        """(dX/dY, dX/dZ) from unit normals (1, -dX/dY, -dX/dZ) / norm."""
        normal = np.asarray(normal)
        return np.stack([-normal[:, 1] / normal[:, 0], -normal[:, 2] / normal[:, 0]], axis=1)


def load_2d(path: PathLike, kind: str = "spline") -> Profile2D:
    """load_seabed_2d; kind 'linear', 'bessel' or 'spline'."""
    return Profile2D(path, kind)


def load_3d(path: PathLike, kind: str = "cubic") -> Surface3D:
    """load_seabed_3d; kind 'linear' or 'cubic'."""
    return Surface3D(path, kind)
