#include "seabed/surface/gradients.hpp"

#include <cmath>
#include <memory>

#include "core/try_resize.hpp"

namespace seabed {
namespace {

/// The terms of arc k -> j that do not involve the gradients. They come out
/// the same in every sweep, and their square root and two divisions are most
/// of a sweep's work, so the first sweep keeps them for the rest.
/// rd rather than dy * rd and dz * rd: the products are as cheap to form
/// again as to read, and a smaller record means less memory to stream.
struct ArcTerms {
    float dy, dz;  // j's offset from k
    float rd;      // 1 / d
    float t;       // 2 / (dsq * d)
    float df;      // (f[j] - f[k]) * (t2 + t)
};

/// A node's 2 x 2 system as far as it is fixed: a11, a12 and the determinant.
struct NodeTerms {
    float a11, a12, det;
};

/// Once the fixed terms are kept, a sweep waits mostly on the neighbours'
/// gradients, which lie anywhere in g; asking for those of the arc kAhead
/// places on starts the wait early. A hint only: it changes no value.
constexpr std::int32_t kAhead = 64;
inline void prefetch_gradient(const float* g, std::int32_t nadj, const std::int32_t* iadj, std::int32_t p) {
#if defined(__GNUC__)
    if (p > nadj) return;
    const std::int32_t j = iadj[p - 1];
    if (j > 0) __builtin_prefetch(g + 2 * static_cast<std::int64_t>(j - 1));
#else
    (void)g, (void)nadj, (void)iadj, (void)p;
#endif
}

/// Plain: every term from the positions. Record: the same, keeping the fixed
/// terms. Replay: the kept terms, so no failure is possible (every check
/// passed when they were recorded).
enum class Pass { Plain, Record, Replay };

/// One Gauss-Seidel sweep over the nodes; false with stat set on failure.
/// Every form evaluates each value by the same float operations in the same
/// order, so the gradients agree to the bit.
template <Pass pass>
bool sweep(std::int32_t n, const std::int32_t* istart, std::int32_t nadj, const std::int32_t* iadj, const float* f,
           const float* y, const float* z, float dmin, float* g, ArcTerms* arcs, NodeTerms* nodes, float& dgmax,
           Status& stat) {
    dgmax = 0.0f;
    for (std::int32_t k = 1; k <= n; ++k) {
        const float gy = g[2 * (k - 1)];
        const float gz = g[2 * (k - 1) + 1];
        float a11 = 0.0f, a12 = 0.0f, det = 0.0f, r1 = 0.0f, r2 = 0.0f;
        const std::int32_t first = istart[k - 1];
        std::int32_t last = k < n ? istart[k] - 1 : nadj;
        if (last >= first && iadj[last - 1] == 0) --last;  // the outside of a hull node is no neighbour
        if constexpr (pass == Pass::Replay) {
            for (std::int32_t p = first; p <= last; ++p) {
                prefetch_gradient(g, nadj, iadj, p + kAhead);
                const std::int32_t j = iadj[p - 1];
                const ArcTerms& a = arcs[p - 1];
                const float t2 = a.t + a.t;
                const float s = a.df - (g[2 * (j - 1)] * a.dy + g[2 * (j - 1) + 1] * a.dz) * a.t -
                                (gy * a.dy + gz * a.dz) * t2;
                r1 = r1 + a.dy * a.rd * s;
                r2 = r2 + a.dz * a.rd * s;
            }
            const NodeTerms& m = nodes[k - 1];
            a11 = m.a11;
            a12 = m.a12;
            det = m.det;
        } else {
            float a22 = 0.0f;
            for (std::int32_t p = first; p <= last; ++p) {
                const std::int32_t j = iadj[p - 1];
                const float dy = y[j - 1] - y[k - 1];
                const float dz = z[j - 1] - z[k - 1];
                const float dsq = dy * dy + dz * dz;
                const float d = std::sqrt(dsq);
                if (dmin > d) {
                    stat = Status::NodesTooClose;
                    return false;
                }
                const float rd = 1.0f / d;
                const float t = 2.0f / (dsq * d);
                const float t2 = t + t;
                a11 = a11 + dy * dy * rd * t2;
                a22 = a22 + dz * dz * rd * t2;
                a12 = a12 + dy * dz * rd * t2;
                const float df = (f[j - 1] - f[k - 1]) * (t2 + t);
                const float s = df - (g[2 * (j - 1)] * dy + g[2 * (j - 1) + 1] * dz) * t - (gy * dy + gz * dz) * t2;
                r1 = r1 + dy * rd * s;
                r2 = r2 + dz * rd * s;
                if constexpr (pass == Pass::Record) arcs[p - 1] = ArcTerms{dy, dz, rd, t, df};
            }
            det = a11 * a22 - a12 * a12;
            if (dmin > std::fabs(det) || dmin > std::fabs(a11)) {
                stat = Status::Collinear;
                return false;
            }
            if constexpr (pass == Pass::Record) nodes[k - 1] = NodeTerms{a11, a12, det};
        }
        const float dgz = (a11 * r2 - a12 * r1) / det;
        const float dgy = (r1 - a12 * dgz) / a11;
        g[2 * (k - 1)] = gy + dgy;
        g[2 * (k - 1) + 1] = gz + dgz;
        const float dg = std::sqrt(dgy * dgy + dgz * dgz) / (std::sqrt(gy * gy + gz * gz) + 1.0f);
        // chosen: a change that is not a number keeps DGMAX not a number, so it never converges
        if (dg > dgmax || std::isnan(dg)) dgmax = std::isnan(dgmax) ? dgmax : dg;
    }
    return true;
}

}  // namespace

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

    // Without room for the kept terms every sweep works them out afresh: the
    // same results, only slower, so a refused allocation is no failure.
    std::unique_ptr<ArcTerms[]> arcs(nit > 0 && nadj > 0 ? try_new_array_large<ArcTerms>(static_cast<std::size_t>(nadj))
                                                          : nullptr);
    std::unique_ptr<NodeTerms[]> nodes(arcs ? try_new_array_large<NodeTerms>(static_cast<std::size_t>(n)) : nullptr);
    const bool keep = arcs && nodes;

    for (std::int32_t iter = 0;; ++iter) {
        float dgmax = 0.0f;  // set by the sweep
        const bool ok =
            !keep       ? sweep<Pass::Plain>(n, istart, nadj, iadj, f, y, z, dmin, g, nullptr, nullptr, dgmax, stat)
            : iter == 0 ? sweep<Pass::Record>(n, istart, nadj, iadj, f, y, z, dmin, g, arcs.get(), nodes.get(), dgmax,
                                              stat)
                        : sweep<Pass::Replay>(n, istart, nadj, iadj, f, y, z, dmin, g, arcs.get(), nodes.get(), dgmax,
                                              stat);
        if (!ok || eps > dgmax) return;
        if (iter + 1 > nit) {
            stat = Status::NoConvergence;
            return;
        }
    }
}

}  // namespace seabed
