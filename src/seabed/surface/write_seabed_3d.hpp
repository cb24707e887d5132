// Writing a generated 3D seabed: record 8, record 11 and the eight result
// blocks from record 12, each block starting where the record count of the
// one before says.
#pragma once

#include <cstdint>

#include "core/record_file.hpp"
#include "seabed/surface/node_data.hpp"

namespace seabed {

/// Writes the header records and the blocks of nd and sd for n nodes; false
/// when a write fails.
[[nodiscard]] bool write_seabed_3d(RecordFile& file, const NodeData& nd, const SubnodeData& sd, std::int32_t n,
                                   float spacing);

}  // namespace seabed
