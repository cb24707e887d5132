// Incremental construction of the triangulation of nodes in radial-sweep
// order: first triangle, then each node outside the hull so far, linked to
// the hull chain it sees and followed by the swap sweep around it.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"
#include "seabed/triangulation/triangulation_arrays.hpp"

namespace seabed {

/// Builds t (all but iperm, which only records the move below) from nodes
/// 1..n of y and z in sweep order. When nodes 1, 2, 3 are collinear within
/// tol, the first node k off that line moves to position 3 (nodes 3..k-1 one
/// up) in iperm, z, y and fval alike. Collinear when no node leaves the line
/// or a new node sees no hull edge; allocation and consistency codes as named.
[[nodiscard]] Status add_nodes(std::int32_t n, float tol, std::int32_t* iperm, float* fval, float* y, float* z,
                               Triangulation& t);

}  // namespace seabed
