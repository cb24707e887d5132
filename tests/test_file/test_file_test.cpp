// Test seabed files: fixed 2D content, random 3D content in draw order, the
// log, replacement of an existing file, and failures that stop early.
#include "test_file/test_file.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/random.hpp"
#include "seabed/file/generate.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

using testing::RawFile;
using testing::ScratchDir;

using Reference = testing::ReferenceRandom;

/// What a 3D test file should hold, drawn in the documented order.
struct Expected3D {
    std::int32_t n;
    float xmax, ymax, zmax, spacing;
    std::vector<float> nodes;
};

Expected3D expected_3d(Reference& ref) {
    Expected3D e;
    ref.next();
    ref.next();
    e.n = static_cast<std::int32_t>(3.0f + std::trunc(17.0f * ref.next()));
    if (0.5f > ref.next()) e.n = static_cast<std::int32_t>(20.0f + std::trunc(980.0f * ref.next()));
    e.xmax = ref.next() * 19.8f + 0.2f;
    e.ymax = ref.next() * 990.0f + 10.0f;
    e.zmax = ref.next() * 990.0f + 10.0f;
    e.spacing = (ref.next() * 0.099f + 0.001f) * std::max(e.ymax, e.zmax);
    for (std::int32_t i = 0; i < e.n; ++i) {
        e.nodes.push_back(ref.next() * e.xmax);
        e.nodes.push_back(ref.next() * e.ymax);
        e.nodes.push_back(ref.next() * e.zmax);
    }
    return e;
}

std::vector<std::string> lines_of(const std::string& path) {
    std::ifstream f(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(f, line);) out.push_back(line);
    return out;
}

class TestFileTest : public testing::FreshProcessTest {
protected:
    std::string path = dir.path("test.sbd");
};

TEST_F(TestFileTest, Type1HoldsTheFixedProfile) {
    seabed_create_test_file(path, 1);
    RawFile f(path);
    EXPECT_EQ(f.contents().size(), 12u * 32u);  // records 9 to 11 are not written
    EXPECT_EQ(f.values<std::int32_t>(1, 1)[0], 0x0FF26702);
    const auto notes = f.get(2, 6 * 32);
    for (std::size_t r = 0; r < 6; ++r) EXPECT_EQ(std::string(notes.begin() + 32 * r, notes.begin() + 32 * r + 32), "User_Notes_User_Notes_User_Notes");
    EXPECT_EQ(f.values<std::int32_t>(8, 2), (std::vector<std::int32_t>{1, 4}));
    EXPECT_EQ(f.values<float>(8, 3)[2], 0.1f);
    EXPECT_EQ(f.values<float>(12, 8), (std::vector<float>{0.0f, 0.0f, 0.05f, 0.1f, 0.05f, 0.9f, 0.0f, 1.0f}));
    EXPECT_FALSE(std::ifstream(test_log_path()).good()) << "no log for a 2D file";
    EXPECT_EQ(random_uniform(), Reference().next()) << "no draws for a 2D file";
    std::int32_t duplicates = -1;
    EXPECT_EQ(seabed_generate(path, duplicates), Status::Ok);
}

TEST_F(TestFileTest, Type2DrawsInOrderAndStaysInItsRanges) {
    Reference ref;
    std::string previous;
    for (int call = 1; call <= 3; ++call) {
        seabed_create_test_file(path, 2);
        EXPECT_NE(RawFile(path).contents(), previous) << "each file of a process is new";
        previous = RawFile(path).contents();
        const Expected3D e = expected_3d(ref);
        RawFile f(path);
        ASSERT_EQ(f.values<std::int32_t>(8, 2), (std::vector<std::int32_t>{2, e.n}));
        EXPECT_EQ(f.values<float>(8, 3)[2], e.spacing);
        const std::size_t records = static_cast<std::size_t>((3 * e.n - 1) / 8 + 1);
        EXPECT_EQ(f.contents().size(), (11 + records) * 32);
        const auto nodes = f.values<float>(12, e.nodes.size());
        EXPECT_EQ(nodes, e.nodes) << "call " << call;

        const auto log = lines_of(test_log_path());
        ASSERT_EQ(log.size(), 9u);
        EXPECT_TRUE(std::stoi(log[0]) == call && std::stof(log[1]) == e.spacing && std::stoi(log[2]) == e.n &&
                    log[4].find("blah") != std::string::npos && std::stoi(log[6]) == e.n);
        std::istringstream zs(log[8]);
        std::vector<float> z;
        for (float v; zs >> v;) z.push_back(v);
        EXPECT_TRUE(z.size() == static_cast<std::size_t>(e.n) && z.back() == e.nodes.back());  // nine digits give the float back
    }
}

TEST_F(TestFileTest, AnExistingFileIsReplaced) {
    RawFile(path).put<std::int32_t>(40, std::vector<std::int32_t>(8, -1));
    seabed_create_test_file(path, 1);
    EXPECT_EQ(RawFile(path).contents().size(), 12u * 32u);
    // Another type touches nothing.
    RawFile(path).put<std::int32_t>(40, std::vector<std::int32_t>(8, -1));
    const std::string before = RawFile(path).contents();
    seabed_create_test_file(path, 3);
    EXPECT_EQ(RawFile(path).contents(), before);
}

TEST_F(TestFileTest, FailuresEndEarlyAndLeaveWhatWasWritten) {
    RawFile(path).put<std::int32_t>(1, {7});
    {
        testing::FaultyFileSystem fs;
        fs.fail_remove = true;
        seabed_create_test_file(path, 1);
    }
    EXPECT_EQ(RawFile(path).contents().size(), 4u) << "a failed delete writes nothing";
    {
        testing::FaultyFileSystem fs;
        fs.fail_open = true;
        seabed_create_test_file(path, 1);
    }
    EXPECT_FALSE(std::ifstream(path).good()) << "deleted, then the open failed";
    for (std::int64_t k = 1; k <= 9; ++k) {
        testing::FaultyFileSystem fs;
        fs.fail_write_at = k;
        seabed_create_test_file(path, 1);
        const std::size_t written = k <= 8 ? static_cast<std::size_t>(k - 1) : 8;
        EXPECT_EQ(RawFile(path).contents().size(), written * 32) << k;
        EXPECT_EQ(fs.writes, static_cast<std::int64_t>(k)) << "nothing after the failed write";
    }
}

TEST_F(TestFileTest, AnUnwritableLogLeavesTheSeabedFileAlone) {
    seabed_create_test_file(path, 2);
    const std::string with_log = RawFile(path).contents();
    reset_random_for_tests();
    set_test_log_directory_for_tests(dir.path("no/such/directory"));
    seabed_create_test_file(path, 2);
    EXPECT_EQ(RawFile(path).contents(), with_log);
}

}  // namespace
}  // namespace seabed
