// 3D generation through triangulation, gradients and sub-node sampling: the
// file it leaves, its failures, hostile input, and the road from a test file
// through generation and loading to the cubic query.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <optional>
#include <vector>

#include "core/record_file.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/file/generate.hpp"
#include "seabed/surface/generate_3d.hpp"
#include "seabed/file/seabed.hpp"
#include "support/files.hpp"
#include "test_file/test_file.hpp"

namespace seabed {
namespace {

using testing::RawFile;

/// Records per block of v values, by the integer formula.
std::int64_t records_of(std::int64_t v) { return v <= 0 ? 0 : (v - 1) / 8 + 1; }

/// A generated 3D seabed file read back block by block, without library code.
struct Stored3D {
    std::int32_t type = 0, n = 0, nt = 0, ns = 0, nst = 0, nadj = 0;
    float spacing = 0.0f;
    std::vector<float> nodes, subnodes, normals, gradients;  // (X, Y, Z) / (dX/dY, dX/dZ) per item
    std::vector<std::int32_t> triangles, iadj, istart, subtriangles;
    std::int64_t end_record = 0;  // first record after block 8

    explicit Stored3D(const std::string& path) {
        RawFile f(path);
        auto r8 = f.values<std::int32_t>(8, 3);
        type = r8[0];
        n = r8[1];
        std::memcpy(&spacing, &r8[2], 4);
        auto r11 = f.values<std::int32_t>(11, 4);
        nt = r11[0], ns = r11[1], nst = r11[2], nadj = r11[3];
        std::int64_t rec = 12;
        auto floats = [&](std::int64_t count) {
            auto v = f.values<float>(rec, static_cast<std::size_t>(count));
            rec += records_of(count);
            return v;
        };
        auto ints = [&](std::int64_t count) {
            auto v = f.values<std::int32_t>(rec, static_cast<std::size_t>(count));
            rec += records_of(count);
            return v;
        };
        nodes = floats(3 * n);
        triangles = ints(3 * nt);
        iadj = ints(nadj);
        istart = ints(n);
        subnodes = floats(3 * ns);
        normals = floats(3 * ns);
        subtriangles = ints(3 * nst);
        gradients = floats(2 * n);
        end_record = rec;
    }
    /// The sub-node triangulation's triangles as the checker reads them.
    Triangulation sub_triangles() const {
        Triangulation t;
        t.itri = subtriangles;
        t.nt = nst;
        return t;
    }
};

class Generate3DFlowTest : public testing::FreshProcessTest {
protected:
    /// Writes the input and runs the 3D branch on it.
    Status generate(const std::string& name, const std::vector<float>& values, float spacing,
                    std::optional<std::int32_t> n = std::nullopt) {
        path = dir.path(name);
        testing::write_input(path, 2, values, spacing, n);
        duplicates = 0;
        RawFile raw(path);
        auto r8 = raw.values<std::int32_t>(8, 2);
        RecordFile file(file_system().open(path));
        return generate_3d_input(file, r8[1], spacing, duplicates);
    }
    std::string path;
    std::int32_t duplicates = 0;
};

/// Every sub-node's normal has unit length and points up; every sub-node
/// lies in the box of the nodes.
void expect_sane_subnodes(const Stored3D& s) {
    float ymin = INFINITY, ymax = -INFINITY, zmin = INFINITY, zmax = -INFINITY;
    for (std::int32_t i = 0; i < s.n; ++i) {
        ymin = std::min(ymin, s.nodes[3 * i + 1]);
        ymax = std::max(ymax, s.nodes[3 * i + 1]);
        zmin = std::min(zmin, s.nodes[3 * i + 2]);
        zmax = std::max(zmax, s.nodes[3 * i + 2]);
    }
    for (std::int32_t k = 0; k < s.ns; ++k) {
        const float* v = &s.normals[3 * k];
        // a unit vector computed in float: length within a few float roundings of 1
        const double a = v[0], b = v[1], c = v[2];
        EXPECT_NEAR(std::sqrt(a * a + b * b + c * c), 1.0, 1.0e-6);
        EXPECT_GT(v[0], 0.0f);
        EXPECT_GE(s.subnodes[3 * k + 1], ymin);
        EXPECT_LE(s.subnodes[3 * k + 1], ymax * (1.0f + 1.0e-6f) + 1.0e-6f);
        EXPECT_GE(s.subnodes[3 * k + 2], zmin);
        EXPECT_LE(s.subnodes[3 * k + 2], zmax * (1.0f + 1.0e-6f) + 1.0e-6f);
    }
}

TEST_F(Generate3DFlowTest, SubnodeCountsOfTheWorkedBoxes) {
    struct Case {
        const char* name;
        std::vector<float> values;
        float spacing;
        std::int32_t ns;
    };
    const std::vector<Case> cases = {
        // 15 grid points with y + z <= 4; the legs' hull points fall on grid
        // points, the long side's 5 start at (4, 0) and add 4 more
        {"triangle", {1, 0, 0, 2, 4, 0, 3, 0, 4}, 1.0f, 19},
        // corners of a square of side 10: a 5 x 5 grid; every hull point is a grid point
        {"square", {1, 0, 0, 2, 10, 0, 3, 10, 10, 4, 0, 10}, 2.5f, 25},
        // spacing wider than the box: the corners inside, and nothing more
        {"wide", {1, 0, 0, 2, 1, 0, 3, 0, 1}, 5.0f, 3},
        {"wide square", {1, 0, 0, 2, 1, 0, 3, 1, 1, 4, 0, 1}, 50.0f, 4},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(generate(c.name, c.values, c.spacing), Status::Ok) << c.name;
        Stored3D s(path);
        EXPECT_EQ(s.ns, c.ns) << c.name;
        expect_sane_subnodes(s);
    }
}

TEST_F(Generate3DFlowTest, HullEdgeOfTwoAndAHalfSpacingsGivesTwoPoints) {
    // Side A(0,0)-B(2,1.5) is 2.5 long; no grid line passes its midpoint.
    ASSERT_EQ(generate("edge.sbd", {0, 0, 0, 1, 2.0f, 1.5f, 2, -1.5f, 2}, 1.0f), Status::Ok);
    Stored3D s(path);
    auto stored = [&](float y, float z) {
        for (std::int32_t k = 0; k < s.ns; ++k)
            if (s.subnodes[3 * k + 1] == y && s.subnodes[3 * k + 2] == z) return true;
        return false;
    };
    const float len = std::sqrt(2.0f * 2.0f + 1.5f * 1.5f);
    const float step = len / 2.0f;
    const float t = 1.0f * step;
    EXPECT_TRUE(stored(2.0f / len * t + 0.0f, 1.5f / len * t + 0.0f));
    EXPECT_TRUE(stored(0.0f, 0.0f));
    // a third point along the side would be at 2 x step, that is at B
    EXPECT_TRUE(stored(2.0f, 1.5f));
}

TEST_F(Generate3DFlowTest, DuplicatesWithinTheToleranceAreRemovedInclusively) {
    const std::vector<float> base = {1, 0, 0, 2, 10, 0, 3, 10, 10, 4, 0, 10};
    struct Case {
        float offset;
        std::int32_t n, dup;
    };
    for (Case c : {Case{1.0e-4f, 4, 1}, Case{1.1e-4f, 5, 0}}) {
        std::vector<float> v = base;
        v.insert(v.end(), {9.0f, c.offset, 0.0f});
        ASSERT_EQ(generate("dup.sbd", v, 2.5f), Status::Ok) << c.offset;
        Stored3D s(path);
        EXPECT_EQ(duplicates, c.dup);
        EXPECT_EQ(s.n, c.n);
        // the node that came first survives
        for (std::int32_t i = 0; i < s.n; ++i) EXPECT_NE(s.nodes[3 * i], c.dup ? 9.0f : -1.0f);
    }
}

TEST_F(Generate3DFlowTest, FailuresAreRecordedAndWriteNoBlocks) {
    struct Case {
        const char* name;
        std::vector<float> values;
        float spacing;
        Status expected;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"collinear", {1, 0, 0, 2, 1, 1, 3, 2, 2, 4, 3, 3}, 0.5f, Status::Collinear,
         "There are three adjacent input nodes collinear"},
        {"slivers", {1, 0, 0, 2, 1, 0, 3, 0.5f, 5.0e-6f}, 0.1f, Status::NoTriangles, "Triangulating Error: 40"},
        {"grid", {1, 0, 0, 2, 50000, 0, 3, 50000, 50000, 4, 0, 50000}, 1.0f, Status::SubnodeGridTooLarge, "Allocating Error: 29"},
        {"two nodes", {1, 0, 0, 2, 1, 0}, 1.0f, Status::TooFewNodes,
         "Number of nodes insufficient for seabed interpolation"},
        {"zero spacing", {1, 0, 0, 2, 1, 0, 3, 0, 1}, 0.0f, Status::NodesTooClose,
         "Distance between two input nodes in y-z plane is too small"},
        // collinear nodes would give 19: the spacing is checked before triangulating
        {"zero spacing on a line", {1, 0, 0, 2, 1, 1, 3, 2, 2}, 0.0f, Status::NodesTooClose,
         "Distance between two input nodes in y-z plane is too small"},
    };
    for (const Case& c : cases) {
        path = dir.path(c.name);
        testing::write_input(path, 2, c.values, c.spacing);
        RawFile(path).put<std::int32_t>(30, {77});  // a record past any block written here
        const std::string before = testing::bytes_of(path);
        RecordFile file(file_system().open(path));
        std::int32_t dup = 0;
        EXPECT_EQ(generate_3d_input(file, static_cast<std::int32_t>(c.values.size() / 3), c.spacing, dup), c.expected)
            << c.name;
        EXPECT_EQ(testing::status_in_file(path), static_cast<int>(c.expected)) << c.name;
        EXPECT_EQ(testing::message_in_file(path), c.message + std::string(63 - std::strlen(c.message), ' ')) << c.name;
        // everything but records 9 and 10 as it was
        const std::string after = testing::bytes_of(path);
        ASSERT_EQ(after.size(), before.size()) << c.name;
        EXPECT_EQ(after.substr(0, 8 * 32), before.substr(0, 8 * 32)) << c.name;
        EXPECT_EQ(after.substr(10 * 32), before.substr(10 * 32)) << c.name;
    }
}

TEST_F(Generate3DFlowTest, FailingGenerationsReleaseEveryArray) {
    const std::vector<std::pair<std::vector<float>, float>> inputs = {
        {{1, 0, 0, 2, 1, 1, 3, 2, 2}, 0.5f},                   // triangulation fails
        {{1, 0, 0, 2, 1, 0, 3, 0.5f, 5.0e-6f}, 0.1f},          // slivers
        {{1, 0, 0, 2, 50000, 0, 3, 50000, 50000, 4, 0, 50000}, 1.0f},  // sub-node grid
        {{1, 0, 0, 2, 1, 0, 3, 0, 1}, 0.0f},                   // extent
        {{1, 0, 0, 2, 4, 0, 3, 0, 4}, 1.0f},                   // success
    };
    for (const auto& [values, spacing] : inputs) {
        path = dir.path("release.sbd");
        testing::write_input(path, 2, values, spacing);
        RecordFile file(file_system().open(path));
        NodeList list;
        for (std::size_t i = 0; i < values.size(); i += 3) list.append_data(Node{values[i], values[i + 1], values[i + 2]});
        std::int32_t n = list.length(), dup = 0;
        GenerationData data;
        (void)generate_3d(file, list, n, spacing, dup, data);
        EXPECT_FALSE(data.any_allocated());
    }
}

TEST_F(Generate3DFlowTest, FailedWritesBecomeStatusSixWithoutAMessage) {
    const std::vector<float> values = {1, 0, 0, 2, 4, 0, 3, 0, 4};
    for (std::int64_t k = 1; k <= 40; ++k) {
        path = dir.path("w.sbd");
        testing::write_input(path, 2, values, 1.0f);
        testing::FaultyFileSystem fs;
        fs.fail_write_at = k;
        RecordFile file(file_system().open(path));
        std::int32_t dup = 0;
        const Status st = generate_3d_input(file, 3, 1.0f, dup);
        if (st == Status::Ok) break;
        EXPECT_EQ(st, Status::FileWrite) << k;
        EXPECT_NE(testing::status_in_file(path), 6) << k;
    }
}

TEST_F(Generate3DFlowTest, HostileInputEndsInAStatus) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> tiny(0.0f, 1.0e-3f);
    std::vector<float> crowd;
    for (int i = 0; i < 1000000; ++i) crowd.insert(crowd.end(), {tiny(rng), tiny(rng), tiny(rng)});
    struct Case {
        const char* name;
        std::vector<float> values;
        float spacing;
        std::optional<std::int32_t> n;
        int expected;  // -1: any failure the triangulation or surface reports
    };
    const std::vector<Case> cases = {
        {"nan node", {1, 0, 0, 2, NAN, 0, 3, 0, 1, 4, 1, 1}, 0.5f, {}, -1},
        {"inf node", {1, 0, 0, 2, INFINITY, 0, 3, 0, 1, 4, 1, 1}, 0.5f, {}, 18},
        {"inf both", {1, 0, 0, 2, INFINITY, -INFINITY, 3, 0, 1}, INFINITY, {}, -1},
        {"no nodes", {}, 1.0f, 0, 16},
        {"negative count", {}, 1.0f, -5, 16},
        {"all one node", {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}, 1.0f, {}, 16},
        {"nan spacing", {1, 0, 0, 2, 1, 0, 3, 0, 1}, NAN, {}, 29},
        {"inf spacing", {1, 0, 0, 2, 1, 0, 3, 0, 1}, INFINITY, {}, 0},  // the three corners only
        {"crowd", crowd, 1.0e-4f, {}, -1},
    };
    for (const Case& c : cases) {
        const Status st = generate(c.name, c.values, c.spacing, c.n);
        if (c.expected >= 0) {
            EXPECT_EQ(static_cast<int>(st), c.expected) << c.name;
        }
        if (st == Status::Ok) {
            EXPECT_EQ(Stored3D(path).ns, 3) << c.name;
        } else {  // a failure of its own, recorded in the file
            EXPECT_NE(static_cast<int>(st), 6) << c.name;
            EXPECT_EQ(testing::status_in_file(path), static_cast<int>(st)) << c.name;
        }
    }
}

