// Delaunay edge swapping on the working neighbour lists, the list insertions
// and deletions it is made of, and the triangle list derived from the lists.
//
// Working lists: lists[i - 1] is node i's neighbour list (1-based entries),
// counter-clockwise around node i; a hull node's list ends in 0.
#pragma once

#include <cstdint>
#include <vector>

#include "core/int_list.hpp"
#include "core/seabed_parameters.hpp"

namespace seabed {

using NodeLists = std::vector<IntList>;

/// Margin of the swap test during insertion: four cocircular nodes, and nodes
/// cocircular within it, keep their diagonal. Absolute, in coordinate units^4.
inline constexpr float kSwapMargin = 1.1920929e-6f;

/// Whether edge io1-io2, shared by the counter-clockwise triangles
/// (in1, io1, io2) and (in2, io2, io1), should become in1-in2: the angles at
/// in1 and in2 add up to more than 180 degrees by more than tol.
/// Node numbers are 1-based into y and z. fp: float throughout.
bool swap_edgea(std::int32_t in1, std::int32_t in2, std::int32_t io1, std::int32_t io2, const float* y,
                const float* z, float tol);

/// Inserts value just before (offset 0) or just after (offset 1) the first
/// occurrence of ref. InsertZero for value 0, InsertRefMissing when ref is
/// absent; chosen: AllocNodeLists when the list cannot grow.
[[nodiscard]] Status insert_1i_scan(std::int32_t ref, std::int32_t value, std::int32_t offset, IntList& list);

/// Removes the first occurrence of value: DeleteZero for 0, DeleteMissing
/// when absent.
[[nodiscard]] Status delete_1i_scan(std::int32_t value, IntList& list);

/// Replaces edge io1-io2 by k-in, where k's list holds io1 just before io2 and
/// in's list io2 just before io1. Stops at the first failing list update.
[[nodiscard]] Status swap_tri(std::int32_t k, std::int32_t in, std::int32_t io2, std::int32_t io1, NodeLists& lists);

/// Tests every edge opposite the new hull node k, counter-clockwise from k's
/// first neighbour, and swaps where swap_edgea asks, including the edges that
/// a swap newly places opposite k. `linked` (n + 1 entries) is k where a node
/// is already k's neighbour (and at k itself): it lets a swap refuse to link
/// k twice to one node, which only an inconsistent structure asks for.
[[nodiscard]] Status swap_sweep(std::int32_t k, const float* y, const float* z, NodeLists& lists,
                                std::vector<std::int32_t>& linked);

/// Writes every triangle (i, a, b), i < a, i < b, counter-clockwise from its
/// smallest vertex, into itri (3 x nt_expected, column-major, at most
/// nt_expected triangles written) and counts all of them into nt.
/// TriangleCount when nt differs from nt_expected.
[[nodiscard]] Status form_vertices(std::int32_t n, std::int32_t nt_expected, const NodeLists& lists,
                                   std::int32_t* itri, std::int32_t& nt);

}  // namespace seabed
