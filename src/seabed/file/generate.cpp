#include "seabed/file/generate.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/record_file.hpp"
#include "core/try_resize.hpp"
#include "seabed/profile/profile_2d.hpp"
#include "seabed/file/seabed.hpp"

namespace seabed {
namespace {

constexpr std::int32_t kSeabed2D = 1;
constexpr std::int32_t kSeabed3D = 2;

/// The 2D branch: the node block into a profile array, then generate_2d.
Status generate_profile(RecordFile& file, std::int32_t n) {
    const std::int64_t rows = std::max(n, 0);
    if (!block_present(file, kFirstDataRecord, 2 * rows)) return Status::FileRead;
    std::vector<float> profile;
    if (!try_resize(profile, 2 * rows)) return Status::NoMemory;
    if (!read_rows(file, kFirstDataRecord, rows, 2, profile.data())) return Status::FileRead;
    // Fewer than two points are refused before generate_2d, writing nothing, like the entry's other early failures.
    if (n < 2) return Status::TooFewNodes;
    if (n > kMaxProfilePoints) return Status::NoMemory;  // closest status: M = 20N - 19 has no 32-bit count
    std::int64_t next_record = kFirstDataRecord + block_records(2 * rows);
    return generate_2d(file, next_record, profile.data(), n);
}

/// The file a generation writes before it replaces the host's file: beside
/// it, so that the replacing is a rename within one file system.
class Sidecar {
public:
    explicit Sidecar(const std::string& name) : path_(name + ".generating") {}
    ~Sidecar() {
        file_.reset();
        if (!replaced_) (void)file_system().remove(path_);
    }
    Sidecar(const Sidecar&) = delete;
    Sidecar& operator=(const Sidecar&) = delete;

    /// Creates the sidecar empty; a leftover of an interrupted run is cleared first.
    bool create() {
        (void)file_system().remove(path_);
        auto stream = file_system().open(path_);
        if (!stream || stream->size() != 0) return false;
        file_ = std::make_unique<RecordFile>(std::move(stream));
        return true;
    }
    RecordFile& file() { return *file_; }
    /// Makes the sidecar the file `name`, closing it first.
    bool replace(const std::string& name) {
        if (!file_->stream().sync()) return false;
        file_.reset();
        replaced_ = file_system().replace(path_, name);
        return replaced_;
    }

private:
    std::string path_;
    std::unique_ptr<RecordFile> file_;
    bool replaced_ = false;
};

/// Copies every byte of `from` to `to`, many records per call. A failed read
/// is the entry's 5, a failed write 6.
Status copy_file(RecordStream& from, RecordStream& to) {
    constexpr std::int64_t kChunkBytes = 8192 * static_cast<std::int64_t>(kRecordBytes);
    const std::int64_t size = from.size();
    if (size < 0) return Status::FileRead;
    std::vector<char> chunk;
    if (!try_resize(chunk, std::min(size, kChunkBytes))) return Status::NoMemory;
    for (std::int64_t at = 0; at < size; at += kChunkBytes) {
        const std::int64_t record = at / static_cast<std::int64_t>(kRecordBytes) + 1;
        const auto n = static_cast<std::size_t>(std::min(kChunkBytes, size - at));
        if (!from.read(record, chunk.data(), n)) return Status::FileRead;
        if (!to.write(record, chunk.data(), n)) return Status::FileWrite;
    }
    return Status::Ok;
}

/// After a failed generation in the sidecar: the status records the generator
/// wrote there (when it could) go into the host's file, which is otherwise
/// left as it was.
Status carry_status(RecordFile& sidecar, RecordFile& original, Status st) {
    if (st == Status::FileWrite) return st;  // a failed write leaves no message
    std::array<char, 2 * kRecordBytes> written{}, held{};
    if (!sidecar.stream().read(9, written.data(), written.size())) return st;
    if (original.stream().read(9, held.data(), held.size()) && written == held) return st;
    if (!original.write_bytes(9, written.data(), kRecordBytes) ||
        !original.write_bytes(10, written.data() + kRecordBytes, kRecordBytes))
        return Status::FileWrite;
    return st;
}

}  // namespace

// The result is built in a sidecar copy of the file and moved over it in one
// step, so a failure at any point leaves the host's input readable: the file
// changes only by a whole successful result or, after a generator's failure,
// by its status records 9 and 10.
Status seabed_generate(const std::string& name, std::int32_t& duplicates) {
    duplicates = 0;
    UnitCloser closer{kGenerateUnit};
    if (Status st = open_seabed_file(name, kGenerateUnit); st != Status::Ok) return st;
    RecordFile& original = *unit_file(kGenerateUnit);

    std::array<std::int32_t, 3> header{};  // seabed type, N, spacing (float bits)
    if (!original.read_bytes(8, header.data(), sizeof header)) return Status::FileRead;
    const std::int32_t type = header[0], n = header[1];
    float spacing;
    std::memcpy(&spacing, &header[2], sizeof spacing);
    if (type != kSeabed2D && type != kSeabed3D) return Status::NotSeabed;

    Sidecar sidecar(name);
    // chosen: a folder that takes no new file beside the seabed file is a failed write (6)
    if (!sidecar.create()) return Status::FileWrite;
    RecordFile& file = sidecar.file();
    if (Status st = copy_file(original.stream(), file.stream()); st != Status::Ok) return st;

    Status st = type == kSeabed2D ? generate_profile(file, n) : generate_3d_input(file, n, spacing, duplicates);
    if (st != Status::Ok) return carry_status(file, original, st);
    if (!file.write_bytes(1, kGeneratedRecord1.data(), sizeof kGeneratedRecord1)) return Status::FileWrite;
    if (Status written = write_error(file, Status::Ok); written != Status::Ok) return written;

    // A file opened read-only would have refused the first write in place.
    if (!original.stream().writable()) return Status::FileWrite;
    close_unit(kGenerateUnit);
    return sidecar.replace(name) ? Status::Ok : Status::FileWrite;
}

}  // namespace seabed
