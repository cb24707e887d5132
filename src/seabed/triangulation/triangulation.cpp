#include "seabed/triangulation/triangulation.hpp"

#include <cmath>
#include <memory>
#include <vector>

#include "core/math.hpp"
#include "core/try_resize.hpp"
#include "seabed/triangulation/add_nodes.hpp"
#include "seabed/triangulation/sort.hpp"

namespace seabed {

Status triangulate(std::int32_t n, float tol, float* fval, float* y, float* z, Triangulation& t) {
    release(t.iperm);
    release(t.itri);
    release(t.iadj);
    const std::int64_t count = n > 0 ? n : 0;
    const bool fast = triangulation_tuning::fast;
    // p and items are written whole before they are read: no zeros first
    const auto size = static_cast<std::size_t>(count);
    std::unique_ptr<std::int32_t[]> p(try_new_array_large<std::int32_t>(size));
    if (!p) return Status::AllocSortPermutation;
    if (!try_resize_large(t.iperm, count)) return Status::AllocIperm;
    std::vector<float> d;
    std::unique_ptr<SortItem[]> items;  // the fast form's keys, each beside its index
    if (fast) items.reset(try_new_array_large<SortItem>(size));
    if (fast ? !items : !try_resize_large(d, count)) return Status::AllocDistanceKeys;
    if (n < 3) return Status::TooFewNodes;
    // chosen: a NaN or infinite Y or Z is refused as Collinear (19), the code for
    // positions the sweep cannot tell apart, before any key is formed or sorted
    for (std::int32_t k = 0; k < n; ++k)
        if (!std::isfinite(y[k]) || !std::isfinite(z[k])) return Status::Collinear;

    std::int32_t* iperm = t.iperm.data();
    for (std::int32_t k = 1; k <= n; ++k) iperm[k - 1] = k;
    // Seed: the first node with the smallest Y (strict less-than: the lowest position wins a tie).
    std::int32_t m = 1;
    for (std::int32_t k = 2; k <= n; ++k)
        if (y[k - 1] < y[m - 1]) m = k;
    if (m > 1) {
        swap1r(n, 1, m, y);
        swap1r(n, 1, m, z);
        swap1r(n, 1, m, fval);
        swap1i(n, 1, m, iperm);
    }
    auto key = [&](std::int32_t k) {
        const float dy = y[k - 1] - y[0];
        const float dz = z[k - 1] - z[0];
        return k == 1 ? 0.0f : dy * dy + dz * dz;  // fp: float, squared distance to the seed
    };
    if (fast) {
        for (std::int32_t k = 1; k <= n; ++k) items[static_cast<std::size_t>(k - 1)] = SortItem{key(k), k};
        quick_sort_items(items.get(), n);
        for (std::int32_t k = 0; k < n; ++k) p[static_cast<std::size_t>(k)] = items[static_cast<std::size_t>(k)].idx;
        items.reset();
    } else {
        for (std::int32_t k = 1; k <= n; ++k) d[static_cast<std::size_t>(k - 1)] = key(k);
        quick_sort(d.data(), n, p.get());
    }
    if (Status st = sort_refi(n, p.get(), iperm); st != Status::Ok) return st;
    if (Status st = sort_refr(n, p.get(), fval); st != Status::Ok) return st;
    if (Status st = sort_refr(n, p.get(), y); st != Status::Ok) return st;
    if (Status st = sort_refr(n, p.get(), z); st != Status::Ok) return st;
    p.reset();
    release(d);
    return add_nodes(n, tol, iperm, fval, y, z, t);
}

std::int32_t ind_adjanode(std::int32_t stop, std::int32_t first, std::int32_t node, const NodeNo* iadj) {
    for (std::int32_t i = first; i < stop; ++i)
        if (iadj[i - 1] == node) return i;
    return stop;
}

}  // namespace seabed
