// Triangulation of the horizontal (Y, Z) positions of a 3D seabed's nodes:
// radial sweep from the node with the smallest Y, Delaunay edge swaps.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"
#include "seabed/triangulation/triangulation_arrays.hpp"

namespace seabed {

namespace triangulation_tuning {
/// True: the insertion finds a new node's visible hull chain from a hash of
/// the hull by angle and swaps edges on half-edges (half_edges.hpp), and the
/// distance sort moves each key beside its index. False: the reference forms,
/// a scan of the hull from its start, a neighbour list per node, keys and
/// indices in two arrays. Both give the same arrays; tests and benchmarks
/// switch between them.
inline bool fast = true;
}  // namespace triangulation_tuning

/// Triangulates n nodes given by y and z (and carried values fval), permuting
/// all three arrays in place into sweep order. tol is the relative
/// collinearity tolerance for the first triangle (1.0e-6 from the generator).
/// iperm, itri and iadj are released first and stay allocated on any return.
/// Fails with TooFewNodes (n < 3), Collinear (no triangle, nodes at one
/// position, or a NaN or infinite y or z), an allocation code 20..27, or a
/// consistency code 31..39.
[[nodiscard]] Status triangulate(std::int32_t n, float tol, float* fval, float* y, float* z, Triangulation& t);

/// Position (1-based) of node in iadj, searching first, first + 1, ... up to
/// but not including stop, which is returned when node is not found. With
/// first = istart(i) and stop = the end of i's list plus one, it finds where
/// neighbour node stands in node i's list.
[[nodiscard]] std::int32_t ind_adjanode(std::int32_t stop, std::int32_t first, std::int32_t node, const NodeNo* iadj);

}  // namespace seabed
