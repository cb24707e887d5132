#include "seabed/triangulation/add_nodes.hpp"

#include <algorithm>
#include <vector>

#include "core/math.hpp"
#include "core/try_resize.hpp"
#include "seabed/triangulation/half_edges.hpp"
#include "seabed/triangulation/hull_chain.hpp"
#include "seabed/triangulation/supplements.hpp"
#include "seabed/triangulation/swap_edges.hpp"
#include "seabed/triangulation/triangulation.hpp"

namespace seabed {
namespace {

/// Links k to the chain it sees (hull nodes first to last) and gives k its
/// own list: the chain backwards, then 0. Chosen: a list that cannot grow is
/// AllocNodeLists.
template <class Lists, class Marks>
Status link_new_node(std::int32_t k, const std::vector<std::int32_t>& chain, Lists& lists, Marks& linked) {
    const auto last = static_cast<std::int32_t>(chain.size()) - 1;  // 0-based positions in the chain
    auto node = [&](std::int32_t i) { return chain[static_cast<std::size_t>(i)]; };
    if (Status st = insert_1i_scan(node(1), k, 0, lists[node(0) - 1]); st != Status::Ok) return st;
    if (Status st = insert_1i_scan(node(last - 1), k, 1, lists[node(last) - 1]); st != Status::Ok) return st;
    for (std::int32_t j = 1; j <= last - 1; ++j) {
        auto&& l = lists[node(j) - 1];
        if (Status st = insert_1i_scan(node(j + 1), k, 0, l); st != Status::Ok) return st;
        if (l.at(l.length()) == 0) l.remove(l.length());  // node j is now inside: its list closes
    }
    auto&& own = lists[k - 1];
    linked[static_cast<std::size_t>(k)] = k;
    for (std::int32_t j = last; j >= 0; --j) {
        if (!own.append_data(node(j))) return Status::AllocNodeLists;
        linked[static_cast<std::size_t>(node(j))] = k;
    }
    if (!own.append_data(0)) return Status::AllocNodeLists;
    return Status::Ok;
}

/// The reference form's working lists: a list per node, and the sweep's
/// marks beside them.
struct PlainLists {
    NodeLists lists;
    std::vector<std::int32_t> linked;  // linked[v] == k: v is a neighbour of the node k being inserted
    Status create(std::int32_t n) {
        if (!try_resize(lists, n)) return Status::AllocNodeLists;
        for (IntList& l : lists)
            if (!l.create(3)) return Status::AllocNodeLists;
        if (!try_resize(linked, static_cast<std::int64_t>(n) + 1)) return Status::AllocNodeLists;
        return Status::Ok;
    }
};

/// Sizes ibnd and istart (the caller's arrays; failing counts as 24), then
/// the working structure; finds the first triangle (the first node off the
/// line 1 -> 2 becomes node 3) and writes it into ibnd, counter-clockwise;
/// side: -1 when that is 1, 2, 3.
template <class Work>
Status first_triangle(std::int32_t n, float tol, std::int32_t* iperm, float* fval, float* y, float* z,
                      Triangulation& t, Work& work, std::int32_t& side) {
    if (!try_resize_large(t.ibnd, static_cast<std::int64_t>(n) + 1)) return Status::AllocNodeLists;
    std::fill(t.ibnd.begin(), t.ibnd.end(), 0);  // a second call finds the first call's hull there
    if (!try_resize_large(t.istart, n)) return Status::AllocNodeLists;
    if (Status st = work.create(n); st != Status::Ok) return st;
    std::int32_t third = 0;
    side = 0;
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
    if (side == -1) {  // 1, 2, 3 counter-clockwise
        ibnd[0] = 1, ibnd[1] = 2, ibnd[2] = 3;
    } else {
        ibnd[0] = 2, ibnd[1] = 1, ibnd[2] = 3;
    }
    ibnd[3] = ibnd[0];
    t.nb = 3;
    t.lb = 4;
    t.nt = 0;
    return Status::Ok;
}

/// The reference form: a list per node, the hull scanned from its start.
Status build_plain(std::int32_t n, float tol, std::int32_t* iperm, float* fval, float* y, float* z, Triangulation& t) {
    PlainLists work;  // released on every path when it goes out of scope
    std::int32_t side = 0;
    if (Status st = first_triangle(n, tol, iperm, fval, y, z, t, work, side); st != Status::Ok) return st;
    auto& lists = work.lists;
    auto set_list = [&](std::int32_t v, std::int32_t a, std::int32_t b) {
        auto&& l = lists[static_cast<std::size_t>(v - 1)];
        return l.append_data(a) && l.append_data(b) && l.append_data(0);
    };
    const bool ok = side == -1 ? set_list(1, 2, 3) && set_list(2, 3, 1) && set_list(3, 1, 2)
                               : set_list(1, 3, 2) && set_list(2, 1, 3) && set_list(3, 2, 1);
    if (!ok) return Status::AllocNodeLists;

    ScanHull hull(t.ibnd.data(), t.nb, t.lb);
    std::vector<std::int32_t> chain;
    for (std::int32_t k = 4; k <= n; ++k) {
        Status st = hull.find(k, y, z, chain);
        if (st == Status::Ok) st = link_new_node(k, chain, lists, work.linked);
        if (st == Status::Ok) st = swap_sweep(k, y, z, lists, work.linked);
        if (st == Status::Ok) st = hull.splice(k);
        if (st != Status::Ok) {
            hull.finish();
            return st;
        }
    }
    hull.finish();

    // Pack the lists one after the other.
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < n; ++i) total += lists[static_cast<std::size_t>(i)].length();
    if (total > INT32_MAX || !try_resize(t.iadj, total)) return Status::AllocIadj;  // size overflow counts as failure
    t.nadj = static_cast<std::int32_t>(total);
    std::int64_t at = 1;
    for (std::int32_t i = 1; i <= n; ++i) {
        const auto& l = lists[static_cast<std::size_t>(i - 1)];
        t.istart[static_cast<std::size_t>(i - 1)] = static_cast<std::int32_t>(at);
        const std::int32_t* from = l.data();
        std::int32_t* to = t.iadj.data() + (at - 1);
        for (std::int32_t e = 0; e < l.length(); ++e) to[e] = from[e];  // short lists: no memmove call each
        at += l.length();
    }

