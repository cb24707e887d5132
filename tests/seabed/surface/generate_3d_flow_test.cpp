// 3D generation through triangulation, gradients and sub-node sampling: the
// sub-nodes it leaves, its failures and hostile input. (The bytes of whole
// files are checked against tests/data: golden_test.cpp.)
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <optional>
#include <vector>

#include "core/record_file.hpp"
#include "seabed/file/generate.hpp"
#include "seabed/surface/generate_3d.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

using testing::RawFile;

/// A generated 3D seabed file read back block by block, without library code.
struct Stored3D {
    std::int32_t n = 0, ns = 0;
    std::vector<float> nodes, subnodes, normals;  // (X, Y, Z) per item

    explicit Stored3D(const std::string& path) {
        RawFile f(path);
        n = f.values<std::int32_t>(8, 2)[1];
        const auto c = f.values<std::int32_t>(11, 4);  // NT, NS, NST, NADJ
        ns = c[1];
        auto records = [](std::int64_t v) { return v <= 0 ? 0 : (v - 1) / 8 + 1; };
        const std::int64_t at = 12 + records(3 * n) + records(3 * c[0]) + records(c[3]) + records(n);
        nodes = f.values<float>(12, static_cast<std::size_t>(3 * n));
        subnodes = f.values<float>(at, static_cast<std::size_t>(3 * ns));
        normals = f.values<float>(at + records(3 * ns), static_cast<std::size_t>(3 * ns));
    }
};

class Generate3DFlowTest : public testing::FreshProcessTest {
protected:
    /// Writes the input and generates it as a host would.
    Status generate(const std::string& name, const std::vector<float>& values, float spacing,
                    std::optional<std::int32_t> n = std::nullopt) {
        path = dir.path(name);
        testing::write_input(path, 2, values, spacing, n);
        duplicates = 0;
        return seabed_generate(path, duplicates);
    }
    /// generate_3d, failing or not, leaves no array allocated.
    void expect_released(const std::vector<float>& values, float spacing) {
        path = dir.path("release.sbd");
        testing::write_input(path, 2, values, spacing);
        RecordFile file(file_system().open(path));
        NodeList list;
        for (std::size_t i = 0; i < values.size(); i += 3)
            list.append_data(Node{values[i], values[i + 1], values[i + 2]});
        std::int32_t n = list.length(), dup = 0;
        GenerationData data;
        (void)generate_3d(file, list, n, spacing, dup, data);
        EXPECT_FALSE(data.any_allocated()) << values.size() << " values, spacing " << spacing;
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
        // 51 x 51: more sub-nodes than the writer buffers at once
        {"fine square", {1, 0, 0, 2, 10, 0, 3, 10, 10, 4, 0, 10}, 0.2f, 2601},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(generate(c.name, c.values, c.spacing), Status::Ok) << c.name;
        Stored3D s(path);
        EXPECT_EQ(s.ns, c.ns) << c.name;
        expect_sane_subnodes(s);
    }
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
    const char* kTooClose = "Distance between two input nodes in y-z plane is too small";
    const std::vector<Case> cases = {
        {"collinear", {1, 0, 0, 2, 1, 1, 3, 2, 2, 4, 3, 3}, 0.5f, Status::Collinear,
         "There are three adjacent input nodes collinear"},
        {"slivers", {1, 0, 0, 2, 1, 0, 3, 0.5f, 5.0e-6f}, 0.1f, Status::NoTriangles, "Triangulating Error: 40"},
        {"grid", {1, 0, 0, 2, 50000, 0, 3, 50000, 50000, 4, 0, 50000}, 1.0f, Status::SubnodeGridTooLarge, "Allocating Error: 29"},
        {"two nodes", {1, 0, 0, 2, 1, 0}, 1.0f, Status::TooFewNodes,
         "Number of nodes insufficient for seabed interpolation"},
        {"zero spacing", {1, 0, 0, 2, 1, 0, 3, 0, 1}, 0.0f, Status::NodesTooClose, kTooClose},
        // collinear nodes would give 19: the spacing is checked before triangulating
        {"zero spacing on a line", {1, 0, 0, 2, 1, 1, 3, 2, 2}, 0.0f, Status::NodesTooClose, kTooClose},
        // an extent of 2e6 (from -1e6 to 1e6) times the tolerance 1e-6 exceeds the spacing
        {"extent about 0", {1, -1.0e6f, 0, 2, 1.0e6f, 0, 3, 0, 1.0e6f}, 1.0f, Status::NodesTooClose, kTooClose},
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
        expect_released(c.values, c.spacing);
    }
    expect_released({1, 0, 0, 2, 4, 0, 3, 0, 4}, 1.0f);  // and a success
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

}  // namespace
}  // namespace seabed
