#include "seabed/triangulation/swap_edges.hpp"

#include "core/math.hpp"

namespace seabed {

bool swap_edgea(std::int32_t in1, std::int32_t in2, std::int32_t io1, std::int32_t io2, const float* y,
                const float* z, float tol) {
    // fp: float, vectors from the opposite node to the edge's ends
    const float u1a = y[io1 - 1] - y[in1 - 1], u1b = z[io1 - 1] - z[in1 - 1];
    const float v1a = y[io2 - 1] - y[in1 - 1], v1b = z[io2 - 1] - z[in1 - 1];
    const float u2a = y[io2 - 1] - y[in2 - 1], u2b = z[io2 - 1] - z[in2 - 1];
    const float v2a = y[io1 - 1] - y[in2 - 1], v2b = z[io1 - 1] - z[in2 - 1];
    const float c1 = dot2(u1a, u1b, v1a, v1b);
    const float c2 = dot2(u2a, u2b, v2a, v2b);
    if (c1 >= 0.0f && c2 >= 0.0f) return false;
    if (c1 < 0.0f && c2 < 0.0f) return true;
    const float s1 = cross2(u1a, u1b, v1a, v1b);
    const float s2 = cross2(u2a, u2b, v2a, v2b);
    return c1 * s2 + s1 * c2 < -tol;
}

Status insert_1i_scan(std::int32_t ref, std::int32_t value, std::int32_t offset, IntList& list) {
    if (value == 0) return Status::InsertZero;
    const std::int32_t p = list.index_of(ref);
    if (p == -1) return Status::InsertRefMissing;
    const std::int32_t q = p + offset;
    if (q == 0) return Status::InsertRefMissing;
    if (!list.insert(value, q)) return Status::AllocNodeLists;
    return Status::Ok;
}

Status delete_1i_scan(std::int32_t value, IntList& list) {
    if (value == 0) return Status::DeleteZero;
    const std::int32_t p = list.index_of(value);
    if (p == -1) return Status::DeleteMissing;
    list.remove(p);
    return Status::Ok;
}

Status swap_tri(std::int32_t k, std::int32_t in, std::int32_t io2, std::int32_t io1, NodeLists& lists) {
    if (Status st = insert_1i_scan(io2, in, 0, lists[k - 1]); st != Status::Ok) return st;
    if (Status st = insert_1i_scan(io2, k, 1, lists[in - 1]); st != Status::Ok) return st;
    if (Status st = delete_1i_scan(io1, lists[io2 - 1]); st != Status::Ok) return st;
    return delete_1i_scan(io2, lists[io1 - 1]);
}

namespace {

bool ends_hull(const IntList& l) { return l.length() >= 2 && l.at(l.length()) == 0; }

/// A hull edge is never swapped. Decided from io1's list when io1 is a hull
/// node, else from io2's.
bool boundary_edge(std::int32_t io1, std::int32_t io2, const NodeLists& lists) {
    const IntList& l1 = lists[io1 - 1];
    if (ends_hull(l1)) return io2 == l1.at(1) || io2 == l1.at(l1.length() - 1);
    const IntList& l2 = lists[io2 - 1];
    if (ends_hull(l2)) return io1 == l2.at(1) || io1 == l2.at(l2.length() - 1);
    return false;
}

}  // namespace

Status swap_sweep(std::int32_t k, const float* y, const float* z, NodeLists& lists, std::vector<std::int32_t>& linked) {
    IntList& own = lists[k - 1];
    // k is a hull node: its list is first .. last, 0. The sweep walks a
    // position p with io1 at p and io2 at p + 1; a swap inserts between them,
    // so "the entry after io1" is always at p + 1.
    std::int32_t p = 1;
    if (own.length() < 3) return Status::Ok;
    for (;;) {
        const std::int32_t io1 = own.at(p);
        std::int32_t io2 = own.at(p + 1);
        for (;;) {
            if (boundary_edge(io1, io2, lists)) break;
            const IntList& l2 = lists[io2 - 1];
            const std::int32_t at = l2.index_of(io1);
            // chosen: io1 missing from io2's list is the list update's 35 (its reference is absent)
            if (at == -1) return Status::InsertRefMissing;
            const std::int32_t in = at == l2.length() ? l2.at(1) : l2.at(at + 1);
            // the swap would insert 0 into k's list: the update's own 34
            if (in == 0) return Status::InsertZero;
            if (!swap_edgea(k, in, io1, io2, y, z, kSwapMargin)) break;
            // chosen: linking k again to a neighbour (or itself) only follows from an
            // inconsistent structure; it ends the sweep as 35, like an update that finds
            // the lists out of step, and keeps the sweep finite on any input
            if (linked[static_cast<std::size_t>(in)] == k) return Status::InsertRefMissing;
            if (Status st = swap_tri(k, in, io2, io1, lists); st != Status::Ok) return st;
            linked[static_cast<std::size_t>(in)] = k;
            io2 = in;
        }
        ++p;
        // ends when io1 reaches k's last neighbour (the entry before the 0)
        if (p >= own.length() - 1) return Status::Ok;
    }
}

Status form_vertices(std::int32_t n, std::int32_t nt_expected, const NodeLists& lists, std::int32_t* itri,
                     std::int32_t& nt) {
    nt = 0;
    if (n < 3) return nt_expected != 0 ? Status::TriangleCount : Status::Ok;
    for (std::int32_t i = 1; i <= n - 2; ++i) {
        const IntList& l = lists[static_cast<std::size_t>(i - 1)];
        const std::int32_t len = l.length();
        const bool hull = len >= 1 && l.at(len) == 0;
        const std::int32_t m = hull ? len - 1 : len;
        for (std::int32_t j = 1; j <= m; ++j) {
            const std::int32_t a = l.at(j);
            std::int32_t b = 0;
            if (j < m) {
                b = l.at(j + 1);
            } else if (!hull) {
                b = l.at(1);
            } else {
                break;  // a hull node has no pair across the 0
            }
            if (a > i && b > i) {
                if (nt < nt_expected) {
                    std::int32_t* t = itri + 3 * static_cast<std::int64_t>(nt);
                    t[0] = i;
                    t[1] = a;
                    t[2] = b;
                }
                ++nt;
            }
        }
    }
    return nt != nt_expected ? Status::TriangleCount : Status::Ok;
}

}  // namespace seabed
