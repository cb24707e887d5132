// What a host on Windows sees of seabed_create_test_file: the old file goes
// through DeleteFileA (so a file Windows will not delete stays as it was) and
// a 3D test seabed leaves its log at the fixed path C:\Temp\file3.txt.
// Skipped while the library lacks the export.
#if defined(_WIN32)

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "abi/host.hpp"
#include "support/files.hpp"

namespace seabed::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kLogDir = "C:\\Temp";
const fs::path kLog = "C:\\Temp\\file3.txt";

class WindowsTestFile : public ::testing::Test {
protected:
    void SetUp() override {
        create_ = host_.find<decltype(::seabed_create_test_file)>("seabed_create_test_file");
        if (!create_) GTEST_SKIP() << "seabed_create_test_file is not exported yet";
    }
    void create(const std::string& path, std::int32_t type) {
        create_(static_cast<std::int32_t>(path.size()), path.data(), type);
    }
    /// The whitespace-separated items of one log line.
    static std::vector<std::string> log_line(std::size_t index) {
        std::ifstream in(kLog);
        std::string text;
        for (std::size_t i = 0; i <= index; ++i)
            if (!std::getline(in, text)) return {};
        std::vector<std::string> items;
        std::string item;
        for (std::istringstream s(text); s >> item;) items.push_back(item);
        return items;
    }

    Host host_;
    ScratchDir dir_;
    decltype(&::seabed_create_test_file) create_ = nullptr;
};

TEST_F(WindowsTestFile, AFileThatCannotBeDeletedIsLeftAlone) {
    std::string path = dir_.path("readonly.sbd");
    RawFile(path).put<std::int32_t>(1, {1, 2, 3}).put<std::int32_t>(20, {4});
    std::string before = bytes_of(path);
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    create(path, 1);
    EXPECT_EQ(bytes_of(path), before);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

    create(path, 1);  // writable again: replaced, not overwritten in place
    EXPECT_EQ(RawFile(path).values<std::int32_t>(1, 1)[0], kTestMagic);
    EXPECT_LT(bytes_of(path).size(), before.size());
}

TEST_F(WindowsTestFile, TheSeabedFileDoesNotDependOnTheLogFolder) {
    std::error_code ec;
    fs::remove(kLog, ec);
    fs::remove(kLogDir, ec);  // only when empty: nothing of anyone else's goes
    std::string path = dir_.path("nolog.sbd");
    create(path, 2);
    RawFile f(path);
    EXPECT_EQ(f.values<std::int32_t>(1, 1)[0], kTestMagic);
    EXPECT_EQ(f.values<std::int32_t>(8, 1)[0], 2);
}

TEST_F(WindowsTestFile, ThreeDimensionalSeabedsLogTheirCounterAndNodeCount) {
    fs::create_directories(kLogDir);
    std::vector<long> counters;
    for (const char* name : {"first.sbd", "second.sbd"}) {
        std::error_code ec;
        fs::remove(kLog, ec);
        std::string path = dir_.path(name);
        create(path, 2);
        ASSERT_TRUE(fs::exists(kLog)) << name;
        auto counter = log_line(0), n = log_line(2);
        ASSERT_EQ(counter.size(), 1u);
        ASSERT_EQ(n.size(), 1u);
        counters.push_back(std::stol(counter[0]));
        EXPECT_EQ(std::stol(n[0]), RawFile(path).values<std::int32_t>(8, 2)[1]) << name;
    }
    EXPECT_GE(counters[0], 1);
    EXPECT_EQ(counters[1], counters[0] + 1);

    std::error_code ec;
    fs::remove(kLog, ec);
    create(dir_.path("flat.sbd"), 1);  // a 2D test seabed writes no log
    EXPECT_FALSE(fs::exists(kLog));
}

}  // namespace
}  // namespace seabed::testing

#endif
