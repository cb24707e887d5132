#include "seabed/surface/gradients.hpp"

#include <cmath>

namespace seabed {

void grad_global(std::int32_t n, const std::int32_t* istart, std::int32_t nadj, const std::int32_t* iadj,
                 std::int32_t nit, const float* f, const float* y, const float* z, float eps, float tol, float* g,
                 Status& stat) {
    if (n < 3) {  // chosen: too few nodes to have an extent, reported as the extent test does
        stat = Status::ExtentTooSmall;
        return;
    }
    const float dy1n = y[0] - y[n - 1];
    const float dz1n = z[0] - z[n - 1];
    const float d1n = dy1n * dy1n + dz1n * dz1n;
    if (tol > d1n) {
        stat = Status::ExtentTooSmall;
        return;
    }
    const float dmin = static_cast<float>(n) * 0.01f * tol * tol / d1n;  // fp: left to right in float

    for (std::int32_t iter = 0;; ++iter) {
        float dgmax = 0.0f;
        for (std::int32_t k = 1; k <= n; ++k) {
            const float gy = g[2 * (k - 1)];
            const float gz = g[2 * (k - 1) + 1];
            float a11 = 0.0f, a12 = 0.0f, a22 = 0.0f, r1 = 0.0f, r2 = 0.0f;
            const std::int32_t first = istart[k - 1];
            std::int32_t last = k < n ? istart[k] - 1 : nadj;
            if (last >= first && iadj[last - 1] == 0) --last;  // the outside of a hull node is no neighbour
            for (std::int32_t p = first; p <= last; ++p) {
                const std::int32_t j = iadj[p - 1];
                const float dy = y[j - 1] - y[k - 1];
                const float dz = z[j - 1] - z[k - 1];
                const float dsq = dy * dy + dz * dz;
                const float d = std::sqrt(dsq);
                if (dmin > d) {
                    stat = Status::NodesTooClose;
                    return;
                }
                const float rd = 1.0f / d;
                const float t = 2.0f / (dsq * d);
                const float t2 = t + t;
                a11 = a11 + dy * dy * rd * t2;
                a22 = a22 + dz * dz * rd * t2;
                a12 = a12 + dy * dz * rd * t2;
                const float s = (f[j - 1] - f[k - 1]) * (t2 + t) -
                                (g[2 * (j - 1)] * dy + g[2 * (j - 1) + 1] * dz) * t - (gy * dy + gz * dz) * t2;
                r1 = r1 + dy * rd * s;
                r2 = r2 + dz * rd * s;
            }
            const float det = a11 * a22 - a12 * a12;
            if (dmin > std::fabs(det) || dmin > std::fabs(a11)) {
                stat = Status::Collinear;
                return;
            }
            const float dgz = (a11 * r2 - a12 * r1) / det;
            const float dgy = (r1 - a12 * dgz) / a11;
            g[2 * (k - 1)] = gy + dgy;
            g[2 * (k - 1) + 1] = gz + dgz;
            const float dg = std::sqrt(dgy * dgy + dgz * dgz) / (std::sqrt(gy * gy + gz * gz) + 1.0f);
            // chosen: a change that is not a number keeps DGMAX not a number, so it never converges
            if (dg > dgmax || std::isnan(dg)) dgmax = std::isnan(dgmax) ? dgmax : dg;
        }
        if (eps > dgmax) return;
        if (iter + 1 > nit) {
            stat = Status::NoConvergence;
            return;
        }
    }
}

}  // namespace seabed
