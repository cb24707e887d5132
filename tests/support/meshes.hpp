// Triangulations for the tests: hand-built ones in the layout the search
// reads (CCW neighbour lists, a hull node's list from the next hull node CCW
// to the previous one, then 0), the library's own, and the invariants every
// finished triangulation must satisfy, checked from its arrays alone.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "seabed/triangulation/triangulation.hpp"

namespace seabed::testing {

struct TestMesh {
    std::int32_t n = 0;
    std::int32_t nadj = 0;
    std::vector<float> x, y, z;  // element k is node k + 1
    std::vector<std::int32_t> iadj, istart;
    std::vector<std::array<std::int32_t, 3>> triangles;  // counter-clockwise
    std::vector<std::int32_t> hull;                      // hull nodes counter-clockwise (library meshes)

    /// N x 3 column-major (X, Y, Z), as a 3D load leaves it.
    std::vector<float> nodes() const;
};

/// Neighbour lists of the triangles (each CCW) over nodes with coordinates y, z.
TestMesh mesh_from_triangles(std::vector<float> y, std::vector<float> z,
                             std::vector<std::array<std::int32_t, 3>> triangles);

/// An nx x ny grid of spacing h from (y0, z0), each cell split into two CCW
/// triangles (diagonals alternating when asked), interior nodes moved by up
/// to jitter * h, node numbers shuffled when seed is not 0.
TestMesh grid_mesh(int nx, int ny, float h, float y0 = 0.0f, float z0 = 0.0f, float jitter = 0.0f, unsigned seed = 0,
                   bool alternate = false);

/// The library's own triangulation of the nodes (y, z), in the order
/// triangulate leaves them; elevations 0.
TestMesh triangulated_mesh(std::vector<float> y, std::vector<float> z);

/// n random nodes in [0, extent)^2, triangulated by the library.
TestMesh delaunay_mesh(int n, unsigned seed, float extent);

/// An nx x ny lattice of spacing h with every node moved by up to jitter * h,
/// in shuffled order, triangulated by the library: well-shaped triangles in
/// no grid pattern.
TestMesh lattice_mesh(int nx, int ny, float h, float jitter, unsigned seed);

struct CheckOptions {
    /// Check that every node lies inside or on the hull (quadratic; off for big sets).
    bool containment = true;
    /// Check every interior edge against the swap test's condition. Holds only
    /// where the absolute swap margin is negligible at the node spacing.
    bool delaunay = true;
};

/// Empty when t is a valid triangulation of nodes (y[k], z[k]), k = 0..n-1:
/// sizes and counts, hull list, neighbour lists (mutual, counter-clockwise,
/// hull lists ending in 0), the triangle list, convexity, and the
/// empty-circumcircle condition up to the swap margin; otherwise the first
/// violation found, in words.
std::string check_triangulation(std::int32_t n, const float* y, const float* z, const Triangulation& t,
                                CheckOptions options = {});

}  // namespace seabed::testing
