// The node triangulation copied with its nodes renumbered along a Hilbert
// curve, so that nodes near each other in the plane lie near each other in
// memory: the sub-node sampling walks through this copy and stays in cache.
//
// The copy is the same triangulation under another numbering: node k of the
// original is node renumber[k - 1] here, every neighbour list holds the
// renumbered neighbours in the same order (a hull node's list still ending in
// 0), and the lists follow each other in the new node order. A search over
// the copy therefore makes every comparison and every list step of the
// search over the original (lookup_sgl_new, given renumber for its random
// start nodes) and ends in the renumbered triangle with its vertices in the
// same order; the surface read from the renumbered values is the same to the
// bit.
#pragma once

#include <cstdint>
#include <vector>

#include "core/seabed_parameters.hpp"
#include "seabed/surface/node_data.hpp"

namespace seabed {

struct LocalOrder {
    std::int32_t n = 0, nadj = 0;
    std::vector<NodeNo> renumber;        // entry k - 1: the number of original node k here
    std::vector<NodeNo> iadj, istart;    // the lists, renumbered, in the new node order
    std::vector<float> x, y, z, grad;    // node values in the new order (grad 2 x n)
    bool used = false;                   // false: the original arrays are to be used
};

namespace local_order_tuning {
/// Whether the sampling walks through the renumbered copy (a test compares
/// both forms).
inline bool enabled = true;
}  // namespace local_order_tuning

/// Fills `out` for the triangulated nodes with their gradients. Leaves
/// out.used false, costing nothing more, when the copy is disabled or the
/// lists are not the plain layout a finished triangulation leaves (ISTART
/// from 1, increasing, every entry a node number or 0), so that a search over
/// the original reads nothing the copy would not hold. AllocSubnodeArrays
/// when its memory cannot be had.
[[nodiscard]] Status build_local_order(const NodeData& nd, LocalOrder& out);

}  // namespace seabed
