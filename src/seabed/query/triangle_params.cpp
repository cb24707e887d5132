#include "seabed/query/triangle_params.hpp"

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

Status c1para_first(float y1, float z1, float y2, float z2, float y3, float z3, float tol, TriangleParams& params,
                    TriangleLengths& lengths) {
    Status st = c0para_first(y1, z1, y2, z2, y3, z3, tol, params, lengths.scale);
    for (int i = 0; i < 3; ++i) lengths.sl[i] = params.u[i] * params.u[i] + params.v[i] * params.v[i];
    return st;
}

}  // namespace seabed
