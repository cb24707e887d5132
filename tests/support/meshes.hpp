// Hand-built triangulations in the layout the search reads: CCW neighbour
// lists, a hull node's list from the next hull node CCW to the previous one,
// then 0. Built from a triangle list, without library code.
#pragma once

#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <stdexcept>
#include <cstdint>
#include <vector>

#include "seabed/triangulation/triangulation.hpp"

namespace seabed::testing {

struct TestMesh {
    std::int32_t n = 0;
    std::int32_t nadj = 0;
    std::vector<float> x, y, z;  // element k is node k + 1
    std::vector<std::int32_t> iadj, istart;
    std::vector<std::array<std::int32_t, 3>> triangles;  // counter-clockwise
    std::vector<std::int32_t> hull;                      // hull nodes counter-clockwise

    /// N x 3 column-major (X, Y, Z), as a 3D load leaves it.
    std::vector<float> nodes() const {
        std::vector<float> out;
        out.insert(out.end(), x.begin(), x.end());
        out.insert(out.end(), y.begin(), y.end());
        out.insert(out.end(), z.begin(), z.end());
        return out;
    }
};

/// Neighbour lists of the triangles (each CCW) over nodes with coordinates y, z.
inline TestMesh mesh_from_triangles(std::vector<float> y, std::vector<float> z,
                             std::vector<std::array<std::int32_t, 3>> triangles) {
    TestMesh m;
    m.n = static_cast<std::int32_t>(y.size());
    m.y = std::move(y);
    m.z = std::move(z);
    m.x.assign(m.y.size(), 0.0f);
    m.triangles = std::move(triangles);
    // For node i, fan[i] holds the pairs (a, b) of its triangles (i, a, b).
    std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>> fan(m.y.size());
    for (const auto& t : m.triangles)
        for (int r = 0; r < 3; ++r) fan[t[r] - 1].push_back({t[(r + 1) % 3], t[(r + 2) % 3]});
    for (std::size_t i = 0; i < fan.size(); ++i) {
        const auto& f = fan[i];
        auto next_of = [&](std::int32_t a) {
            for (auto& p : f)
                if (p.first == a) return p.second;
            return 0;
        };
        // A hull node's list starts with the neighbour that no triangle precedes.
        std::int32_t start = f.at(0).first;
        bool hull = false;
        for (auto& p : f) {
            bool preceded = std::any_of(f.begin(), f.end(), [&](auto& q) { return q.second == p.first; });
            if (!preceded) {
                start = p.first;
                hull = true;
            }
        }
        m.istart.push_back(static_cast<std::int32_t>(m.iadj.size()) + 1);
        std::int32_t a = start;
        m.iadj.push_back(a);
        for (std::size_t k = 0; k < f.size(); ++k) {
            a = next_of(a);
            if (a == 0 || a == start) break;
            m.iadj.push_back(a);
        }
        if (hull) m.iadj.push_back(0);
    }
    m.nadj = static_cast<std::int32_t>(m.iadj.size());
    return m;
}

/// An nx x ny grid of spacing h from (y0, z0), each cell split into two CCW
/// triangles (diagonals alternating when asked), interior nodes moved by up
/// to jitter * h, node numbers shuffled when seed is not 0.
inline TestMesh grid_mesh(int nx, int ny, float h, float y0 = 0.0f, float z0 = 0.0f, float jitter = 0.0f,
                          unsigned seed = 0, bool alternate = false) {
    const int n = nx * ny;
    std::vector<std::int32_t> number(static_cast<std::size_t>(n));
    std::iota(number.begin(), number.end(), 1);
    std::mt19937 rng(seed);
    if (seed != 0) std::shuffle(number.begin(), number.end(), rng);
    std::uniform_real_distribution<float> off(-jitter * h, jitter * h);
    std::vector<float> y(static_cast<std::size_t>(n)), z(static_cast<std::size_t>(n));
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const bool interior = i > 0 && j > 0 && i < nx - 1 && j < ny - 1;
            const std::size_t k = static_cast<std::size_t>(number[static_cast<std::size_t>(i + j * nx)] - 1);
            y[k] = y0 + static_cast<float>(i) * h + (interior && jitter > 0 ? off(rng) : 0.0f);
            z[k] = z0 + static_cast<float>(j) * h + (interior && jitter > 0 ? off(rng) : 0.0f);
        }
    auto at = [&](int i, int j) { return number[static_cast<std::size_t>(i + j * nx)]; };
    std::vector<std::array<std::int32_t, 3>> tris;
    for (int j = 0; j + 1 < ny; ++j)
        for (int i = 0; i + 1 < nx; ++i) {
            std::int32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            if (alternate && (i + j) % 2 == 1) {
                tris.push_back({a, b, d});
                tris.push_back({b, c, d});
            } else {
                tris.push_back({a, b, c});
                tris.push_back({a, c, d});
            }
        }
    return mesh_from_triangles(std::move(y), std::move(z), std::move(tris));
}

/// The library's own triangulation of the nodes (y, z), in the order
/// triangulate leaves them; elevations 0.
inline TestMesh triangulated_mesh(std::vector<float> y, std::vector<float> z) {
    const auto n = static_cast<std::int32_t>(y.size());
    std::vector<float> fval(y.size(), 0.0f);
    Triangulation t;
    if (triangulate(n, 1.0e-6f, fval.data(), y.data(), z.data(), t) != Status::Ok)
        throw std::runtime_error("triangulate failed");
    TestMesh m;
    m.n = n;
    m.x = std::move(fval);
    m.y = std::move(y);
    m.z = std::move(z);
    m.iadj = t.iadj;
    m.istart = t.istart;
    m.nadj = t.nadj;
    for (std::int32_t k = 0; k < t.nt; ++k)
        m.triangles.push_back({t.itri[3 * k], t.itri[3 * k + 1], t.itri[3 * k + 2]});
    m.hull.assign(t.ibnd.begin(), t.ibnd.begin() + t.nb);
    return m;
}

/// n random nodes in [0, extent)^2, triangulated by the library (slivers
/// along the hull included).
inline TestMesh delaunay_mesh(int n, unsigned seed, float extent) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(0.0f, extent);
    std::vector<float> y(static_cast<std::size_t>(n)), z(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) {
        y[i] = u(rng);
        z[i] = u(rng);
    }
    return triangulated_mesh(std::move(y), std::move(z));
}

/// An nx x ny lattice of spacing h with every node moved by up to
/// jitter * h, in shuffled order, triangulated by the library: well-shaped
/// triangles in no grid pattern.
inline TestMesh lattice_mesh(int nx, int ny, float h, float jitter, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> off(-jitter * h, jitter * h);
    std::vector<std::pair<float, float>> p;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i)
            p.push_back({static_cast<float>(i) * h + off(rng), static_cast<float>(j) * h + off(rng)});
    std::shuffle(p.begin(), p.end(), rng);
    std::vector<float> y, z;
    for (auto& q : p) {
        y.push_back(q.first);
        z.push_back(q.second);
    }
    return triangulated_mesh(std::move(y), std::move(z));
}

}  // namespace seabed::testing
