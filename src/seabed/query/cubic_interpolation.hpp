// The smooth (C1) seabed surface on a triangulation: a reduced
// Clough-Tocher cubic on every triangle, from node elevations and gradients.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"

namespace seabed {

/// Edge components of a triangle (I1, I2, I3): U1 = Y3-Y2, U2 = Y1-Y3,
/// U3 = Y2-Y1, V likewise in Z; each difference in float, then widened.
struct TriangleParams {
    double u[3]{};
    double v[3]{};
};

/// Squared edge lengths SL1..SL3 (opposite vertices 1..3) and the scale 1/D.
struct TriangleLengths {
    double sl[3]{};
    double scale = 0.0;
};

/// What a caller carries from one evaluation to the next, so that a point in
/// the same triangle as the previous one skips the search and the set-up.
struct SurfaceCursor {
    std::int32_t start = 1;  // start node of the walk
    std::int32_t i1 = 0, i2 = 0, i3 = 0;  // previous triangle (i1 <= 0: none)
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

/// Parameters as c0para_first, plus the squared edge lengths; the scale
/// (lengths.scale) is 1/D, or D itself with status SmallTriangle when tol > D.
[[nodiscard]] Status c1para_first(float y1, float z1, float y2, float z2, float y3, float z3, float tol,
                                  TriangleParams& params, TriangleLengths& lengths);

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
