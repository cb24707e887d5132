#include "seabed/query/linear_interpolation.hpp"

#include <cmath>

#include "seabed/query/batch_nodes.hpp"
#include "seabed/query/lookup.hpp"

namespace seabed {

Status interpolate_3d_linear(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                             const std::int32_t* iadj, const std::int32_t* istart, double& x, double normal[3],
                             std::int32_t& start) {
    PlaneCache cache;
    std::int32_t triangle[3];
    return interpolate_3d_linear(y, z, n, nadj, nodes, iadj, istart, x, normal, start, cache, triangle);
}

namespace {

using batch_nodes::HostNodes;
using batch_nodes::PackedNodes;

// The steps of interp_c0_new (no hint triangle), then the normal: the only
// form of it the library calls, so it is written once, here.
template <class Nodes>
Status linear_at(const Nodes& nd, double y, double z, double& x, double normal[3], std::int32_t& start,
                 PlaneCache& cache, std::int32_t triangle[3]) {
    Status st = Status::Ok;
    if (batch_nodes::locate(nd, y, z, x, normal, start, triangle, st)) return st;
    const std::int32_t i1 = triangle[0], i2 = triangle[1], i3 = triangle[2];
    if (batch_nodes::new_triangle(cache.t, triangle)) {
        cache.params = TriangleParams{};
        cache.scale = 0.0;
        cache.st = c0para_first(nd.y(i1), nd.z(i1), nd.y(i2), nd.z(i2), nd.y(i3), nd.z(i3), kAreaTolerance,
                                cache.params, cache.scale);
        cache.xs[0] = static_cast<double>(nd.x(i1));
        cache.xs[1] = static_cast<double>(nd.x(i2));
        cache.xs[2] = static_cast<double>(nd.x(i3));
        // Edge vectors (X, Y, Z), each difference in float, then widened.
        const double ax = static_cast<double>(nd.x(i2) - nd.x(i1));
        const double ay = static_cast<double>(nd.y(i2) - nd.y(i1));
        const double az = static_cast<double>(nd.z(i2) - nd.z(i1));
        const double bx = static_cast<double>(nd.x(i3) - nd.x(i1));
        const double by = static_cast<double>(nd.y(i3) - nd.y(i1));
        const double bz = static_cast<double>(nd.z(i3) - nd.z(i1));
        const double nx = ay * bz - az * by;
        const double ny = az * bx - ax * bz;
        const double nz = ax * by - ay * bx;
        const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
        cache.normal[0] = nx / len;
        cache.normal[1] = ny / len;
        cache.normal[2] = nz / len;
    }
    if (cache.st != Status::Ok) return cache.st;
    double w[3];
    barycen_coord(y, z, nd.y(i1), nd.z(i1), nd.y(i2), nd.z(i2), cache.params, cache.scale, w);
    x = (w[1] * cache.xs[1] + w[0] * cache.xs[0]) + w[2] * cache.xs[2];
    normal[0] = cache.normal[0];
    normal[1] = cache.normal[1];
    normal[2] = cache.normal[2];
    return Status::Ok;
}

}  // namespace

Status interpolate_3d_linear(double y, double z, std::int32_t n, std::int32_t nadj, const float* nodes,
                             const std::int32_t* iadj, const std::int32_t* istart, double& x, double normal[3],
                             std::int32_t& start, PlaneCache& cache, std::int32_t triangle[3]) {
    const HostNodes nd{n, nadj, iadj, istart, node_columns(nodes, n)};
    return linear_at(nd, y, z, x, normal, start, cache, triangle);
}

Status interpolate_3d_linear(const PackedMesh& mesh, double y, double z, double& x, double normal[3],
                             std::int32_t& start, PlaneCache& cache, std::int32_t triangle[3]) {
    return linear_at(PackedNodes{mesh}, y, z, x, normal, start, cache, triangle);
}

}  // namespace seabed
