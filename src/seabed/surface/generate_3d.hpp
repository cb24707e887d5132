// Generation of a 3D seabed: from the host's nodes to the stored
// triangulation, node gradients, sampled sub-nodes with unit normals and the
// sub-node triangulation.
#pragma once

#include <cstdint>

#include "core/node_list.hpp"
#include "core/record_file.hpp"
#include "core/seabed_parameters.hpp"
#include "seabed/surface/node_data.hpp"

namespace seabed {

/// Builds the 3D seabed of `nodes` into file: removes duplicates (in place,
/// n becomes the count left; duplicates becomes 1 when that changed n and it
/// was 0), triangulates, filters slivers, estimates gradients, samples the
/// sub-nodes and writes records 8, 11 and the eight result blocks from
/// record 12. A failure other than a failed write is recorded in records 9
/// and 10. Every array of `data` is released before the return.
[[nodiscard]] Status generate_3d(RecordFile& file, NodeList& nodes, std::int32_t& n, float spacing,
                                 std::int32_t& duplicates, GenerationData& data);
[[nodiscard]] Status generate_3d(RecordFile& file, NodeList& nodes, std::int32_t& n, float spacing,
                                 std::int32_t& duplicates);

}  // namespace seabed
