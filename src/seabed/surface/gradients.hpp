// Node gradients of a triangulated 3D seabed, chosen together so that the
// cubic along every arc of the triangulation bends as little as possible.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"

namespace seabed {

/// Block Gauss-Seidel sweeps (2 x 2 per node) for the gradients g (2 x n,
/// column-major: g[2(k-1)] = dX/dY, g[2(k-1)+1] = dX/dZ of node k), starting
/// from the values g holds. istart (n), iadj (nadj) are the 1-based neighbour
/// lists of the triangulation (a hull node's list ends in 0); f, y, z the
/// node elevations and positions; n >= 3. At most nit + 1 sweeps; converged
/// when eps > the largest relative change of a sweep (strict).
/// stat is written only on failure: ExtentTooSmall, NodesTooClose,
/// Collinear or NoConvergence; success leaves it as it was.
void grad_global(std::int32_t n, const std::int32_t* istart, std::int32_t nadj, const std::int32_t* iadj,
                 std::int32_t nit, const float* f, const float* y, const float* z, float eps, float tol, float* g,
                 Status& stat);

}  // namespace seabed
