// The smooth (C1) seabed surface on a triangulation: a reduced
// Clough-Tocher cubic on every triangle, from node elevations and gradients.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"
#include "seabed/query/lookup.hpp"
#include "seabed/query/triangle_params.hpp"

namespace seabed {

/// What a caller carries from one evaluation to the next, so that a point in
/// the same triangle as the previous one skips the search and the set-up.
struct SurfaceCursor {
    std::int32_t start = 1;  // start node of the walk
    std::int32_t i1 = 0, i2 = 0, i3 = 0;  // previous triangle (i1 <= 0: none)
    const std::int32_t* renumber = nullptr;  // for arrays renumbered from the original: see lookup_sgl_new
    WalkMemory* memory = nullptr;            // the walks' memory, for a run over one triangulation (ditto)
    TriangleParams params;
    TriangleLengths lengths;
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

/// The reduced Clough-Tocher element at barycentric coordinates r of a
/// triangle with the given parameters, vertex elevations xs and gradients
/// (gy, gz): its value, and its gradient (d/dy, d/dz) into gradient unless
/// that is null.
double hct_element(const double r[3], const TriangleParams& params, const TriangleLengths& lengths,
                   const double xs[3], const double gy[3], const double gz[3], double* gradient);

/// Elevation and unit normal (X, Y, Z components) of the C1 surface, for the
/// host: nodes is N x 3 (X, Y, Z), gradients 2 x N, both column-major.
/// Outside or on damaged lists the elevation is -3.4028234663852886E+38 and
/// the normal (1, 0, 0); on SmallTriangle it is -100000.0, normal not written.
[[nodiscard]] Status interpolate_3d_cubic(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                                          const std::int32_t* iadj, const std::int32_t* istart,
                                          const float* gradients, double& x, double normal[3], std::int32_t& start);

}  // namespace seabed
