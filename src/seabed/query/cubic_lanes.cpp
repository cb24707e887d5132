#include "seabed/query/cubic_lanes.hpp"

#include <cmath>
#include <cstring>

#include "seabed/query/batch_nodes.hpp"
#include "seabed/query/cubic_interpolation.hpp"

// GCC's and Clang's vector extensions. Not on Windows: there GCC does not
// align the stack for spilled 32-byte vectors.
#if defined(__GNUC__) && !defined(_WIN32)
#define SEABED_CUBIC_LANES 1
#if defined(__x86_64__) || defined(__i386__)
#define SEABED_CUBIC_LANES_AVX 1
#endif
#endif

namespace seabed {

#if defined(SEABED_CUBIC_LANES)

// The helpers below that take or return vectors are always inlined into
// the functions that use them, also unoptimised, so no vector ever crosses
// a call (a call between the AVX function and code built without AVX would
// pass them differently on each side: no lambdas here).
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

constexpr int kLanes = CubicLanes::kLanes;
// fp: every operation below is lane by lane, IEEE double (or float where the
// scalar code takes float), in the order of the scalar code: each lane gets
// that code's bits. Never compiled for a target with fused multiply-add.
using V = double __attribute__((vector_size(8 * kLanes)));
using F = float __attribute__((vector_size(4 * kLanes)));
using M = long long __attribute__((vector_size(8 * kLanes)));  // lane masks: all ones or zero

inline __attribute__((always_inline)) V load(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline __attribute__((always_inline)) V widen(const float* p) {
    F f;
    std::memcpy(&f, p, sizeof f);
    return __builtin_convertvector(f, V);
}
/// float differences a - b, widened (as c1para_first takes them)
inline __attribute__((always_inline)) V widen_difference(const float* a, const float* b) {
    F fa, fb;
    std::memcpy(&fa, a, sizeof fa);
    std::memcpy(&fb, b, sizeof fb);
    return __builtin_convertvector(fa - fb, V);
}
inline __attribute__((always_inline)) V all(double v) { return V{} + v; }
/// where mask: a, else b (bits moved, not computed)
inline __attribute__((always_inline)) V select(const M& mask, const V& a, const V& b) { return mask ? a : b; }
/// a1 where m1, a2 where m2, else a0
inline __attribute__((always_inline)) V pick(const M& m1, const M& m2, const V& a0, const V& a1, const V& a2) {
    return select(m1, a1, select(m2, a2, a0));
}

/// The steps of cubic_at after the walk, lane by lane.
inline __attribute__((always_inline)) void evaluate(const CubicLanes& in, CubicLaneResults& out) {
    // c1para_first
    const V u0 = widen_difference(in.vy[2], in.vy[1]), u1 = widen_difference(in.vy[0], in.vy[2]),
            u2 = widen_difference(in.vy[1], in.vy[0]);
    const V v0 = widen_difference(in.vz[2], in.vz[1]), v1 = widen_difference(in.vz[0], in.vz[2]),
            v2 = widen_difference(in.vz[1], in.vz[0]);
    const V d = u0 * v1 - u1 * v0;
    const M small = (M)(all(static_cast<double>(kAreaTolerance)) > d);
    const V scale = select(small, d, 1.0 / d);
    const V sl0 = u0 * u0 + v0 * v0, sl1 = u1 * u1 + v1 * v1, sl2 = u2 * u2 + v2 * v2;
    // hct_constants
    const V h0 = (sl1 - sl2) * 3.0 / sl0, h1 = (sl2 - sl0) * 3.0 / sl1, h2 = (sl0 - sl1) * 3.0 / sl2;
    const V dy0 = -v0 / d, dy1 = -v1 / d, dy2 = -v2 / d;  // dR(i)/dy
    const V dz0 = u0 / d, dz1 = u1 / d, dz2 = u2 / d;     // dR(i)/dz
    // barycen_coord
    const V y = load(in.y), z = load(in.z);
    const V py1 = y - widen(in.vy[0]), pz1 = z - widen(in.vz[0]);
    const V py2 = y - widen(in.vy[1]), pz2 = z - widen(in.vz[1]);
    const V r0 = (pz2 * u0 - py2 * v0) * scale;
    const V r1 = (u1 * pz1 - v1 * py1) * scale;
    const V r2 = (u2 * pz1 - v2 * py1) * scale;

    // hct_element: the sub-triangle m of each lane, and the quantities that
    // hct_in<m> indexes by m, m' = m + 1 and m'' = m + 2 (cyclically)
    const M m0 = (M)(r1 >= r0) & (M)(r2 >= r0);
    const M m1 = ~m0 & (M)(r2 >= r1);
    const M m2 = ~m0 & ~m1;
    const V phi0 = r1 * r2, phi1 = r2 * r0, phi2 = r0 * r1;
    const V rm = pick(m1, m2, r0, r1, r2), rm1 = pick(m1, m2, r1, r2, r0), rm2 = pick(m1, m2, r2, r0, r1);
    const V phim = pick(m1, m2, phi0, phi1, phi2), phim1 = pick(m1, m2, phi1, phi2, phi0),
            phim2 = pick(m1, m2, phi2, phi0, phi1);
    const V c = rm * 0.5 * rm;
    const V t = rm * 0.3333333333333333;
    const V qm = (1.6666666666666665 * c + phim) * rm - c;
    const V qm1 = (rm2 - t) * c;
    const V qm2 = (rm1 - t) * c;
    // back to vertex order: q(i) is qm, qm1 or qm2 as i is m, m' or m''
    const V q0 = pick(m1, m2, qm, qm2, qm1), q1 = pick(m1, m2, qm1, qm, qm2), q2 = pick(m1, m2, qm2, qm1, qm);
    const V g0 = phi0 * (r1 - r2) + h0 * q0 - q1 + q2;
    const V g1 = phi1 * (r2 - r0) + h1 * q1 - q2 + q0;
    const V g2 = phi2 * (r0 - r1) + h2 * q2 - q0 + q1;
    const V c0 = r0 - g1 + g2, c1 = r1 - g2 + g0, c2 = r2 - g0 + g1;
    const V a0 = u2 * (g2 + phi2) + u1 * (g1 - phi1), b0 = v2 * (g2 + phi2) + v1 * (g1 - phi1);
    const V a1 = u0 * (g0 + phi0) + u2 * (g2 - phi2), b1 = v0 * (g0 + phi0) + v2 * (g2 - phi2);
    const V a2 = u1 * (g1 + phi1) + u0 * (g0 - phi0), b2 = v1 * (g1 + phi1) + v0 * (g0 - phi0);
    const V xs0 = widen(in.vx[0]), xs1 = widen(in.vx[1]), xs2 = widen(in.vx[2]);
    const V gy0 = widen(in.gy[0]), gy1 = widen(in.gy[1]), gy2 = widen(in.gy[2]);
    const V gz0 = widen(in.gz[0]), gz1 = widen(in.gz[1]), gz2 = widen(in.gz[2]);
    const V value =
        c0 * xs0 + c1 * xs1 + c2 * xs2 + (a0 * gy0 + b0 * gz0 + a1 * gy1 + b1 * gz1 + a2 * gy2 + b2 * gz2) * 0.5;

    // its gradient, one direction at a time (dr(i) = dR(i)/dy or dR(i)/dz)
    V gradient[2];
    for (int dir = 0; dir < 2; ++dir) {
        const V dr0 = dir == 0 ? dy0 : dz0, dr1 = dir == 0 ? dy1 : dz1, dr2 = dir == 0 ? dy2 : dz2;
        const V dphi0 = dr1 * r2 + r1 * dr2, dphi1 = dr2 * r0 + r2 * dr0, dphi2 = dr0 * r1 + r0 * dr1;
        const V drm = pick(m1, m2, dr0, dr1, dr2), drm1 = pick(m1, m2, dr1, dr2, dr0),
                drm2 = pick(m1, m2, dr2, dr0, dr1);
        const V dphim = pick(m1, m2, dphi0, dphi1, dphi2);
        const V dqm = (dphim - drm) * rm + drm * (5.0 * c + phim);
        const V dqm1 = drm * (phim1 - c) + drm2 * c;
        const V dqm2 = drm * (phim2 - c) + drm1 * c;
        const V dq0 = pick(m1, m2, dqm, dqm2, dqm1), dq1 = pick(m1, m2, dqm1, dqm, dqm2),
                dq2 = pick(m1, m2, dqm2, dqm1, dqm);
        const V dg0 = dphi0 * (r1 - r2) + phi0 * (dr1 - dr2) + h0 * dq0 - dq1 + dq2;
        const V dg1 = dphi1 * (r2 - r0) + phi1 * (dr2 - dr0) + h1 * dq1 - dq2 + dq0;
        const V dg2 = dphi2 * (r0 - r1) + phi2 * (dr0 - dr1) + h2 * dq2 - dq0 + dq1;
        const V dc0 = dr0 - dg1 + dg2, dc1 = dr1 - dg2 + dg0, dc2 = dr2 - dg0 + dg1;
        const V da0 = u2 * (dg2 + dphi2) + u1 * (dg1 - dphi1), db0 = v2 * (dg2 + dphi2) + v1 * (dg1 - dphi1);
        const V da1 = u0 * (dg0 + dphi0) + u2 * (dg2 - dphi2), db1 = v0 * (dg0 + dphi0) + v2 * (dg2 - dphi2);
        const V da2 = u1 * (dg1 + dphi1) + u0 * (dg0 - dphi0), db2 = v1 * (dg1 + dphi1) + v0 * (dg0 - dphi0);
        gradient[dir] = dc0 * xs0 + dc1 * xs1 + dc2 * xs2 +
                        (da0 * gy0 + db0 * gz0 + da1 * gy1 + db1 * gz1 + da2 * gy2 + db2 * gz2) * 0.5;
    }

    // surface_normal
    const V gg = 1.0 + gradient[0] * gradient[0] + gradient[1] * gradient[1];
    V s{};
    for (int k = 0; k < kLanes; ++k) s[k] = std::sqrt(gg[k]);
    const V n0 = 1.0 / s, n1 = -gradient[0] / s, n2 = -gradient[1] / s;
    std::memcpy(out.x, &value, sizeof value);
    std::memcpy(out.normal[0], &n0, sizeof n0);
    std::memcpy(out.normal[1], &n1, sizeof n1);
    std::memcpy(out.normal[2], &n2, sizeof n2);
    for (int k = 0; k < kLanes; ++k) out.status[k] = small[k] ? Status::SmallTriangle : Status::Ok;
}

void evaluate_sse2(const CubicLanes& in, CubicLaneResults& out) { evaluate(in, out); }

#if defined(SEABED_CUBIC_LANES_AVX)
// fp: "avx2", never "fma": no operation may be fused
__attribute__((target("avx2"))) void evaluate_avx2(const CubicLanes& in, CubicLaneResults& out) { evaluate(in, out); }

bool has_avx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

bool cubic_lanes_available() { return true; }

void evaluate_cubic_lanes(const CubicLanes& in, CubicLaneResults& out) {
#if defined(SEABED_CUBIC_LANES_AVX)
    if (cubic_lanes_tuning::allow_avx && has_avx2()) return evaluate_avx2(in, out);
#endif
    evaluate_sse2(in, out);
}

template <class Nodes>
void CubicQueries<Nodes>::query(double y, double z, double& x, double normal[3], std::int32_t& status,
                                std::int32_t& start, std::int32_t triangle[3]) {
    Status st = Status::Ok;
    if (batch_nodes::locate(nd_, y, z, x, normal, start, triangle, st)) {
        status = code(st);
        return;
    }
    const int k = queued_++;
    lanes_.y[k] = y;
    lanes_.z[k] = z;
    for (int i = 0; i < 3; ++i) {
        const std::int32_t j = triangle[i];
        lanes_.vy[i][k] = nd_.y(j);
        lanes_.vz[i][k] = nd_.z(j);
        lanes_.vx[i][k] = nd_.x(j);
        lanes_.gy[i][k] = nd_.gy(j);
        lanes_.gz[i][k] = nd_.gz(j);
    }
    x_[k] = &x;
    normal_[k] = normal;
    status_[k] = &status;
    if (queued_ == kLanes) flush();
}

template <class Nodes>
void CubicQueries<Nodes>::flush() {
    if (queued_ == 0) return;
    // idle lanes repeat the first point (their answers are dropped)
    for (int k = queued_; k < kLanes; ++k) {
        lanes_.y[k] = lanes_.y[0];
        lanes_.z[k] = lanes_.z[0];
        for (int i = 0; i < 3; ++i) {
            lanes_.vy[i][k] = lanes_.vy[i][0];
            lanes_.vz[i][k] = lanes_.vz[i][0];
            lanes_.vx[i][k] = lanes_.vx[i][0];
            lanes_.gy[i][k] = lanes_.gy[i][0];
            lanes_.gz[i][k] = lanes_.gz[i][0];
        }
    }
    CubicLaneResults r;
    evaluate_cubic_lanes(lanes_, r);
    for (int k = 0; k < queued_; ++k) {
        *status_[k] = code(r.status[k]);
        if (r.status[k] != Status::Ok) continue;  // elevation kNotComputed (from the walk), normal not written
        *x_[k] = r.x[k];
        for (int i = 0; i < 3; ++i) normal_[k][i] = r.normal[i][k];
    }
    queued_ = 0;
}

#else

bool cubic_lanes_available() { return false; }

void evaluate_cubic_lanes(const CubicLanes&, CubicLaneResults&) {}

template <class Nodes>
void CubicQueries<Nodes>::query(double y, double z, double& x, double normal[3], std::int32_t& status,
                                std::int32_t& start, std::int32_t triangle[3]) {
    status = code(interpolate_3d_cubic(nd_, y, z, x, normal, start, cache_, triangle));
}

template <class Nodes>
void CubicQueries<Nodes>::flush() {}

#endif

template class CubicQueries<batch_nodes::PackedNodes>;
template class CubicQueries<batch_nodes::HostNodes>;

}  // namespace seabed
