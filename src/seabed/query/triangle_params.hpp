// Set-up shared by the linear and the cubic surface on one triangle: its
// edge components, the scale 1/D of its doubled area, and barycentric
// coordinates. Differences of node coordinates are taken in float, then
// widened, so both surfaces see the same triangle to the bit.
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

/// Edge components of the triangle (1, 2, 3) and the scale 1/D, D = U1 V2 -
/// U2 V1. When tol > D (too small or clockwise) the scale is D itself and the
/// status SmallTriangle.
[[nodiscard]] Status c0para_first(float y1, float z1, float y2, float z2, float y3, float z3, float tol,
                                  TriangleParams& params, double& scale);

/// Barycentric coordinates b[0..2] of (y, z) in the triangle whose first two
/// vertices are (y1, z1), (y2, z2), from its parameters and scale 1/D.
void barycen_coord(double y, double z, float y1, float z1, float y2, float z2, const TriangleParams& params,
                   double scale, double b[3]);

/// Parameters as c0para_first, plus the squared edge lengths; the scale
/// (lengths.scale) is 1/D, or D itself with status SmallTriangle when tol > D.
[[nodiscard]] Status c1para_first(float y1, float z1, float y2, float z2, float y3, float z3, float tol,
                                  TriangleParams& params, TriangleLengths& lengths);

}  // namespace seabed
