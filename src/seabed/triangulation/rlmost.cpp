#include "seabed/triangulation/rlmost.hpp"

#include <algorithm>

#include "seabed/triangulation/supplements.hpp"

namespace seabed {

Status rlmost(std::int32_t nb, std::int32_t lb, std::int32_t* ibnd, std::int32_t k, const float* y, const float* z,
              std::int32_t& ifirst, std::int32_t& ilast) {
    ifirst = 0;
    ilast = 0;
    if (nb >= k) return Status::BoundaryTooLong;
    if (nb < 1) return Status::Collinear;
    const double ak = y[k - 1], bk = z[k - 1];  // fp: k widened, as lineleftf takes it
    auto node = [&](std::int32_t i) { return ibnd[i - 1]; };
    // k left of or on the edge from node a to node b
    auto left = [&](std::int32_t a, std::int32_t b) {
        return lineleftf(ak, bk, y[a - 1], z[a - 1], y[b - 1], z[b - 1]);
    };
    // "outer" of position i is "inner" of position i + 1: each edge is tested once
    bool inner = left(node(nb), node(1));
    for (std::int32_t i = 1; i <= nb; ++i) {
        const std::int32_t c = node(i);
        const std::int32_t s = i == nb ? node(1) : node(i + 1);
        const bool outer = left(c, s);
        if (inner && !outer) ifirst = i;
        if (outer && !inner) ilast = i;
        if (ilast == 1) ilast = nb + 1;  // the closing copy of IBND(1)
        if (ifirst != 0 && ilast != 0) break;
        inner = outer;
    }
    if (ifirst == 0 || ilast == 0) return Status::Collinear;
    if (ifirst == ilast) return Status::ChainEmpty;
    if (ifirst < ilast) return Status::Ok;
    if (lb != nb + 1) return Status::BoundaryNotClosed;
    // the chain runs over the end: start the closed list at its first node
    std::rotate(ibnd, ibnd + (ifirst - 1), ibnd + nb);
    ibnd[nb] = ibnd[0];
    ilast = nb - ifirst + ilast + 1;
    ifirst = 1;
    return Status::Ok;
}

}  // namespace seabed
