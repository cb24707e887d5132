"""The Python package against the library: round trips through the exports,
descriptor layout, error reporting and dtype checks."""

import ctypes

import numpy as np
import pytest

import seabed
from conftest import need, profile_grid, survey_grid


def test_descriptor_structures_match_the_header():
    assert ctypes.sizeof(seabed.Desc1) == 72 and ctypes.sizeof(seabed.Desc2) == 96
    assert seabed.Desc2.dim.offset == 48 and seabed.Desc1.base.offset == 0 and seabed.Desc1.rank.offset == 32


def test_input_file_layout(tmp_path):
    # Seven nodes of three values: 21 values in records 12..14, the last holding 5.
    x = np.arange(7, dtype=np.float32)
    seabed.write_input_3d(tmp_path / "in.sbd", x, x + 10, x * 2 + 1, spacing=0.5, notes="hello")
    raw = (tmp_path / "in.sbd").read_bytes()
    assert len(raw) == 14 * 32
    assert np.frombuffer(raw[:4], "<i4")[0] == 0x0FF26702
    assert raw[32:37] == b"hello" and raw[37:7 * 32] == b" " * (6 * 32 - 5)
    assert np.frombuffer(raw[7 * 32:7 * 32 + 8], "<i4").tolist() == [2, 7]
    assert np.frombuffer(raw[7 * 32 + 8:7 * 32 + 12], "<f4")[0] == np.float32(0.5)
    nodes = np.frombuffer(raw[11 * 32:11 * 32 + 84], "<f4").reshape(7, 3)
    assert (nodes[:, 0] == x).all() and (nodes[:, 2] == x * 2 + 1).all()
    sf = seabed.read_file(tmp_path / "in.sbd")
    assert sf.kind == 2 and sf.n == 7 and not sf.generated and sf.notes[0] == "hello"


@pytest.mark.parametrize("call, text", [
    (lambda p: seabed.write_input_2d(p, np.zeros(3, np.int32), np.arange(3, dtype=np.float32)), "x must have dtype float32"),
    (lambda p: seabed.write_input_3d(p, *(np.zeros(3, np.float32),) * 2, [0, 1, 2], 1.0), "z must be a numpy array"),
    (lambda p: seabed.write_input_2d(p, np.zeros(3, np.float32), np.zeros(4, np.float32)), "differ in length"),
])
def test_writers_refuse_other_dtypes_and_write_nothing(tmp_path, call, text):
    with pytest.raises((TypeError, ValueError), match=text):
        call(tmp_path / "bad.sbd")
    assert list(tmp_path.iterdir()) == []


def test_missing_file_and_wrong_type_raise_seabed_error(lib, profile_file, tmp_path):
    with pytest.raises(seabed.SeabedError) as e:
        seabed.load_2d(tmp_path / "none.sbd")
    assert e.value.code == 2 and e.value.message == "Seabed file does not exist"
    with pytest.raises(seabed.SeabedError) as e:
        seabed.load_3d(profile_file)
    assert e.value.code == 11
    with pytest.raises(ValueError, match="2D interpolation must be one of"):
        seabed.load_2d(profile_file, "cubic")
    (tmp_path / "junk.sbd").write_bytes(b"\0" * 64)
    assert seabed.open_seabed_file(tmp_path / "junk.sbd") == 7


def test_2d_round_trip(lib, profile_file):
    x, y = profile_grid()
    sf = seabed.read_file(profile_file)
    assert sf.generated and sf.status == 0 and sf.message == "" and sf.counts["M"] == 20 * sf.n - 19
    for kind, stored in (("linear", None), ("bessel", sf.bessel_slopes), ("spline", sf.spline_slopes)):
        with seabed.load_2d(profile_file, kind) as p:
            assert p.n == x.size
            assert np.array_equal(p.x, x) and np.array_equal(p.y, y)
            assert p.memory.value == 8 * p.n + (0 if stored is None else 4 * p.n)
            if stored is None:
                assert p.slopes is None and not p._slopes.allocated
            else:
                assert np.array_equal(p.slopes, stored)
            d = p._profile
            assert (d.elem_len, d.flags, d.rank) == (4, 0x85, 2)
            assert [(k.extent, k.stride, k.lower_bound) for k in d.dim] == [(p.n, 4, 1), (2, 4 * p.n, 1)]
    # The stored samples start every interval on its left node and end on the last node.
    assert np.array_equal(sf.spline_samples[::20], sf.nodes)
    assert np.array_equal(sf.bessel_samples[::20], sf.nodes)


def test_closed_seabed_refuses_queries(lib, profile_file):
    p = seabed.load_2d(profile_file)
    p.close()
    p.close()  # twice is harmless
    assert not p._profile.allocated
    with pytest.raises(seabed.SeabedError, match="closed"):
        p.query(np.array([1.0]))


def test_query_dtypes(lib, profile_file):
    with seabed.load_2d(profile_file) as p:
        with pytest.raises(TypeError, match="float64"):
            p.query(np.array([1.0], dtype=np.float32))
        a = p.query(np.array([1.0, 2.0]))
        b = p.query([1, 2])  # plain Python numbers are taken as doubles
        assert all(np.array_equal(u, v) for u, v in zip(a, b))


def test_3d_round_trip(lib, surface_file):
    x, y, z = survey_grid()
    sf = seabed.read_file(surface_file)
    assert sf.generated and sf.kind == 2
    with seabed.load_3d(surface_file, "cubic") as s:
        assert (s.n, s.nt, s.nadj) == (sf.n, sf.counts["NT"], sf.counts["NADJ"])
        # The nodes come back in the triangulation's order: compare as sets.
        key = lambda a: np.lexsort((a[:, 2], a[:, 1], a[:, 0]))  # noqa: E731
        given = np.stack([x, y, z], axis=1)
        assert s.n == given.shape[0]
        assert np.array_equal(s.nodes[key(s.nodes)], given[key(given)])
        assert np.array_equal(s.nodes, sf.nodes) and np.array_equal(s.gradients, sf.gradients)
        assert np.array_equal(s.iadj, sf.iadj) and np.array_equal(s.istart, sf.istart)
        assert s.memory.value == 12 * s.n + 4 * s.nadj + 4 * s.n + 8 * s.n
        assert sf.triangles.min() >= 1 and sf.triangles.max() <= s.n
        # Unit normals of the sub-nodes.
        assert np.allclose(np.linalg.norm(sf.normals, axis=1), 1.0, atol=1e-6)
    with seabed.load_3d(surface_file, "linear") as s:
        assert s.gradients is None
        with pytest.raises(seabed.SeabedError, match="gradients"):
            s.query(np.array([1.0]), np.array([1.0]), "cubic")


def test_3d_outside_and_triangle_search(lib, surface_file):
    need(lib, "find_triangle", "interpolate_3d_linear")
    with seabed.load_3d(surface_file, "linear") as s:
        x, normal, st = s.query(np.array([-50.0, 500.0]), np.array([-50.0, 300.0]))
        assert np.isnan(x[0]) and normal[0].tolist() == [1.0, 0.0, 0.0] and st[0] == 0
        assert s.query([-50.0], [-50.0], raw=True)[0][0] == seabed.OUTSIDE
        assert seabed.Surface3D.inside(x).tolist() == [False, True]
        tri = s.find_triangle(np.array([-50.0, 500.0]), np.array([-50.0, 300.0]))
        assert tri[0].tolist() == [-1, 0, 0] and (tri[1] >= 1).all()
