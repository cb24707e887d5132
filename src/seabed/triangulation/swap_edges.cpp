#include "seabed/triangulation/swap_edges.hpp"

#include "core/math.hpp"

namespace seabed {

bool swap_edgea(std::int32_t in1, std::int32_t in2, std::int32_t io1, std::int32_t io2, const float* y,
                const float* z, float tol) {
    // fp: float, vectors from the opposite node to the edge's ends
    const float u1a = y[io1 - 1] - y[in1 - 1], u1b = z[io1 - 1] - z[in1 - 1];
    const float v1a = y[io2 - 1] - y[in1 - 1], v1b = z[io2 - 1] - z[in1 - 1];
    const float u2a = y[io2 - 1] - y[in2 - 1], u2b = z[io2 - 1] - z[in2 - 1];
    const float v2a = y[io1 - 1] - y[in2 - 1], v2b = z[io1 - 1] - z[in2 - 1];
    const float c1 = dot2(u1a, u1b, v1a, v1b);
    const float c2 = dot2(u2a, u2b, v2a, v2b);
    if (c1 >= 0.0f && c2 >= 0.0f) return false;
    if (c1 < 0.0f && c2 < 0.0f) return true;
    const float s1 = cross2(u1a, u1b, v1a, v1b);
    const float s2 = cross2(u2a, u2b, v2a, v2b);
    return c1 * s2 + s1 * c2 < -tol;
}

}  // namespace seabed
