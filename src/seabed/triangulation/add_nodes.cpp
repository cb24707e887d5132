#include "seabed/triangulation/add_nodes.hpp"

#include <algorithm>
#include <vector>

#include "core/math.hpp"
#include "core/try_resize.hpp"
#include "seabed/triangulation/rlmost.hpp"
#include "seabed/triangulation/supplements.hpp"
#include "seabed/triangulation/swap_edges.hpp"
#include "seabed/triangulation/update_boundary.hpp"

namespace seabed {
namespace {

/// Links k to the chain IBND(ifirst..ilast) and gives k its own list
/// IBND(ilast), ..., IBND(ifirst), 0. Chosen: a list that cannot grow is
/// AllocNodeLists.
Status link_new_node(std::int32_t k, std::int32_t ifirst, std::int32_t ilast, const std::int32_t* ibnd,
                     NodeLists& lists, std::vector<std::int32_t>& linked) {
    auto node = [&](std::int32_t i) { return ibnd[i - 1]; };
    auto list = [&](std::int32_t v) -> IntList& { return lists[static_cast<std::size_t>(v - 1)]; };
    if (Status st = insert_1i_scan(node(ifirst + 1), k, 0, list(node(ifirst))); st != Status::Ok) return st;
    if (Status st = insert_1i_scan(node(ilast - 1), k, 1, list(node(ilast))); st != Status::Ok) return st;
    for (std::int32_t j = ifirst + 1; j <= ilast - 1; ++j) {
        IntList& l = list(node(j));
        if (Status st = insert_1i_scan(node(j + 1), k, 0, l); st != Status::Ok) return st;
        if (l.at(l.length()) == 0) l.remove(l.length());  // node j is now inside: its list closes
    }
    IntList& own = list(k);
    linked[static_cast<std::size_t>(k)] = k;
    for (std::int32_t j = ilast; j >= ifirst; --j) {
        if (!own.append_data(node(j))) return Status::AllocNodeLists;
        linked[static_cast<std::size_t>(node(j))] = k;
    }
    if (!own.append_data(0)) return Status::AllocNodeLists;
    return Status::Ok;
}

Status build(std::int32_t n, float tol, std::int32_t* iperm, float* fval, float* y, float* z, Triangulation& t,
             NodeLists& lists) {
    // chosen: ibnd and istart, the caller's plain arrays, are sized here; failing counts as 24
    if (!try_resize(t.ibnd, static_cast<std::int64_t>(n) + 1)) return Status::AllocNodeLists;
    std::fill(t.ibnd.begin(), t.ibnd.end(), 0);
    if (!try_resize(t.istart, n)) return Status::AllocNodeLists;
    if (!try_resize(lists, n)) return Status::AllocNodeLists;
    for (IntList& l : lists)
        if (!l.create(3)) return Status::AllocNodeLists;
    // linked[v] == k: v is a neighbour of the node k being inserted (index 0 unused)
    std::vector<std::int32_t> linked;
    if (!try_resize(linked, static_cast<std::int64_t>(n) + 1)) return Status::AllocNodeLists;

    // First triangle: the first node off the line 1 -> 2 becomes node 3.
    std::int32_t third = 0;
    std::int32_t side = 0;
    for (std::int32_t k = 3; k <= n; ++k) {
        side = node_leftright_collinear(y[k - 1], z[k - 1], y[0], z[0], y[1], z[1], tol);
        if (side != 0) {
            third = k;
            break;
        }
    }
    if (third == 0) return Status::Collinear;
    for (std::int32_t j = 4; j <= third; ++j) {
        swap1i(n, 3, j, iperm);
        swap1r(n, 3, j, z);
        swap1r(n, 3, j, y);
        swap1r(n, 3, j, fval);
    }
    std::int32_t* ibnd = t.ibnd.data();
    auto set_list = [&](std::int32_t v, std::int32_t a, std::int32_t b) {
        IntList& l = lists[static_cast<std::size_t>(v - 1)];
        return l.append_data(a) && l.append_data(b) && l.append_data(0);
    };
    bool ok = false;
    if (side == -1) {  // 1, 2, 3 counter-clockwise
        ibnd[0] = 1, ibnd[1] = 2, ibnd[2] = 3;
        ok = set_list(1, 2, 3) && set_list(2, 3, 1) && set_list(3, 1, 2);
    } else {
        ibnd[0] = 2, ibnd[1] = 1, ibnd[2] = 3;
        ok = set_list(1, 3, 2) && set_list(2, 1, 3) && set_list(3, 2, 1);
    }
    if (!ok) return Status::AllocNodeLists;
    ibnd[3] = ibnd[0];
    t.nb = 3;
    t.lb = 4;
    t.nt = 0;

    std::vector<std::int32_t> scratch;
    for (std::int32_t k = 4; k <= n; ++k) {
        std::int32_t ifirst = 0, ilast = 0;
        if (Status st = rlmost(t.nb, t.lb, ibnd, k, y, z, ifirst, ilast); st != Status::Ok) return st;
        if (Status st = link_new_node(k, ifirst, ilast, ibnd, lists, linked); st != Status::Ok) return st;
        if (Status st = swap_sweep(k, y, z, lists, linked); st != Status::Ok) return st;
        if (Status st = update_boundary(k, ifirst, ilast, ibnd, t.nb, t.lb, scratch); st != Status::Ok) return st;
    }

    // Pack the lists one after the other.
    std::int64_t total = 0;
    for (const IntList& l : lists) total += l.length();
    if (total > INT32_MAX || !try_resize(t.iadj, total)) return Status::AllocIadj;  // size overflow counts as failure
    t.nadj = static_cast<std::int32_t>(total);
    std::int64_t at = 1;
    for (std::int32_t i = 1; i <= n; ++i) {
        const IntList& l = lists[static_cast<std::size_t>(i - 1)];
        t.istart[static_cast<std::size_t>(i - 1)] = static_cast<std::int32_t>(at);
        std::copy(l.data(), l.data() + l.length(), t.iadj.begin() + (at - 1));
        at += l.length();
    }

    const std::int64_t expected = std::max<std::int64_t>(2 * static_cast<std::int64_t>(n) - t.nb - 2, 0);
    if (3 * expected > INT32_MAX || !try_resize(t.itri, 3 * expected)) return Status::AllocItri;
    std::fill(t.itri.begin(), t.itri.end(), 0);
    if (Status st = form_vertices(n, static_cast<std::int32_t>(expected), lists, t.itri.data(), t.nt);
        st != Status::Ok)
        return st;
    const IntList& last = lists[static_cast<std::size_t>(n - 1)];
    if (t.istart[static_cast<std::size_t>(n - 1)] + last.length() - 1 != t.nadj) return Status::PackedLength;
    return Status::Ok;
}

}  // namespace

Status add_nodes(std::int32_t n, float tol, std::int32_t* iperm, float* fval, float* y, float* z, Triangulation& t) {
    release(t.itri);
    release(t.iadj);
    t.nt = 0;
    t.nadj = 0;
    NodeLists lists;  // released on every path when it goes out of scope
    return build(n, tol, iperm, fval, y, z, t, lists);
}

}  // namespace seabed
