// The exported operations as a host calls them: loaded by name, arguments by
// address, descriptors filled in by the library, names padded with blanks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "abi/host_fixture.hpp"
#include "seabed/query/lookup.hpp"
#include "support/files.hpp"
#include "support/meshes.hpp"

namespace seabed::testing {
namespace {

template <class T, class D>
T element(const D& d, int64_t i, int64_t j = 1) {
    T v;
    std::memcpy(&v, static_cast<const char*>(d.base) + (i - 1) * d.dim[0].stride +
                        (j - 1) * (d.rank > 1 ? d.dim[1 % d.rank].stride : 0), sizeof v);
    return v;
}

TEST_F(HostTest, GeneratedProfileLoadsIntoDescribedArrays) {
    // 12 points, uneven spacing: two blocks of 221 samples, then the slopes
    // in records 127-128 and 129-130. The values are the golden files' business.
    const std::vector<float> x{5.0f, 4.5f, 4.75f, 3.0f, 2.0f, 2.5f, 1.0f, -0.5f, 0.0f, 0.25f, -1.0f, -2.0f};
    const std::vector<float> y{0.0f, 1.5f, 2.0f, 4.0f, 4.25f, 6.0f, 9.0f, 9.5f, 12.0f, 13.0f, 16.0f, 20.0f};
    std::vector<float> block;
    for (std::size_t i = 0; i < x.size(); ++i) block.insert(block.end(), {x[i], y[i]});
    const std::string path = dir.path("profile.sbd");
    write_input(path, SEABED_TYPE_2D, block);
    ASSERT_EQ(generate(path + "   "), SEABED_STATUS_OK);
    RawFile f(path);
    struct Case {
        int32_t type;
        int64_t slopes_at;
    } cases[] = {{SEABED_2D_SPLINE, 127}, {SEABED_2D_BESSEL, 129}};
    for (const Case& c : cases) {
        memory = 100;
        ASSERT_EQ(load_2d(path, c.type), SEABED_STATUS_OK);
        ASSERT_EQ(n, 12);
        EXPECT_EQ(memory, 100 + 12 * 12);
        EXPECT_EQ((std::vector<int64_t>{profile.elem_len, profile.flags, profile.rank, profile.dim[0].extent,
                                        profile.dim[0].stride, profile.dim[0].lower_bound, profile.dim[1].extent,
                                        profile.dim[1].stride, slopes.flags, slopes.rank, slopes.dim[0].extent}),
                  (std::vector<int64_t>{4, 0x85, 2, 12, 4, 1, 2, 48, 0x85, 1, 12}));
        const auto* m = static_cast<const float*>(slopes.base);
        EXPECT_EQ(std::vector<float>(m, m + 12), f.values<float>(c.slopes_at, 12));
    }
    ASSERT_EQ(load_2d(path, SEABED_2D_LINEAR), SEABED_STATUS_OK);
    EXPECT_EQ(slopes.base, nullptr);
    EXPECT_EQ(slopes.flags & 1, 0);
    free2(&profile, &slopes);
    EXPECT_EQ(profile.base, nullptr);
    EXPECT_EQ(profile.flags & 1, 0);
}

TEST_F(HostTest, HandmadeFilesLoadWithEveryType) {
    Handmade3D file;
    const std::string p3 = dir.path("s.sbd");
    file.write(p3);
    ASSERT_EQ(load_3d(p3, SEABED_3D_CUBIC), 0);
    EXPECT_TRUE(n == 3 && nt == 1 && nadj == 9 && memory == 12 * 3 + 4 * 9 + 4 * 3 + 8 * 3);
    EXPECT_EQ((std::vector<int64_t>{nodes.dim[1].stride, gradients.dim[0].extent, gradients.dim[1].extent,
                                    gradients.dim[1].stride}),
              (std::vector<int64_t>{12, 2, 3, 8}));
    for (int i = 1; i <= 3; ++i) {
        for (int c = 1; c <= 3; ++c) EXPECT_EQ(element<float>(nodes, i, c), file.nodes[3 * (i - 1) + c - 1]);
        EXPECT_EQ(element<int32_t>(istart, i), file.istart[static_cast<std::size_t>(i - 1)]);
        for (int g = 1; g <= 2; ++g) EXPECT_EQ(element<float>(gradients, g, i), file.gradients[2 * (i - 1) + g - 1]);
    }
    for (int k = 1; k <= 9; ++k) EXPECT_EQ(element<int32_t>(iadj, k), file.iadj[static_cast<std::size_t>(k - 1)]);
    free3(&nodes, &gradients, &iadj, &istart);
    memory = 0;
    gradients.base = reinterpret_cast<void*>(0x1234);  // not the library's: must be left alone
    ASSERT_EQ(load_3d(p3, SEABED_3D_LINEAR), 0);
    EXPECT_EQ(memory, 12 * 3 + 4 * 9 + 4 * 3);
    free3(&nodes, &gradients, &iadj, &istart);
    EXPECT_TRUE(nodes.base == nullptr && iadj.base == nullptr && istart.base == nullptr);
    EXPECT_EQ(gradients.base, reinterpret_cast<void*>(0x1234));
    gradients.base = nullptr;

    Handmade2D file2;
    const std::string p2 = dir.path("p.sbd");
    file2.write(p2);
    ASSERT_EQ(load_2d(p2, SEABED_2D_BESSEL), 0);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(element<float>(slopes, i), file2.bessel[static_cast<std::size_t>(i - 1)]);
    // A linear load never reads record 11: M = -1 would put the slopes at record 13.
    RawFile(p2).put_bytes(11, "\xff\xff\xff\xff", 4).truncate(32 * 12);
    EXPECT_EQ(load_2d(p2, SEABED_2D_LINEAR), 0);
    EXPECT_EQ(load_2d(p2, SEABED_2D_BESSEL), SEABED_STATUS_FILE_READ);
    // A bad type releases what the descriptors held, without touching the file.
    EXPECT_EQ(load_2d(dir.path("missing.sbd"), 1), SEABED_STATUS_BAD_INTERPOLATION_TYPE);
    EXPECT_TRUE(profile.base == nullptr && slopes.base == nullptr);
}

TEST_F(HostTest, EveryFailureOfTheTableHasItsStatus) {
    const std::string p2 = dir.path("p.sbd"), p3 = dir.path("s.sbd"), bad = dir.path("bad.sbd"), few = dir.path("n2.sbd");
    Handmade2D().write(p2);
    Handmade3D().write(p3);
    Handmade3D().write(few);
    RawFile(bad).put<int32_t>(1, {kTestMagic + 1});
    RawFile(few).put<int32_t>(8, {2, 2});
    EXPECT_EQ(load_2d(dir.path("none.sbd"), 0), SEABED_STATUS_FILE_MISSING);
    EXPECT_FALSE(std::filesystem::exists(dir.path("none.sbd")));
    EXPECT_EQ(load_2d(dir.path(""), 0), SEABED_STATUS_FILE_OPEN) << "a directory";
    EXPECT_EQ(load_2d(bad, 0), SEABED_STATUS_BAD_MAGIC);
    EXPECT_EQ(load_2d(p3, 0), SEABED_STATUS_NOT_2D);
    EXPECT_EQ(load_3d(p2, 0), SEABED_STATUS_NOT_3D);
    EXPECT_EQ(load_3d(few, 1), SEABED_STATUS_TOO_FEW_NODES);
    EXPECT_EQ(load_3d(p3, 2), SEABED_STATUS_BAD_INTERPOLATION_TYPE);
    RawFile(p3).truncate(32 * 20);  // gradients (record 21) gone
    EXPECT_EQ(load_3d(p3, 1), SEABED_STATUS_FILE_READ);
    EXPECT_EQ(load_3d(p3, 0), 0);
    // open_seabed_file: trailing blanks are no part of the name; an empty file has no record 1.
    const std::string padded = p2 + "     ", empty = dir.path("empty.sbd");
    RawFile(empty).put_bytes(1, "", 0);
    int32_t unit = 40, status = -1;
    open(static_cast<int32_t>(padded.size()), padded.data(), &unit, &status);
    EXPECT_EQ(status, 0);
    open(static_cast<int32_t>(bad.size()), bad.data(), &unit, &status);
    EXPECT_EQ(status, SEABED_STATUS_BAD_MAGIC);
    open(static_cast<int32_t>(empty.size()), empty.data(), &unit, &status);
    EXPECT_EQ(status, SEABED_STATUS_FILE_READ);
    open(-5, nullptr, &unit, &status);
    EXPECT_EQ(status, SEABED_STATUS_FILE_MISSING);
}

TEST_F(HostTest, NullArgumentsDoNothing) {
    const std::vector<float> p{1.0f, 2.0f, 0.0f, 1.0f}, m{0.0f, 0.0f};
    const int32_t two = 2;
    const double y = 0.5;
    double xv = 7.0, slope = 7.0;
    int32_t segment = 7;
    segment_of(nullptr, &two, &y, &segment);
    segment_of(p.data(), nullptr, &y, &segment);
    segment_of(p.data(), &two, nullptr, &segment);
    segment_of(p.data(), &two, &y, nullptr);
    linear2(&y, &two, nullptr, &xv, &slope, &segment);
    linear2(&y, &two, p.data(), nullptr, &slope, &segment);
    cubic2(&y, &two, p.data(), nullptr, &xv, &slope, &segment);
    cubic2(&y, &two, p.data(), m.data(), &xv, nullptr, &segment);
    cubic2(&y, &two, p.data(), m.data(), &xv, &slope, nullptr);
    EXPECT_TRUE(xv == 7.0 && slope == 7.0 && segment == 7);

    const std::string path = dir.path("in.sbd");
    write_input(path, SEABED_TYPE_2D, {1, 0, 2, 1});
    const std::string before = RawFile(path).contents();
    int32_t status = -1, duplicates = -1;
    generate_(static_cast<int32_t>(path.size()), path.data(), nullptr, &duplicates);
    generate_(static_cast<int32_t>(path.size()), path.data(), &status, nullptr);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(RawFile(path).contents(), before);
    generate_(5, nullptr, &status, &duplicates);
    EXPECT_EQ(status, SEABED_STATUS_FILE_MISSING);
    create(0, nullptr, 2);  // no name: nothing happens
    const std::string test_file = dir.path("t.sbd"), padded_test = test_file + "    ";
    create(static_cast<int32_t>(padded_test.size()), padded_test.data(), 1);
    EXPECT_EQ(RawFile(test_file).values<float>(12, 8)[7], 1.0f);
}

seabed_dim dim(int64_t extent, int64_t stride) { return seabed_dim{extent, stride, 1}; }

TEST_F(HostTest, FindTriangleHonoursStridesAndExtents) {
    TestMesh m = grid_mesh(6, 5, 2.0f, 1.0f, -3.0f, 0.2f, 21, true);
    // Nodes row by row with a padding column; IADJ and ISTART interleaved with junk.
    const auto N = static_cast<std::size_t>(m.n);
    std::vector<float> rows(N * 4, -1e30f);
    std::vector<int32_t> iadj2(static_cast<std::size_t>(m.nadj) * 2, -99), istart3(N * 3, -99);
    for (std::size_t i = 0; i < N; ++i) {
        rows[4 * i] = m.x[i], rows[4 * i + 1] = m.y[i], rows[4 * i + 2] = m.z[i];
        istart3[3 * i] = m.istart[i];
    }
    for (std::size_t k = 0; k < m.iadj.size(); ++k) iadj2[2 * k] = m.iadj[k];
    seabed_desc2 node_rows{rows.data(), 4, 0, 0, 2, 0, {dim(m.n, 16), dim(3, 4)}};
    seabed_desc1 adj{iadj2.data(), 4, 0, 0, 1, 0, {dim(m.nadj, 8)}};
    seabed_desc1 start_of{istart3.data(), 4, 0, 0, 1, 0, {dim(m.n, 12)}};
    const MeshView view = MeshView::contiguous(m.n, m.nadj, m.iadj.data(), m.istart.data(), m.y.data(), m.z.data());
    for (double y = 0.5; y < 12; y += 0.7)
        for (double z = -3.5; z < 6; z += 0.9) {
            const int32_t start = 1 + static_cast<int32_t>(y * 7 + z) % m.n;
            int32_t got[3] = {start, 0, 0}, want[3] = {start, 0, 0};
            find(&y, &z, &m.n, &m.nadj, &node_rows, &adj, &start_of, &got[0], &got[1], &got[2]);
            find_triangle(view, y, z, want[0], want[1], want[2]);
            ASSERT_EQ(std::vector<int32_t>(got, got + 3), std::vector<int32_t>(want, want + 3)) << y << "," << z;
        }
    // Counts beyond the descriptors' extents are bounded by them.
    int32_t big_n = m.n + 1000, big_nadj = m.nadj + 1000;
    for (int32_t start = 0; start <= m.n + 5; ++start) {
        double y = 13.0, z = 100.0;
        int32_t t[3] = {start, 0, 0};
        find(&y, &z, &big_n, &big_nadj, &node_rows, &adj, &start_of, &t[0], &t[1], &t[2]);
        EXPECT_TRUE(t[0] == -1 || t[0] == start) << start;  // outside, or a start node past the extent
    }
}

}  // namespace
}  // namespace seabed::testing
