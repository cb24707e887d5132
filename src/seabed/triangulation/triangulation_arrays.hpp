// The arrays a triangulation produces, shared by the sweep, node insertion,
// hull updates, edge swaps and every client of a finished triangulation.
//
// Conventions: node numbers are 1-based positions in the permuted node arrays
// (element k of a vector is entry k + 1); neighbour lists run
// counter-clockwise (Y right, Z up); a hull node's list ends in 0.
#pragma once

#include <cstdint>
#include <vector>

namespace seabed {

using NodeNo = std::int32_t;  // 1-based; 0 ends a hull node's neighbour list

/// The arrays a triangulation produces.
struct Triangulation {
    std::vector<NodeNo> iperm;   // N: input position of the node now at each position
    std::vector<NodeNo> ibnd;    // N+1: hull counter-clockwise, closed, then zeros
    std::int32_t nb = 0;         // hull nodes
    std::int32_t lb = 0;         // used entries of ibnd, nb + 1
    std::vector<NodeNo> itri;    // 3 x nt, column-major: triangle t is itri[3(t-1)..3(t-1)+2]
    std::int32_t nt = 0;
    std::vector<NodeNo> iadj;    // nadj: all neighbour lists, node 1 first
    std::vector<std::int32_t> istart;  // N: 1-based start of each node's list in iadj
    std::int32_t nadj = 0;
};

}  // namespace seabed
