#include "seabed/query/cubic_interpolation.hpp"

#include <cmath>
#include <cstring>

#include "seabed/query/batch_nodes.hpp"
#include "seabed/query/lookup.hpp"

namespace seabed {

namespace {

constexpr int kNext[3] = {1, 2, 0};
constexpr int kPrev[3] = {2, 0, 1};

// The gradient's two components side by side (two lanes of SSE2).
// fp: each lane takes the scalar code's operations in its order, so both
// components come out as the scalar code gives them, to the bit.
#if defined(__GNUC__)
using Pair = double __attribute__((vector_size(16)));
Pair load(const double v[2]) {
    Pair p;
    std::memcpy(&p, v, sizeof p);
    return p;
}
#else
struct Pair {
    double a, b;
    friend Pair operator+(Pair x, Pair y) { return {x.a + y.a, x.b + y.b}; }
    friend Pair operator-(Pair x, Pair y) { return {x.a - y.a, x.b - y.b}; }
    friend Pair operator*(Pair x, Pair y) { return {x.a * y.a, x.b * y.b}; }
    friend Pair operator/(Pair x, Pair y) { return {x.a / y.a, x.b / y.b}; }
    double operator[](int i) const { return i == 0 ? a : b; }
};
Pair load(const double v[2]) { return {v[0], v[1]}; }
#endif
Pair both(double v) { return Pair{v, v}; }

}  // namespace

void hct_constants(const TriangleParams& p, const TriangleLengths& len, HctConstants& k) {
    // h[i] = (sl[j] - sl[k]) * 3 / sl[i], two at once
    const Pair h01 = Pair{(len.sl[1] - len.sl[2]) * 3.0, (len.sl[2] - len.sl[0]) * 3.0} / Pair{len.sl[0], len.sl[1]};
    k.h[0] = h01[0];
    k.h[1] = h01[1];
    k.h[2] = (len.sl[0] - len.sl[1]) * 3.0 / len.sl[2];
    const double d = p.u[0] * p.v[1] - p.u[1] * p.v[0];
    for (int i = 0; i < 3; ++i) {
        const Pair dr = Pair{-p.v[i], p.u[i]} / both(d);  // (-V(i) / D, U(i) / D)
        k.dr[i][0] = dr[0];
        k.dr[i][1] = dr[1];
    }
}

double hct_element(const double r[3], const TriangleParams& p, const TriangleLengths& len, const double xs[3],
                   const double gy[3], const double gz[3], double* gradient) {
    HctConstants k;
    hct_constants(p, len, k);
    return hct_element(r, p, k, xs, gy, gz, gradient);
}

namespace {

// Indices (i, j, k) run over the cyclic triples; everything is in double.
// M is the sub-triangle (see hct_element), a constant so that every index is.
template <int M>
double hct_in(const double r[3], const TriangleParams& p, const HctConstants& konst, const double xs[3],
              const double gy[3], const double gz[3], double* gradient) {
    constexpr int m = M, m1 = kNext[M], m2 = kPrev[M];
    double phi[3];
    for (int i = 0; i < 3; ++i) phi[i] = r[kNext[i]] * r[kPrev[i]];
    const double c = r[m] * 0.5 * r[m];
    const double t = r[m] * 0.3333333333333333;  // fp: the double nearest 1/3
    double q[3];
    q[m] = (1.6666666666666665 * c + phi[m]) * r[m] - c;  // fp: the double just below 5/3
    q[m1] = (r[m2] - t) * c;
    q[m2] = (r[m1] - t) * c;

    const double* h = konst.h;
    double g[3];
    for (int i = 0; i < 3; ++i) {
        const int j = kNext[i], k = kPrev[i];
        g[i] = phi[i] * (r[j] - r[k]) + h[i] * q[i] - q[j] + q[k];
    }
    double cw[3], a[3], b[3];
    for (int i = 0; i < 3; ++i) {
        const int j = kNext[i], k = kPrev[i];
        cw[i] = r[i] - g[j] + g[k];
        a[i] = p.u[k] * (g[k] + phi[k]) + p.u[j] * (g[j] - phi[j]);
        b[i] = p.v[k] * (g[k] + phi[k]) + p.v[j] * (g[j] - phi[j]);
    }
    const double value = cw[0] * xs[0] + cw[1] * xs[1] + cw[2] * xs[2] +
                         (a[0] * gy[0] + b[0] * gz[0] + a[1] * gy[1] + b[1] * gz[1] + a[2] * gy[2] + b[2] * gz[2]) *
                             0.5;
    if (gradient == nullptr) return value;

    // The exact derivative with m held fixed, by the product rule, from
    // dR(i)/dy = -V(i) / D and dR(i)/dz = U(i) / D, both directions at once.
    Pair dr[3], dphi[3], dq[3], dg[3];
    for (int i = 0; i < 3; ++i) dr[i] = load(konst.dr[i]);
    for (int i = 0; i < 3; ++i) dphi[i] = dr[kNext[i]] * both(r[kPrev[i]]) + both(r[kNext[i]]) * dr[kPrev[i]];
    dq[m] = (dphi[m] - dr[m]) * both(r[m]) + dr[m] * both(5.0 * c + phi[m]);
    dq[m1] = dr[m] * both(phi[m1] - c) + dr[m2] * both(c);
    dq[m2] = dr[m] * both(phi[m2] - c) + dr[m1] * both(c);
    for (int i = 0; i < 3; ++i) {
        const int j = kNext[i], k = kPrev[i];
        dg[i] = dphi[i] * both(r[j] - r[k]) + both(phi[i]) * (dr[j] - dr[k]) + both(h[i]) * dq[i] - dq[j] + dq[k];
    }
    Pair dc[3], da[3], db[3];
    for (int i = 0; i < 3; ++i) {
        const int j = kNext[i], k = kPrev[i];
        dc[i] = dr[i] - dg[j] + dg[k];
        da[i] = both(p.u[k]) * (dg[k] + dphi[k]) + both(p.u[j]) * (dg[j] - dphi[j]);
        db[i] = both(p.v[k]) * (dg[k] + dphi[k]) + both(p.v[j]) * (dg[j] - dphi[j]);
    }
    const Pair grad = dc[0] * both(xs[0]) + dc[1] * both(xs[1]) + dc[2] * both(xs[2]) +
                      (da[0] * both(gy[0]) + db[0] * both(gz[0]) + da[1] * both(gy[1]) + db[1] * both(gz[1]) +
                       da[2] * both(gy[2]) + db[2] * both(gz[2])) *
                          both(0.5);
    gradient[0] = grad[0];
    gradient[1] = grad[1];
    return value;
}

}  // namespace

double hct_element(const double r[3], const TriangleParams& p, const HctConstants& konst, const double xs[3],
                   const double gy[3], const double gz[3], double* gradient) {
    // Sub-triangle opposite the vertex with the smallest coordinate; ties go to the lower index.
    const int m = (r[1] >= r[0] && r[2] >= r[0]) ? 0 : (r[2] >= r[1] ? 1 : 2);
    if (m == 0) return hct_in<0>(r, p, konst, xs, gy, gz, gradient);
    if (m == 1) return hct_in<1>(r, p, konst, xs, gy, gz, gradient);
    return hct_in<2>(r, p, konst, xs, gy, gz, gradient);
}

Status interp_c1hct_new(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj, const std::int32_t* istart,
                        std::int32_t gradient_flag, double y, double z, const float* x_col, const float* y_col,
                        const float* z_col, float tol, const float* grad, SurfaceCursor& cursor, double& elevation,
                        double gradient[2]) {
    elevation = kNotComputed;
    std::int32_t same = 0;
    Status st = lookup_sgl_new(n, nadj, iadj, istart, y_col, z_col, y, z, cursor.start, cursor.i1, cursor.i2,
                               cursor.i3, same, cursor.renumber, cursor.memory);
    if (st != Status::Ok || cursor.i1 == -1) return st;
    // A node whose neighbours all lie on one line through the point exists
    // only in a damaged triangulation: reported as the walk's status 42.
    if (cursor.i1 <= 0) return Status::WalkNodeOutOfRange;
    const std::int64_t v[3] = {cursor.i1 - 1, cursor.i2 - 1, cursor.i3 - 1};
    if (same == 0) {
        cursor.params = TriangleParams{};
        cursor.lengths = TriangleLengths{};
        st = c1para_first(y_col[v[0]], z_col[v[0]], y_col[v[1]], z_col[v[1]], y_col[v[2]], z_col[v[2]], tol,
                          cursor.params, cursor.lengths);
        // also after a failure: a later point in the same triangle skips the set-up
        hct_constants(cursor.params, cursor.lengths, cursor.constants);
        if (st != Status::Ok) return st;
    }
    double r[3];
    barycen_coord(y, z, y_col[v[0]], z_col[v[0]], y_col[v[1]], z_col[v[1]], cursor.params, cursor.lengths.scale, r);
    double xs[3], gy[3], gz[3];
    for (int i = 0; i < 3; ++i) {
        xs[i] = static_cast<double>(x_col[v[i]]);
        gy[i] = static_cast<double>(grad[2 * v[i]]);
        gz[i] = static_cast<double>(grad[2 * v[i] + 1]);
    }
    double g[2] = {0.0, 0.0};
    elevation = hct_element(r, cursor.params, cursor.constants, xs, gy, gz, gradient_flag == 1 ? g : nullptr);
    if (gradient_flag == 1) {
        gradient[0] = g[0];
        gradient[1] = g[1];
    }
    return Status::Ok;
}

Status interpolate_3d_cubic(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                            const std::int32_t* iadj, const std::int32_t* istart, const float* gradients, double& x,
                            double normal[3], std::int32_t& start) {
    CubicElementCache cache;
    std::int32_t triangle[3];
    return interpolate_3d_cubic(y, z, n, nadj, nodes, iadj, istart, gradients, x, normal, start, cache, triangle);
}

namespace {

using batch_nodes::HostNodes;
using batch_nodes::PackedNodes;

// The steps of interp_c1hct_new (no hint triangle, gradient wanted), then the normal.
template <class Nodes>
Status cubic_at(const Nodes& nd, double y, double z, double& x, double normal[3], std::int32_t& start,
                CubicElementCache& cache, std::int32_t triangle[3]) {
    Status st = Status::Ok;
    if (batch_nodes::locate(nd, y, z, x, normal, start, triangle, st)) return st;
    const std::int32_t i1 = triangle[0], i2 = triangle[1], i3 = triangle[2];
    if (batch_nodes::new_triangle(cache.t, triangle)) {
        cache.params = TriangleParams{};
        cache.lengths = TriangleLengths{};
        cache.st = c1para_first(nd.y(i1), nd.z(i1), nd.y(i2), nd.z(i2), nd.y(i3), nd.z(i3), kAreaTolerance,
                                cache.params, cache.lengths);
        hct_constants(cache.params, cache.lengths, cache.constants);
        for (int i = 0; i < 3; ++i) {
            cache.xs[i] = static_cast<double>(nd.x(triangle[i]));
            cache.gy[i] = static_cast<double>(nd.gy(triangle[i]));
            cache.gz[i] = static_cast<double>(nd.gz(triangle[i]));
        }
    }
    if (cache.st != Status::Ok) return cache.st;
    double r[3];
    barycen_coord(y, z, nd.y(i1), nd.z(i1), nd.y(i2), nd.z(i2), cache.params, cache.lengths.scale, r);
    double g[2] = {0.0, 0.0};
    x = hct_element(r, cache.params, cache.constants, cache.xs, cache.gy, cache.gz, g);
    surface_normal(g, normal);
    return Status::Ok;
}

}  // namespace

void surface_normal(const double gradient[2], double normal[3]) {
    const double s = std::sqrt(1.0 + gradient[0] * gradient[0] + gradient[1] * gradient[1]);
    normal[0] = 1.0 / s;
    const Pair yz = Pair{-gradient[0], -gradient[1]} / both(s);
    normal[1] = yz[0];
    normal[2] = yz[1];
}

Status interpolate_3d_cubic(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                            const std::int32_t* iadj, const std::int32_t* istart, const float* gradients, double& x,
                            double normal[3], std::int32_t& start, CubicElementCache& cache,
                            std::int32_t triangle[3]) {
    const HostNodes nd{n, nadj, iadj, istart, node_columns(nodes, n), gradients};
    return cubic_at(nd, y, z, x, normal, start, cache, triangle);
}

Status interpolate_3d_cubic(const PackedMesh& mesh, double y, double z, double& x, double normal[3],
                            std::int32_t& start, CubicElementCache& cache, std::int32_t triangle[3]) {
    return cubic_at(PackedNodes{mesh}, y, z, x, normal, start, cache, triangle);
}

Status interpolate_3d_cubic(const HostNodes& nodes, double y, double z, double& x, double normal[3],
                            std::int32_t& start, CubicElementCache& cache, std::int32_t triangle[3]) {
    return cubic_at(nodes, y, z, x, normal, start, cache, triangle);
}

Status interpolate_3d_cubic(const PackedNodes& nodes, double y, double z, double& x, double normal[3],
                            std::int32_t& start, CubicElementCache& cache, std::int32_t triangle[3]) {
    return cubic_at(nodes, y, z, x, normal, start, cache, triangle);
}

}  // namespace seabed