    const std::int64_t expected = std::max<std::int64_t>(2 * static_cast<std::int64_t>(n) - t.nb - 2, 0);
    if (3 * expected > INT32_MAX || !try_resize(t.itri, 3 * expected)) return Status::AllocItri;
    std::fill(t.itri.begin(), t.itri.end(), 0);
    if (Status st = form_vertices(n, static_cast<std::int32_t>(expected), lists, t.itri.data(), t.nt);
        st != Status::Ok)
        return st;
    const auto& last = lists[static_cast<std::size_t>(n - 1)];
    if (t.istart[static_cast<std::size_t>(n - 1)] + last.length() - 1 != t.nadj) return Status::PackedLength;
    return Status::Ok;
}

/// The fast form: half-edges and a hashed hull, the same arrays.
Status build_fast(std::int32_t n, float tol, std::int32_t* iperm, float* fval, float* y, float* z,
                  Triangulation& t) {
    struct Work {
        HalfEdgeMesh mesh;
        Status create(std::int32_t count) { return mesh.create(count) ? Status::Ok : Status::AllocNodeLists; }
    } work;  // released on every path when it goes out of scope
    std::int32_t side = 0;
    if (Status st = first_triangle(n, tol, iperm, fval, y, z, t, work, side); st != Status::Ok) return st;
    HalfEdgeMesh& mesh = work.mesh;
    mesh.start(y, z, t.ibnd[0], t.ibnd[1], t.ibnd[2]);
    HashedHull hull(n, t.ibnd.data(), t.nb, t.lb, mesh.hull_next(), mesh.hull_prev(), y, z);
    std::vector<std::int32_t> chain;
    for (std::int32_t k = 4; k <= n; ++k) {
        Status st = hull.find(k, y, z, chain);
        if (st == Status::Ok) {
            mesh.link(k, chain);
            st = mesh.sweep(k);
        }
        if (st == Status::Ok) st = hull.splice(k);
        if (st != Status::Ok) {
            hull.finish();
            return st;
        }
    }
    hull.finish();
    return mesh.pack(t.nb, t);
}

}  // namespace

Status add_nodes(std::int32_t n, float tol, std::int32_t* iperm, float* fval, float* y, float* z, Triangulation& t) {
    release(t.itri);
    release(t.iadj);
    t.nt = 0;
    t.nadj = 0;
    // beyond the range of the half-edge numbers the reference form serves
    if (triangulation_tuning::fast && n <= HalfEdgeMesh::kMaxNodes) return build_fast(n, tol, iperm, fval, y, z, t);
    return build_plain(n, tol, iperm, fval, y, z, t);
}

}  // namespace seabed
