// Opening and loading: hostile files and injected I/O failures.
#include "seabed/file/seabed.hpp"

#include <gtest/gtest.h>

#include <climits>

#include "core/record_file.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

using testing::FaultyFileSystem;
using testing::RawFile;

class LoadTest : public testing::FreshProcessTest {
protected:
    void TearDown() override {
        free_seabed_2d(profile, slopes);
        free_seabed_3d(nodes, gradients, iadj, istart);
        FreshProcessTest::TearDown();
    }
    Status load2(const std::string& p, std::int32_t type) {
        return load_seabed_2d(p, 9, type, n, profile, slopes, memory);
    }
    Status load3(const std::string& p, std::int32_t type) {
        return load_seabed_3d(p, 9, type, n, nt, nadj, nodes, gradients, iadj, istart, memory);
    }
    std::int32_t n = 0, nt = 0, nadj = 0;
    std::int64_t memory = 0;
    Desc<2> profile{}, nodes{}, gradients{};
    Desc<1> slopes{}, iadj{}, istart{};
};

// A negative count, or one that would reserve gigabytes for a small file,
// ends in a status before anything is allocated (checked under the
// sanitizers too). NS and NST only place the gradients: a linear load never
// reads them.
TEST_F(LoadTest, CorruptCountsEndInAStatusWithoutAllocating) {
    struct Case {
        bool three_d;
        std::int64_t record;
        std::vector<std::int32_t> values;
        std::int32_t type;
        Status want;
        bool allocates = false;  // a huge NT, NS or NST only places later blocks: the read fails
    };
    std::vector<Case> cases = {{false, 8, {1, INT32_MIN}, 3, Status::TooFewNodes},
                               {false, 8, {1, INT32_MAX}, 3, Status::FileRead},
                               {true, 8, {2, INT32_MAX}, 1, Status::FileRead}};
    for (int field = 0; field < 4; ++field)
        for (std::int32_t bad : {-1, INT32_MIN, INT32_MAX})
            for (std::int32_t type : {0, 1}) {
                std::vector<std::int32_t> counts{1, 2, 1, 9};
                counts[static_cast<std::size_t>(field)] = bad;
                const bool read = type == 1 || field == 0 || field == 3;
                cases.push_back({true, 11, counts, type, read ? Status::FileRead : Status::Ok, bad > 0 && field < 3});
            }
    for (const Case& c : cases) {
        const std::string p = dir.path("f.sbd");
        if (c.three_d) {
            testing::Handmade3D{}.write(p);
        } else {
            testing::Handmade2D{}.write(p);
        }
        RawFile(p).put<std::int32_t>(c.record, c.values);
        memory = 0;
        const Status st = c.three_d ? load3(p, c.type) : load2(p, c.type);
        EXPECT_EQ(st, c.want) << c.record << " " << c.values[1] << " " << c.type;
        if (st != Status::Ok && !c.allocates) {
            EXPECT_TRUE(memory == 0 && nodes.base == nullptr && profile.base == nullptr) << c.values[1];
        }
        free_seabed_3d(nodes, gradients, iadj, istart);
    }
}

// Every refusal after the open closes the unit again, the bad magic number in
// the open itself included.
TEST_F(LoadTest, RefusedFilesCloseTheirUnit) {
    std::string p2 = dir.path("p.sbd"), p3 = dir.path("s.sbd"), bad = dir.path("bad.sbd"), one = dir.path("one.sbd");
    testing::Handmade2D{}.write(p2);
    testing::Handmade3D{}.write(p3);
    testing::Handmade2D{}.write(one);
    RawFile(one).put<std::int32_t>(8, {1, 1});
    RawFile(bad).put<std::int32_t>(1, {testing::kTestMagic + 1});
    auto closed = [](Status st) {
        EXPECT_EQ(unit_file(9), nullptr) << static_cast<int>(st);
        return st;
    };
    ASSERT_EQ(open_seabed_file(p2, 9), Status::Ok);
    EXPECT_NE(unit_file(9), nullptr) << "a good file stays open for its loader";
    close_unit(9);
    EXPECT_EQ(closed(open_seabed_file(bad, 9)), Status::BadMagic);
    EXPECT_EQ(closed(load2(bad, 0)), Status::BadMagic);
    EXPECT_EQ(closed(load2(p3, 0)), Status::Not2D);
    EXPECT_EQ(closed(load3(p2, 0)), Status::Not3D);
    EXPECT_EQ(closed(load2(one, 0)), Status::TooFewNodes);
}

