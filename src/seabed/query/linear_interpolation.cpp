#include "seabed/query/linear_interpolation.hpp"

#include <cmath>

#include "seabed/query/lookup.hpp"

namespace seabed {

Status c0para_first(float y1, float z1, float y2, float z2, float y3, float z3, float tol, TriangleParams& params,
                    double& scale) {
    params.u[0] = static_cast<double>(y3 - y2);  // fp: differences in float, then widened
    params.u[1] = static_cast<double>(y1 - y3);
    params.u[2] = static_cast<double>(y2 - y1);
    params.v[0] = static_cast<double>(z3 - z2);
    params.v[1] = static_cast<double>(z1 - z3);
    params.v[2] = static_cast<double>(z2 - z1);
    const double d = params.u[0] * params.v[1] - params.u[1] * params.v[0];
    if (static_cast<double>(tol) > d) {
        scale = d;
        return Status::SmallTriangle;
    }
    scale = 1.0 / d;
    return Status::Ok;
}

void barycen_coord(double y, double z, float y1, float z1, float y2, float z2, const TriangleParams& p,
                   double scale, double b[3]) {
    const double dy1 = y - static_cast<double>(y1), dz1 = z - static_cast<double>(z1);
    const double dy2 = y - static_cast<double>(y2), dz2 = z - static_cast<double>(z2);
    b[0] = (dz2 * p.u[0] - dy2 * p.v[0]) * scale;
    b[1] = (p.u[1] * dz1 - p.v[1] * dy1) * scale;
    b[2] = (p.u[2] * dz1 - p.v[2] * dy1) * scale;
}

Status interp_c0_new(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj, const std::int32_t* istart,
                     double y, double z, const float* x_col, const float* y_col, const float* z_col, float tol,
                     PlaneCursor& c, double& elevation) {
    elevation = kNotComputed;
    std::int32_t same = 0;
    Status st = lookup_sgl_new(n, nadj, iadj, istart, y_col, z_col, y, z, c.start, c.i1, c.i2, c.i3, same);
    if (st != Status::Ok || c.i1 == -1) return st;
    // A node whose neighbours all lie on one line through the point exists
    // only in a damaged triangulation: reported as the walk's status 42.
    if (c.i1 <= 0) return Status::WalkNodeOutOfRange;
    const std::int64_t a = c.i1 - 1, b = c.i2 - 1, e = c.i3 - 1;
    if (same == 0) {
        c.params = TriangleParams{};
        c.scale = 0.0;
        st = c0para_first(y_col[a], z_col[a], y_col[b], z_col[b], y_col[e], z_col[e], tol, c.params, c.scale);
        if (st != Status::Ok) return st;
    }
    double w[3];
    barycen_coord(y, z, y_col[a], z_col[a], y_col[b], z_col[b], c.params, c.scale, w);
    elevation = (w[1] * static_cast<double>(x_col[b]) + w[0] * static_cast<double>(x_col[a])) +
                w[2] * static_cast<double>(x_col[e]);
    return Status::Ok;
}

NodeColumns node_columns(const float* nodes, std::int32_t n) {
    if (n < 1) return {nodes, nodes, nodes};
    return {nodes, nodes + n, nodes + 2 * static_cast<std::int64_t>(n)};
}

bool mark_outside(Status st, std::int32_t i1, double& x, double normal[3]) {
    if (st != Status::WalkNodeOutOfRange && st != Status::WalkFarNodeOutOfRange && i1 != -1) return false;
    x = kOutsideElevation;
    normal[0] = 1.0;
    normal[1] = 0.0;
    normal[2] = 0.0;
    return true;
}

Status interpolate_3d_linear(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                             const std::int32_t* iadj, const std::int32_t* istart, double& x, double normal[3],
                             std::int32_t& start) {
    PlaneCursor c;
    c.start = start;
    const auto [x_col, y_col, z_col] = node_columns(nodes, n);
    Status st = interp_c0_new(n, nadj, iadj, istart, y, z, x_col, y_col, z_col, kAreaTolerance, c, x);
    start = c.start;
    if (mark_outside(st, c.i1, x, normal)) return st;
    if (st != Status::Ok) return st;
    const std::int64_t i1 = c.i1 - 1, i2 = c.i2 - 1, i3 = c.i3 - 1;
    // Edge vectors (X, Y, Z), each difference in float, then widened.
    const double ax = static_cast<double>(x_col[i2] - x_col[i1]);
    const double ay = static_cast<double>(y_col[i2] - y_col[i1]);
    const double az = static_cast<double>(z_col[i2] - z_col[i1]);
    const double bx = static_cast<double>(x_col[i3] - x_col[i1]);
    const double by = static_cast<double>(y_col[i3] - y_col[i1]);
    const double bz = static_cast<double>(z_col[i3] - z_col[i1]);
    const double nx = ay * bz - az * by;
    const double ny = az * bx - ax * bz;
    const double nz = ax * by - ay * bx;
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    normal[0] = nx / len;
    normal[1] = ny / len;
    normal[2] = nz / len;
    return Status::Ok;
}

}  // namespace seabed
