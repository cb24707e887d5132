// 3D generation: the fast duplicate tests against their plain forms, grid
// counts and a short node block.
#include "seabed/surface/generate_3d.hpp"
#include "seabed/surface/node_cells.hpp"
#include "seabed/surface/sub_nodes.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/library_state.hpp"
#include "core/record_file.hpp"
#include "seabed/file/generate.hpp"
#include "seabed/surface/node_data.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

using testing::RawFile;

class Generate3DTest : public testing::FreshProcessTest {};

TEST_F(Generate3DTest, GridCountsFollowTheSpacing) {
    struct Case {
        float range, spacing;
        bool ok;
        std::int64_t count;
        float step;
    };
    const Case cases[] = {
        {10.0f, 2.5f, true, 5, 2.5f},        // the square of side 10
        {1.0f, 5.0f, true, 2, 1.0f},         // spacing wider than the box: its two ends
        {10.0f, 3.0f, true, 4, 10.0f / 3.0f},  // step widened to fit the range
        {10.0f, INFINITY, true, 2, 10.0f},
        {50000.0f, 1.0f, false, 0, 0.0f},    // 50001 lines: above the cap
        {46339.0f, 1.0f, true, 46340, 1.0f},  // the largest count that fits
        {10.0f, NAN, false, 0, 0.0f},
        {10.0f, -1.0f, false, 0, 0.0f},
    };
    for (const Case& c : cases) {
        GridAxis a;
        EXPECT_EQ(grid_axis(c.range, c.spacing, a), c.ok) << c.range << " " << c.spacing;
        if (!c.ok) continue;
        EXPECT_EQ(a.count, c.count);
        EXPECT_EQ(a.step, c.step);
    }
}

/// Coordinates on a lattice of a fifth of the tolerance, with a few values
/// right at its edge and some that are not numbers, so that equal, barely
/// equal and barely unequal pairs are all frequent.
std::vector<Node> clustered_nodes(std::mt19937& rng, int count, float tol) {
    std::uniform_int_distribution<int> cell(0, 40), kind(0, 40);
    std::vector<Node> out;
    for (int i = 0; i < count; ++i) {
        auto coord = [&]() {
            const int k = kind(rng);
            if (k == 0) return NAN;
            if (k == 1) return INFINITY;
            if (k == 2) return static_cast<float>(cell(rng)) * tol;  // exact multiples: ties at tol
            if (k == 3) return 1.0e30f;
            if (k == 4) return -0.0f;
            if (k == 5) return static_cast<float>(-cell(rng)) * tol;  // ties on the negative side of 0
            if (k < 12) return 3.0f + std::uniform_real_distribution<float>(0.0f, 8.0f * tol)(rng);
            return static_cast<float>(cell(rng)) * 0.2f * tol + 3.0f;
        };
        out.push_back(Node{static_cast<float>(i), coord(), coord()});
    }
    return out;
}

TEST_F(Generate3DTest, CellDuplicateRemovalEqualsTheListOperation) {
    std::mt19937 rng(7);
    for (float tol : {1.0e-4f, 1.0e-6f, 0.5f}) {
        library_state().node_tolerance = tol;
        for (int round = 0; round < 40; ++round) {
            const auto nodes = clustered_nodes(rng, 1 + round * 7, tol);
            NodeList fast, plain;
            for (const Node& v : nodes) {
                ASSERT_TRUE(fast.append_data(v));
                ASSERT_TRUE(plain.append_data(v));
            }
            remove_duplicate_nodes(fast);
            plain.remove_duplicates();
            ASSERT_EQ(fast.length(), plain.length()) << tol << " " << round;
            EXPECT_EQ(std::memcmp(fast.data(), plain.data(), sizeof(Node) * plain.length()), 0);
        }
    }
}

TEST_F(Generate3DTest, CellSubnodeTestEqualsTheScan) {
    std::mt19937 rng(11);
    const double tol = static_cast<double>(kNodeToleranceGenerate);
    for (int round = 0; round < 20; ++round) {
        const auto pts = clustered_nodes(rng, 50 + 30 * round, kNodeToleranceGenerate);
        std::vector<float> y, z;
        for (const Node& p : pts) {
            y.push_back(p.y);
            z.push_back(p.z);
        }
        SubnodeIndex index(y.data(), z.data(), tol);
        // a block at once (the grid points), then one at a time (the hull points)
        const auto first = static_cast<std::int32_t>(y.size() / 2);
        index.add_first(first);
        for (std::int32_t k = first; k < static_cast<std::int32_t>(y.size()); ++k) {
            // query before adding: the test runs against the points stored so far
            ASSERT_EQ(index.has_close(y[k], z[k]), SubnodeIndex::scan(y.data(), z.data(), k, tol, y[k], z[k]))
                << round << " " << k;
            const float qy = y[k] + static_cast<float>(tol), qz = z[k] - 0.99f * static_cast<float>(tol);
            ASSERT_EQ(index.has_close(qy, qz), SubnodeIndex::scan(y.data(), z.data(), k, tol, qy, qz));
            index.add(k);
        }
    }
}

TEST_F(Generate3DTest, ShortNodeBlockIsAReadFailureWithTheFileUnchanged) {
    const std::string p = dir.path("short.sbd");
    // 8 nodes need 24 values: three records; only two are there.
    testing::write_input(p, 2, std::vector<float>(24, 1.0f), 1.0f);
    RawFile(p).truncate(32 * 13);
    const std::string before = testing::bytes_of(p);
    for (std::int32_t n : {8, INT32_MAX}) {
        RecordFile file(file_system().open(p));
        std::int32_t duplicates = 0;
        EXPECT_EQ(generate_3d_input(file, n, 1.0f, duplicates), Status::FileRead) << n;
        EXPECT_EQ(duplicates, 0);
    }
    EXPECT_EQ(testing::bytes_of(p), before);
}

}  // namespace
}  // namespace seabed
