#include "seabed/triangulation/supplements.hpp"

#include <algorithm>
#include <cmath>

namespace seabed {

std::int32_t node_leftright_collinear(float ap, float bp, float aa, float ba, float ab, float bb, float tol) {
    const float dpa = ap - ab;
    const float dpb = bp - bb;
    const float dlb = bb - ba;
    const float dla = ab - aa;
    // minus the cross product of B-A and P-B: negative when A, B, P turn left
    const float c = dpa * dlb - dpb * dla;
    const float m = std::max(std::max(std::fabs(dla), std::fabs(dlb)), std::max(std::fabs(dpa), std::fabs(dpb)));
    if (m * tol > std::fabs(c)) return 0;
    return c < 0.0f ? -1 : 1;
}

bool nodes_close(float a1, float b1, float a2, float b2, float tol) {
    return std::fabs(a1 - a2) <= tol && std::fabs(b1 - b2) <= tol;
}

float tri_area(const float ua[3], const float ub[3]) {
    return 0.5f * ((ub[0] - ub[1]) * ua[2] + (ub[2] - ub[0]) * ua[1] + (ub[1] - ub[2]) * ua[0]);
}

float aspect_ratio(const float ua[3], const float ub[3]) {
    const float area = tri_area(ua, ub);
    if (area == 0.0f) return 0.0f;
    const float q1 = ua[0] * ua[0] + ub[0] * ub[0];
    const float q2 = ua[1] * ua[1] + ub[1] * ub[1];
    const float q3 = ua[2] * ua[2] + ub[2] * ub[2];
    const float four_a = 4.0f * area;
    const float ca = -(q1 * (ub[2] - ub[1]) + q2 * (ub[0] - ub[2]) + q3 * (ub[1] - ub[0])) / four_a;
    const float cb = (q1 * (ua[2] - ua[1]) + q2 * (ua[0] - ua[2]) + q3 * (ua[1] - ua[0])) / four_a;
    const float ra = ua[0] - ca;
    const float rb = ub[0] - cb;
    const float r = std::sqrt(ra * ra + rb * rb);
    auto side = [&](int i, int j) {
        const float da = ua[j] - ua[i];
        const float db = ub[j] - ub[i];
        return std::sqrt(da * da + db * db);
    };
    // sides taken in vertex order 1-2, 2-3, 3-1
    const float perimeter = side(0, 1) + side(1, 2) + side(2, 0);
    return 2.0f * std::fabs(area) / (perimeter * r);
}

}  // namespace seabed
