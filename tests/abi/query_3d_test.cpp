// The triangle search and test files through the exported operations, as a
// host calls them: strided descriptors, counts beyond them, padded names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "abi/host.hpp"
#include "seabed/query/lookup.hpp"
#include "support/files.hpp"
#include "support/meshes.hpp"
#include "support/seabed_files.hpp"

namespace seabed::testing {
namespace {

class HostQuery3D : public ::testing::Test {
protected:
    Host host;
    ScratchDir dir;
    decltype(&::find_triangle) find = SEABED_EXPORT(host, find_triangle);
    decltype(&::seabed_create_test_file) create = SEABED_EXPORT(host, seabed_create_test_file);
};

seabed_dim dim(int64_t extent, int64_t stride) { return seabed_dim{extent, stride, 1}; }

TEST_F(HostQuery3D, FindTriangleHonoursStridesAndExtents) {
    TestMesh m = grid_mesh(6, 5, 2.0f, 1.0f, -3.0f, 0.2f, 21, true);
    // Nodes row by row with a padding column; IADJ and ISTART interleaved with junk.
    std::vector<float> rows(static_cast<std::size_t>(m.n) * 4, -1e30f);
    std::vector<int32_t> iadj2(static_cast<std::size_t>(m.nadj) * 2, -99), istart3(static_cast<std::size_t>(m.n) * 3, -99);
    for (int32_t i = 0; i < m.n; ++i) {
        rows[4 * i + 0] = m.x[i];
        rows[4 * i + 1] = m.y[i];
        rows[4 * i + 2] = m.z[i];
        istart3[3 * i] = m.istart[i];
    }
    for (int32_t k = 0; k < m.nadj; ++k) iadj2[2 * k] = m.iadj[k];
    seabed_desc2 nodes{rows.data(), 4, 0, 0, 2, 0, {dim(m.n, 16), dim(3, 4)}};
    seabed_desc1 iadj{iadj2.data(), 4, 0, 0, 1, 0, {dim(m.nadj, 8)}};
    seabed_desc1 istart{istart3.data(), 4, 0, 0, 1, 0, {dim(m.n, 12)}};
    MeshView view = MeshView::contiguous(m.n, m.nadj, m.iadj.data(), m.istart.data(), m.y.data(), m.z.data());
    for (double y = 0.5; y < 12; y += 0.7)
        for (double z = -3.5; z < 6; z += 0.9) {
            const int32_t start = 1 + static_cast<int32_t>(y * 7 + z) % m.n;
            int32_t got[3] = {start, 0, 0}, want[3] = {start, 0, 0};
            find(&y, &z, &m.n, &m.nadj, &nodes, &iadj, &istart, &got[0], &got[1], &got[2]);
            find_triangle(view, y, z, want[0], want[1], want[2]);
            ASSERT_EQ(std::vector<int32_t>(got, got + 3), std::vector<int32_t>(want, want + 3)) << y << "," << z;
        }
    // Counts beyond the descriptors' extents are bounded by them.
    int32_t big_n = m.n + 1000, big_nadj = m.nadj + 1000;
    for (int32_t start = 0; start <= m.n + 5; ++start) {
        double y = 13.0, z = 100.0;
        int32_t t[3] = {start, 0, 0};
        find(&y, &z, &big_n, &big_nadj, &nodes, &iadj, &istart, &t[0], &t[1], &t[2]);
        EXPECT_TRUE(t[0] == -1 || t[0] == start) << start;  // outside, or a start node past the extent
    }
}

TEST_F(HostQuery3D, CreateTestFileTakesANameWithTrailingBlanks) {
    const std::string path = dir.path("t.sbd");
    const std::string padded = path + "    ";
    create(static_cast<int32_t>(padded.size()), padded.data(), 1);
    RawFile f(path);
    EXPECT_EQ(f.values<int32_t>(1, 1)[0], kTestMagic);
    EXPECT_EQ(f.values<float>(12, 8)[7], 1.0f);
    create(0, nullptr, 2);  // no name: nothing happens
}

}  // namespace
}  // namespace seabed::testing
