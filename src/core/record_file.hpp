// Seabed files as the library sees them: 32-byte records of 4-byte values,
// blocks of values packed eight to a record, and the table of units under
// which files stay open between calls.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform.hpp"

namespace seabed {

inline constexpr std::int32_t kMagic = 0x0FF26702;
/// Record 1 after a successful generation: the magic number and the stamp.
inline constexpr std::array<std::int32_t, 7> kGeneratedRecord1 = {kMagic, 1, 8, 4, 2, 7, 2015};
inline constexpr std::int64_t kFirstDataRecord = 12;

/// Records taken by a block of v four-byte values: floor((v - 1) * 0.125) + 1,
/// 0 for v <= 0.
[[nodiscard]] inline std::int64_t block_records(std::int64_t v) {
    // fp: float on purpose, as the file layout defines it; exact for v <= 2^24
    float k = static_cast<float>(v - 1) * 0.125f;
    std::int64_t records = static_cast<std::int64_t>(__builtin_floorf(k)) + 1;
    return records > 0 ? records : 0;
}

/// An open seabed file.
class RecordFile {
public:
    explicit RecordFile(std::unique_ptr<RecordStream> stream) : stream_(std::move(stream)) {}

    /// Reads the first nbytes (at most 32) of one record.
    [[nodiscard]] bool read_bytes(std::int64_t record, void* dst, std::size_t nbytes) {
        return nbytes <= kRecordBytes && stream_->read(record, dst, nbytes);
    }
    /// Writes one record: nbytes (at most 32) of data, the rest zero.
    [[nodiscard]] bool write_bytes(std::int64_t record, const void* src, std::size_t nbytes);

    /// Reads count packed 4-byte values starting at the first byte of record.
    [[nodiscard]] bool read_values(std::int64_t record, void* dst, std::int64_t count) {
        return count <= 0 || stream_->read(record, dst, static_cast<std::size_t>(count) * 4);
    }
    /// Writes count packed 4-byte values from record on; the last record is
    /// zero-filled past the data.
    [[nodiscard]] bool write_values(std::int64_t record, const void* src, std::int64_t count);

    RecordStream& stream() { return *stream_; }

private:
    std::unique_ptr<RecordStream> stream_;
};

/// Writes consecutive blocks of 4-byte values from a running record number,
/// many records per system call.
class BlockWriter {
public:
    BlockWriter(RecordFile& file, std::int64_t next_record) : file_(file), next_(next_record) {}

    /// Appends one block of count values; it starts in a new record.
    template <class T>
    [[nodiscard]] bool block(const T* values, std::int64_t count) {
        static_assert(sizeof(T) == 4);
        if (!file_.write_values(next_, values, count)) return false;
        next_ += block_records(count);
        return true;
    }
    std::int64_t next_record() const { return next_; }

private:
    RecordFile& file_;
    std::int64_t next_;
};

/// True when the file holds every byte of the block of count values that
/// starts at record, checked with one small read of its end: lets a reader
/// refuse a file too short for its counts before allocating for them.
[[nodiscard]] bool block_present(RecordFile& file, std::int64_t record, std::int64_t count);

/// Reads a block of n rows of `width` values from record on and scatters
/// value k of every row into column k of a column-major float array with n
/// rows, a few records' worth per system call.
[[nodiscard]] bool read_rows(RecordFile& file, std::int64_t record, std::int64_t n, int width, float* columns);

/// The name without trailing blanks; a NUL ends it early, as it would for
/// the system's own calls. A negative length or null pointer is an empty name.
std::string file_name(const char* name, std::int64_t length);

/// Opens name on unit (closing whatever the unit held) and leaves it there.
/// Null when the file cannot be opened.
RecordFile* open_unit(std::int32_t unit, const std::string& name);
/// The file open on unit, or null.
RecordFile* unit_file(std::int32_t unit);
/// Closes unit if it holds a file.
void close_unit(std::int32_t unit);

/// Closes a unit when the scope ends, so every path of an operation closes it.
struct UnitCloser {
    std::int32_t unit;
    ~UnitCloser() { close_unit(unit); }
};

}  // namespace seabed
