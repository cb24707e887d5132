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

#include "seabed/triangulation.hpp"

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

}  // namespace seabed::test
