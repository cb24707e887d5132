"""seabed: the seabed library from Python.

The shared library is loaded with ctypes (see find_library for where it is
looked for) and its thirteen exported operations are called as a host calls
them, array descriptors included. Node data are float32 numpy arrays, or
float64 ones rounded to float32 on writing; query coordinates are float64.
Other dtypes are refused rather than converted silently. Interpolation kinds
are named as seabed.h names the loader types: 2D "linear", "bessel",
"spline"; 3D "linear", "cubic".

    import numpy as np, seabed
    seabed.write_input_3d("s.sbd", x, y, z, spacing=10.0)   # float32 or float64 arrays
    seabed.generate("s.sbd")
    with seabed.load_3d("s.sbd", "cubic") as s:
        elevation, normal, status = s.query(np.array([10.0]), np.array([20.0]))
"""

from ._lib import (EXPORTS, Desc1, Desc2, Library, MissingExport, SeabedError, find_library, library,
                   library_candidates, use_library)
from .files import SeabedFile, read_file, write_input_2d, write_input_3d
from .seabeds import (OUTSIDE, SUBNODE_LIMIT, GenerateResult, GenerationEstimate, Profile2D, Surface3D, TooLargeError,
                      check_size, create_test_file, estimate_3d, generate, load_2d, load_3d, open_seabed_file)
from .status import message

__all__ = [
    "EXPORTS", "Desc1", "Desc2", "Library", "MissingExport", "SeabedError", "find_library", "library",
    "library_candidates", "use_library",
    "SeabedFile", "read_file", "write_input_2d", "write_input_3d", "OUTSIDE", "GenerateResult", "Profile2D",
    "Surface3D", "create_test_file", "generate", "load_2d", "load_3d", "open_seabed_file", "message",
    "SUBNODE_LIMIT", "GenerationEstimate", "TooLargeError", "check_size", "estimate_3d",
]
