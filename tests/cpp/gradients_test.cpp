// Gradient estimation on hand-built triangulations of regular grids.
#include "seabed/gradients.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace seabed {
namespace {

/// Nodes (i h, j h) of a (k+1) x (k+1) grid, node 1 at the origin and node N
/// at the far corner, squares cut along (i, j)-(i+1, j+1); neighbour lists
/// counter-clockwise, a hull node's ending in 0.
struct GridMesh {
    std::int32_t n = 0, nadj = 0;
    std::vector<float> y, z, f, g;
    std::vector<std::int32_t> istart, iadj;

    GridMesh(int k, float h, const std::function<float(float, float)>& surface) {
        const int dirs[6][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 0}, {-1, -1}, {0, -1}};
        auto id = [k](int i, int j) { return j * (k + 1) + i + 1; };
        for (int j = 0; j <= k; ++j)
            for (int i = 0; i <= k; ++i) {
                y.push_back(static_cast<float>(i) * h);
                z.push_back(static_cast<float>(j) * h);
                f.push_back(surface(y.back(), z.back()));
            }
        n = static_cast<std::int32_t>(y.size());
        for (int j = 0; j <= k; ++j)
            for (int i = 0; i <= k; ++i) {
                istart.push_back(static_cast<std::int32_t>(iadj.size()) + 1);
                // A hull node's list starts after the gap on the outside.
                std::vector<int> present;
                for (const auto& d : dirs) {
                    const int a = i + d[0], b = j + d[1];
                    present.push_back(a >= 0 && a <= k && b >= 0 && b <= k ? id(a, b) : 0);
                }
                int first = 0;
                for (int s = 0; s < 6; ++s)
                    if (present[s] == 0 && present[(s + 1) % 6] != 0) first = (s + 1) % 6;
                const bool hull = i == 0 || j == 0 || i == k || j == k;
                for (int s = 0; s < 6; ++s)
                    if (int v = present[(first + s) % 6]; v != 0) iadj.push_back(v);
                if (hull) iadj.push_back(0);
            }
        nadj = static_cast<std::int32_t>(iadj.size());
        g.assign(2 * y.size(), 0.0f);
    }

    Status run(std::int32_t nit, float eps, Status initial = Status::BadVersion) {
        Status st = initial;
        grad_global(n, istart.data(), nadj, iadj.data(), nit, f.data(), y.data(), z.data(), eps, 1.0e-6f, g.data(),
                    st);
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
}

TEST(GradGlobal, ConstantDataKeepsZeroGradients) {
    GridMesh m(3, 0.5f, [](float, float) { return -7.25f; });
    EXPECT_EQ(m.run(0, 0.001f), kUntouched);
    EXPECT_TRUE(same_bits(m.g, std::vector<float>(m.g.size(), 0.0f)));
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
            worst = std::max(worst, std::hypot(m.g[2 * i] - gy, m.g[2 * i + 1] - gz));
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
        if (c.expected == Status::ExtentTooSmall) EXPECT_TRUE(same_bits(g, before));
    }
}

TEST(GradGlobal, NotANumberNeverConverges) {
    GridMesh m(3, 1.0f, [](float y, float) { return y; });
    m.f[5] = NAN;
    EXPECT_EQ(m.run(5, 0.001f), Status::NoConvergence);
}

}  // namespace
}  // namespace seabed
