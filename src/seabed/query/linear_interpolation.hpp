// The piecewise linear seabed surface: on each triangle, the plane through
// its three nodes' elevations.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"
#include "seabed/query/lookup.hpp"
#include "seabed/query/triangle_params.hpp"

namespace seabed {

/// The set-up of the triangle a run of exported linear queries used last:
/// parameters, elevations and the unit normal, kept while the following
/// points fall in the same triangle with its vertices in the same order.
struct PlaneCache {
    std::int32_t t[3]{0, 0, 0};  // t[0] == 0: nothing kept
    Status st = Status::Ok;      // of c0para_first
    TriangleParams params;
    double scale = 0.0;
    double xs[3]{};
    double normal[3]{};
};

/// Elevation and unit normal (X, Y, Z components) of the linear surface, for
/// the host: nodes is the N x 3 column-major array (X, Y, Z). Outside or on
/// damaged lists the elevation is -3.4028234663852886E+38 and the normal
/// (1, 0, 0); on SmallTriangle the elevation is -100000.0 and the normal is
/// not written.
[[nodiscard]] Status interpolate_3d_linear(double y, double z, std::int32_t n, std::int32_t nadj,
                                           const float* nodes, const std::int32_t* iadj,
                                           const std::int32_t* istart, double& x, double normal[3],
                                           std::int32_t& start);

/// The same query for many points in a row, as the cubic one: results equal
/// the above for the same start; triangle as there.
[[nodiscard]] Status interpolate_3d_linear(double y, double z, std::int32_t n, std::int32_t nadj,
                                           const float* nodes, const std::int32_t* iadj,
                                           const std::int32_t* istart, double& x, double normal[3],
                                           std::int32_t& start, PlaneCache& cache, std::int32_t triangle[3]);

/// The same on a packed mesh: start and triangle in packed node numbers.
[[nodiscard]] Status interpolate_3d_linear(const PackedMesh& mesh, double y, double z, double& x, double normal[3],
                                           std::int32_t& start, PlaneCache& cache, std::int32_t triangle[3]);

}  // namespace seabed
