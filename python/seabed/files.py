"""Seabed files read and written directly, record by record.

A host writes the input part of a file itself (header, notes, record 8, the
node block) and calls seabed_generate; the loaders read only what queries
need. Everything else a generated file holds (triangles, sub-nodes, the
sampled profiles, the status record) is read here with numpy.

Records are 32 bytes; record n starts at byte 32 * (n - 1). Values are 4-byte
little-endian and blocks are packed eight values to a record from record 12
on, so a block is one contiguous run of bytes.

Node coordinates are stored as float32. The writers take float32 arrays as
they are and float64 arrays (numpy's default) rounded to the nearest float32,
which is what the library would read back either way; other dtypes are
refused rather than guessed at.
"""

from __future__ import annotations

import os
import tempfile
from dataclasses import dataclass, field
from pathlib import Path
from typing import Optional, Sequence

import numpy as np

from ._lib import PathLike

MAGIC = 0x0FF26702
STAMP = (1, 8, 4, 2, 7, 2015)
RECORD = 32
FIRST_DATA_RECORD = 12
TYPE_2D = 1
TYPE_3D = 2


def block_records(values: int) -> int:
    """Records taken by a block of `values` 4-byte values, computed as the
    library computes it: floor((values - 1) * 0.125) + 1 in float32. From
    16,777,224 values on this can exceed the exact integer count (values - 1
    rounds up to a multiple of 8), and the next block starts a record later."""
    if values <= 0:
        return 0
    return int(np.floor(np.float32(values - 1) * np.float32(0.125))) + 1


def _float32(array: np.ndarray, name: str) -> np.ndarray:
    """array as float32: float64 rounded to nearest, float32 unchanged."""
    if not isinstance(array, np.ndarray):
        raise TypeError(f"{name} must be a numpy array of float32 or float64, got {type(array).__name__}")
    if array.dtype not in (np.float32, np.float64):
        raise TypeError(f"{name} must have dtype float32 or float64, got {array.dtype.name} "
                        f"(convert explicitly, e.g. {name}.astype(np.float32))")
    if array.ndim != 1:
        raise ValueError(f"{name} must be 1-dimensional, got shape {array.shape}")
    return array.astype(np.float32)


def _note_records(notes):
    """Six 32-character records of free text."""
    text = "" if notes is None else str(notes)
    raw = text.encode("ascii", "replace")[: 6 * RECORD]
    return raw.ljust(6 * RECORD, b" ")


def input_bytes(kind: int, columns: Sequence[np.ndarray], spacing: float = 0.0, notes: Optional[str] = None) -> bytes:
    """The bytes of a seabed input file: record 1 (magic number), records 2
    to 7 (notes), record 8 (type, N, spacing), records 9 to 11 empty and the
    node block from record 12. columns: the per-node float32 arrays in file
    order, (X, Y) for 2D or (X, Y, Z) for 3D."""
    n = len(columns[0])
    if any(len(c) != n for c in columns):
        raise ValueError("the coordinate arrays differ in length: " + ", ".join(str(len(c)) for c in columns))
    out = bytearray(RECORD * (FIRST_DATA_RECORD - 1))
    out[0:4] = np.int32(MAGIC).astype("<i4").tobytes()
    out[RECORD: 7 * RECORD] = _note_records(notes)
    header = np.array([kind, n], dtype="<i4").tobytes() + np.array([spacing], dtype="<f4").tobytes()
    out[7 * RECORD: 7 * RECORD + 12] = header
    nodes = np.empty((n, len(columns)), dtype="<f4")
    for j, c in enumerate(columns):
        nodes[:, j] = c
    data = nodes.tobytes()
    out += data + bytes(block_records(nodes.size) * RECORD - len(data))
    return bytes(out)


def write_atomically(path: PathLike, data: bytes) -> None:
    """Writes data to path through a temporary file in the same folder, so a
    failure leaves path as it was."""
    path = Path(path)
    fd, tmp = tempfile.mkstemp(prefix=f".{path.name}.", dir=path.parent or ".")
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(tmp, 0o666 & ~umask)
        os.replace(tmp, path)
    except BaseException:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        raise


def write_input_2d(path: PathLike, x: np.ndarray, y: np.ndarray, notes: Optional[str] = None) -> None:
    """Writes a 2D seabed input file: elevations x and coordinates y, arrays
    of the same length, float32 or float64 (rounded to float32; y must still
    increase strictly after rounding for generation to succeed)."""
    columns = (_float32(x, "x"), _float32(y, "y"))
    write_atomically(path, input_bytes(TYPE_2D, columns, 0.0, notes))


def write_input_3d(path: PathLike, x: np.ndarray, y: np.ndarray, z: np.ndarray, spacing: float,
                   notes: Optional[str] = None) -> None:
    """Writes a 3D seabed input file: elevations x at horizontal positions
    (y, z), float32 or float64 arrays (rounded to float32), and the sub-node
    grid spacing (rounded to float32)."""
    columns = (_float32(x, "x"), _float32(y, "y"), _float32(z, "z"))
    write_atomically(path, input_bytes(TYPE_3D, columns, np.float32(spacing), notes))


