// Gradient estimation on hand-built triangulations of regular grids.
#include "seabed/surface/gradients.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "core/try_resize.hpp"
#include "support/meshes.hpp"

namespace seabed {
namespace {

/// A (k+1) x (k+1) grid of spacing h, node 1 at the origin and node N at the
/// far corner, with elevations from surface and zero gradients.
struct GridMesh : testing::TestMesh {
    std::vector<float> f, g;
    GridMesh(int k, float h, const std::function<float(float, float)>& surface)
        : testing::TestMesh(testing::grid_mesh(k + 1, k + 1, h)) {
        for (std::int32_t i = 0; i < n; ++i) f.push_back(surface(y[i], z[i]));
        g.assign(2 * y.size(), 0.0f);
    }
    Status run(std::int32_t nit, float eps) {
        Status st = Status::BadVersion;
        grad_global(n, istart.data(), nadj, iadj.data(), nit, f.data(), y.data(), z.data(), eps, 1.0e-6f, g.data(), st);
        return st;
    }
};

bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

constexpr Status kUntouched = Status::BadVersion;  // a code grad_global never sets

TEST(GradGlobal, PlanarDataIsAFixedPointOfOneSweep) {
    GridMesh m(4, 1.0f, [](float y, float z) { return 2.0f * y - 3.0f * z + 5.0f; });
    for (std::int32_t k = 0; k < m.n; ++k) {
        m.g[2 * k] = 2.0f;
        m.g[2 * k + 1] = -3.0f;
    }
    const std::vector<float> start = m.g;
    // nit 0 allows one sweep only: converging there is returning after it
    EXPECT_EQ(m.run(0, 0.001f), kUntouched);
    EXPECT_TRUE(same_bits(m.g, start));
    GridMesh flat(4, 1.0f, [](float, float) { return 7.0f; });
    EXPECT_EQ(flat.run(0, 0.001f), kUntouched);
    for (float g : flat.g) EXPECT_EQ(g, 0.0f) << "constant data keeps zero gradients";
}

TEST(GradGlobal, ZeroToleranceRunsNitPlusOneSweepsAndFails) {
    auto surface = [](float y, float z) { return y * y - y * z + 0.5f * z; };
    GridMesh sweeps(4, 1.0f, surface), reference(4, 1.0f, surface);
    EXPECT_EQ(sweeps.run(3, 0.0f), Status::NoConvergence);
    // One sweep at a time: a tolerance above any change converges after each.
    for (int s = 0; s < 4; ++s) ASSERT_EQ(reference.run(0, FLT_MAX), kUntouched);
    EXPECT_TRUE(same_bits(sweeps.g, reference.g));
    ASSERT_EQ(reference.run(0, FLT_MAX), kUntouched);
    EXPECT_FALSE(same_bits(sweeps.g, reference.g));
}

TEST(GradGlobal, ApproachesTheTrueGradientAsNodesDensify) {
    auto surface = [](float y, float z) { return std::sin(y) * std::cos(0.5f * z) + 0.25f * y * z; };
    double previous = 1.0e30;
    for (int k : {4, 8, 16, 32}) {
        GridMesh m(k, 2.0f / static_cast<float>(k), surface);
        ASSERT_EQ(m.run(100, 1.0e-5f), kUntouched) << k;
        double worst = 0.0;
        for (std::int32_t i = 0; i < m.n; ++i) {
            const double y = m.y[i], z = m.z[i];
            const double gy = std::cos(y) * std::cos(0.5 * z) + 0.25 * z;
            const double gz = -0.5 * std::sin(y) * std::sin(0.5 * z) + 0.25 * y;
            worst = std::max(worst, std::hypot(double(m.g[2 * i]) - gy, double(m.g[2 * i + 1]) - gz));
        }
        EXPECT_LT(worst, 0.6 * previous) << k;  // at least first order in the node spacing
        previous = worst;
    }
    EXPECT_LT(previous, 0.02);
}

TEST(GradGlobal, DegenerateTriangulationsReportTheirStatus) {
    struct Case {
        const char* name;
        std::vector<float> y, z;
        std::vector<std::int32_t> istart, iadj;
        Status expected;
    };
    const std::vector<Case> cases = {
        // node 1 and node N closer than sqrt(tol)
        {"extent", {0.0f, 1.0e-4f, 0.0f}, {0.0f, 0.0f, 1.0e-4f}, {1, 4, 7}, {2, 3, 0, 3, 1, 0, 1, 2, 0},
         Status::ExtentTooSmall},
        // nodes 2 and 3 at one position
        {"arc", {0.0f, 1.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, {1, 5, 9, 13},
         {2, 3, 4, 0, 3, 4, 1, 0, 4, 1, 2, 0, 1, 2, 3, 0}, Status::NodesTooClose},
        // node 1's only neighbour: a 2 x 2 system of rank one
        {"collinear", {0.0f, 1.0f, 2.0f}, {0.0f, 0.0f, 0.0f}, {1, 3, 6}, {2, 0, 3, 1, 0, 2, 0},
         Status::Collinear},
    };
    for (const Case& c : cases) {
        std::vector<float> f(c.y.size(), 1.0f), g(2 * c.y.size(), 0.25f);
        const std::vector<float> before = g;
        Status st = kUntouched;
        grad_global(static_cast<std::int32_t>(c.y.size()), c.istart.data(), static_cast<std::int32_t>(c.iadj.size()),
                    c.iadj.data(), 100, f.data(), c.y.data(), c.z.data(), 0.001f, 1.0e-6f, g.data(), st);
        EXPECT_EQ(st, c.expected) << c.name;
        if (c.expected == Status::ExtentTooSmall) {
            EXPECT_TRUE(same_bits(g, before));
        }
    }
}

TEST(GradGlobal, NotANumberNeverConverges) {
    GridMesh m(3, 1.0f, [](float y, float) { return y; });
    m.f[5] = NAN;
    EXPECT_EQ(m.run(5, 0.001f), Status::NoConvergence);
}

// Later sweeps reuse the terms the first one worked out; refusing their
// storage (the first or the second allocation) makes every sweep work them
// out afresh. Both must leave the same bits and the same status.
TEST(GradGlobal, KeptTermsGiveTheSameGradientsAsWorkingThemOut) {
    std::vector<testing::TestMesh> meshes = {testing::delaunay_mesh(3000, 7, 100.0f),
                                             testing::lattice_mesh(40, 30, 2.0f, 0.3f, 11),
                                             testing::grid_mesh(25, 25, 0.5f, -3.0f, 2.0f, 0.2f, 5, true)};
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> height(-40.0f, -10.0f);
    struct Settings {
        std::int32_t nit;
        float eps;
    };
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        testing::TestMesh& m = meshes[i];
        std::vector<float> f;
        for (std::int32_t k = 0; k < m.n; ++k) f.push_back(height(rng));
        if (i == 2) f[17] = NAN;
        for (const Settings s : {Settings{100, 0.001f}, Settings{6, 0.0f}, Settings{1, 0.5f}}) {
            std::vector<std::vector<float>> g;
            std::vector<Status> st;
            for (int refuse : {0, 1, 2}) {
                g.emplace_back(2 * f.size(), 0.0f);
                st.push_back(kUntouched);
                alloc_fault::fail_nth(refuse);
                grad_global(m.n, m.istart.data(), m.nadj, m.iadj.data(), s.nit, f.data(), m.y.data(), m.z.data(),
                            s.eps, 1.0e-6f, g.back().data(), st.back());
                alloc_fault::fail_nth(0);
            }
            for (int refuse : {1, 2}) {
                EXPECT_EQ(st[0], st[refuse]) << "mesh " << i << " nit " << s.nit << " refuse " << refuse;
                EXPECT_TRUE(same_bits(g[0], g[refuse])) << "mesh " << i << " nit " << s.nit << " refuse " << refuse;
            }
        }
    }
}

}  // namespace
}  // namespace seabed
