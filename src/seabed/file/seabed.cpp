#include "seabed/file/seabed.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "core/library_state.hpp"
#include "core/record_file.hpp"

namespace seabed {
namespace {

// Loads asking for more than this many bytes are first checked against the
// file (one small read of the last value they need), so a corrupt count
// cannot reserve gigabytes for a file that cannot fill them: such a file
// ends in 5 before allocating. Smaller loads trust the counts.
constexpr std::int64_t kTrustedBytes = std::int64_t{64} << 20;

constexpr std::int32_t kInterp2DLinear = 0;
constexpr std::int32_t kInterp2DBessel = 2;
constexpr std::int32_t kInterp2DSpline = 3;
constexpr std::int32_t kInterp3DLinear = 0;
constexpr std::int32_t kInterp3DCubic = 1;
constexpr std::int32_t kSeabed2D = 1;
constexpr std::int32_t kSeabed3D = 2;

/// Opens for a loader: record 8 of a valid seabed file must name the seabed
/// type `kind` and at least min_nodes nodes. N reaches the host even when the
/// type is wrong or N too small.
Status open_for_load(const std::string& name, std::int32_t unit, std::int32_t kind, Status wrong_kind,
                     std::int32_t min_nodes, RecordFile*& file, std::int32_t& n) {
    if (Status st = open_seabed_file(name, unit); st != Status::Ok) return st;
    file = unit_file(unit);
    std::array<std::int32_t, 2> header{};
    if (!file->read_bytes(8, header.data(), sizeof header)) return Status::FileRead;
    n = header[1];
    if (header[0] != kind) return wrong_kind;
    if (n < min_nodes) return Status::TooFewNodes;
    return Status::Ok;
}

}  // namespace

Status open_seabed_file(const std::string& name, std::int32_t unit) {
    if (!file_system().exists(name)) return Status::FileMissing;
    RecordFile* file = open_unit(unit, name);
    if (!file) return Status::FileOpen;
    std::int32_t magic = 0;
    if (!file->read_bytes(1, &magic, sizeof magic)) {
        close_unit(unit);
        return Status::FileRead;
    }
    if (magic != kMagic) {
        close_unit(unit);
        return Status::BadMagic;
    }
    return Status::Ok;
}

Status load_seabed_2d(const std::string& name, std::int32_t unit, std::int32_t type, std::int32_t& n,
                      Desc<2>& profile, Desc<1>& slopes, std::int64_t& memory) {
    free_seabed_2d(profile, slopes);
    if (type != kInterp2DLinear && type != kInterp2DBessel && type != kInterp2DSpline)
        return Status::BadInterpolationType;
    UnitCloser closer{unit};
    RecordFile* file = nullptr;
    if (Status st = open_for_load(name, unit, kSeabed2D, Status::Not2D, 2, file, n); st != Status::Ok) return st;
    const std::int64_t nn = n;
    // A short file is found by the reads after allocating: its arrays stay
    // attached and counted, like those of any other failed load.
    const std::int64_t bytes = 8 * nn + (type != kInterp2DLinear ? 4 * nn : 0);
    if (bytes > kTrustedBytes && !block_present(*file, kFirstDataRecord, 2 * nn)) return Status::FileRead;
    if (!attach(profile, nn, 2)) return Status::NoMemory;
    memory += 8 * nn;
    if (type != kInterp2DLinear) {
        if (!attach(slopes, nn)) return Status::NoMemory;
        memory += 4 * nn;
    }
    if (!read_rows(*file, kFirstDataRecord, nn, 2, static_cast<float*>(profile.base))) return Status::FileRead;
    if (type == kInterp2DLinear) return Status::Ok;

    std::int32_t m = 0;
    if (!file->read_bytes(11, &m, sizeof m)) return Status::FileRead;
    const std::int64_t block_c = kFirstDataRecord + block_records(2 * nn) + 2 * block_records(2 * std::int64_t{m});
    const std::int64_t start = type == kInterp2DBessel ? block_c + block_records(nn) : block_c;
    if (!file->read_values(start, slopes.base, nn)) return Status::FileRead;
    return Status::Ok;
}

Status load_seabed_3d(const std::string& name, std::int32_t unit, std::int32_t type, std::int32_t& n,
                      std::int32_t& nt, std::int32_t& nadj, Desc<2>& nodes, Desc<2>& gradients,
                      Desc<1>& iadj, Desc<1>& istart, std::int64_t& memory) {
    free_seabed_3d(nodes, gradients, iadj, istart);
    if (type != kInterp3DLinear && type != kInterp3DCubic) return Status::BadInterpolationType;
    UnitCloser closer{unit};
    RecordFile* file = nullptr;
    if (Status st = open_for_load(name, unit, kSeabed3D, Status::Not3D, 3, file, n); st != Status::Ok) return st;

    std::array<std::int32_t, 4> counts{};  // NT, NS, NST, NADJ
    if (!file->read_bytes(11, counts.data(), sizeof counts)) return Status::FileRead;
    nt = counts[0];
    nadj = counts[3];
    const bool cubic = type == kInterp3DCubic;
    // Negative counts cannot describe blocks: treated as an unreadable file.
    // NS and NST place only the gradients, so only a cubic load looks at them.
    if (nt < 0 || nadj < 0 || (cubic && (counts[1] < 0 || counts[2] < 0))) return Status::FileRead;

    const std::int64_t nn = n, ns = counts[1], nst = counts[2];
    const std::int64_t block1 = kFirstDataRecord;
    const std::int64_t block3 = block1 + block_records(3 * nn) + block_records(3 * std::int64_t{nt});
    const std::int64_t block4 = block3 + block_records(nadj);
    const std::int64_t block8 = block4 + block_records(nn) + 2 * block_records(3 * ns) + block_records(3 * nst);

    const std::int64_t bytes = 16 * nn + 4 * std::int64_t{nadj} + (cubic ? 8 * nn : 0);
    if (bytes > kTrustedBytes &&
        !(cubic ? block_present(*file, block8, 2 * nn) : block_present(*file, block4, nn)))
        return Status::FileRead;
    if (!attach(nodes, nn, 3)) return Status::NoMemory;
    memory += 12 * nn;
    if (!attach(iadj, nadj)) return Status::NoMemory;
    memory += 4 * std::int64_t{nadj};
    if (!attach(istart, nn)) return Status::NoMemory;
    memory += 4 * nn;
    if (cubic) {
        if (!attach(gradients, 2, nn)) return Status::NoMemory;
        memory += 8 * nn;
    }
    if (!read_rows(*file, block1, nn, 3, static_cast<float*>(nodes.base))) return Status::FileRead;
    if (!file->read_values(block3, iadj.base, nadj)) return Status::FileRead;
    if (!file->read_values(block4, istart.base, nn)) return Status::FileRead;
    if (cubic && !file->read_values(block8, gradients.base, 2 * nn)) return Status::FileRead;
    return Status::Ok;
}

void free_seabed_2d(Desc<2>& profile, Desc<1>& slopes) {
    release(profile);
    release(slopes);
}

void free_seabed_3d(Desc<2>& nodes, Desc<2>& gradients, Desc<1>& iadj, Desc<1>& istart) {
    release(nodes);
    release(gradients);
    release(iadj);
    release(istart);
}

}  // namespace seabed
