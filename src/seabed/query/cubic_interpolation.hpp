// The smooth (C1) seabed surface on a triangulation: a reduced
// Clough-Tocher cubic on every triangle, from node elevations and gradients.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"
#include "seabed/query/lookup.hpp"
#include "seabed/query/triangle_params.hpp"

namespace seabed {

namespace batch_nodes {
struct HostNodes;
struct PackedNodes;
}  // namespace batch_nodes

/// The parts of the element that depend on its triangle alone: the weights
/// h of the sub-triangles and, for the gradient, dr[i] = (dR(i)/dy, dR(i)/dz)
/// = (-V(i) / D, U(i) / D).
struct HctConstants {
    double h[3]{};
    double dr[3][2]{};
};

/// What a caller carries from one evaluation to the next, so that a point in
/// the same triangle as the previous one skips the search and the set-up.
struct SurfaceCursor {
    std::int32_t start = 1;  // start node of the walk
    std::int32_t i1 = 0, i2 = 0, i3 = 0;  // previous triangle (i1 <= 0: none)
    const std::int32_t* renumber = nullptr;  // for arrays renumbered from the original: see lookup_sgl_new
    WalkMemory* memory = nullptr;            // the walks' memory, for a run over one triangulation (ditto)
    TriangleParams params;
    TriangleLengths lengths;
    HctConstants constants;
};

/// The set-up of the triangle a run of exported cubic queries used last,
/// kept while the following points fall in the same triangle with its
/// vertices in the same order (set up again it would give the same numbers).
struct CubicElementCache {
    std::int32_t t[3]{0, 0, 0};  // t[0] == 0: nothing kept
    Status st = Status::Ok;      // of c1para_first
    TriangleParams params;
    TriangleLengths lengths;
    HctConstants constants;
    double xs[3]{}, gy[3]{}, gz[3]{};  // elevations and gradients of the vertices
};

/// Elevation (and, when gradient_flag is 1, its gradient dX/dy, dX/dz) of the
/// C1 surface at (y, z). Arrays are 1-based in content, passed as pointers to
/// element 1: iadj (nadj), istart (n), x, y, z columns (n), grad (2 x n,
/// column-major). On return cursor.i1 > 0 means the point was inside; the
/// elevation is -100000.0 otherwise. Status: Ok, WalkNodeOutOfRange,
/// WalkFarNodeOutOfRange or SmallTriangle.
[[nodiscard]] Status interp_c1hct_new(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj,
                                      const std::int32_t* istart, std::int32_t gradient_flag, double y, double z,
                                      const float* x_col, const float* y_col, const float* z_col, float tol,
                                      const float* grad, SurfaceCursor& cursor, double& elevation,
                                      double gradient[2]);

/// The triangle's constants of the element, from its parameters and lengths.
void hct_constants(const TriangleParams& params, const TriangleLengths& lengths, HctConstants& constants);

/// The reduced Clough-Tocher element at barycentric coordinates r of a
/// triangle with the given parameters, vertex elevations xs and gradients
/// (gy, gz): its value, and its gradient (d/dy, d/dz) into gradient unless
/// that is null.
double hct_element(const double r[3], const TriangleParams& params, const TriangleLengths& lengths,
                   const double xs[3], const double gy[3], const double gz[3], double* gradient);
/// The same from the triangle's constants (hct_constants), to the bit.
double hct_element(const double r[3], const TriangleParams& params, const HctConstants& constants,
                   const double xs[3], const double gy[3], const double gz[3], double* gradient);

/// The unit normal (X, Y, Z components) of the surface where its gradient
/// (dX/dy, dX/dz) is the one given: it points towards increasing X.
void surface_normal(const double gradient[2], double normal[3]);

/// Elevation and unit normal (X, Y, Z components) of the C1 surface, for the
/// host: nodes is N x 3 (X, Y, Z), gradients 2 x N, both column-major.
/// Outside or on damaged lists the elevation is -3.4028234663852886E+38 and
/// the normal (1, 0, 0); on SmallTriangle it is -100000.0, normal not written.
[[nodiscard]] Status interpolate_3d_cubic(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                                          const std::int32_t* iadj, const std::int32_t* istart,
                                          const float* gradients, double& x, double normal[3], std::int32_t& start);

/// The same query for many points in a row: every result equals the one
/// above for the same start; cache carries the last triangle's set-up from
/// call to call. triangle: the nodes of the triangle used (counter-clockwise,
/// third the node the walk turned at), (-1, 0, 0) outside, (-3, 0, 0) on a
/// node whose neighbours all lie on one line through the point, (0, 0, 0) on
/// damaged lists.
[[nodiscard]] Status interpolate_3d_cubic(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                                          const std::int32_t* iadj, const std::int32_t* istart,
                                          const float* gradients, double& x, double normal[3], std::int32_t& start,
                                          CubicElementCache& cache, std::int32_t triangle[3]);

/// The same on a packed mesh (its gradients needed): start and triangle in
/// packed node numbers.
[[nodiscard]] Status interpolate_3d_cubic(const PackedMesh& mesh, double y, double z, double& x, double normal[3],
                                          std::int32_t& start, CubicElementCache& cache, std::int32_t triangle[3]);

/// The two above on either node view of batch_nodes.hpp (gradients needed).
[[nodiscard]] Status interpolate_3d_cubic(const batch_nodes::HostNodes& nodes, double y, double z, double& x,
                                          double normal[3], std::int32_t& start, CubicElementCache& cache,
                                          std::int32_t triangle[3]);
[[nodiscard]] Status interpolate_3d_cubic(const batch_nodes::PackedNodes& nodes, double y, double z, double& x,
                                          double normal[3], std::int32_t& start, CubicElementCache& cache,
                                          std::int32_t triangle[3]);

}  // namespace seabed
