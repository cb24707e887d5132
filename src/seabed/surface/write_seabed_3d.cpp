#include "seabed/surface/write_seabed_3d.hpp"

#include <array>
#include <cstring>

namespace seabed {
namespace {

constexpr std::int32_t kSeabed3D = 2;

/// Streams one block of 4-byte values from record on, whole records per
/// write through a buffer; the block after it starts block_records(count)
/// records later.
class BlockStream {
public:
    BlockStream(RecordFile& file, std::int64_t record) : file_(file), record_(record) {}
    template <class T>
    bool put(T v) {
        static_assert(sizeof(T) == 4);
        std::memcpy(&buffer_[used_++], &v, 4);
        return used_ < buffer_.size() || flush();
    }
    bool flush() {
        if (used_ == 0) return true;
        if (!file_.write_values(record_, buffer_.data(), static_cast<std::int64_t>(used_))) return false;
        record_ += static_cast<std::int64_t>(used_ / 8);
        used_ = 0;
        return true;
    }

private:
    RecordFile& file_;
    std::int64_t record_;
    std::array<std::uint32_t, 8 * 3 * 256> buffer_{};  // whole records of whole triples
    std::size_t used_ = 0;
};

}  // namespace

bool write_seabed_3d(RecordFile& file, const NodeData& nd, const SubnodeData& sd, std::int32_t n, float spacing) {
    std::array<std::uint32_t, 3> header{};
    const std::int32_t type = kSeabed3D;
    std::memcpy(&header[0], &type, 4);
    std::memcpy(&header[1], &n, 4);
    std::memcpy(&header[2], &spacing, 4);
    if (!file.write_bytes(8, header.data(), sizeof header)) return false;
    const std::array<std::int32_t, 4> counts{nd.nt, sd.ns, sd.nst, nd.t.nadj};
    if (!file.write_bytes(11, counts.data(), sizeof counts)) return false;

    std::int64_t record = kFirstDataRecord;
    // Each block begins where the record count of the one before says.
    auto triples = [&](std::int64_t items, auto&& item) {
        BlockStream out(file, record);
        for (std::int64_t i = 0; i < items; ++i) {
            const auto v = item(i);
            if (!out.put(v[0]) || !out.put(v[1]) || !out.put(v[2])) return false;
        }
        record += block_records(3 * items);
        return out.flush();
    };
    auto plain = [&](const auto* values, std::int64_t count) {
        if (!file.write_values(record, values, count)) return false;
        record += block_records(count);
        return true;
    };
    return triples(n, [&](std::int64_t i) { return std::array<float, 3>{nd.x[i], nd.y[i], nd.z[i]}; }) &&
           plain(nd.tri.data(), 3 * static_cast<std::int64_t>(nd.nt)) &&
           plain(nd.t.iadj.data(), nd.t.nadj) && plain(nd.t.istart.data(), n) &&
           triples(sd.ns, [&](std::int64_t k) { return std::array<float, 3>{sd.x[k], sd.y[k], sd.z[k]}; }) &&
           triples(sd.ns,
                   [&](std::int64_t k) {
                       const std::int64_t p = sd.t.iperm[static_cast<std::size_t>(k)] - 1;
                       return std::array<float, 3>{sd.nx[p], sd.ny[p], sd.nz[p]};
                   }) &&
           plain(sd.tri.data(), 3 * static_cast<std::int64_t>(sd.nst)) &&
           plain(nd.grad.data(), 2 * static_cast<std::int64_t>(n));
}

}  // namespace seabed
