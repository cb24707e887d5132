// The piecewise linear seabed surface: on each triangle, the plane through
// its three nodes' elevations. Triangle parameters and barycentric
// coordinates defined here serve the cubic surface as well.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"
#include "seabed/query/cubic_interpolation.hpp"

namespace seabed {

/// Elevation of a point that was not computed.
inline constexpr double kNotComputed = -100000.0;
/// Elevation of a point outside the seabed: the most negative float, widened.
inline constexpr double kOutsideElevation = -3.4028234663852886E+38;
/// Area tolerance of the 3D queries, in (Y, Z) units squared.
inline constexpr float kAreaTolerance = 1.0E-6f;

/// What a caller carries between linear evaluations (as SurfaceCursor does
/// for the cubic surface): the search state and the plane's parameters.
/// The X, Y and Z columns of a host's n x 3 node array (for n < 1 all three
/// are the array itself: the search then reads nothing).
struct NodeColumns {
    const float* x;
    const float* y;
    const float* z;
};
NodeColumns node_columns(const float* nodes, std::int32_t n);

/// After a query's search: outside the triangulation, or on damaged lists,
/// the elevation becomes the outside sentinel and the normal points up (X).
/// True when that applied.
bool mark_outside(Status st, std::int32_t i1, double& x, double normal[3]);

struct PlaneCursor {
    std::int32_t start = 1;
    std::int32_t i1 = 0, i2 = 0, i3 = 0;
    TriangleParams params;
    double scale = 0.0;
};

/// Edge components of the triangle (1, 2, 3) and the scale 1/D, D = U1 V2 -
/// U2 V1. When tol > D (too small or clockwise) the scale is D itself and the
/// status SmallTriangle.
[[nodiscard]] Status c0para_first(float y1, float z1, float y2, float z2, float y3, float z3, float tol,
                                  TriangleParams& params, double& scale);

/// Barycentric coordinates b[0..2] of (y, z) in the triangle whose first two
/// vertices are (y1, z1), (y2, z2), from its parameters and scale 1/D.
void barycen_coord(double y, double z, float y1, float z1, float y2, float z2, const TriangleParams& params,
                   double scale, double b[3]);

/// Elevation of the linear surface at (y, z); -100000.0 when the point is
/// outside or a status is returned (Ok, 42, 43 or SmallTriangle). Columns are
/// 1-based in content, passed as pointers to element 1.
[[nodiscard]] Status interp_c0_new(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj,
                                   const std::int32_t* istart, double y, double z, const float* x_col,
                                   const float* y_col, const float* z_col, float tol, PlaneCursor& cursor,
                                   double& elevation);

/// Elevation and unit normal (X, Y, Z components) of the linear surface, for
/// the host: nodes is the N x 3 column-major array (X, Y, Z). Outside or on
/// damaged lists the elevation is -3.4028234663852886E+38 and the normal
/// (1, 0, 0); on SmallTriangle the elevation is -100000.0 and the normal is
/// not written.
[[nodiscard]] Status interpolate_3d_linear(double y, double z, std::int32_t n, std::int32_t nadj,
                                           const float* nodes, const std::int32_t* iadj,
                                           const std::int32_t* istart, double& x, double normal[3],
                                           std::int32_t& start);

}  // namespace seabed
