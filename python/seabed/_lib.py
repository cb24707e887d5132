"""The shared library as a host sees it: loaded with ctypes, every operation
looked up by name and called with the argument types of include/seabed.h."""

from __future__ import annotations

import ctypes
import os
import sys
import sysconfig
import threading
from ctypes import POINTER, c_char_p, c_double, c_int32, c_int64, c_void_p
from pathlib import Path
from typing import Any, Callable, Mapping, Optional, Union

from .status import message

EXPORTS = (
    "seabed_generate",
    "open_seabed_file",
    "load_seabed_2d",
    "load_seabed_3d",
    "free_seabed_2d",
    "free_seabed_3d",
    "seabed_create_test_file",
    "find_segment",
    "interpolate_2d_linear",
    "interpolate_2d_cubic",
    "find_triangle",
    "interpolate_3d_linear",
    "interpolate_3d_cubic",
)


class SeabedError(Exception):
    """A failed operation: code is the library's status code (1..45), or 0
    for a failure of this package itself (bad arguments, missing export)."""

    def __init__(self, code: int, message_text: Optional[str] = None, context: Optional[str] = None):
        self.code = int(code)
        self.message = message_text if message_text is not None else message(self.code)
        self.context = context
        text = f"status {self.code}: {self.message}" if self.code else self.message
        super().__init__(f"{context}: {text}" if context else text)


class MissingExport(SeabedError):
    """The loaded library does not export an operation this call needs."""

    def __init__(self, name: str, path: Union[str, Path]):
        self.name = name
        super().__init__(0, f"the library {path} does not export {name}")


class Dim(ctypes.Structure):
    _fields_ = [("extent", c_int64), ("stride", c_int64), ("lower_bound", c_int64)]


class _DescBase(ctypes.Structure):
    @property
    def allocated(self):
        return bool(self.base) and bool(self.flags & 1)


def _desc_fields(rank):
    return [
        ("base", c_void_p),
        ("elem_len", c_int64),
        ("offset", c_int64),
        ("flags", c_int64),
        ("rank", c_int64),
        ("reserved", c_int64),
        ("dim", Dim * rank),
    ]


class Desc1(_DescBase):
    """seabed_desc1 of seabed.h (72 bytes)."""

    _fields_ = _desc_fields(1)


class Desc2(_DescBase):
    """seabed_desc2 of seabed.h (96 bytes)."""

    _fields_ = _desc_fields(2)


assert ctypes.sizeof(Desc1) == 72 and ctypes.sizeof(Desc2) == 96 and Desc2.dim.offset == 48

_i32 = POINTER(c_int32)
_i64 = POINTER(c_int64)
_f64 = POINTER(c_double)
_d1 = POINTER(Desc1)
_d2 = POINTER(Desc2)

# Argument types, exactly as declared in seabed.h (arrays of the plain-array
# operations are passed as addresses).
_SIGNATURES = {
    "seabed_generate": [c_int32, c_char_p, _i32, _i32],
    "open_seabed_file": [c_int32, c_char_p, _i32, _i32],
    "load_seabed_2d": [_i32, c_char_p, _i32, _i32, _i32, _d2, _d1, _i64, _i32],
    "load_seabed_3d": [_i32, c_char_p, _i32, _i32, _i32, _i32, _i32, _d2, _d2, _d1, _d1, _i64, _i32],
    "free_seabed_2d": [_d2, _d1],
    "free_seabed_3d": [_d2, _d2, _d1, _d1],
    "seabed_create_test_file": [c_int32, c_char_p, c_int32],
    "find_segment": [c_void_p, _i32, _f64, _i32],
    "interpolate_2d_linear": [_f64, _i32, c_void_p, _f64, _f64, _i32],
    "interpolate_2d_cubic": [_f64, _i32, c_void_p, c_void_p, _f64, _f64, _i32],
    "find_triangle": [_f64, _f64, _i32, _i32, _d2, _d1, _d1, _i32, _i32, _i32],
    "interpolate_3d_linear": [_f64, _f64, _i32, _i32, c_void_p, c_void_p, c_void_p, _f64, _f64, _i32, _i32],
    "interpolate_3d_cubic": [_f64, _f64, _i32, _i32, c_void_p, c_void_p, c_void_p, c_void_p, _f64, _f64, _i32,
                             _i32],
}


