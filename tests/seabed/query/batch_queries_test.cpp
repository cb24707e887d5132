// The batch library against the per-point query code that the exports run:
// with the start node the batch reports (3D) or the hint a host would carry
// (2D), every result is the same, with one thread or several.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "batch/seabed_batch.h"
#include "core/try_resize.hpp"
#include "seabed/profile/profile_2d.hpp"
#include "seabed/query/batch_nodes.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/linear_interpolation.hpp"
#include "seabed/query/lookup.hpp"
#include "support/meshes.hpp"

namespace seabed {
namespace {

using Prepared = std::unique_ptr<seabed_batch_3d_seabed, decltype(&seabed_batch_free_3d)>;

/// A 3000-node surface, intact or with its lists damaged.
struct Surface {
    testing::TestMesh m = testing::delaunay_mesh(3000, 5, 100.0f);
    std::vector<float> grad;
    Surface() {
        for (std::int32_t i = 0; i < m.n; ++i) {
            m.x[static_cast<std::size_t>(i)] = std::sin(m.y[static_cast<std::size_t>(i)] / 9.0f);
            grad.insert(grad.end(), {std::cos(m.y[static_cast<std::size_t>(i)] / 9.0f) / 9.0f, 0.0f});
        }
    }
};

// Scattered points (some outside, one not a number) and then a raster, on
// the packed copy of an intact and of a damaged surface, and on the host's
// arrays read in place (lists that overlap are not copied): every answer and
// the triangle it used are the per-point query's from the reported start,
// and the raster's points mostly start at a vertex of the triangle before.
TEST(BatchQueries, SurfaceResultsEqualPerPointCallsWithTheReportedStart) {
    std::mt19937 g(2);
    std::uniform_real_distribution<double> u(-5.0, 105.0);
    std::vector<double> y, z;
    for (int k = 0; k < 4000; ++k) y.push_back(u(g)), z.push_back(u(g));
    y.push_back(NAN), z.push_back(1.0);
    for (int i = 0; i < 60; ++i)
        for (int j = 0; j < 60; ++j) y.push_back(1.7 * i), z.push_back(1.7 * j);
    const auto count = static_cast<std::int64_t>(y.size());

    for (const char* damage : {"none", "entry out of range", "lists overlap"}) {
        Surface s;
        testing::TestMesh& m = s.m;
        for (std::size_t j = 100; j < m.istart.size() && damage == std::string("entry out of range"); j += 100)
            m.iadj[static_cast<std::size_t>(m.istart[j])] = m.n + 7;
        if (damage == std::string("lists overlap")) m.istart[1500] = 1;  // node 1501's list holds all before it
        const std::vector<float> nodes = m.nodes();
        std::map<int, std::vector<double>> copied;  // the copy's answers, by method and threads
        for (int copy : {1, 0}) {  // copied (unless the lists overlap) and read in place
            const Prepared prepared(seabed_batch_prepare_3d(m.n, m.nadj, nodes.data(), m.iadj.data(), m.istart.data(),
                                                            s.grad.data(), copy),
                                    seabed_batch_free_3d);
            ASSERT_NE(prepared, nullptr);
            for (int method : {0, 1}) {
                for (int threads : {1, 3}) {
                    std::vector<double> x(y.size()), normal(3 * y.size(), -7.0);
                    std::vector<std::int32_t> status(y.size()), start(y.size()), tri(3 * y.size());
                    ASSERT_EQ(seabed_batch_3d(prepared.get(), method, count, y.data(), z.data(), x.data(),
                                              normal.data(), status.data(), start.data(), tri.data(), threads),
                              0);
                    // a copy changes the speed, not an answer or a start node
                    std::vector<double> all(x);
                    all.insert(all.end(), normal.begin(), normal.end());
                    for (const auto* ints : {&status, &start, &tri}) all.insert(all.end(), ints->begin(), ints->end());
                    if (copy == 1) copied[method * 10 + threads] = all;
                    else
                        ASSERT_EQ(std::memcmp(all.data(), copied[method * 10 + threads].data(),
                                              all.size() * sizeof(double)),
                                  0)
                            << damage << " method " << method;
                    std::int64_t continued = 0, at_nearest = 0;
                    for (std::size_t k = 0; k < y.size(); ++k) {
                        std::int32_t st = start[k];
                        ASSERT_TRUE(st >= 1 && st <= m.n) << k;
                        // a scattered point inside starts from a node of its own grid cell or one near it
                        if (k < 4000 && y[k] >= 0.0 && y[k] <= 100.0 && z[k] >= 0.0 && z[k] <= 100.0) {
                            const auto at = static_cast<std::size_t>(st) - 1;
                            const double dy = static_cast<double>(m.y[at]) - y[k];
                            ASSERT_LT(std::hypot(dy, static_cast<double>(m.z[at]) - z[k]), 10.0)
                                << damage << " " << k;
                        }
                        const std::int32_t* before = k > 4001 && k % 60 != 0 ? &tri[3 * k - 3] : nullptr;
                        if (before && before[0] > 0 && (st == before[0] || st == before[1] || st == before[2])) {
                            ++continued;
                            // mostly the vertex nearest the point, the first of equals (else a grid
                            // node that happens to be a vertex: the nearest lay beyond a grid cell)
                            std::int32_t nearest = before[0];
                            double best = INFINITY;
                            for (int i = 0; i < 3; ++i) {
                                const auto at = static_cast<std::size_t>(before[i]) - 1;
                                const double dy = y[k] - static_cast<double>(m.y[at]);
                                const double dz = z[k] - static_cast<double>(m.z[at]);
                                if (dy * dy + dz * dz < best) best = dy * dy + dz * dz, nearest = before[i];
                            }
                            at_nearest += st == nearest;
                        }
                        double xe = 0.0, ne[3] = {-7.0, -7.0, -7.0};
                        const Status se =
                            method == 1 ? interpolate_3d_cubic(y[k], z[k], m.n, m.nadj, nodes.data(), m.iadj.data(),
                                                               m.istart.data(), s.grad.data(), xe, ne, st)
                                        : interpolate_3d_linear(y[k], z[k], m.n, m.nadj, nodes.data(), m.iadj.data(),
                                                                m.istart.data(), xe, ne, st);
                        ASSERT_EQ(static_cast<std::int32_t>(se), status[k]) << damage << " " << k;
                        ASSERT_EQ(std::memcmp(&xe, &x[k], sizeof xe), 0) << damage << " " << k;
                        ASSERT_EQ(std::memcmp(ne, &normal[3 * k], sizeof ne), 0) << damage << " " << k;
                        // the triangle: the one the per-point search finds from that start
                        std::int32_t t[3] = {0, 0, 0}, same = 0, s2 = start[k];
                        (void)lookup_sgl_new(m.n, m.nadj, m.iadj.data(), m.istart.data(), m.y.data(), m.z.data(),
                                             y[k], z[k], s2, t[0], t[1], t[2], same);
                        ASSERT_TRUE(t[0] == tri[3 * k] && t[1] == tri[3 * k + 1] && t[2] == tri[3 * k + 2]) << k;
                    }
                    EXPECT_GT(continued, 3000);
                    EXPECT_GT(at_nearest, continued * 19 / 20);
                }
            }
        }
        // without gradients: linear only
        const Prepared linear_only(
            seabed_batch_prepare_3d(m.n, m.nadj, nodes.data(), m.iadj.data(), m.istart.data(), nullptr, 1),
            seabed_batch_free_3d);
        std::vector<double> x(1), normal(3);
        std::vector<std::int32_t> status(1);
        for (int method : {1, 0})
            EXPECT_EQ(seabed_batch_3d(linear_only.get(), method, 1, y.data(), z.data(), x.data(), normal.data(),
                                      status.data(), nullptr, nullptr, 1),
                      method == 1 ? -1 : 0);
    }
    Surface s;
    const std::vector<float> nodes = s.m.nodes();
    EXPECT_EQ(seabed_batch_prepare_3d(0, s.m.nadj, nodes.data(), s.m.iadj.data(), s.m.istart.data(), nullptr, 1),
              nullptr);
    std::vector<double> x(1), normal(3);
    std::vector<std::int32_t> status(1);
    EXPECT_EQ(seabed_batch_3d(nullptr, 0, 1, y.data(), z.data(), x.data(), normal.data(), status.data(), nullptr,
                              nullptr, 1),
              -1);
}

// Memory that runs out part way (the k-th allocation refused, k = 1, 2, ...):
// preparing gives null or a seabed that still answers, and a batch gives -1
// or every answer, never an exception through the C interface.
// A cached triangle serves only the same vertices in the same order (the
// order sets the last bits of an answer).
TEST(BatchQueries, ACachedTriangleServesOnlyTheSameVerticesInOrder) {
    std::int32_t cache[4] = {1, 2, 3, 9};  // [3]: what a read past the cache would find
    const std::int32_t same[3] = {1, 2, 3}, third[3] = {1, 2, 9}, rotated[3] = {2, 9, 1};
    EXPECT_FALSE(batch_nodes::new_triangle(cache, same));
    EXPECT_TRUE(batch_nodes::new_triangle(cache, third));
    EXPECT_TRUE(batch_nodes::new_triangle(cache, rotated));
    EXPECT_TRUE(cache[0] == 2 && cache[1] == 9 && cache[2] == 1);
}

TEST(BatchQueries, MemoryThatRunsOutIsMinusOneOrNullNeverAThrow) {
    Surface s;
    const std::vector<float> nodes = s.m.nodes();
    std::mt19937 g(4);
    std::uniform_real_distribution<double> u(0.0, 100.0);
    std::vector<double> y, z;
    for (int k = 0; k < 5000; ++k) y.push_back(u(g)), z.push_back(u(g));
    const auto count = static_cast<std::int64_t>(y.size());
    int refused = 0;
    for (std::int64_t k = 1;; ++k) {
        alloc_fault::fail_nth(k);
        const Prepared prepared(seabed_batch_prepare_3d(s.m.n, s.m.nadj, nodes.data(), s.m.iadj.data(),
                                                        s.m.istart.data(), s.grad.data(), 1),
                                seabed_batch_free_3d);
        std::vector<double> x(y.size(), -1.0), normal(3 * y.size());
        std::vector<std::int32_t> status(y.size(), -9);
        const std::int32_t rc = prepared ? seabed_batch_3d(prepared.get(), 1, count, y.data(), z.data(), x.data(),
                                                           normal.data(), status.data(), nullptr, nullptr, 1)
                                         : -1;
        const bool reached = alloc_fault::countdown.load() == 0;
        alloc_fault::fail_nth(0);
        if (!reached) break;  // the k-th allocation never came
        ASSERT_TRUE(rc == 0 || rc == -1) << k;
        refused += rc == -1;
        for (std::size_t q = 0; rc == 0 && q < y.size(); ++q) ASSERT_NE(status[q], -9) << k << " " << q;
    }
    EXPECT_GT(refused, 2);
}

// Sorted points carry the segment, scattered ones get the bisection's answer
// (hint 0), on a profile whose Y increase and on one whose Y do not (where a
// walk and a bisection may disagree).
TEST(BatchQueries, ProfileCarriesTheSegmentOnlyForSortedPoints) {
    const std::vector<float> slopes = {0.5f, 1, -1, 0, 2, 0};
    for (const float y4 : {7.0f, 1.5f, NAN}) {
        const std::vector<float> profile = {1, 2, 4, 3, 5, 0, 1, 2, 3, y4, 9, 12};  // X then Y, 6 points
        for (bool sorted : {true, false}) {
            std::vector<double> y;
            for (int k = 0; k < 5000; ++k) y.push_back(sorted ? -1.0 + 0.003 * k : std::fmod(k * 7.31, 15.0) - 1.0);
            if (!sorted) y.push_back(NAN);
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
                    ASSERT_EQ(std::memcmp(&xe, &x[k], sizeof xe), 0) << k;
                    ASSERT_EQ(std::memcmp(&se, &slope[k], sizeof se), 0) << k;
                    ASSERT_EQ(hint, seg[k]) << k;
                }
            }
        }
    }
}

}  // namespace
}  // namespace seabed
