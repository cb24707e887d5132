// Invariants every finished triangulation must satisfy, checked from its
// arrays alone: sizes and counts, hull list, neighbour lists (mutual,
// counter-clockwise, hull lists ending in 0), the triangle list, convexity,
// and the empty-circumcircle condition up to the swap margin.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "seabed/triangulation/triangulation.hpp"

namespace seabed::test {

struct CheckOptions {
    /// Check that every node lies inside or on the hull (quadratic; off for big sets).
    bool containment = true;
    /// Check every interior edge against the swap test's condition. Holds only
    /// where the absolute swap margin is negligible at the node spacing.
    bool delaunay = true;
};

/// Empty when t is a valid triangulation of nodes (y[k], z[k]), k = 0..n-1;
/// otherwise the first violation found, in words.
std::string check_triangulation(std::int32_t n, const float* y, const float* z, const Triangulation& t,
                                CheckOptions options = {});

using Tri = std::array<std::int32_t, 3>;

/// The triangles of t, each rotated to start at its smallest vertex.
std::set<Tri> triangle_set(const Triangulation& t);

/// Every triple whose circumcircle holds no other node, by brute force in
/// double; meaningful for points in general position (no four cocircular).
std::set<Tri> brute_force_delaunay(std::int32_t n, const float* y, const float* z);

}  // namespace seabed::test