# Every export but the queries uses library-wide state (file units, record
# buffers, the random generator): calls of those must not overlap. This lock,
# the only one in the package, serialises them for every thread of the
# process; the queries stay unlocked and run concurrently.
QUERIES = frozenset({"find_segment", "interpolate_2d_linear", "interpolate_2d_cubic", "find_triangle",
                     "interpolate_3d_linear", "interpolate_3d_cubic"})
_SERIAL = threading.RLock()


def _serialised(fn: Callable[..., Any]) -> Callable[..., Any]:
    def call(*args: Any) -> Any:
        with _SERIAL:
            return fn(*args)
    return call


PathLike = Union[str, "os.PathLike[str]"]


def _source_root() -> Optional[Path]:
    """The checkout this package runs from, when it runs from one."""
    root = Path(__file__).resolve().parents[2]
    return root if (root / "include" / "seabed.h").exists() and (root / "CMakeLists.txt").exists() else None


def library_file_name(platform: str = sys.platform) -> str:
    """The name the system loader knows the library by."""
    return "seabed.dll" if platform.startswith("win") else "libseabed.so.1"


def library_candidates(platform: str = sys.platform, environ: Mapping[str, str] = os.environ,
                       prefix: PathLike = sys.prefix, source_root: Optional[Path] = None,
                       multiarch: Optional[str] = sysconfig.get_config_var("MULTIARCH")) -> list[Path]:
    """Where the library is looked for, in order: SEABED_LIBRARY alone when
    set; else the installed prefix (the Python prefix: bin/ on Windows, lib/
    on Linux), then the build trees of this checkout. The parameters exist so
    that either platform's search can be checked on any machine."""
    env = environ.get("SEABED_LIBRARY")
    if env:
        return [Path(env)]
    name = library_file_name(platform)
    prefix = Path(prefix)
    if platform.startswith("win"):
        found = [prefix / "bin" / name, prefix / name]
    else:
        libdirs = ["lib", "lib64"] + ([f"lib/{multiarch}"] if multiarch else [])
        found = [prefix / d / name for d in libdirs]
    root = source_root if source_root is not None else _source_root()
    if root is not None:
        builds = ["build/windows/bin"] if platform.startswith("win") else ["build/release", "build"]
        found += [root / b / name for b in builds]
    return found


def find_library() -> str:
    """The library to load: SEABED_LIBRARY when set, else the first candidate
    that exists, else the bare file name for the system loader to search."""
    candidates = library_candidates()
    if os.environ.get("SEABED_LIBRARY"):
        return str(candidates[0])
    return next((str(p) for p in candidates if p.exists()), library_file_name())


class Library:
    """The loaded shared library. Operations are attributes named as in
    seabed.h; an operation the library lacks raises MissingExport when used."""

    def __init__(self, path: Optional[PathLike] = None):
        self.path = Path(path if path is not None else find_library())
        try:
            self._dll = ctypes.CDLL(str(self.path))
        except OSError as e:
            hint = "" if path is not None else (
                f" (looked in {', '.join(map(str, library_candidates()))}, then the system loader's path); "
                "install it, build it (cmake --build build/release) or set SEABED_LIBRARY")
            raise SeabedError(0, f"cannot load the seabed library {self.path}: {e}{hint}") from None
        self._fns: dict[str, Callable[..., Any]] = {}
        for name in EXPORTS:
            try:
                fn = getattr(self._dll, name)
            except AttributeError:
                continue
            fn.argtypes = _SIGNATURES[name]
            fn.restype = None
            self._fns[name] = fn if name in QUERIES else _serialised(fn)

    def has(self, name: str) -> bool:
        return name in self._fns

    def missing(self) -> list[str]:
        return [name for name in EXPORTS if name not in self._fns]

    def __getattr__(self, name: str) -> Callable[..., Any]:
        if name in _SIGNATURES:
            fn = self.__dict__.get("_fns", {}).get(name)
            if fn is None:
                raise MissingExport(name, self.path)
            return fn
        raise AttributeError(name)


_default: Optional[Library] = None


def library() -> Library:
    """The library this process uses (loaded on first use)."""
    global _default
    if _default is None:
        _default = Library()
    return _default


def use_library(path: PathLike) -> Library:
    """Loads the library at path and makes it the one this process uses."""
    global _default
    _default = Library(path)
    return _default
