// Sub-node sampling: the finished C1 surface evaluated on a regular grid of
// the sub-node spacing and along the hull, with unit normals, then the
// sub-nodes triangulated with the nodes' own driver.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"
#include "seabed/surface/node_data.hpp"

namespace seabed {

/// Samples the C1 surface of the triangulated, gradient-carrying nodes on the
/// grid of `spacing` and along the hull, then triangulates the sub-nodes and
/// drops slivers: fills `sub` (allocating it), with sub.ns and sub.nst.
[[nodiscard]] Status sample_subnodes(const NodeData& nodes, float spacing, SubnodeData& sub);

/// Grid lines along one axis for a range r: count and step.
struct GridAxis {
    std::int64_t count = 0;
    float step = 0.0f;
};
/// Q = floor(r / spacing), count Q + 1 and step r / Q; a range narrower than
/// the spacing gives its two ends. False when the count is not a number or
/// exceeds kMaxGridCount.
[[nodiscard]] bool grid_axis(float r, float spacing, GridAxis& axis);

/// Copies into `kept` every triangle of `all` whose aspect ratio in (Y, Z) is
/// at least kGenerateTol, in order; returns how many. Nodes and sub-nodes
/// drop their slivers alike.
std::int32_t retain_shapely(const std::vector<NodeNo>& all, std::int32_t nt, const float* y, const float* z,
                            NodeNo* kept);

}  // namespace seabed
