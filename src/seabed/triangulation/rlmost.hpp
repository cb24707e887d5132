// The stretch of the hull that a new node sees.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"

namespace seabed {

/// Finds positions ifirst < ilast in the closed hull list ibnd (1-based
/// entries, ibnd[0] is IBND(1)) such that node k lies strictly right of each
/// hull edge IBND(j)->IBND(j+1), j = ifirst..ilast-1, and of no other. The
/// scan runs once over the hull and stops as soon as both ends are known; a
/// chain that wraps past the end rotates ibnd to start at its first node.
/// Collinear when k sees no edge (or nb < 1); BoundaryTooLong when nb >= k;
/// ChainEmpty, BoundaryNotClosed on an inconsistent hull list.
/// fp: the tests are lineleftf's, in double with k's coordinates widened.
[[nodiscard]] Status rlmost(std::int32_t nb, std::int32_t lb, std::int32_t* ibnd, std::int32_t k, const float* y,
                            const float* z, std::int32_t& ifirst, std::int32_t& ilast);

}  // namespace seabed
