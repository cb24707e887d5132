// A 3D seabed through the exported operations: generate, load, query.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "abi/host.hpp"
#include "support/files.hpp"
#include "support/generate_3d_files.hpp"
#include "support/seabed_files.hpp"

namespace seabed::testing {
namespace {

class Host3D : public ::testing::Test {
protected:
    Host host;
    ScratchDir dir;
    decltype(&::seabed_generate) generate = SEABED_EXPORT(host, seabed_generate);
    decltype(&::load_seabed_3d) load = SEABED_EXPORT(host, load_seabed_3d);
    decltype(&::free_seabed_3d) release = SEABED_EXPORT(host, free_seabed_3d);
    decltype(&::interpolate_3d_cubic) cubic = SEABED_EXPORT(host, interpolate_3d_cubic);
};

TEST_F(Host3D, GeneratedSurfaceLoadsAndPassesThroughItsNodes) {
    // A 3 x 3 grid of nodes on a paraboloid, plus a second copy of the centre
    // 5.0e-5 away, which generation drops.
    std::vector<float> block;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const float y = 10.0f * static_cast<float>(i), z = 10.0f * static_cast<float>(j);
            block.insert(block.end(), {-0.01f * (y * y + z * z), y, z});
        }
    block.insert(block.end(), {7.0f, 10.00005f, 10.0f});
    const std::string path = dir.path("surface.sbd");
    write_3d_input(path, block, 2.5f);
    RawFile f(path);

    int32_t status = -1, duplicates = -1;
    generate(static_cast<int32_t>(path.size()), path.data(), &status, &duplicates);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(duplicates, 1);
    EXPECT_EQ(f.values<int32_t>(1, 7), (std::vector<int32_t>{kTestMagic, 1, 8, 4, 2, 7, 2015}));
    EXPECT_EQ(f.get(9, 1)[0], 0);
    EXPECT_EQ(f.values<int32_t>(8, 2), (std::vector<int32_t>{SEABED_TYPE_3D, 9}));
    // the 9 x 9 grid of sub-nodes covers the square, hull points included
    EXPECT_EQ(f.values<int32_t>(11, 2)[1], 81);

    const int32_t len = static_cast<int32_t>(path.size()), unit = 40, type = 1;
    int32_t n = 0, nt = 0, nadj = 0;
    int64_t memory = 0;
    seabed_desc2 nodes{}, gradients{};
    seabed_desc1 iadj{}, istart{};
    load(&len, path.data(), &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory, &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(n, 9);
    const float* xyz = static_cast<const float*>(nodes.base);
    int32_t start = 1;
    for (int32_t k = 0; k < n; ++k) {
        const double y = xyz[n + k], z = xyz[2 * n + k];
        double x = 0.0, normal[3] = {0.0, 0.0, 0.0};
        cubic(&y, &z, &n, &nadj, xyz, static_cast<const int32_t*>(iadj.base), static_cast<const int32_t*>(istart.base),
              static_cast<const float*>(gradients.base), &x, normal, &start, &status);
        ASSERT_EQ(status, 0);
        // at a node the element takes the node's elevation, up to double rounding
        EXPECT_NEAR(x, xyz[k], 1.0e-9 * (1.0 + std::fabs(double(xyz[k])))) << k;
        EXPECT_NE(xyz[k], 7.0f);
    }
    release(&nodes, &gradients, &iadj, &istart);
}

}  // namespace
}  // namespace seabed::testing
