"""The library's queries against independent implementations: scipy for the
2D profiles, matplotlib's cubic triangular interpolator for the 3D surfaces."""

import numpy as np
import pytest
from scipy.interpolate import CubicHermiteSpline, CubicSpline

import seabed
from conftest import need

EPS64 = np.finfo(np.float64).eps


def _inside_points(y, count, seed):
    rng = np.random.default_rng(seed)
    inside = rng.uniform(float(y[0]), float(y[-1]), count)
    return np.sort(np.concatenate([inside, y[:-1].astype(np.float64)]))  # the nodes too, not the last (flat beyond)


@pytest.mark.parametrize("kind", ["spline", "bessel"])
def test_2d_cubic_equals_scipy_hermite_with_loaded_slopes(lib, profile_file, kind):
    need(lib, "interpolate_2d_cubic")
    with seabed.load_2d(profile_file, kind) as p:
        peer = CubicHermiteSpline(p.y.astype(np.float64), p.x.astype(np.float64), p.slopes.astype(np.float64))
        yq = _inside_points(p.y, 2000, 1)
        x, slope, seg = p.query(yq)
    # Same cubic from the same float data in double precision; the profile's
    # interval lengths are exact in float (conftest), so only the order of the
    # double operations differs: a few units of rounding of the elevations.
    scale = float(np.abs(p.x).max())
    np.testing.assert_allclose(x, peer(yq), rtol=0, atol=8 * EPS64 * scale)
    np.testing.assert_allclose(slope, peer(yq, 1), rtol=0, atol=64 * EPS64 * np.abs(peer(yq, 1)).max())
    assert np.array_equal(seg, np.searchsorted(p.y.astype(np.float64), yq, side="right") + 1)


def test_spline_slopes_close_to_scipy_clamped_spline(lib, profile_file):
    with seabed.load_2d(profile_file, "spline") as p:
        peer = CubicSpline(p.y.astype(np.float64), p.x.astype(np.float64), bc_type=((1, 0.0), (1, 0.0)))
        ours = p.slopes.astype(np.float64)
    assert ours[0] == 0.0 and ours[-1] == 0.0
    # Ours are solved in float32 by one sweep; the peer in double. The system
    # is diagonally dominant, so the difference stays a few float32 roundings
    # of the largest slope.
    np.testing.assert_allclose(ours, peer(p.y.astype(np.float64), 1), rtol=0,
                               atol=16 * np.finfo(np.float32).eps * np.abs(ours).max())


def _triangulation(surface_file):
    from matplotlib.tri import Triangulation

    sf = seabed.read_file(surface_file)
    return sf, Triangulation(sf.nodes[:, 1].astype(np.float64), sf.nodes[:, 2].astype(np.float64),
                             sf.triangles - 1)


def _edges(triangles):
    e = np.concatenate([triangles[:, [0, 1]], triangles[:, [1, 2]], triangles[:, [2, 0]]]) - 1
    return np.unique(np.sort(e, axis=1), axis=0)


def test_3d_cubic_equals_matplotlib_user_cubic_at_nodes_and_on_edges(lib, surface_file):
    need(lib, "interpolate_3d_cubic")
    from matplotlib.tri import CubicTriInterpolator

    sf, tri = _triangulation(surface_file)
    g = sf.gradients.astype(np.float64)
    peer = CubicTriInterpolator(tri, sf.nodes[:, 0].astype(np.float64), kind="user", dz=(g[:, 0], g[:, 1]))
    yn, zn = sf.nodes[:, 1].astype(np.float64), sf.nodes[:, 2].astype(np.float64)
    with seabed.load_3d(surface_file, "cubic") as s:
        x, normal, st = s.query(yn, zn)
        assert (st == 0).all()
        scale = float(np.abs(sf.nodes[:, 0]).max())
        # At the nodes: the node's elevation and gradient, as for the peer.
        np.testing.assert_allclose(x, sf.nodes[:, 0], rtol=0, atol=1e3 * EPS64 * scale)
        np.testing.assert_allclose(peer(yn, zn).data, sf.nodes[:, 0], rtol=0, atol=1e3 * EPS64 * scale)
        grad = seabed.Surface3D.gradient(normal)
        np.testing.assert_allclose(grad, g, rtol=0, atol=1e-12)
        dy, dz = peer.gradient(yn, zn)  # matplotlib's own rounding reaches a few 1e-12
        np.testing.assert_allclose(np.stack([dy.data, dz.data], 1), g, rtol=0, atol=1e-10)
        # Along every edge both are the cubic fixed by the end values and the
        # end derivatives along the edge.
        e = _edges(sf.triangles)
        t = np.array([0.2, 0.5, 0.7])[:, None]
        ye = (yn[e[:, 0]] + t * (yn[e[:, 1]] - yn[e[:, 0]])).ravel()
        ze = (zn[e[:, 0]] + t * (zn[e[:, 1]] - zn[e[:, 0]])).ravel()
        x, _, st = s.query(ye, ze)
    theirs = peer(ye, ze)
    ok = ~np.ma.getmaskarray(theirs)
    assert ok.mean() > 0.99 and (st == 0).all()
    # A point a rounding away from the edge sees the derivative across it; at
    # most ~1e-13 of the coordinates times the surface's slopes, plus the
    # peers' own rounding (a few 1e-11 measured).
    np.testing.assert_allclose(x[ok], theirs[ok].data, rtol=0, atol=1e-9)
