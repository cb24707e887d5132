#include "seabed/query/linear_interpolation.hpp"

#include <cmath>

#include "seabed/query/lookup.hpp"

namespace seabed {

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
