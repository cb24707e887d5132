// The operating system's files under the record layer: the same behaviour from
// the POSIX calls here and from CreateFileA/ReadFile/WriteFile/DeleteFileA in
// the Windows build.
#include "core/platform.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace seabed {
namespace {

using testing::bytes_of;
using testing::ScratchDir;

std::vector<char> pattern(std::size_t n, char seed) {
    std::vector<char> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<char>(seed + static_cast<char>(i));
    return v;
}

TEST(NativeFiles, ReadsBeyondTheEndAndBadRecordNumbersFail) {
    ScratchDir dir;
    std::string path = dir.path("short.sbd");
    auto f = native_file_system().open(path);
    ASSERT_TRUE(f);
    auto data = pattern(50, 'x');
    ASSERT_TRUE(f->write(1, data.data(), data.size()));
    struct Case {
        std::int64_t record;
        std::size_t nbytes;
        bool ok;
    } cases[] = {
        {1, 32, true}, {2, 18, true},  {2, 19, false},       {3, 1, false}, {1000, 4, false},
        {0, 4, false}, {-1, 4, false}, {INT64_MAX, 4, false}, {INT64_MAX / 32, 4, false},
    };
    for (const Case& c : cases) {
        std::vector<char> buf(c.nbytes);
        EXPECT_EQ(f->read(c.record, buf.data(), buf.size()), c.ok) << c.record << " " << c.nbytes;
        if (c.record < 1 || c.record > 1000) {
            EXPECT_FALSE(f->write(c.record, data.data(), 4)) << c.record;
        }
    }
    EXPECT_EQ(bytes_of(path).size(), 50u);
}

TEST(NativeFiles, DirectoriesAreNotSeabedFiles) {
    ScratchDir dir;
    std::string sub = dir.path("folder");
    std::filesystem::create_directory(sub);
    EXPECT_TRUE(native_file_system().exists(sub));
    EXPECT_FALSE(native_file_system().open(sub));
    EXPECT_FALSE(native_file_system().open(dir.path("missing folder/file.sbd")));
}

#if defined(_WIN32)
// Root on Linux deletes read-only files anyway; DeleteFileA refuses, which is
// what a host on Windows meets. (Whether writes are refused too depends on the
// user: Wine run as root lets them through, so that is not checked.)
TEST(NativeFiles, AReadOnlyFileStillLoadsButCannotBeDeleted) {
    ScratchDir dir;
    std::string path = dir.path("readonly.sbd");
    auto data = pattern(32, 'r');
    {
        auto f = native_file_system().open(path);
        ASSERT_TRUE(f);
        ASSERT_TRUE(f->write(1, data.data(), data.size()));
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                           std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    {
        auto f = native_file_system().open(path);
        ASSERT_TRUE(f);
        std::vector<char> got(32);
        EXPECT_TRUE(f->read(1, got.data(), got.size()));
        EXPECT_EQ(got, data);
    }
    EXPECT_FALSE(native_file_system().remove(path));
    EXPECT_TRUE(native_file_system().exists(path));
    std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}
#endif

}  // namespace
}  // namespace seabed
