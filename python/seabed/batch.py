"""Many points in one call: the companion library libseabed_batch (built
beside libseabed) loops over numpy arrays in C++ with the query code of the
exports. Used by Surface3D.query_many and Profile2D.query_many."""

import ctypes
import os
from ctypes import POINTER, c_double, c_float, c_int32, c_int64, c_void_p
from pathlib import Path

import numpy as np

from ._lib import SeabedError, library

_f64p, _f32p, _i32p = POINTER(c_double), POINTER(c_float), POINTER(c_int32)
_SIGNATURES = {
    "seabed_batch_prepare_3d": ([c_int32, c_int32, c_void_p, c_void_p, c_void_p, c_void_p, c_int32], c_void_p),
    "seabed_batch_free_3d": ([c_void_p], None),
    "seabed_batch_3d": ([c_void_p, c_int32, c_int64, _f64p, _f64p, _f64p, _f64p, _i32p, _i32p, _i32p, c_int32],
                        c_int32),
    "seabed_batch_2d": ([c_int32, c_int64, _f64p, c_int32, c_void_p, c_void_p, _f64p, _f64p, _i32p], c_int32),
}
_lib = None


def batch_library():
    """libseabed_batch from SEABED_BATCH_LIBRARY, else beside libseabed."""
    global _lib
    if _lib is None:
        name = "seabed_batch.dll" if os.name == "nt" else "libseabed_batch.so"
        path = Path(os.environ.get("SEABED_BATCH_LIBRARY") or library().path.with_name(name))
        try:
            dll = ctypes.CDLL(str(path))
        except OSError as e:
            raise SeabedError(0, f"cannot load the batch library {path}: {e}") from None
        for fn, (args, res) in _SIGNATURES.items():
            getattr(dll, fn).argtypes, getattr(dll, fn).restype = args, res
        _lib = dll
    return _lib


def _out(array):
    return array.ctypes.data_as(POINTER(np.ctypeslib.as_ctypes_type(array.dtype)))


class Prepared:
    """One loaded 3D seabed prepared for batches (seabed_batch_prepare_3d):
    its start-node grid and a copy of its arrays laid out for many queries."""

    def __init__(self, n, nadj, nodes_base, iadj_base, istart_base, gradients_base):
        self._lib = batch_library()
        self.handle = self._lib.seabed_batch_prepare_3d(n, nadj, nodes_base, iadj_base, istart_base, gradients_base,
                                                        1)
        if not self.handle:
            raise SeabedError(12, context="seabed_batch_prepare_3d")

    def free(self):
        if self.handle:
            self._lib.seabed_batch_free_3d(self.handle)
            self.handle = None


def query_3d(prepared, method, ys, zs, threads=1):
    """Elevations, unit normals (k x 3) and statuses, as Surface3D.query."""
    x = np.empty(ys.size)
    normal = np.full((ys.size, 3), np.nan)
    status = np.empty(ys.size, dtype=np.int32)
    rc = batch_library().seabed_batch_3d(prepared.handle, 1 if method == "cubic" else 0, ys.size, _out(ys), _out(zs),
                                         _out(x), _out(normal), _out(status), None, None, int(threads))
    if rc != 0:
        raise SeabedError(12, context="seabed_batch_3d")
    return x, normal, status


def query_2d(method, ys, n, profile, slopes):
    """Elevations, slopes (NaN outside) and segment codes, as Profile2D.query."""
    x = np.empty(ys.size)
    slope = np.full(ys.size, np.nan)
    segment = np.empty(ys.size, dtype=np.int32)
    rc = batch_library().seabed_batch_2d(1 if method == "cubic" else 0, ys.size, _out(ys), n, profile, slopes,
                                         _out(x), _out(slope), _out(segment))
    if rc != 0:
        raise SeabedError(12, context="seabed_batch_2d")
    return x, slope, segment
