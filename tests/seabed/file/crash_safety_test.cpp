// Whatever record read or write fails (or is torn) during a generation, the
// host's input reads back as it was; success leaves the same bytes as an
// undisturbed run.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/library_state.hpp"
#include "seabed/file/generate.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

using testing::FaultyFileSystem;
using testing::RawFile;

struct Input {
    const char* name;
    std::vector<std::int32_t> record8;  // type, N, spacing bits
    std::vector<float> nodes;
};

/// 40 scattered nodes of which the last 6 repeat earlier ones (within the
/// duplicate tolerance), on a coarse grid so a sweep stays short.
Input with_duplicates() {
    std::mt19937 rng(12);
    std::uniform_real_distribution<float> at(0.0f, 10.0f);
    std::vector<float> v;
    for (int i = 0; i < 34; ++i) v.insert(v.end(), {at(rng), at(rng), at(rng)});
    for (int i = 0; i < 6; ++i) v.insert(v.end(), {v[9 * i] + 1.0f, v[9 * i + 1], v[9 * i + 2] + 1.0e-5f});
    return {"3d with duplicates", {2, 40, std::bit_cast<std::int32_t>(2.5f)}, v};
}

class CrashSafetyTest : public ::testing::Test {
protected:
    void SetUp() override { reset_library_state(); }
    void TearDown() override { reset_library_state(); }

    std::string write(const Input& in) {
        std::string path = dir.path("seabed.sbd");
        std::filesystem::remove(path);
        RawFile f(path);
        f.put<std::int32_t>(1, {testing::kTestMagic});
        f.put_bytes(2, std::string(32, 'n').data(), 32);
        f.put(8, in.record8);
        f.put(12, in.nodes);
        return path;
    }
    Status generate(const std::string& path) { return seabed_generate(path, duplicates); }
    bool sidecar_left(const std::string& path) { return std::filesystem::exists(path + ".generating"); }

    testing::ScratchDir dir;
    std::int32_t duplicates = 0;
    const std::vector<Input> inputs = {
        with_duplicates(),
        {"2d", {1, 6, 0}, {1, 0, 2, 1, 0.5f, 3, -1, 4.5f, 0, 5, 2, 7}},
    };
};

TEST_F(CrashSafetyTest, EveryFailedOrTornRecordLeavesTheInputAsItWas) {
    for (const Input& in : inputs) {
        std::string path = write(in);
        const std::string before = RawFile(path).contents();
        std::int64_t reads = 0, writes = 0;
        std::string good;
        {
            FaultyFileSystem fs;
            ASSERT_EQ(generate(path), Status::Ok) << in.name;
            EXPECT_EQ(duplicates, in.record8[0] == 2 ? 1 : 0) << in.name;
            reads = fs.reads;
            writes = fs.writes;
            good = RawFile(path).contents();
        }
        ASSERT_GT(writes, 20) << in.name;
        struct Fault {
            std::int64_t FaultyFileSystem::*at;
            std::int64_t count;
            bool tear;
            Status expected;
        } faults[] = {{&FaultyFileSystem::fail_write_at, writes, false, Status::FileWrite},
                      {&FaultyFileSystem::fail_write_at, writes, true, Status::FileWrite},
                      {&FaultyFileSystem::fail_read_at, reads, false, Status::FileRead}};
        for (const Fault& f : faults) {
            for (std::int64_t k = 1; k <= f.count; ++k) {
                path = write(in);
                FaultyFileSystem fs;
                fs.*f.at = k;
                fs.tear = f.tear;
                ASSERT_EQ(generate(path), f.expected) << in.name << " k " << k << " tear " << f.tear;
                ASSERT_EQ(RawFile(path).contents(), before) << in.name << " k " << k << " tear " << f.tear;
                ASSERT_FALSE(sidecar_left(path)) << in.name << " k " << k;
            }
        }
        path = write(in);
        {
            FaultyFileSystem fs;
            fs.fail_replace = true;
            EXPECT_EQ(generate(path), Status::FileWrite) << in.name;
            EXPECT_EQ(RawFile(path).contents(), before) << in.name;
        }
        // Generated again over an earlier result: the same bytes as the first time.
        std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                               std::filesystem::perms::group_read);
        ASSERT_EQ(generate(path), Status::Ok);
        EXPECT_EQ(RawFile(path).contents(), good) << in.name;
        EXPECT_FALSE(sidecar_left(path));
#if !defined(_WIN32)
        EXPECT_EQ(std::filesystem::status(path).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                      std::filesystem::perms::group_read);
#endif
    }
}

}  // namespace
}  // namespace seabed