// A file too short for its counts is found by a read after the arrays are
// allocated: they stay attached and counted until the next load or free.
TEST_F(LoadTest, ShortFilesFailAfterAllocatingAndKeepTheCount) {
    std::string p2 = dir.path("p.sbd"), p3 = dir.path("s.sbd");
    constexpr std::int64_t kN = 100000;
    struct Case {
        bool three_d;
        std::int32_t type;
        std::vector<std::int32_t> record8, record11;
        std::int64_t memory;
    } cases[] = {
        {false, 0, {1, kN}, {}, 8 * kN},
        {false, 3, {1, kN}, {}, 12 * kN},
        {false, 2, {1, 4}, {kN, kN}, 12 * 4},  // M places the slopes beyond the end
        {true, 0, {2, kN}, {}, 12 * kN + 4 * 9 + 4 * kN},
        {true, 1, {2, kN}, {}, 24 * kN + 4 * 9},
        {true, 0, {2, 3}, {1, 2, 1, kN}, 12 * 3 + 4 * kN + 4 * 3},  // NADJ beyond the end
        {true, 1, {2, 3}, {1, kN, 1, 9}, 24 * 3 + 4 * 9},        // NS places the gradients beyond the end
    };
    for (const Case& c : cases) {
        const std::string& p = c.three_d ? p3 : p2;
        if (c.three_d)
            testing::Handmade3D{}.write(p);
        else
            testing::Handmade2D{}.write(p);
        RawFile(p).put<std::int32_t>(8, c.record8);
        if (!c.record11.empty()) RawFile(p).put<std::int32_t>(11, c.record11);
        memory = 5;
        Status st = c.three_d ? load3(p, c.type) : load2(p, c.type);
        EXPECT_EQ(st, Status::FileRead) << c.three_d << " " << c.type;
        EXPECT_EQ(memory, 5 + c.memory) << c.three_d << " " << c.type;
        if (c.three_d) {
            EXPECT_NE(nodes.base, nullptr);
            EXPECT_EQ(nodes.dim[0].extent, c.record8[1]);
            EXPECT_EQ(gradients.base != nullptr, c.type == 1);
        } else {
            EXPECT_NE(profile.base, nullptr);
            EXPECT_EQ(profile.dim[0].extent, c.record8[1]);
            EXPECT_EQ(slopes.base != nullptr, c.type != 0);
        }
        EXPECT_EQ(unit_file(9), nullptr);
    }
}

TEST_F(LoadTest, TruncatedFilesAnywhereGiveStatus5) {
    std::string p3 = dir.path("s.sbd");
    testing::Handmade3D{}.write(p3);
    const auto full = RawFile(p3).contents().size();
    for (std::uintmax_t size = 0; size < full; size += 4) {
        testing::Handmade3D{}.write(p3);
        RawFile(p3).truncate(size);
        EXPECT_EQ(load3(p3, 1), Status::FileRead) << size;
        EXPECT_EQ(unit_file(9), nullptr) << "the unit is closed on every path";
    }
    std::string p2 = dir.path("p.sbd");
    for (std::uintmax_t size = 4; size < 45 * 32 + 16; size += 12) {  // the Bessel slopes end at byte 1456
        testing::Handmade2D{}.write(p2);
        RawFile(p2).truncate(size);
        EXPECT_EQ(load2(p2, 2), Status::FileRead) << size;
    }
    FaultyFileSystem fs;
    fs.fail_open = true;
    EXPECT_EQ(load3(p3, 1), Status::FileOpen);
    EXPECT_EQ(nodes.base, nullptr) << "the earlier arrays were released first";
}

}  // namespace
}  // namespace seabed
