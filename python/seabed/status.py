"""Status codes and their messages, as the library writes them into records
9 and 10 (the loaders and queries return only the code, so a client needs
the table to explain one). tests/test_cli.py checks it against the library's
own table through `seabed codes`."""

from __future__ import annotations

_OWN = {
    0: "",
    1: "",
    2: "Seabed file does not exist",
    3: "Failed to open seabed file",
    4: "Failed to close seabed file",
    5: "Failed to read seabed file",
    6: "Failed to write to seabed file",
    7: "Invalid seabed file",
    8: "Incompatible seabed file version",
    9: "Specified file is not a seabed file",
    10: "Specified seabed file is not a 2D seabed",
    11: "Specified seabed file is not a 3D seabed",
    12: "Insufficient memory available for allocation of seabed data",
    13: "Invalid interpolation type",
    14: "Y-values should be strictly increasing for 2D interpolation",
    15: "Failed to achieve convergence of gradient values",
    16: "Number of nodes insufficient for seabed interpolation",
    17: "The longest distance between input nodes is too small",
    18: "Distance between two input nodes in y-z plane is too small",
    19: "There are three adjacent input nodes collinear",
    44: "Three input nodes collinear or forming too small triangle",
    45: "Number of nodes in present triangulation is invalid",
}


def message(code: int) -> str:
    """The message of a status code, without the padding blanks; an empty
    string for 0 and 1, and a note for a code outside the table."""
    code = int(code)
    if code in _OWN:
        return _OWN[code]
    if 20 <= code <= 30:
        return f"Allocating Error: {code}"
    if 31 <= code <= 41:
        return f"Triangulating Error: {code}"
    if 42 <= code <= 43:
        return f"Interpolating Error: {code}"
    return f"unknown status {code}"


def table() -> list[tuple[int, str]]:
    """(code, message) for every defined code, 0..45."""
    return [(c, message(c)) for c in range(46)]
