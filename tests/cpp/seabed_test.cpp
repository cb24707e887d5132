// Opening and loading: hostile files and injected I/O failures.
#include "seabed/seabed.hpp"

#include <gtest/gtest.h>

#include <climits>

#include "core/library_state.hpp"
#include "core/record_file.hpp"
#include "support/files.hpp"
#include "support/seabed_files.hpp"

namespace seabed {
namespace {

using testing::FaultyFileSystem;
using testing::RawFile;

class LoadTest : public ::testing::Test {
protected:
    void SetUp() override { reset_library_state(); }
    void TearDown() override {
        free_seabed_2d(profile, slopes);
        free_seabed_3d(nodes, gradients, iadj, istart);
        reset_library_state();
    }
    Status load2(const std::string& p, std::int32_t type) {
        return load_seabed_2d(p, 9, type, n, profile, slopes, memory);
    }
    Status load3(const std::string& p, std::int32_t type) {
        return load_seabed_3d(p, 9, type, n, nt, nadj, nodes, gradients, iadj, istart, memory);
    }
    testing::ScratchDir dir;
    std::int32_t n = 0, nt = 0, nadj = 0;
    std::int64_t memory = 0;
    Desc<2> profile{}, nodes{}, gradients{};
    Desc<1> slopes{}, iadj{}, istart{};
};

TEST_F(LoadTest, AbsurdCountsEndInAStatusWithoutAllocating) {
    std::string p2 = dir.path("p.sbd"), p3 = dir.path("s.sbd");
    testing::Handmade2D{}.write(p2);
    testing::Handmade3D{}.write(p3);
    RawFile(p2).put<std::int32_t>(8, {1, INT32_MAX});
    EXPECT_EQ(load2(p2, 3), Status::FileRead);
    EXPECT_EQ(profile.base, nullptr);
    EXPECT_EQ(memory, 0);
    RawFile(p2).put<std::int32_t>(8, {1, INT32_MIN});
    EXPECT_EQ(load2(p2, 3), Status::TooFewNodes);

    const std::int32_t good[4] = {1, 2, 1, 9};
    for (int field = 0; field < 4; ++field) {
        for (std::int32_t bad : {INT32_MAX, -1, INT32_MIN}) {
            std::vector<std::int32_t> counts(good, good + 4);
            counts[field] = bad;
            RawFile(p3).put<std::int32_t>(11, counts);
            Status st = load3(p3, 1);
            EXPECT_EQ(st, Status::FileRead) << field << " " << bad;
            EXPECT_EQ(memory, 0);
        }
    }
    RawFile(p3).put<std::int32_t>(11, {1, 2, 1, 9});
    RawFile(p3).put<std::int32_t>(8, {2, INT32_MAX});
    EXPECT_EQ(load3(p3, 0), Status::FileRead);
    RawFile(p3).put<std::int32_t>(8, {2, 3});
    EXPECT_EQ(load3(p3, 1), Status::Ok);
}

TEST_F(LoadTest, TruncatedFilesAnywhereGiveStatus5) {
    std::string p3 = dir.path("s.sbd");
    testing::Handmade3D{}.write(p3);
    const auto full = RawFile(p3).contents().size();
    for (std::uintmax_t size = 0; size < full; size += 4) {
        testing::Handmade3D{}.write(p3);
        RawFile(p3).truncate(size);
        EXPECT_EQ(load3(p3, 1), Status::FileRead) << size;
    }
    std::string p2 = dir.path("p.sbd");
    for (std::uintmax_t size = 4; size < 45 * 32 + 16; size += 12) {  // the Bessel slopes end at byte 1456
        testing::Handmade2D{}.write(p2);
        RawFile(p2).truncate(size);
        EXPECT_EQ(load2(p2, 2), Status::FileRead) << size;
    }
}

TEST_F(LoadTest, AReadFailingAnywhereGivesStatus5AndKeepsPartialArrays) {
    std::string p3 = dir.path("s.sbd");
    testing::Handmade3D{}.write(p3);
    FaultyFileSystem fs;
    for (std::int64_t k = 1;; ++k) {
        fs.reads = 0;
        fs.fail_read_at = k;
        memory = 0;
        Status st = load3(p3, 1);
        if (st == Status::Ok) break;
        EXPECT_EQ(st, Status::FileRead) << k;
        EXPECT_EQ(unit_file(9), nullptr) << "the unit is closed on every path";
        ASSERT_LT(k, 100);
    }
    fs.fail_open = true;
    EXPECT_EQ(load3(p3, 1), Status::FileOpen);
    EXPECT_EQ(nodes.base, nullptr) << "the earlier arrays were released first";
}

TEST_F(LoadTest, OpenSeabedFileLeavesTheFileOnTheUnitOnlyOnSuccess) {
    std::string p = dir.path("m.sbd");
    RawFile(p).put<std::int32_t>(1, {kMagic});
    EXPECT_EQ(open_seabed_file(p, 5), Status::Ok);
    EXPECT_NE(unit_file(5), nullptr);
    RawFile(p).put<std::int32_t>(1, {kMagic + 1});
    EXPECT_EQ(open_seabed_file(p, 5), Status::BadMagic);
    EXPECT_EQ(unit_file(5), nullptr);
    EXPECT_EQ(open_seabed_file(dir.path("none"), 5), Status::FileMissing);
    EXPECT_FALSE(std::filesystem::exists(dir.path("none")));
}

TEST(RecordFile, BlockRecordsFollowsTheFileLayout) {
    EXPECT_EQ(block_records(0), 0);
    EXPECT_EQ(block_records(-9), 0);
    EXPECT_EQ(block_records(1), 1);
    EXPECT_EQ(block_records(8), 1);
    EXPECT_EQ(block_records(9), 2);
    EXPECT_EQ(block_records(2 * 61), 16);
    for (std::int64_t v = 1; v <= (1 << 24); v += 9973) EXPECT_EQ(block_records(v), (v - 1) / 8 + 1);
}

TEST(RecordFile, NamesLoseTrailingBlanksAndEndAtANul) {
    EXPECT_EQ(file_name("a b  ", 5), "a b");
    EXPECT_EQ(file_name("abc\0def", 7), "abc");
    EXPECT_EQ(file_name("abc", -1), "");
    EXPECT_EQ(file_name(nullptr, 4), "");
}

}  // namespace
}  // namespace seabed
