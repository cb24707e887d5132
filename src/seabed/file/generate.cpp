#include "seabed/file/generate.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "core/record_file.hpp"
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
    try {
        profile.resize(static_cast<std::size_t>(2 * rows));
    } catch (const std::bad_alloc&) {
        return Status::NoMemory;
    }
    if (!read_rows(file, kFirstDataRecord, rows, 2, profile.data())) return Status::FileRead;
    // Fewer than two points are refused before generate_2d, writing nothing, like the entry's other early failures.
    if (n < 2) return Status::TooFewNodes;
    if (n > kMaxProfilePoints) return Status::NoMemory;  // closest status: M = 20N - 19 has no 32-bit count
    std::int64_t next_record = kFirstDataRecord + block_records(2 * rows);
    return generate_2d(file, next_record, profile.data(), n);
}

}  // namespace

Status seabed_generate(const std::string& name, std::int32_t& duplicates) {
    duplicates = 0;
    UnitCloser closer{kGenerateUnit};
    if (Status st = open_seabed_file(name, kGenerateUnit); st != Status::Ok) return st;
    RecordFile& file = *unit_file(kGenerateUnit);

    std::array<std::int32_t, 3> header{};  // seabed type, N, spacing (float bits)
    if (!file.read_bytes(8, header.data(), sizeof header)) return Status::FileRead;
    const std::int32_t type = header[0], n = header[1];
    float spacing;
    std::memcpy(&spacing, &header[2], sizeof spacing);

    Status st;
    if (type == kSeabed2D)
        st = generate_profile(file, n);
    else if (type == kSeabed3D)
        st = generate_3d_input(file, n, spacing, duplicates);
    else
        return Status::NotSeabed;
    if (st != Status::Ok) return st;

    if (!file.write_bytes(1, kGeneratedRecord1.data(), sizeof kGeneratedRecord1)) return Status::FileWrite;
    return write_error(file, Status::Ok);
}

}  // namespace seabed
