// Delaunay edge swapping on the working neighbour lists, the list insertions
// and deletions it is made of, and the triangle list derived from the lists.
//
// Working lists: lists[i - 1] is node i's neighbour list (1-based entries),
// counter-clockwise around node i; a hull node's list ends in 0.
#pragma once

#include <cstdint>
#include <vector>

#include "core/int_list.hpp"
#include "core/math.hpp"
#include "core/seabed_parameters.hpp"

namespace seabed {

using NodeLists = std::vector<IntList>;

/// Margin of the swap test during insertion: four cocircular nodes, and nodes
/// cocircular within it, keep their diagonal. Absolute, in coordinate units^4.
inline constexpr float kSwapMargin = 1.1920929e-6f;

/// Whether edge io1-io2, shared by the counter-clockwise triangles
/// (in1, io1, io2) and (in2, io2, io1), should become in1-in2: the angles at
/// in1 and in2 add up to more than 180 degrees by more than tol.
/// Node numbers are 1-based into y and z. fp: float throughout.
bool swap_edgea(std::int32_t in1, std::int32_t in2, std::int32_t io1, std::int32_t io2, const float* y,
                const float* z, float tol);

/// swap_edgea on the coordinates themselves: (a, b) of in1, in2, io1 and io2.
/// The one text of the test: swap_edgea calls it. fp: float throughout.
inline bool swap_edge_test(float a_in1, float b_in1, float a_in2, float b_in2, float a_io1, float b_io1, float a_io2,
                           float b_io2, float tol) {
    // fp: float, vectors from the opposite node to the edge's ends
    const float u1a = a_io1 - a_in1, u1b = b_io1 - b_in1;
    const float v1a = a_io2 - a_in1, v1b = b_io2 - b_in1;
    const float u2a = a_io2 - a_in2, u2b = b_io2 - b_in2;
    const float v2a = a_io1 - a_in2, v2b = b_io1 - b_in2;
    const float c1 = dot2(u1a, u1b, v1a, v1b);
    const float c2 = dot2(u2a, u2b, v2a, v2b);
    if (c1 >= 0.0f && c2 >= 0.0f) return false;
    if (c1 < 0.0f && c2 < 0.0f) return true;
    const float s1 = cross2(u1a, u1b, v1a, v1b);
    const float s2 = cross2(u2a, u2b, v2a, v2b);
    return c1 * s2 + s1 * c2 < -tol;
}

// The list operations below are templates over the list container
// (NodeLists, an IntList per node, in the reference form of node insertion):
// `lists[v - 1]` gives node v's list, with length(), at(i), index_of(x),
// insert(x, i), append_data(x) and remove(i).

/// Inserts value just before (offset 0) or just after (offset 1) the first
/// occurrence of ref. InsertZero for value 0, InsertRefMissing when ref is
/// absent; chosen: AllocNodeLists when the list cannot grow.
template <class L>
[[nodiscard]] Status insert_1i_scan(std::int32_t ref, std::int32_t value, std::int32_t offset, L&& list) {
    if (value == 0) return Status::InsertZero;
    const std::int32_t p = list.index_of(ref);
    if (p == -1) return Status::InsertRefMissing;
    const std::int32_t q = p + offset;
    if (q == 0) return Status::InsertRefMissing;
    if (!list.insert(value, q)) return Status::AllocNodeLists;
    return Status::Ok;
}

/// Removes the first occurrence of value: DeleteZero for 0, DeleteMissing
/// when absent.
template <class L>
[[nodiscard]] Status delete_1i_scan(std::int32_t value, L&& list) {
    if (value == 0) return Status::DeleteZero;
    const std::int32_t p = list.index_of(value);
    if (p == -1) return Status::DeleteMissing;
    list.remove(p);
    return Status::Ok;
}

/// Replaces edge io1-io2 by k-in, where k's list holds io1 just before io2 and
/// in's list io2 just before io1. Stops at the first failing list update.
template <class Lists>
[[nodiscard]] Status swap_tri(std::int32_t k, std::int32_t in, std::int32_t io2, std::int32_t io1, Lists& lists) {
    if (Status st = insert_1i_scan(io2, in, 0, lists[k - 1]); st != Status::Ok) return st;
    if (Status st = insert_1i_scan(io2, k, 1, lists[in - 1]); st != Status::Ok) return st;
    if (Status st = delete_1i_scan(io1, lists[io2 - 1]); st != Status::Ok) return st;
    return delete_1i_scan(io2, lists[io1 - 1]);
}

namespace sweep_detail {

template <class L>
bool ends_hull(const L& l) {
    return l.length() >= 2 && l.at(l.length()) == 0;
}

/// A hull edge is never swapped. Decided from io1's list when io1 is a hull
/// node, else from io2's.
template <class Lists>
bool boundary_edge(std::int32_t io1, std::int32_t io2, const Lists& lists) {
    const auto& l1 = lists[io1 - 1];
    if (ends_hull(l1)) return io2 == l1.at(1) || io2 == l1.at(l1.length() - 1);
    const auto& l2 = lists[io2 - 1];
    if (ends_hull(l2)) return io1 == l2.at(1) || io1 == l2.at(l2.length() - 1);
    return false;
}

}  // namespace sweep_detail

/// Tests every edge opposite the new hull node k, counter-clockwise from k's
/// first neighbour, and swaps where swap_edgea asks, including the edges that
/// a swap newly places opposite k. `linked[v]` (v = 0..n) is k where a node
/// is already k's neighbour (and at k itself): it lets a swap refuse to link
/// k twice to one node, which only an inconsistent structure asks for.
template <class Lists, class Marks>
[[nodiscard]] Status swap_sweep(std::int32_t k, const float* y, const float* z, Lists& lists, Marks& linked) {
    // k is a hull node: its list is first .. last, 0. The sweep walks a
    // position p with io1 at p and io2 at p + 1; a swap inserts between them,
    // so "the entry after io1" is always at p + 1.
    std::int32_t p = 1;
    if (lists[k - 1].length() < 3) return Status::Ok;
    for (;;) {
        const std::int32_t io1 = lists[k - 1].at(p);
        std::int32_t io2 = lists[k - 1].at(p + 1);
        for (;;) {
            if (sweep_detail::boundary_edge(io1, io2, lists)) break;
            const auto& l2 = lists[io2 - 1];
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
        if (p >= lists[k - 1].length() - 1) return Status::Ok;
    }
}

/// Writes every triangle (i, a, b), i < a, i < b, counter-clockwise from its
/// smallest vertex, into itri (3 x nt_expected, column-major, at most
/// nt_expected triangles written) and counts all of them into nt.
/// TriangleCount when nt differs from nt_expected.
template <class Lists>
[[nodiscard]] Status form_vertices(std::int32_t n, std::int32_t nt_expected, const Lists& lists, std::int32_t* itri,
                                   std::int32_t& nt) {
    nt = 0;
    if (n < 3) return nt_expected != 0 ? Status::TriangleCount : Status::Ok;
    for (std::int32_t i = 1; i <= n - 2; ++i) {
        const auto& l = lists[static_cast<std::size_t>(i - 1)];
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
