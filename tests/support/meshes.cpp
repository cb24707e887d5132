#include "support/meshes.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

namespace seabed::testing {
namespace {

using Tri = std::array<std::int32_t, 3>;

template <class... A>
std::string say(const A&... pieces) {
    std::ostringstream out;
    (out << ... << pieces);
    return out.str();
}

double orient(const float* y, const float* z, std::int32_t a, std::int32_t b, std::int32_t c) {
    const double ya = y[a - 1], za = z[a - 1], yb = y[b - 1], zb = z[b - 1], yc = y[c - 1], zc = z[c - 1];
    return (yb - ya) * (zc - za) - (zb - za) * (yc - ya);
}

Tri canonical(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (b < a && b < c) return {b, c, a};
    if (c < a && c < b) return {c, a, b};
    return {a, b, c};
}

}  // namespace

std::string check_triangulation(std::int32_t n, const float* y, const float* z, const Triangulation& t,
                                CheckOptions options) {
    const auto N = static_cast<std::size_t>(n);
    if (t.iperm.size() != N) return say("iperm has ", t.iperm.size(), " entries");
    if (t.ibnd.size() != N + 1) return say("ibnd has ", t.ibnd.size(), " entries");
    if (t.istart.size() != N) return say("istart has ", t.istart.size(), " entries");
    if (t.iadj.size() != static_cast<std::size_t>(t.nadj)) return say("iadj size ", t.iadj.size(), " != nadj");
    if (t.itri.size() != 3 * static_cast<std::size_t>(t.nt)) return say("itri size ", t.itri.size(), " != 3 nt");

    // iperm a permutation
    std::vector<char> seen(N + 1, 0);
    for (auto v : t.iperm) {
        if (v < 1 || v > n || seen[static_cast<std::size_t>(v)]) return say("iperm is not a permutation at ", v);
        seen[static_cast<std::size_t>(v)] = 1;
    }

    // hull list
    if (t.nb < 3 || t.nb > n) return say("nb = ", t.nb);
    if (t.lb != t.nb + 1) return say("lb = ", t.lb, " with nb = ", t.nb);
    auto ibnd = [&](std::int32_t j) { return t.ibnd[static_cast<std::size_t>(j - 1)]; };
    if (ibnd(t.lb) != ibnd(1)) return "ibnd is not closed";
    for (std::int32_t j = t.lb + 1; j <= n + 1; ++j)
        if (ibnd(j) != 0) return say("ibnd(", j, ") = ", ibnd(j), " beyond lb");
    std::vector<std::int32_t> hull_pos(N + 1, 0);
    for (std::int32_t j = 1; j <= t.nb; ++j) {
        const std::int32_t v = ibnd(j);
        if (v < 1 || v > n || hull_pos[static_cast<std::size_t>(v)]) return say("bad or repeated hull node ", v);
        hull_pos[static_cast<std::size_t>(v)] = j;
    }

    // counts
    if (t.nt != 2 * n - t.nb - 2) return say("nt = ", t.nt, ", expected 2n - nb - 2 = ", 2 * n - t.nb - 2);
    if (t.nadj != 6 * n - t.nb - 6) return say("nadj = ", t.nadj, ", expected 6n - nb - 6 = ", 6 * n - t.nb - 6);

    // neighbour lists
    if (t.istart[0] != 1) return "istart(1) != 1";
    std::vector<std::vector<std::int32_t>> lists(N + 1);
    for (std::int32_t i = 1; i <= n; ++i) {
        const std::int32_t from = t.istart[static_cast<std::size_t>(i - 1)];
        const std::int32_t to = i == n ? t.nadj + 1 : t.istart[static_cast<std::size_t>(i)];
        if (to - from < 2 || from < 1 || to > t.nadj + 1) return say("list of node ", i, " spans ", from, "..", to);
        lists[static_cast<std::size_t>(i)].assign(t.iadj.begin() + (from - 1), t.iadj.begin() + (to - 1));
    }
    auto contains = [&](std::int32_t i, std::int32_t v) {
        const auto& l = lists[static_cast<std::size_t>(i)];
        return std::find(l.begin(), l.end(), v) != l.end();
    };
    // next entry after v in i's list, cyclic for an interior node; 0 across a hull node's end
    auto after = [&](std::int32_t i, std::int32_t v) {
        const auto& l = lists[static_cast<std::size_t>(i)];
        const auto p = static_cast<std::size_t>(std::find(l.begin(), l.end(), v) - l.begin());
        return p + 1 < l.size() ? l[p + 1] : l[0];
    };
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto& l = lists[static_cast<std::size_t>(i)];
        const bool hull = hull_pos[static_cast<std::size_t>(i)] != 0;
        if ((l.back() == 0) != hull) return say("node ", i, hull ? " is on the hull but its list does not end in 0"
                                                                : " is inside but its list ends in 0");
        const std::size_t m = hull ? l.size() - 1 : l.size();
        std::vector<std::int32_t> sorted(l.begin(), l.begin() + static_cast<std::ptrdiff_t>(m));
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) return say("node ", i, " repeats a neighbour");
        for (std::size_t k = 0; k < m; ++k) {
            const std::int32_t a = l[k];
            if (a < 1 || a > n || a == i) return say("node ", i, " lists ", a);
            if (!contains(a, i)) return say("node ", i, " lists ", a, " but not the other way round");
        }
        if (hull) {
            const std::int32_t j = hull_pos[static_cast<std::size_t>(i)];
            const std::int32_t next = ibnd(j + 1);
            const std::int32_t prev = j == 1 ? ibnd(t.nb) : ibnd(j - 1);
            if (l.front() != next || l[l.size() - 2] != prev)
                return say("hull node ", i, " list does not run from ", next, " to ", prev);
        }
        // consecutive entries make counter-clockwise triangles that the other two lists agree on
        const std::size_t pairs = hull ? m - 1 : m;
        for (std::size_t k = 0; k < pairs; ++k) {
            const std::int32_t a = l[k], b = l[(k + 1) % m];
            if (!(orient(y, z, i, a, b) > 0.0)) return say("triangle ", i, ", ", a, ", ", b, " is not counter-clockwise");
            if (after(a, b) != i || after(b, i) != a) return say("triangle ", i, ", ", a, ", ", b, " not in all three lists");
        }
    }

    // triangle list: from the smallest vertex, ascending, each once, matching the lists
    std::set<Tri> from_lists;
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto& l = lists[static_cast<std::size_t>(i)];
        const bool hull = l.back() == 0;
        const std::size_t m = hull ? l.size() - 1 : l.size();
        for (std::size_t k = 0; k < (hull ? m - 1 : m); ++k) from_lists.insert(canonical(i, l[k], l[(k + 1) % m]));
    }
    if (from_lists.size() != static_cast<std::size_t>(t.nt)) return "lists and triangle count disagree";
    std::int32_t previous_first = 0;
    std::set<Tri> listed;
    for (std::int32_t k = 0; k < t.nt; ++k) {
        const Tri tri{t.itri[3 * k], t.itri[3 * k + 1], t.itri[3 * k + 2]};
        if (!(tri[0] < tri[1] && tri[0] < tri[2])) return say("triangle ", k + 1, " does not start at its smallest vertex");
        if (tri[0] < previous_first) return say("triangle ", k + 1, " out of order");
        previous_first = tri[0];
        if (!from_lists.count(tri) || !listed.insert(tri).second) return say("triangle ", k + 1, " not from the lists or repeated");
    }

    // hull convex, with collinear hull nodes allowed
    for (std::int32_t j = 1; j <= t.nb; ++j) {
        const std::int32_t a = j == 1 ? ibnd(t.nb) : ibnd(j - 1), b = ibnd(j), c = ibnd(j + 1);
        if (orient(y, z, a, b, c) < 0.0) return say("hull turns right at ", b);
    }
    if (options.containment) {
        for (std::int32_t v = 1; v <= n; ++v)
            for (std::int32_t j = 1; j <= t.nb; ++j)
                if (orient(y, z, ibnd(j), ibnd(j + 1), v) < 0.0) return say("node ", v, " outside hull edge at ", ibnd(j));
    }

    if (options.delaunay) {
        // Each interior edge io1-io2 with opposite nodes in1, in2: the swap test's
        // expression, in double, may fall below -margin only by float rounding.
        for (const Tri& tri : from_lists) {
            for (int e = 0; e < 3; ++e) {
                const std::int32_t in1 = tri[static_cast<std::size_t>(e)];
                const std::int32_t io1 = tri[static_cast<std::size_t>((e + 1) % 3)];
                const std::int32_t io2 = tri[static_cast<std::size_t>((e + 2) % 3)];
                // (in2, io2, io1) counter-clockwise: in2 follows io1 in io2's list
                const std::int32_t in2 = after(io2, io1);
                if (in2 == 0) continue;  // hull edge
                auto d = [&](std::int32_t a, std::int32_t b, bool second) {
                    return second ? double(z[b - 1]) - double(z[a - 1]) : double(y[b - 1]) - double(y[a - 1]);
                };
                const double u1a = d(in1, io1, false), u1b = d(in1, io1, true);
                const double v1a = d(in1, io2, false), v1b = d(in1, io2, true);
                const double u2a = d(in2, io2, false), u2b = d(in2, io2, true);
                const double v2a = d(in2, io1, false), v2b = d(in2, io1, true);
                const double c1 = u1a * v1a + u1b * v1b, c2 = u2a * v2a + u2b * v2b;
                const double s1 = u1a * v1b - u1b * v1a, s2 = u2a * v2b - u2b * v2a;
                const double l4 = std::hypot(u1a, u1b) * std::hypot(v1a, v1b) * std::hypot(u2a, u2b) * std::hypot(v2a, v2b);
                // float evaluation of products of four lengths errs by a few ulps of l4
                const double slack = 1.1920929e-6 + 1.0e-5 * l4;
                if (c1 * s2 + s1 * c2 < -slack)
                    return say("edge ", io1, "-", io2, " is not locally Delaunay (opposite ", in1, ", ", in2, ")");
            }
        }
    }
    return {};
}

std::vector<float> TestMesh::nodes() const {
    std::vector<float> out(x);
    out.insert(out.end(), y.begin(), y.end());
    out.insert(out.end(), z.begin(), z.end());
    return out;
}

/// Neighbour lists of the triangles (each CCW) over nodes with coordinates y, z.
TestMesh mesh_from_triangles(std::vector<float> y, std::vector<float> z, std::vector<std::array<std::int32_t, 3>> triangles) {
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
TestMesh grid_mesh(int nx, int ny, float h, float y0, float z0, float jitter, unsigned seed,
                   bool alternate) {
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
TestMesh triangulated_mesh(std::vector<float> y, std::vector<float> z) {
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
TestMesh delaunay_mesh(int n, unsigned seed, float extent) {
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
TestMesh lattice_mesh(int nx, int ny, float h, float jitter, unsigned seed) {
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
