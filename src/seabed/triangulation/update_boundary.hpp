// Splicing a new node into the hull list.
#pragma once

#include <cstdint>
#include <vector>

#include "core/seabed_parameters.hpp"

namespace seabed {

/// The chain IBND(ifirst..ilast) becomes IBND(ifirst), k, IBND(ilast): one
/// visible edge adds a hull node, two keep the count, each further one
/// removes one; freed trailing entries become 0. ibnd[0] is IBND(1). The
/// tail is copied through `scratch`, which keeps its storage between calls;
/// AllocBoundaryCopy (nothing changed) when it cannot be allocated.
[[nodiscard]] Status update_boundary(std::int32_t k, std::int32_t ifirst, std::int32_t ilast, std::int32_t* ibnd,
                                     std::int32_t& nb, std::int32_t& lb, std::vector<std::int32_t>& scratch);

}  // namespace seabed
