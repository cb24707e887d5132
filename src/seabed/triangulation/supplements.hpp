// Geometric predicates of the triangulation and the 3D generator. A point is
// (a, b): a drawn to the right, b upwards (a node's Y and Z); counter-clockwise
// and "left of" refer to that drawing. Each predicate is evaluated in exactly
// the precision stated, because the triangulation's choices depend on it.
#pragma once

#include <cstdint>

namespace seabed {

/// Side of point P against the directed line A->B: -1 left, +1 right, 0
/// collinear within the relative tolerance tol (scaled by the largest
/// coordinate difference). With tol = 0 a point exactly on the line gives +1.
/// fp: float throughout.
std::int32_t node_leftright_collinear(float ap, float bp, float aa, float ba, float ab, float bb, float tol);

/// True when both coordinate differences are at most tol (a box, not a disc).
bool nodes_close(float a1, float b1, float a2, float b2, float tol);

/// True when P lies left of or on the directed line A->B; no tolerance.
/// fp: A and B widened to double, every difference and product in double.
/// Inline: the hull scan of node insertion calls it once per hull edge.
inline bool lineleftf(double ap, double bp, float aa, float ba, float ab, float bb) {
    const double a_a = aa, b_a = ba, a_b = ab, b_b = bb;  // fp: widened before any difference
    return (ap - a_a) * (b_b - b_a) <= (a_b - a_a) * (bp - b_a);
}

/// Signed area of the triangle (ua[k], ub[k]), k = 0..2; positive when
/// counter-clockwise. fp: float.
float tri_area(const float ua[3], const float ub[3]);

/// Inradius over circumradius, in [0, 0.5]; 0 for a zero-area triangle.
/// fp: float.
float aspect_ratio(const float ua[3], const float ub[3]);

}  // namespace seabed
