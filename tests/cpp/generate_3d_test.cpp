// 3D generation: working arrays, the fast duplicate tests against their
// plain forms, grid counts, reading the node block and the driver's early
// failures.
#include "seabed/generate_3d.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/library_state.hpp"
#include "core/record_file.hpp"
#include "seabed/generate.hpp"
#include "seabed/node_data.hpp"
#include "support/files.hpp"
#include "support/generate_3d_files.hpp"

namespace seabed {
namespace {

using testing::RawFile;

class Generate3DTest : public ::testing::Test {
protected:
    void SetUp() override { reset_library_state(); }
    void TearDown() override { reset_library_state(); }
    testing::ScratchDir dir;
};

TEST_F(Generate3DTest, NodeArraysHaveTheDescribedExtents) {
    for (std::int32_t n : {2, 3, 10}) {
        NodeData d;
        ASSERT_EQ(allocate_nodes(d, n), Status::Ok);
        EXPECT_EQ(d.x.size(), n);
        EXPECT_EQ(d.grad.size(), 2 * n);
        EXPECT_EQ(d.t.ibnd.size(), static_cast<std::size_t>(n + 1));
        EXPECT_EQ(d.t.istart.size(), static_cast<std::size_t>(n));
        EXPECT_EQ(d.tri.size(), 3 * std::max(0, 2 * n - 5));
        // a second allocation over allocated arrays fails and leaves them for release
        EXPECT_EQ(allocate_nodes(d, n), Status::AllocNodeArrays);
        GenerationData g;
        g.nodes = std::move(d);
        EXPECT_TRUE(g.any_allocated());
        deallocate_nodes(g.nodes);
        deallocate_nodes(g.nodes);  // harmless
        EXPECT_FALSE(g.any_allocated());
    }
    GenerationData g;
    ASSERT_EQ(allocate_subnodes(g.subnodes, 4), Status::Ok);
    EXPECT_EQ(g.subnodes.tri.size(), 9);
    for (std::int64_t k = 0; k < 4; ++k) EXPECT_EQ(g.subnodes.nz[k], 0.0f);
    EXPECT_EQ(allocate_subnodes(g.subnodes, 4), Status::AllocSubnodeArrays);
    deallocate_subnodes(g.subnodes);
    EXPECT_FALSE(g.any_allocated());
}

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
    // Inclusive at the generation tolerance: 1.0e-4 apart goes, 1.1e-4 stays.
    library_state().node_tolerance = kNodeToleranceGenerate;
    NodeList l;
    for (Node v : {Node{1, 0, 0}, Node{2, 1.0e-4f, 0}, Node{3, 1.1e-4f, 1.0f}, Node{4, 0, 1.0f}}) l.append_data(v);
    remove_duplicate_nodes(l);
    ASSERT_EQ(l.length(), 3);
    EXPECT_EQ(l.at(2).x, 3.0f);
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
    testing::write_3d_input(p, std::vector<float>(24, 1.0f), 1.0f);
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

TEST_F(Generate3DTest, ZeroSpacingFailsBeforeTriangulating) {
    const std::string p = dir.path("flat.sbd");
    // Three collinear nodes: a triangulation would refuse them with another status.
    testing::write_3d_input(p, {1, 0, 0, 2, 1, 0, 3, 2, 0}, 0.0f);
    RecordFile file(file_system().open(p));
    std::int32_t duplicates = 0;
    EXPECT_EQ(generate_3d_input(file, 3, 0.0f, duplicates), Status::NodesTooClose);
    EXPECT_EQ(testing::status_in_file(p), 18);
    EXPECT_EQ(testing::message_in_file(p),
              testing::padded63("Distance between two input nodes in y-z plane is too small"));
    EXPECT_EQ(library_state().node_tolerance, kNodeToleranceGenerate);
}

}  // namespace
}  // namespace seabed
