#include <algorithm>
#include <array>
#include <vector>

#include "core/record_file.hpp"
#include "core/try_resize.hpp"
#include "seabed/file/generate.hpp"
#include "seabed/surface/generate_3d.hpp"
#include "core/node_list.hpp"

namespace seabed {
namespace {

// Records read per call; a multiple of 3 records holds whole nodes.
constexpr std::int64_t kChunkRecords = 3 * 1024;

}  // namespace

Status generate_3d_input(RecordFile& file, std::int32_t n, float spacing, std::int32_t& duplicates) {
    const std::int64_t values = 3 * static_cast<std::int64_t>(std::max(n, 0));
    const std::int64_t records = block_records(values);
    // Chosen: a node count larger than the file holds is refused as the failed
    // read it would come to (5), before the list is sized for it.
    if (values > 0) {
        std::array<char, kRecordBytes> probe;
        const std::int64_t last = std::min(values, 8 * records) - 1;
        if (!file.read_bytes(kFirstDataRecord + last / 8, probe.data(), static_cast<std::size_t>(last % 8 + 1) * 4))
            return Status::FileRead;
    }
    NodeList list;
    if (!list.create(n)) return Status::NoMemory;

    // Values up to the end of the block's records, whole nodes only.
    const std::int64_t available = std::min(values, 8 * records) / 3 * 3;
    std::vector<float> chunk;
    if (!try_resize(chunk, std::min(available, 8 * kChunkRecords))) return Status::NoMemory;
    for (std::int64_t done = 0; done < available; done += 8 * kChunkRecords) {
        const std::int64_t count = std::min(8 * kChunkRecords, available - done);
        if (!file.read_values(kFirstDataRecord + done / 8, chunk.data(), count)) return Status::FileRead;
        for (std::int64_t v = 0; v < count; v += 3) {
            const std::size_t k = static_cast<std::size_t>(v);
            if (!list.append_data(Node{chunk[k], chunk[k + 1], chunk[k + 2]})) return Status::NoMemory;
        }
    }
    std::int32_t count = n;
    return generate_3d(file, list, count, spacing, duplicates);
}

}  // namespace seabed
