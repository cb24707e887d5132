#include "seabed/triangulation/update_boundary.hpp"

#include <algorithm>

#include "core/try_resize.hpp"

namespace seabed {

Status update_boundary(std::int32_t k, std::int32_t ifirst, std::int32_t ilast, std::int32_t* ibnd, std::int32_t& nb,
                       std::int32_t& lb, std::vector<std::int32_t>& scratch) {
    const std::int32_t d = ilast - ifirst;
    if (d == 2) {
        ibnd[ifirst] = k;  // IBND(ifirst + 1)
        return Status::Ok;
    }
    // tail IBND(ilast..nb+1)
    const std::int32_t count = nb - ilast + 2;
    if (!try_resize(scratch, count)) return Status::AllocBoundaryCopy;
    std::copy(ibnd + (ilast - 1), ibnd + (ilast - 1) + count, scratch.begin());
    const std::int32_t old_nb = nb;
    nb = nb - d + 2;
    lb = nb + 1;
    std::copy(scratch.begin(), scratch.begin() + count, ibnd + (ifirst + 1));  // IBND(ifirst+2..lb)
    if (d > 2) std::fill(ibnd + lb, ibnd + (old_nb + 1), 0);                  // IBND(lb+1..old nb+1)
    ibnd[ifirst] = k;
    return Status::Ok;
}

}  // namespace seabed
