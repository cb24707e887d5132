// The batch library against the per-point query code that the exports run:
// with the start node the batch reports (3D) or the hint a host would carry
// (2D), every result is the same, with one thread or several.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "batch/seabed_batch.h"
#include "seabed/profile/profile_2d.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/linear_interpolation.hpp"
#include "support/meshes.hpp"

namespace seabed {
namespace {

TEST(BatchQueries, SurfaceResultsEqualPerPointCallsWithTheReportedStart) {
    testing::TestMesh m = testing::delaunay_mesh(3000, 5, 100.0f);
    std::vector<float> grad;
    for (std::int32_t i = 0; i < m.n; ++i) {
        m.x[static_cast<std::size_t>(i)] = std::sin(m.y[static_cast<std::size_t>(i)] / 9.0f);
        grad.insert(grad.end(), {std::cos(m.y[static_cast<std::size_t>(i)] / 9.0f) / 9.0f, 0.0f});
    }
    const std::vector<float> nodes = m.nodes();
    // scattered points (some outside, one not a number), then a raster
    std::mt19937 g(2);
    std::uniform_real_distribution<double> u(-5.0, 105.0);
    std::vector<double> y, z;
    for (int k = 0; k < 4000; ++k) y.push_back(u(g)), z.push_back(u(g));
    y.push_back(NAN), z.push_back(1.0);
    for (int i = 0; i < 60; ++i)
        for (int j = 0; j < 60; ++j) y.push_back(1.7 * i), z.push_back(1.7 * j);
    const auto count = static_cast<std::int64_t>(y.size());

    seabed_batch_grid* grid = seabed_batch_grid_3d(m.n, nodes.data());
    ASSERT_NE(grid, nullptr);
    for (int method : {0, 1}) {
        for (int threads : {1, 3}) {
            std::vector<double> x(y.size()), normal(3 * y.size(), -7.0);
            std::vector<std::int32_t> status(y.size()), start(y.size());
            ASSERT_EQ(seabed_batch_3d(grid, method, count, y.data(), z.data(), m.n, m.nadj, nodes.data(),
                                      m.iadj.data(), m.istart.data(), grad.data(), x.data(), normal.data(),
                                      status.data(), start.data(), threads),
                      0);
            for (std::int64_t k = 0; k < count; ++k) {
                std::int32_t s = start[static_cast<std::size_t>(k)];
                ASSERT_TRUE(s >= 1 && s <= m.n) << k;
                double xe = 0.0, ne[3] = {-7.0, -7.0, -7.0};
                const Status st =
                    method == 1 ? interpolate_3d_cubic(y[k], z[k], m.n, m.nadj, nodes.data(), m.iadj.data(),
                                                       m.istart.data(), grad.data(), xe, ne, s)
                                : interpolate_3d_linear(y[k], z[k], m.n, m.nadj, nodes.data(), m.iadj.data(),
                                                        m.istart.data(), xe, ne, s);
                ASSERT_EQ(static_cast<std::int32_t>(st), status[static_cast<std::size_t>(k)]) << k;
                ASSERT_EQ(std::memcmp(&xe, &x[static_cast<std::size_t>(k)], sizeof xe), 0) << k;
                ASSERT_EQ(std::memcmp(ne, &normal[3 * static_cast<std::size_t>(k)], sizeof ne), 0) << k;
            }
        }
    }
    seabed_batch_grid_free(grid);
    EXPECT_EQ(seabed_batch_grid_3d(0, nodes.data()), nullptr);
    EXPECT_EQ(seabed_batch_3d(nullptr, 0, 1, y.data(), z.data(), m.n, m.nadj, nodes.data(), m.iadj.data(),
                              m.istart.data(), nullptr, y.data(), y.data(), nullptr, nullptr, 1),
              -1);
}

TEST(BatchQueries, ProfileCarriesTheSegmentOnlyForSortedPoints) {
    std::vector<float> profile = {1, 2, 4, 3, 5, 0, 1, 2, 3, 7, 9, 12};  // X then Y, 6 points
    const std::vector<float> slopes = {0.5f, 1, -1, 0, 2, 0};
    for (bool sorted : {true, false}) {
        std::vector<double> y;
        for (int k = 0; k < 300; ++k) y.push_back(sorted ? -1.0 + 0.05 * k : std::fmod(k * 7.31, 15.0) - 1.0);
        for (int method : {0, 1}) {
            std::vector<double> x(y.size()), slope(y.size(), -9.0);
            std::vector<std::int32_t> seg(y.size());
            ASSERT_EQ(seabed_batch_2d(method, static_cast<std::int64_t>(y.size()), y.data(), 6, profile.data(),
                                      slopes.data(), x.data(), slope.data(), seg.data()),
                      0);
            SegmentCode hint = 0;
            for (std::size_t k = 0; k < y.size(); ++k) {
                if (!sorted) hint = 0;
                double xe = 0.0, se = -9.0;
                if (method == 1)
                    interpolate_2d_cubic(y[k], 6, profile.data(), slopes.data(), xe, se, hint);
                else
                    interpolate_2d_linear(y[k], 6, profile.data(), xe, se, hint);
                ASSERT_EQ(xe, x[k]) << k;
                ASSERT_EQ(std::memcmp(&se, &slope[k], sizeof se), 0) << k;
                ASSERT_EQ(hint, seg[k]) << k;
            }
        }
    }
}

}  // namespace
}  // namespace seabed
