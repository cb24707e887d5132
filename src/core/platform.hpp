// The one place the library touches the file system. Everything above it sees
// files of fixed 32-byte records addressed by record number (1-based); tests
// and the Windows build swap the implementation through set_file_system().
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace seabed {

inline constexpr std::size_t kRecordBytes = 32;

/// An open file of 32-byte records; record n starts at byte 32 * (n - 1).
/// Closing is destruction.
class RecordStream {
public:
    virtual ~RecordStream() = default;
    /// Reads nbytes from the first byte of `record` on (a packed block may span
    /// records). False unless every byte exists and was read.
    virtual bool read(std::int64_t record, void* dst, std::size_t nbytes) = 0;
    /// Writes nbytes from the first byte of `record` on. False on any failure.
    virtual bool write(std::int64_t record, const void* src, std::size_t nbytes) = 0;
    /// Bytes in the file; -1 when unknown.
    virtual std::int64_t size() = 0;
    /// False when the file could only be opened for reading.
    virtual bool writable() const = 0;
    /// Pushes written data to the storage device; false on failure.
    virtual bool sync() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool exists(const std::string& path) = 0;
    /// Opens for direct access, creating the file when absent; null on failure.
    virtual std::unique_ptr<RecordStream> open(const std::string& path) = 0;
    /// Deletes a file; false on failure.
    virtual bool remove(const std::string& path) = 0;
    /// Moves the file `from` over `to` in one step (the old `to` is replaced,
    /// never half-written), giving it the permissions `to` had; false on
    /// failure, with both files as they were.
    virtual bool replace(const std::string& from, const std::string& to) = 0;
};

/// The operating system's files.
FileSystem& native_file_system();
/// The implementation in use (native unless a test installed another).
FileSystem& file_system();
/// Installs fs for all later file access; nullptr restores the native one.
void set_file_system(FileSystem* fs);

}  // namespace seabed
