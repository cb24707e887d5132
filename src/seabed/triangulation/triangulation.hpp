// Triangulation of the horizontal (Y, Z) positions of a 3D seabed's nodes:
// radial sweep from the node with the smallest Y, Delaunay edge swaps.
//
// Conventions of every array here: node numbers are 1-based positions in the
// permuted node arrays (element k of a vector is entry k + 1); neighbour
// lists run counter-clockwise (Y right, Z up); a hull node's list ends in 0.
#pragma once

#include <cstdint>
#include <vector>

#include "core/seabed_parameters.hpp"

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
