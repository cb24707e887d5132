// Test helpers: scratch files, raw record access, a file system that fails on
// demand, seabed files written record by record without library code, and
// the fixture for tests that need the process-wide state as after load.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/library_state.hpp"
#include "core/platform.hpp"
#include "core/random.hpp"
#include "test_file/test_file.hpp"

namespace seabed::testing {

/// A fresh directory under the system's temporary directory, removed at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
};

/// Raw record-level writer for hand-made seabed files (no library code involved).
class RawFile {
public:
    explicit RawFile(std::string path) : path_(std::move(path)) {}
    /// Writes values (4-byte ints or floats) packed from the first byte of record on.
    template <class T>
    RawFile& put(std::int64_t record, const std::vector<T>& values) {
        static_assert(sizeof(T) == 4);
        return put_bytes(record, values.data(), values.size() * 4);
    }
    RawFile& put_bytes(std::int64_t record, const void* data, std::size_t nbytes);
    /// Reads nbytes from the first byte of record on.
    std::vector<char> get(std::int64_t record, std::size_t nbytes) const;
    template <class T>
    std::vector<T> values(std::int64_t record, std::size_t count) const {
        auto bytes = get(record, count * 4);
        std::vector<T> out(count);
        std::memcpy(out.data(), bytes.data(), count * 4);
        return out;
    }
    std::string contents() const;
    void truncate(std::uintmax_t bytes) const { std::filesystem::resize_file(path_, bytes); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

/// Wraps the native file system and fails the k-th record read or write
/// (counted per 32-byte record, from 1; a torn write puts half the record
/// first), every open or the replacing of a file. Installs itself for its
/// lifetime.
class FaultyFileSystem : public FileSystem {
public:
    FaultyFileSystem() { set_file_system(this); }
    ~FaultyFileSystem() override { set_file_system(nullptr); }
    bool exists(const std::string& path) override { return native_file_system().exists(path); }
    std::unique_ptr<RecordStream> open(const std::string& path) override;
    bool remove(const std::string& path) override { return !fail_remove && native_file_system().remove(path); }
    bool replace(const std::string& from, const std::string& to) override {
        return !fail_replace && native_file_system().replace(from, to);
    }

    std::int64_t fail_read_at = 0;   // 0: never
    std::int64_t fail_write_at = 0;  // 0: never
    bool fail_open = false;
    bool fail_remove = false;
    bool fail_replace = false;
    bool tear = false;
    std::int64_t reads = 0;   // records read so far
    std::int64_t writes = 0;  // records written so far
};

std::string bytes_of(const std::string& path);

inline constexpr std::int32_t kTestMagic = 0x0FF26702;

/// A generated 2D seabed with 4 nodes: node block in record 12, blocks A and
/// B in records 13..44, spline slopes (block C) in 45, Bessel slopes (D) in 46.
struct Handmade2D {
    std::vector<float> x{1.0f, 2.0f, 0.5f, -1.0f};
    std::vector<float> y{0.0f, 1.0f, 3.0f, 4.5f};
    std::vector<float> spline{0.0f, 0.25f, -0.5f, 0.0f};
    std::vector<float> bessel{0.0f, 0.125f, -0.75f, 0.0f};
    void write(const std::string& path) const;
};

/// A generated 3D seabed of one triangle with NS = 2 sub-nodes and NST = 1:
/// blocks 1..8 in records 12-13, 14, 15-16, 17, 18, 19, 20, 21.
struct Handmade3D {
    std::vector<float> nodes{5.0f, 0.0f, 0.0f, 6.0f, 1.0f, 0.0f, 7.0f, 0.0f, 1.0f};  // (X, Y, Z) per node
    std::vector<std::int32_t> iadj{2, 3, 0, 3, 1, 0, 1, 2, 0};
    std::vector<std::int32_t> istart{1, 4, 7};
    std::vector<float> gradients{0.5f, -0.25f, 1.5f, 2.0f, -3.0f, 0.125f};
    void write(const std::string& path) const;
};

/// Generation input as a host writes it: record 1 (magic number), record 8
/// (type, n, spacing) and the node block from record 12, (X, Y) or (X, Y, Z)
/// per node; n defaults to the nodes given.
void write_input(const std::string& path, std::int32_t type, const std::vector<float>& values, float spacing = 0.0f,
                 std::optional<std::int32_t> n = std::nullopt);
/// The status byte of record 9 and the 63 message characters of records 9 and 10.
int status_in_file(const std::string& path);
std::string message_in_file(const std::string& path);

/// The library's combined random generator computed independently, by plain
/// 64-bit remainders (no Schrage split), from the fixed starting seeds.
class ReferenceRandom {
public:
    float next() {
        s1_ = 40014 * s1_ % 2147483563;
        s2_ = 40692 * s2_ % 2147483399;
        std::int64_t d = s1_ - s2_;
        if (d < 1) d += 2147483562;
        return static_cast<float>(d) * 4.656613E-10f;
    }

private:
    std::int64_t s1_ = 2147483562, s2_ = 2147483398;
};

/// For tests that depend on the process-wide state being as after library
/// load: fixed random seeds, test-file counter at 0, default tolerances, open
/// units closed; the test file's log goes to the scratch directory.
class FreshProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_library_state();
        reset_random_for_tests();
        reset_test_file_counter_for_tests();
        set_test_log_directory_for_tests(dir.path(""));
    }
    void TearDown() override {
        set_test_log_directory_for_tests("");
        reset_library_state();
    }
    ScratchDir dir;
};

}  // namespace seabed::testing
