// Loading and freeing through the exported operations, as a host calls them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "abi/host.hpp"
#include "support/files.hpp"
#include "support/seabed_files.hpp"

namespace seabed::testing {
namespace {

class HostLoad : public ::testing::Test {
protected:
    Host host;
    ScratchDir dir;
    decltype(&::load_seabed_2d) load2 = SEABED_EXPORT(host, load_seabed_2d);
    decltype(&::load_seabed_3d) load3 = SEABED_EXPORT(host, load_seabed_3d);
    decltype(&::free_seabed_2d) free2 = SEABED_EXPORT(host, free_seabed_2d);
    decltype(&::free_seabed_3d) free3 = SEABED_EXPORT(host, free_seabed_3d);
    decltype(&::open_seabed_file) open = SEABED_EXPORT(host, open_seabed_file);

    int32_t load_2d(const std::string& path, int32_t type, int32_t& n, seabed_desc2& profile, seabed_desc1& slopes,
                    int64_t& memory) {
        int32_t len = static_cast<int32_t>(path.size()), unit = 31, status = -99;
        load2(&len, path.data(), &unit, &type, &n, &profile, &slopes, &memory, &status);
        return status;
    }
    struct Loaded3D {
        int32_t n = -7, nt = -7, nadj = -7;
        seabed_desc2 nodes{}, gradients{};
        seabed_desc1 iadj{}, istart{};
        int64_t memory = 0;
    };
    int32_t load_3d(const std::string& path, int32_t type, Loaded3D& s) {
        int32_t len = static_cast<int32_t>(path.size()), unit = 32, status = -99;
        load3(&len, path.data(), &unit, &type, &s.n, &s.nt, &s.nadj, &s.nodes, &s.gradients, &s.iadj, &s.istart,
              &s.memory, &status);
        return status;
    }
};

template <class T, class D>
T element(const D& d, int64_t i, int64_t j = 1) {
    T v;
    std::memcpy(&v, static_cast<const char*>(d.base) + (i - 1) * d.dim[0].stride + (j - 1) * (d.rank > 1 ? d.dim[1 % d.rank].stride : 0), sizeof v);
    return v;
}

TEST_F(HostLoad, TwoDimensionalFileLoadsWithEveryType) {
    Handmade2D file;
    std::string path = dir.path("p.sbd");
    file.write(path);
    struct Case {
        int32_t type;
        const std::vector<float>* slopes;
    } cases[] = {{0, nullptr}, {2, &file.bessel}, {3, &file.spline}};
    for (const Case& c : cases) {
        int32_t n = 0;
        seabed_desc2 profile{};
        seabed_desc1 slopes{};
        int64_t memory = 100;
        ASSERT_EQ(load_2d(path, c.type, n, profile, slopes, memory), 0) << c.type;
        ASSERT_EQ(n, 4);
        EXPECT_EQ((std::vector<int64_t>{profile.elem_len, profile.flags, profile.rank, profile.dim[0].extent,
                                        profile.dim[0].stride, profile.dim[0].lower_bound, profile.dim[1].extent,
                                        profile.dim[1].stride, profile.dim[1].lower_bound}),
                  (std::vector<int64_t>{4, 0x85, 2, 4, 4, 1, 2, 16, 1}));
        for (int i = 1; i <= 4; ++i) {
            EXPECT_EQ(element<float>(profile, i, 1), file.x[i - 1]);
            EXPECT_EQ(element<float>(profile, i, 2), file.y[i - 1]);
        }
        if (c.slopes) {
            EXPECT_EQ(memory, 100 + 8 * 4 + 4 * 4);
            EXPECT_EQ(slopes.flags, 0x85);
            EXPECT_EQ(slopes.rank, 1);
            EXPECT_EQ(slopes.dim[0].extent, 4);
            for (int i = 1; i <= 4; ++i) EXPECT_EQ(element<float>(slopes, i), (*c.slopes)[i - 1]);
        } else {
            EXPECT_EQ(memory, 100 + 8 * 4);
            EXPECT_EQ(slopes.base, nullptr);
            EXPECT_EQ(slopes.flags & 1, 0);
        }
        free2(&profile, &slopes);
        EXPECT_EQ(profile.base, nullptr);
        EXPECT_EQ(profile.flags & 1, 0);
        EXPECT_EQ(slopes.flags & 1, 0);
    }
}

TEST_F(HostLoad, LinearTwoDimensionalLoadNeverReadsRecord11) {
    Handmade2D file;
    std::string path = dir.path("p.sbd");
    file.write(path);
    RawFile(path).truncate(32 * 10);  // file ends after record 12: no slope blocks
    RawFile(path).put(12, std::vector<float>{1, 0, 2, 1, 3, 2, 4, 3});
    RawFile(path).put_bytes(11, "\xff\xff\xff\xff", 4);  // M = -1 would put slopes at record 13
    int32_t n = 0;
    seabed_desc2 profile{};
    seabed_desc1 slopes{};
    int64_t memory = 0;
    EXPECT_EQ(load_2d(path, 0, n, profile, slopes, memory), 0);
    EXPECT_EQ(load_2d(path, 2, n, profile, slopes, memory), SEABED_STATUS_FILE_READ);
    free2(&profile, &slopes);
}

TEST_F(HostLoad, LoadingTwiceReleasesTheFirstArraysAndKeepsCounting) {
    Handmade2D file;
    std::string path = dir.path("p.sbd");
    file.write(path);
    int32_t n = 0;
    seabed_desc2 profile{};
    seabed_desc1 slopes{};
    int64_t memory = 0;
    ASSERT_EQ(load_2d(path, 3, n, profile, slopes, memory), 0);
    ASSERT_EQ(load_2d(path, 3, n, profile, slopes, memory), 0);  // ASan reports a leak if the first stayed
    EXPECT_EQ(memory, 2 * 48);
    // A bad type releases what the descriptors held, without touching the file.
    EXPECT_EQ(load_2d(dir.path("missing.sbd"), 1, n, profile, slopes, memory), SEABED_STATUS_BAD_INTERPOLATION_TYPE);
    EXPECT_EQ(profile.base, nullptr);
    EXPECT_EQ(slopes.base, nullptr);
}

TEST_F(HostLoad, ThreeDimensionalFileLoadsWithBothTypes) {
    Handmade3D file;
    std::string path = dir.path("s.sbd");
    file.write(path);
    Loaded3D cubic;
    ASSERT_EQ(load_3d(path, 1, cubic), 0);
    EXPECT_EQ(cubic.n, 3);
    EXPECT_EQ(cubic.nt, 1);
    EXPECT_EQ(cubic.nadj, 9);
    EXPECT_EQ(cubic.memory, 12 * 3 + 4 * 9 + 4 * 3 + 8 * 3);
    EXPECT_EQ(cubic.nodes.dim[1].stride, 12);
    EXPECT_EQ(cubic.gradients.dim[0].extent, 2);
    EXPECT_EQ(cubic.gradients.dim[1].extent, 3);
    EXPECT_EQ(cubic.gradients.dim[1].stride, 8);
    for (int i = 1; i <= 3; ++i) {
        for (int c = 1; c <= 3; ++c) EXPECT_EQ(element<float>(cubic.nodes, i, c), file.nodes[3 * (i - 1) + c - 1]);
        EXPECT_EQ(element<int32_t>(cubic.istart, i), file.istart[i - 1]);
        for (int g = 1; g <= 2; ++g)
            EXPECT_EQ(element<float>(cubic.gradients, g, i), file.gradients[2 * (i - 1) + g - 1]);
    }
    for (int k = 1; k <= 9; ++k) EXPECT_EQ(element<int32_t>(cubic.iadj, k), file.iadj[k - 1]);
    free3(&cubic.nodes, &cubic.gradients, &cubic.iadj, &cubic.istart);

    Loaded3D linear;
    linear.gradients.base = reinterpret_cast<void*>(0x1234);  // not the library's: must be left alone
    ASSERT_EQ(load_3d(path, 0, linear), 0);
    EXPECT_EQ(linear.memory, 12 * 3 + 4 * 9 + 4 * 3);
    EXPECT_EQ(linear.gradients.flags & 1, 0);
    free3(&linear.nodes, &linear.gradients, &linear.iadj, &linear.istart);
    EXPECT_EQ(linear.nodes.base, nullptr);
    EXPECT_EQ(linear.iadj.base, nullptr);
    EXPECT_EQ(linear.istart.base, nullptr);
    EXPECT_EQ(linear.gradients.base, reinterpret_cast<void*>(0x1234));
}

TEST_F(HostLoad, EveryFailureOfTheTableHasItsStatus) {
    Handmade2D file2;
    Handmade3D file3;
    std::string p2 = dir.path("p.sbd"), p3 = dir.path("s.sbd"), bad = dir.path("bad.sbd"), small = dir.path("n2.sbd");
    file2.write(p2);
    file3.write(p3);
    RawFile(bad).put<int32_t>(1, {0x0FF26703});
    file3.write(small);
    RawFile(small).put<int32_t>(8, {2, 2});
    int32_t n = 0;
    seabed_desc2 profile{};
    seabed_desc1 slopes{};
    int64_t memory = 0;
    Loaded3D s;
    EXPECT_EQ(load_2d(dir.path("none.sbd"), 0, n, profile, slopes, memory), SEABED_STATUS_FILE_MISSING);
    EXPECT_FALSE(std::filesystem::exists(dir.path("none.sbd")));
    EXPECT_EQ(load_2d(dir.path(""), 0, n, profile, slopes, memory), SEABED_STATUS_FILE_OPEN) << "a directory";
    EXPECT_EQ(load_2d(bad, 0, n, profile, slopes, memory), SEABED_STATUS_BAD_MAGIC);
    EXPECT_EQ(load_2d(p3, 0, n, profile, slopes, memory), SEABED_STATUS_NOT_2D);
    EXPECT_EQ(load_3d(p2, 0, s), SEABED_STATUS_NOT_3D);
    EXPECT_EQ(load_3d(small, 1, s), SEABED_STATUS_TOO_FEW_NODES);
    EXPECT_EQ(load_3d(p3, 2, s), SEABED_STATUS_BAD_INTERPOLATION_TYPE);
    RawFile(p3).truncate(32 * 20);  // gradients (record 21) gone
    EXPECT_EQ(load_3d(p3, 1, s), SEABED_STATUS_FILE_READ);
    EXPECT_EQ(load_3d(p3, 0, s), 0);
    free3(&s.nodes, &s.gradients, &s.iadj, &s.istart);
    free2(&profile, &slopes);
}

TEST_F(HostLoad, OpenChecksTheMagicNumberAndTrailingBlanks) {
    std::string path = dir.path("m.sbd");
    RawFile(path).put<int32_t>(1, {0x0FF26702});
    std::string padded = path + "     ";
    int32_t unit = 40, status = -1;
    open(static_cast<int32_t>(padded.size()), padded.data(), &unit, &status);
    EXPECT_EQ(status, 0);
    RawFile(path).put<int32_t>(1, {7});
    open(static_cast<int32_t>(path.size()), path.data(), &unit, &status);
    EXPECT_EQ(status, SEABED_STATUS_BAD_MAGIC);
    std::string empty = dir.path("empty.sbd");
    RawFile(empty).put_bytes(1, "", 0);
    open(static_cast<int32_t>(empty.size()), empty.data(), &unit, &status);
    EXPECT_EQ(status, SEABED_STATUS_FILE_READ);
    open(-5, nullptr, &unit, &status);
    EXPECT_EQ(status, SEABED_STATUS_FILE_MISSING);
}

}  // namespace
}  // namespace seabed::testing
