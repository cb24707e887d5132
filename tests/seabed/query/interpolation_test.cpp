// The linear and cubic surfaces: reproduction, continuity, exact gradient,
// normals, sentinels and statuses, and queries from several threads.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <thread>

#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/linear_interpolation.hpp"
#include "seabed/query/lookup.hpp"
#include "support/meshes.hpp"

namespace seabed {
namespace {

using testing::TestMesh;
using Fn = std::function<double(double, double)>;

/// A mesh with node elevations and gradients (2 x N) taken from f and its partials.
struct Surface {
    TestMesh m;
    std::vector<float> nodes, grad;
};

Surface sample(TestMesh m, const Fn& f, const Fn& fy, const Fn& fz) {
    Surface s;
    for (std::size_t i = 0; i < m.y.size(); ++i) {
        m.x[i] = static_cast<float>(f(m.y[i], m.z[i]));
        s.grad.push_back(static_cast<float>(fy(m.y[i], m.z[i])));
        s.grad.push_back(static_cast<float>(fz(m.y[i], m.z[i])));
    }
    s.nodes = m.nodes();
    s.m = std::move(m);
    return s;
}

/// The same elevation x at every node, no slope.
Surface level(TestMesh m, double x) {
    return sample(std::move(m), [x](double, double) { return x; }, [](double, double) { return 0.0; },
                  [](double, double) { return 0.0; });
}

/// Random elevations and gradients: no polynomial behind them.
Surface random_surface(TestMesh m, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    Surface s;
    for (auto& x : m.x) x = u(rng);
    for (std::size_t i = 0; i < 2 * m.x.size(); ++i) s.grad.push_back(u(rng));
    s.nodes = m.nodes();
    s.m = std::move(m);
    return s;
}

struct Result {
    Status st;
    double x;
    double normal[3];
    std::int32_t start;
};

Result cubic(const Surface& s, double y, double z, std::int32_t start = 0) {
    Result r{Status::Ok, 7.0, {7.0, 7.0, 7.0}, start};
    r.st = interpolate_3d_cubic(y, z, s.m.n, s.m.nadj, s.nodes.data(), s.m.iadj.data(), s.m.istart.data(),
                                s.grad.data(), r.x, r.normal, r.start);
    return r;
}

Result linear(const Surface& s, double y, double z, std::int32_t start = 0) {
    Result r{Status::Ok, 7.0, {7.0, 7.0, 7.0}, start};
    r.st = interpolate_3d_linear(y, z, s.m.n, s.m.nadj, s.nodes.data(), s.m.iadj.data(), s.m.istart.data(), r.x,
                                 r.normal, r.start);
    return r;
}

/// Value and gradient through the internal entry, with a fresh or carried cursor.
Status surface_at(const Surface& s, double y, double z, SurfaceCursor& c, double& x, double g[2]) {
    const TestMesh& m = s.m;
    return interp_c1hct_new(m.n, m.nadj, m.iadj.data(), m.istart.data(), 1, y, z, m.x.data(), m.y.data(),
                            m.z.data(), kAreaTolerance, s.grad.data(), c, x, g);
}

/// The element of triangle t of the mesh evaluated at (y, z), without the walk.
double element_on(const Surface& s, const std::array<std::int32_t, 3>& t, double y, double z, double g[2]) {
    const TestMesh& m = s.m;
    TriangleParams p;
    TriangleLengths len;
    auto Y = [&](int i) { return m.y[t[i] - 1]; };
    auto Z = [&](int i) { return m.z[t[i] - 1]; };
    EXPECT_EQ(c1para_first(Y(0), Z(0), Y(1), Z(1), Y(2), Z(2), kAreaTolerance, p, len), Status::Ok);
    double r[3], xs[3], gy[3], gz[3];
    barycen_coord(y, z, Y(0), Z(0), Y(1), Z(1), p, len.scale, r);
    for (int i = 0; i < 3; ++i) {
        xs[i] = m.x[t[i] - 1];
        gy[i] = s.grad[2 * (t[i] - 1)];
        gz[i] = s.grad[2 * (t[i] - 1) + 1];
    }
    return hct_element(r, p, len, xs, gy, gz, g);
}

/// Doubled area over the longest squared edge above 0.2: no sliver, whose
/// float-rounded geometry and large edge ratios would blur a comparison.
bool well_shaped(const TestMesh& m, const std::array<std::int32_t, 3>& t) {
    TriangleParams p;
    TriangleLengths len;
    const float* y = m.y.data() - 1;
    const float* z = m.z.data() - 1;
    if (c1para_first(y[t[0]], z[t[0]], y[t[1]], z[t[1]], y[t[2]], z[t[2]], 0.0f, p, len) != Status::Ok) return false;
    return 1.0 / len.scale > 0.2 * std::max({len.sl[0], len.sl[1], len.sl[2]});
}

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Jittered 8 x 7 grid on [0, 10.5] x [0, 9], alternating diagonals, shuffled numbers.
TestMesh test_grid() { return testing::grid_mesh(8, 7, 1.5f, 0.0f, 0.0f, 0.2f, 9, true); }

enum class MeshKind { Grid, Delaunay };

/// The element's properties on the hand-built grid and on the library's own
/// triangulation of a jittered 9 x 8 lattice over [0, 10.5] x [0, 9] (no
/// slivers, whose float-rounded geometry would blur the comparisons).
class CubicSurfaceTest : public ::testing::TestWithParam<MeshKind> {
protected:
    static TestMesh mesh() {
        return GetParam() == MeshKind::Grid ? test_grid() : testing::lattice_mesh(9, 8, 1.3125f, 0.3f, 5);
    }
};

INSTANTIATE_TEST_SUITE_P(Meshes, CubicSurfaceTest, ::testing::Values(MeshKind::Grid, MeshKind::Delaunay));

TEST_P(CubicSurfaceTest, QuadraticsAreReproducedWithTheirGradient) {
    Fn f = [](double y, double z) { return 1.5 + 0.3 * y - 0.2 * z + 0.05 * y * y - 0.03 * y * z + 0.04 * z * z; };
    Fn fy = [](double y, double z) { return 0.3 + 0.1 * y - 0.03 * z; };
    Fn fz = [](double y, double z) { return -0.2 - 0.03 * y + 0.08 * z; };
    Surface s = sample(mesh(), f, fy, fz);
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> uy(0.0, 10.5), uz(0.0, 9.0);
    SurfaceCursor c;
    int inside = 0;
    for (int q = 0; q < 2000; ++q) {
        double y = uy(rng), z = uz(rng), x = 0, g[2] = {0, 0};
        ASSERT_EQ(surface_at(s, y, z, c, x, g), Status::Ok);
        if (c.i1 < 0) {
            EXPECT_NE(GetParam(), MeshKind::Grid);  // the grid covers the box
            continue;
        }
        ++inside;
        // Tolerances: the node data are rounded to float (about 1e-6 here).
        EXPECT_NEAR(x, f(y, z), 1e-5) << y << "," << z;
        EXPECT_NEAR(g[0], fy(y, z), 1e-4);  // the float rounding is magnified in slivers
        EXPECT_NEAR(g[1], fz(y, z), 1e-4);
        Result r = cubic(s, y, z);
        ASSERT_EQ(r.st, Status::Ok);
        EXPECT_NEAR(r.x, f(y, z), 1e-5);
    }
    EXPECT_GT(inside, 1500);
}

TEST_P(CubicSurfaceTest, VerticesGiveTheNodeValueAndGradient) {
    Surface s = random_surface(mesh(), 4);
    for (std::int32_t j = 1; j <= s.m.n; ++j) {
        SurfaceCursor c;
        double x = 0, g[2] = {0, 0};
        ASSERT_EQ(surface_at(s, s.m.y[j - 1], s.m.z[j - 1], c, x, g), Status::Ok);
        // Tolerances: the edge components are float differences, so the
        // weights at a vertex are 1 and 0 only up to float rounding.
        EXPECT_NEAR(x, s.m.x[j - 1], 1e-6) << j;
        EXPECT_NEAR(std::hypot(g[0] - double(s.grad[2 * (j - 1)]), g[1] - double(s.grad[2 * (j - 1) + 1])), 0.0, 1e-5)
            << j;
    }
}

TEST_P(CubicSurfaceTest, ValueAndGradientAreContinuousAcrossEdges) {
    Surface s = random_surface(mesh(), 5);
    int shared = 0;
    int compared = 0;
    for (const auto& t1 : s.m.triangles)
        for (const auto& t2 : s.m.triangles)
            for (int e1 = 0; e1 < 3; ++e1)
                for (int e2 = 0; e2 < 3; ++e2) {
                    const std::int32_t a = t1[e1], b = t1[(e1 + 1) % 3];
                    if (t2[e2] != b || t2[(e2 + 1) % 3] != a) continue;
                    ++shared;
                    if (!well_shaped(s.m, t1) || !well_shaped(s.m, t2)) continue;
                    ++compared;
                    for (double t : {0.1, 0.37, 0.5, 0.81}) {
                        const double ya = s.m.y[a - 1], za = s.m.z[a - 1], yb = s.m.y[b - 1], zb = s.m.z[b - 1];
                        const double y = ya + t * (yb - ya), z = za + t * (zb - za);
                        double g1[2], g2[2];
                        const double v1 = element_on(s, t1, y, z, g1), v2 = element_on(s, t2, y, z, g2);
                        // Tolerance: each triangle's edge components are float
                        // differences, so its geometry is rounded to float.
                        EXPECT_NEAR(v1, v2, 1e-6);
                        EXPECT_NEAR(std::hypot(g1[0] - g2[0], g1[1] - g2[1]), 0.0, 1e-5);
                    }
                }
    std::int32_t nb = 0;
    for (std::int32_t j = 1; j <= s.m.n; ++j) nb += s.m.iadj[(j == s.m.n ? s.m.nadj : s.m.istart[j] - 1) - 1] == 0;
    EXPECT_EQ(shared, 2 * (3 * s.m.n - nb - 3 - nb));  // every interior edge, both ways round
    EXPECT_GT(compared, shared * 3 / 4);
}

TEST_P(CubicSurfaceTest, GradientMatchesFiniteDifferences) {
    Surface s = random_surface(mesh(), 7);
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double h = 1e-5;
    for (const auto& t : s.m.triangles) {
        for (int q = 0; q < 6 && well_shaped(s.m, t); ++q) {
            // Barycentric point away from the edges and the medians, so that
            // the stencil stays in one sub-triangle.
            double r[3] = {0.1 + 0.8 * u(rng), 0, 0};
            r[1] = (1 - r[0]) * (0.1 + 0.8 * u(rng));
            r[2] = 1 - r[0] - r[1];
            if (std::min({r[0], r[1], r[2]}) < 0.02 || std::fabs(r[0] - r[1]) < 0.02 ||
                std::fabs(r[1] - r[2]) < 0.02 || std::fabs(r[0] - r[2]) < 0.02)
                continue;
            double y = 0, z = 0;
            for (int i = 0; i < 3; ++i) {
                y += r[i] * double(s.m.y[t[i] - 1]);
                z += r[i] * double(s.m.z[t[i] - 1]);
            }
            double g[2], dummy[2];
            element_on(s, t, y, z, g);
            const double dy = (element_on(s, t, y + h, z, dummy) - element_on(s, t, y - h, z, dummy)) / (2 * h);
            const double dz = (element_on(s, t, y, z + h, dummy) - element_on(s, t, y, z - h, dummy)) / (2 * h);
            // Tolerance: h^2 times the third derivative, plus rounding / h.
            EXPECT_NEAR(g[0], dy, 1e-7);
            EXPECT_NEAR(g[1], dz, 1e-7);
        }
    }
}

TEST(SurfaceTest, PlanarDataGiveOneNormal) {
    Fn f = [](double y, double z) { return 2.0 + 0.5 * y - 0.25 * z; };
    Surface s = sample(
        test_grid(), f, [](double, double) { return 0.5; }, [](double, double) { return -0.25; });
    const double len = std::sqrt(1.0 + 0.25 + 0.0625);
    const double want[3] = {1 / len, -0.5 / len, 0.25 / len};
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> uy(0.0, 10.5), uz(0.0, 9.0);
    for (int q = 0; q < 500; ++q) {
        const double y = uy(rng), z = uz(rng);
        for (const Result& r : {linear(s, y, z), cubic(s, y, z)}) {
            ASSERT_EQ(r.st, Status::Ok);
            EXPECT_NEAR(r.x, f(y, z), 1e-5);  // float node data
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(r.normal[k], want[k], 2e-6);  // float node data too
        }
    }
    const Surface flat = level(test_grid(), 3.0);
    for (int q = 0; q < 100; ++q) {
        const double y = uy(rng), z = uz(rng);
        // Weights and their derivatives sum to 1 and 0 up to rounding.
        for (const Result& r : {linear(flat, y, z), cubic(flat, y, z)}) {
            EXPECT_EQ(r.normal[0], 1.0);
            EXPECT_TRUE(std::fabs(r.normal[1]) < 1e-14 && std::fabs(r.normal[2]) < 1e-14 &&
                        std::fabs(r.x - 3.0) < 1e-14);
        }
    }
}

TEST(SurfaceTest, FailureRowsGiveTheirSentinels) {
    Surface s = random_surface(test_grid(), 11);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Outside (and points that are not finite): the most negative float, normal (1, 0, 0), status 0.
    const double outside[][2] = {{-0.001, 3}, {10.6, 3}, {5, -1e-9}, {5, 9.5}, {nan, 1}, {1, INFINITY}};
    for (auto& p : outside)
        for (const Result& r : {linear(s, p[0], p[1]), cubic(s, p[0], p[1])}) {
            EXPECT_EQ(r.st, Status::Ok);
            EXPECT_EQ(r.x, -static_cast<double>(std::numeric_limits<float>::max()));
            EXPECT_TRUE(r.normal[0] == 1.0 && r.normal[1] == 0.0 && r.normal[2] == 0.0);
        }
    // Damaged lists: the same sentinels with status 42 or 43.
    Surface d = s;
    d.m.istart[0] = -5;
    for (auto& iadj : d.m.iadj) iadj = iadj == 0 ? 0 : d.m.n + 3;
    for (const Result& r : {linear(d, 5, 5, 1), cubic(d, 5, 5, 1)}) {
        EXPECT_EQ(r.st, Status::WalkNodeOutOfRange);
        EXPECT_TRUE(r.x == kOutsideElevation && r.normal[0] == 1.0 && r.normal[1] == 0.0);
    }
    // Only the last node's list intact: the first edge crossed from it fails at its far end, 43.
    Surface far = s;
    for (std::int32_t j = 1; j < far.m.n; ++j) far.m.istart[static_cast<std::size_t>(j) - 1] = 0;
    for (const Result& r : {linear(far, 5, 5, far.m.n), cubic(far, 5, 5, far.m.n)})
        EXPECT_EQ(r.st, Status::WalkFarNodeOutOfRange);
    // A triangle of doubled area below 1e-6: status 44, -100000.0, normal not written.
    const Surface t = level(testing::mesh_from_triangles({0.0f, 1.0f, 0.5f}, {0.0f, 0.0f, 4.0e-7f}, {{1, 2, 3}}), 1.0);
    for (const Result& r : {linear(t, 0.5, 1e-7), cubic(t, 0.5, 1e-7)}) {
        EXPECT_EQ(r.st, Status::SmallTriangle);
        EXPECT_TRUE(r.x == -100000.0 && r.normal[0] == 7.0 && r.normal[1] == 7.0);
    }
    SurfaceCursor c;
    double x = 1, g[2] = {7, 7};
    EXPECT_EQ(surface_at(t, 0.5, 1e-7, c, x, g), Status::SmallTriangle);
    EXPECT_TRUE(x == -100000.0 && g[0] == 7.0);
    SurfaceCursor outside_cursor;
    EXPECT_EQ(surface_at(s, -1, -1, outside_cursor, x, g), Status::Ok);
    EXPECT_TRUE(outside_cursor.i1 == -1 && x == -100000.0 && g[0] == 7.0);
}

TEST(SurfaceTest, ThreadsQueryingOneSeabedGetTheSerialAnswers) {
    Surface s = random_surface(testing::grid_mesh(30, 30, 1.0f, 0.0f, 0.0f, 0.2f, 12, true), 12);
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(-1.0, 30.0);
    std::vector<std::array<double, 2>> points(4000);
    for (auto& p : points) p = {u(rng), u(rng)};
    MeshView view = MeshView::contiguous(s.m.n, s.m.nadj, s.m.iadj.data(), s.m.istart.data(), s.m.y.data(),
                                         s.m.z.data());
    auto run = [&](std::size_t from, std::size_t to, std::vector<Result>& out) {
        for (std::size_t i = from; i < to; ++i) {
            // A fixed start node makes the walk, and the vertex order, repeatable.
            const std::int32_t start = 1 + static_cast<std::int32_t>(i % 900);
            const double y = points[i][0], z = points[i][1];
            out[i] = (i % 2 == 0) ? cubic(s, y, z, start) : linear(s, y, z, start);
            // A search without a hint draws from the shared generator.
            std::int32_t t[3] = {0, 0, 0};
            find_triangle(view, y, z, t[0], t[1], t[2]);
            if ((t[0] > 0) != (out[i].x > -1e38)) out[i].st = Status::Unused1;  // disagreement shows below
        }
    };
    std::vector<Result> serial(points.size()), parallel(points.size());
    run(0, points.size(), serial);
    std::vector<std::thread> threads;
    const std::size_t kThreads = 4, chunk = points.size() / kThreads;
    for (std::size_t t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] { run(t * chunk, (t + 1) * chunk, parallel); });
    for (auto& th : threads) th.join();
    for (std::size_t i = 0; i < points.size(); ++i) {
        ASSERT_EQ(parallel[i].st, serial[i].st) << i;
        EXPECT_EQ(bits(parallel[i].x), bits(serial[i].x)) << i;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(bits(parallel[i].normal[k]), bits(serial[i].normal[k])) << i;
    }
}

}  // namespace
}  // namespace seabed
