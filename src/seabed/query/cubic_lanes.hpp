// Exported cubic queries for many points at once: each point's walk as the
// export makes it, then the triangle's set-up, the element, its gradient and
// the normal of four points side by side in the lanes of one vector, every
// lane taking the scalar code's operations in its order (the same bits).
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"
#include "seabed/query/batch_nodes.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/lookup.hpp"

namespace seabed {

namespace cubic_lanes_tuning {
/// Whether the lanes may run on AVX when the processor has it; a test
/// clears it to run the same inputs through the two-lane (SSE2) form.
inline bool allow_avx = true;
}  // namespace cubic_lanes_tuning

/// Four points after their walks, lane by lane: the point, its triangle's
/// vertices (as the walk ordered them) with their elevations and gradients.
struct CubicLanes {
    static constexpr int kLanes = 4;
    alignas(32) double y[kLanes]{}, z[kLanes]{};
    alignas(16) float vy[3][kLanes]{}, vz[3][kLanes]{};
    alignas(16) float vx[3][kLanes]{}, gy[3][kLanes]{}, gz[3][kLanes]{};
};

/// What the steps after the walk give for each lane: status Ok with the
/// elevation and unit normal, or SmallTriangle (x and normal then hold no
/// answer).
struct CubicLaneResults {
    alignas(32) double x[CubicLanes::kLanes];
    alignas(32) double normal[3][CubicLanes::kLanes];
    Status status[CubicLanes::kLanes];
};

/// Whether this build evaluates lanes at all (elsewhere CubicQueries answers
/// each point on its own).
bool cubic_lanes_available();

/// The set-up of each lane's triangle (c1para_first, hct_constants), its
/// barycentric coordinates, the element with its gradient and the normal,
/// as interpolate_3d_cubic computes them after its walk. Needs
/// cubic_lanes_available().
void evaluate_cubic_lanes(const CubicLanes& in, CubicLaneResults& out);

/// Exported cubic queries on the nodes of a batch_nodes view (PackedNodes or
/// HostNodes, gradients needed), point by point in the caller's order: each
/// answer (x, normal, status) equals that of interpolate_3d_cubic on the same
/// arrays with the same start, but may be written only by the next flush();
/// start and triangle are written at once.
template <class Nodes>
class CubicQueries {
public:
    explicit CubicQueries(const Nodes& nodes) : nd_(nodes) {}
    CubicQueries(const CubicQueries&) = delete;
    CubicQueries& operator=(const CubicQueries&) = delete;
    ~CubicQueries() { flush(); }

    void query(double y, double z, double& x, double normal[3], std::int32_t& status, std::int32_t& start,
               std::int32_t triangle[3]);
    /// Writes every answer still owed.
    void flush();

private:
    Nodes nd_;
    CubicLanes lanes_;
    int queued_ = 0;
    double* x_[CubicLanes::kLanes]{};
    double* normal_[CubicLanes::kLanes]{};
    std::int32_t* status_[CubicLanes::kLanes]{};
    CubicElementCache cache_;  // without lanes
};

extern template class CubicQueries<batch_nodes::PackedNodes>;
extern template class CubicQueries<batch_nodes::HostNodes>;

}  // namespace seabed
