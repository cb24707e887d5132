// 3D generation: the fast duplicate tests against their plain forms, grid
// counts and a short node block.
#include "seabed/surface/generate_3d.hpp"
#include "seabed/surface/node_cells.hpp"
#include "seabed/surface/sub_nodes.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/library_state.hpp"
#include "core/random.hpp"
#include "core/record_file.hpp"
#include "seabed/file/generate.hpp"
#include "seabed/query/lookup.hpp"
#include "seabed/surface/local_order.hpp"
#include "seabed/surface/node_data.hpp"
#include "seabed/triangulation/triangulation.hpp"
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
    for (bool coarse : {true, false})  // the coarse grid (with the table where it gives up) and the table alone
        for (float tol : {1.0e-4f, 1.0e-6f, 0.5f}) {
            node_cells_tuning::coarse = coarse;
            library_state().node_tolerance = tol;
            for (int round = 0; round < 40; ++round) {
                auto nodes = clustered_nodes(rng, 1 + round * 7, tol);
                // spread over many cells, every third node near a node before it; a
                // strip ten times longer than wide in every other such round
                if (round % 2 == 1) {
                    const float wide = round % 4 == 3 ? 0.1f : 1.0f;
                    std::uniform_real_distribution<float> far(-500.0f * tol, 500.0f * tol), near(-tol, tol);
                    for (std::size_t i = 0; i < nodes.size(); ++i) {
                        const Node& b = nodes[i / 2];
                        nodes[i].y = i % 3 == 2 ? b.y + near(rng) : far(rng);
                        nodes[i].z = i % 3 == 2 ? b.z + (i % 2 ? 0.0f : near(rng)) : far(rng) * wide;
                    }
                }
                NodeList fast, plain;
                for (const Node& v : nodes) {
                    ASSERT_TRUE(fast.append_data(v));
                    ASSERT_TRUE(plain.append_data(v));
                }
                remove_duplicate_nodes(fast);
                plain.remove_duplicates();
                ASSERT_EQ(fast.length(), plain.length()) << coarse << " " << tol << " " << round;
                EXPECT_EQ(std::memcmp(fast.data(), plain.data(), sizeof(Node) * plain.length()), 0);
            }
        }
    node_cells_tuning::coarse = true;
}

/// The sampling through the renumbered copy of the triangulation with the
/// walks' memory (local_order_tuning::enabled) against the plain walk over
/// the original: the same file, byte for byte, on random nodes, nodes far
/// from the origin, lattices whose sub-nodes fall on nodes and edges, in
/// raster and in shuffled order, and nodes on a coarse grid of values.
TEST_F(Generate3DTest, SamplingThroughTheRenumberedCopyWritesThePlainFormsFile) {
    std::mt19937 rng(5);
    auto random_nodes = [&](int n, float origin, float box, float quantum) {
        std::uniform_real_distribution<float> u(0.0f, box), h(-50.0f, -10.0f);
        std::vector<float> v;
        for (int i = 0; i < n; ++i) {
            float y = u(rng), z = u(rng);
            if (quantum > 0.0f) y = std::round(y / quantum) * quantum, z = std::round(z / quantum) * quantum;
            v.insert(v.end(), {h(rng), origin + y, origin + z});
        }
        return v;
    };
    auto lattice = [&](int side, bool shuffled) {
        std::vector<std::array<float, 3>> p;
        for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j) p.push_back({-30.0f + 0.1f * static_cast<float>((i * 7 + j) % 13), float(i), float(j)});
        if (shuffled) std::shuffle(p.begin(), p.end(), rng);
        std::vector<float> v;
        for (const auto& a : p) v.insert(v.end(), a.begin(), a.end());
        return v;
    };
    struct Case {
        const char* what;
        std::vector<float> nodes;
        float spacing;
    } cases[] = {{"random", random_nodes(3000, 0.0f, 100.0f, 0.0f), 1.3f},
                 {"far from the origin", random_nodes(2000, 5.0e4f, 100.0f, 0.0f), 1.7f},
                 {"lattice, sub-nodes on the nodes", lattice(40, false), 1.0f},
                 {"lattice, sub-nodes on nodes and edges", lattice(30, false), 0.5f},
                 {"shuffled lattice", lattice(30, true), 0.5f},
                 {"grid of values", random_nodes(1500, 0.0f, 40.0f, 0.25f), 0.25f}};
    const std::string path = dir.path("s.sbd");
    for (const Case& c : cases) {
        std::string file[2];
        for (int form = 0; form < 2; ++form) {
            local_order_tuning::enabled = form == 0;
            reset_library_state();
            reset_random_for_tests();
            testing::write_input(path, 2, c.nodes, c.spacing);
            std::int32_t duplicates = 0;
            RecordFile f(file_system().open(path));
            ASSERT_EQ(generate_3d_input(f, static_cast<std::int32_t>(c.nodes.size() / 3), c.spacing, duplicates),
                      Status::Ok)
                << c.what;
            file[form] = RawFile(path).contents();
        }
        local_order_tuning::enabled = true;
        EXPECT_TRUE(file[0] == file[1]) << c.what;
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

/// A search over the renumbered copy, started from a random node (start 0),
/// ends in the renumbered triangle the search over the original finds.
TEST_F(Generate3DTest, SearchesOverTheRenumberedCopyDrawTheOriginalsStartNodes) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(0.0f, 50.0f);
    NodeData nd;
    const std::int32_t n = 400;
    ASSERT_EQ(allocate_nodes(nd, n), Status::Ok);
    for (std::int32_t i = 0; i < n; ++i) nd.x[i] = 0.0f, nd.y[i] = u(rng), nd.z[i] = u(rng);
    ASSERT_EQ(triangulate(n, kGenerateTol, nd.x.data(), nd.y.data(), nd.z.data(), nd.t), Status::Ok);
    std::fill(nd.grad.data(), nd.grad.data() + 2 * n, 0.0f);
    LocalOrder lo;
    ASSERT_EQ(build_local_order(nd, lo), Status::Ok);
    ASSERT_TRUE(lo.used);
    for (int q = 0; q < 200; ++q) {
        const double y = double(u(rng)) * 1.1 - 2.0, z = double(u(rng)) * 1.1 - 2.0;
        std::int32_t a[5] = {0, 0, 0, 0, 0}, b[5] = {0, 0, 0, 0, 0};  // start, i1, i2, i3, same
        reset_random_for_tests();
        ASSERT_EQ(lookup_sgl_new(n, nd.t.nadj, nd.t.iadj.data(), nd.t.istart.data(), nd.y.data(), nd.z.data(), y, z,
                                 a[0], a[1], a[2], a[3], a[4]),
                  Status::Ok);
        reset_random_for_tests();
        ASSERT_EQ(lookup_sgl_new(n, lo.nadj, lo.iadj.data(), lo.istart.data(), lo.y.data(), lo.z.data(), y, z, b[0],
                                 b[1], b[2], b[3], b[4], lo.renumber.data()),
                  Status::Ok);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(a[k] > 0 ? lo.renumber[static_cast<std::size_t>(a[k] - 1)] : a[k], b[k]);
    }
    deallocate_nodes(nd);
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
