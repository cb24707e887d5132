#include "seabed/query/cubic_interpolation.hpp"

#include <cmath>

#include "seabed/query/lookup.hpp"

namespace seabed {

namespace {

constexpr int kNext[3] = {1, 2, 0};
constexpr int kPrev[3] = {2, 0, 1};

}  // namespace

// Indices (i, j, k) run over the cyclic triples; everything is in double.
double hct_element(const double r[3], const TriangleParams& p, const TriangleLengths& len, const double xs[3],
                   const double gy[3], const double gz[3], double* gradient) {
    double phi[3];
    for (int i = 0; i < 3; ++i) phi[i] = r[kNext[i]] * r[kPrev[i]];

    // Sub-triangle opposite the vertex with the smallest coordinate; ties go to the lower index.
    const int m = (r[1] >= r[0] && r[2] >= r[0]) ? 0 : (r[2] >= r[1] ? 1 : 2);
    const int m1 = kNext[m], m2 = kPrev[m];
    const double c = r[m] * 0.5 * r[m];
    const double t = r[m] * 0.3333333333333333;  // fp: the double nearest 1/3
    double q[3];
    q[m] = (1.6666666666666665 * c + phi[m]) * r[m] - c;  // fp: the double just below 5/3
    q[m1] = (r[m2] - t) * c;
    q[m2] = (r[m1] - t) * c;

    double h[3], g[3];
    for (int i = 0; i < 3; ++i) h[i] = (len.sl[kNext[i]] - len.sl[kPrev[i]]) * 3.0 / len.sl[i];
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
    // dR(i)/dy = -V(i) / D and dR(i)/dz = U(i) / D.
    const double d = p.u[0] * p.v[1] - p.u[1] * p.v[0];
    for (int dir = 0; dir < 2; ++dir) {
        double dr[3];
        for (int i = 0; i < 3; ++i) dr[i] = dir == 0 ? -p.v[i] / d : p.u[i] / d;
        double dphi[3], dq[3], dg[3];
        for (int i = 0; i < 3; ++i) dphi[i] = dr[kNext[i]] * r[kPrev[i]] + r[kNext[i]] * dr[kPrev[i]];
        dq[m] = (dphi[m] - dr[m]) * r[m] + dr[m] * (5.0 * c + phi[m]);
        dq[m1] = dr[m] * (phi[m1] - c) + dr[m2] * c;
        dq[m2] = dr[m] * (phi[m2] - c) + dr[m1] * c;
        for (int i = 0; i < 3; ++i) {
            const int j = kNext[i], k = kPrev[i];
            dg[i] = dphi[i] * (r[j] - r[k]) + phi[i] * (dr[j] - dr[k]) + h[i] * dq[i] - dq[j] + dq[k];
        }
        double dc[3], da[3], db[3];
        for (int i = 0; i < 3; ++i) {
            const int j = kNext[i], k = kPrev[i];
            dc[i] = dr[i] - dg[j] + dg[k];
            da[i] = p.u[k] * (dg[k] + dphi[k]) + p.u[j] * (dg[j] - dphi[j]);
            db[i] = p.v[k] * (dg[k] + dphi[k]) + p.v[j] * (dg[j] - dphi[j]);
        }
        gradient[dir] = dc[0] * xs[0] + dc[1] * xs[1] + dc[2] * xs[2] +
                        (da[0] * gy[0] + db[0] * gz[0] + da[1] * gy[1] + db[1] * gz[1] + da[2] * gy[2] +
                         db[2] * gz[2]) *
                            0.5;
    }
    return value;
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
    elevation = hct_element(r, cursor.params, cursor.lengths, xs, gy, gz, gradient_flag == 1 ? g : nullptr);
    if (gradient_flag == 1) {
        gradient[0] = g[0];
        gradient[1] = g[1];
    }
    return Status::Ok;
}

Status interpolate_3d_cubic(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                            const std::int32_t* iadj, const std::int32_t* istart, const float* gradients, double& x,
                            double normal[3], std::int32_t& start) {
    SurfaceCursor c;
    c.start = start;
    const auto [x_col, y_col, z_col] = node_columns(nodes, n);
    double g[2] = {0.0, 0.0};
    Status st = interp_c1hct_new(n, nadj, iadj, istart, 1, y, z, x_col, y_col, z_col, kAreaTolerance, gradients, c,
                                 x, g);
    start = c.start;
    if (mark_outside(st, c.i1, x, normal)) return st;
    if (st != Status::Ok) return st;
    const double s = std::sqrt(1.0 + g[0] * g[0] + g[1] * g[1]);
    normal[0] = 1.0 / s;
    normal[1] = -g[0] / s;
    normal[2] = -g[1] / s;
    return Status::Ok;
}

}  // namespace seabed
