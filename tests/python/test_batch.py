"""query_many (the batch library) against query (one export call a point).
2D: the same values. 3D: the walks start elsewhere, so a triangle can come
out with its vertices in another order, which moves the last bits; the exact
equality for equal start nodes is the C++ test's (batch_queries_test)."""

import numpy as np

import seabed


def _same(a, b):
    return np.array_equal(a, b, equal_nan=True)


def test_surface_query_many_equals_query(lib, surface_file):
    rng = np.random.default_rng(4)
    with seabed.load_3d(surface_file, "cubic") as s:
        lo, hi = s.nodes[:, 1:].min(axis=0), s.nodes[:, 1:].max(axis=0)
        pad = 0.05 * (hi - lo)
        y = rng.uniform(lo[0] - pad[0], hi[0] + pad[0], 3000)  # some outside
        z = rng.uniform(lo[1] - pad[1], hi[1] + pad[1], 3000)
        # then rows of a raster, whose points start from the triangle before
        gy, gz = np.linspace(lo[0], hi[0], 40), np.linspace(lo[1], hi[1], 40)
        y, z = np.concatenate([y, np.repeat(gy, 40)]), np.concatenate([z, np.tile(gz, 40)])
        for method in ("linear", "cubic"):
            x, normal, status = s.query(y, z, method)
            for threads in (1, 2):
                xm, normalm, statusm = s.query_many(y, z, method, threads=threads)
                assert np.array_equal(status, statusm) and np.array_equal(s.inside(x), s.inside(xm))
                assert np.allclose(x, xm, rtol=1e-12, atol=0.0, equal_nan=True)
                assert np.allclose(normal, normalm, rtol=1e-9, atol=1e-12, equal_nan=True)


def test_profile_query_many_equals_query_sorted_or_not(lib, profile_file):
    with seabed.load_2d(profile_file, "spline") as p:
        y = np.random.default_rng(5).uniform(float(p.y[0]) - 1.0, float(p.y[-1]) + 1.0, 2000)
        for points in (y, np.sort(y)):
            for method in ("linear", "spline"):
                assert all(_same(a, b) for a, b in zip(p.query(points, method), p.query_many(points, method)))