@dataclass
class SeabedFile:
    """Everything a seabed file holds, as far as its records exist."""

    path: Path
    magic: int
    stamped: bool
    notes: list
    kind: int
    n: int
    spacing: float
    status: int = None
    message: str = None
    generated: bool = False
    nodes: np.ndarray = None  # (n, 2) X, Y or (n, 3) X, Y, Z
    counts: dict = field(default_factory=dict)
    # 2D results
    spline_samples: np.ndarray = None  # (m, 2) X, Y
    bessel_samples: np.ndarray = None
    spline_slopes: np.ndarray = None
    bessel_slopes: np.ndarray = None
    # 3D results
    triangles: np.ndarray = None  # (nt, 3), 1-based node numbers
    iadj: np.ndarray = None
    istart: np.ndarray = None
    subnodes: np.ndarray = None  # (ns, 3) X, Y, Z
    normals: np.ndarray = None  # (ns, 3)
    subtriangles: np.ndarray = None  # (nst, 3), 1-based
    gradients: np.ndarray = None  # (n, 2) dX/dY, dX/dZ
    problems: list = field(default_factory=list)

    @property
    def kind_name(self):
        return {TYPE_2D: "2D profile", TYPE_3D: "3D surface"}.get(self.kind, f"unknown type {self.kind}")


class _Reader:
    def __init__(self, data):
        self.data = data

    def has(self, record, values=1):
        return len(self.data) >= RECORD * (record - 1) + 4 * values

    def values(self, record, count, dtype):
        if count <= 0:
            return np.empty(0, dtype=dtype)
        if count > (1 << 28) or not self.has(record, count):
            return None
        return np.frombuffer(self.data, dtype=dtype, count=count, offset=RECORD * (record - 1)).astype(
            dtype[1:] if dtype.startswith("<") else dtype)


def read_file(path: PathLike) -> SeabedFile:
    """Reads a seabed file without the library. Raises OSError when the file
    cannot be read and ValueError when it is not a seabed file."""
    path = Path(path)
    data = path.read_bytes()
    r = _Reader(data)
    if not r.has(1):
        raise ValueError(f"{path}: empty file, not a seabed file")
    rec1 = np.frombuffer(data, dtype="<i4", count=min(7, len(data) // 4)).tolist()
    if rec1[0] != MAGIC:
        raise ValueError(f"{path}: record 1 starts with {rec1[0]:#010x}, not the magic number {MAGIC:#010x}")
    stamped = tuple(rec1[1:7]) == STAMP
    notes = []
    for rec in range(2, 8):
        raw = data[RECORD * (rec - 1): RECORD * rec]
        notes.append(raw.decode("latin-1").rstrip(" \0") if len(raw) == RECORD else "")
    if not r.has(8, 3):
        raise ValueError(f"{path}: record 8 (seabed header) is missing")
    kind, n = np.frombuffer(data, dtype="<i4", count=2, offset=7 * RECORD).tolist()
    spacing = float(np.frombuffer(data, dtype="<f4", count=1, offset=7 * RECORD + 8)[0])
    sf = SeabedFile(path, rec1[0], stamped, notes, kind, n, spacing)
    if r.has(10, 8):
        rec9 = data[8 * RECORD: 10 * RECORD]
        sf.status = rec9[0]
        sf.message = rec9[1:].decode("latin-1").rstrip(" \0")
    sf.generated = stamped and sf.status == 0
    comps = 2 if kind == TYPE_2D else 3
    if n < 0 or n > (1 << 24):
        sf.problems.append(f"node count {n} out of range")
        return sf
    nodes = r.values(FIRST_DATA_RECORD, comps * n, "<f4")
    if nodes is None:
        sf.problems.append("node block is truncated")
        return sf
    sf.nodes = nodes.reshape(n, comps)
    if not sf.generated or not r.has(11, 4):
        return sf
    rec = FIRST_DATA_RECORD + block_records(comps * n)
    if kind == TYPE_2D:
        m, m2 = np.frombuffer(data, dtype="<i4", count=2, offset=10 * RECORD).tolist()
        sf.counts = {"M": m}
        a = r.values(rec, 2 * m, "<f4")
        rec += block_records(2 * m)
        b = r.values(rec, 2 * m, "<f4")
        rec += block_records(2 * m)
        c = r.values(rec, n, "<f4")
        rec += block_records(n)
        d = r.values(rec, n, "<f4")
        if any(v is None for v in (a, b, c, d)):
            sf.problems.append("result blocks are truncated")
            return sf
        sf.spline_samples, sf.bessel_samples = a.reshape(m, 2), b.reshape(m, 2)
        sf.spline_slopes, sf.bessel_slopes = c, d
    elif kind == TYPE_3D:
        nt, ns, nst, nadj = np.frombuffer(data, dtype="<i4", count=4, offset=10 * RECORD).tolist()
        sf.counts = {"NT": nt, "NS": ns, "NST": nst, "NADJ": nadj}
        if min(nt, ns, nst, nadj) < 0:
            sf.problems.append("negative counts in record 11")
            return sf
        blocks = [("triangles", 3 * nt, "<i4"), ("iadj", nadj, "<i4"), ("istart", n, "<i4"),
                  ("subnodes", 3 * ns, "<f4"), ("normals", 3 * ns, "<f4"), ("subtriangles", 3 * nst, "<i4"),
                  ("gradients", 2 * n, "<f4")]
        got = {}
        for name, count, dtype in blocks:
            v = r.values(rec, count, dtype)
            if v is None:
                sf.problems.append(f"block {name} is truncated")
                return sf
            got[name] = v
            rec += block_records(count)
        sf.triangles = got["triangles"].reshape(nt, 3)
        sf.iadj, sf.istart = got["iadj"], got["istart"]
        sf.subnodes = got["subnodes"].reshape(ns, 3)
        sf.normals = got["normals"].reshape(ns, 3)
        sf.subtriangles = got["subtriangles"].reshape(nst, 3)
        sf.gradients = got["gradients"].reshape(n, 2)
    return sf