TEST_F(Generate3DFlowTest, TestFileGeneratesLoadsAndQueriesItsSubnodes) {
    for (int call = 0; call < 3; ++call) {
        path = dir.path("test3d.sbd");
        seabed_create_test_file(path, 2);
        std::int32_t dup = -1;
        ASSERT_EQ(seabed_generate(path, dup), Status::Ok) << call;
        Stored3D s(path);
        expect_sane_subnodes(s);

        std::int32_t n = 0, nt = 0, nadj = 0;
        std::int64_t memory = 0;
        Desc<2> nodes{}, gradients{};
        Desc<1> iadj{}, istart{};
        ASSERT_EQ(load_seabed_3d(path, 31, 0, n, nt, nadj, nodes, gradients, iadj, istart, memory), Status::Ok);
        EXPECT_EQ(n, s.n);
        EXPECT_EQ(nadj, s.nadj);
        ASSERT_EQ(load_seabed_3d(path, 31, 1, n, nt, nadj, nodes, gradients, iadj, istart, memory), Status::Ok);
        const float* node_cols = static_cast<const float*>(nodes.base);
        const float* grad = static_cast<const float*>(gradients.base);
        for (std::int32_t i = 0; i < n; ++i) {
            EXPECT_EQ(node_cols[n + i], s.nodes[3 * i + 1]);
            EXPECT_EQ(grad[2 * i + 1], s.gradients[2 * i + 1]);
        }
        std::int32_t start = 1;
        for (std::int32_t k = 0; k < s.ns; ++k) {
            double x = 0.0, normal[3] = {0.0, 0.0, 0.0};
            const float* p = &s.subnodes[3 * k];
            ASSERT_EQ(interpolate_3d_cubic(p[1], p[2], n, nadj, node_cols, static_cast<const std::int32_t*>(iadj.base),
                                           static_cast<const std::int32_t*>(istart.base), grad, x, normal, start),
                      Status::Ok);
            // The query starts afresh and may name the same triangle from
            // another vertex, or a neighbour for a point on an edge. Edge
            // vectors are float differences, so the element then differs at
            // the float precision of the coordinates (a few 1e-7 relative in
            // value, more in slope), not at double rounding.
            EXPECT_NEAR(x, p[0], 1.0e-5 * std::max(1.0, std::fabs(double(p[0])))) << k;
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(normal[c], s.normals[3 * k + c], 1.0e-4) << k;
        }
        free_seabed_3d(nodes, gradients, iadj, istart);
    }
}

}  // namespace
}  // namespace seabed
