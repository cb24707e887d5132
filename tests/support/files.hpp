// Test helpers: scratch files, raw record access, and a file system that
// fails on demand.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/platform.hpp"

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

}  // namespace seabed::testing
