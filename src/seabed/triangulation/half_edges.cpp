#include "seabed/triangulation/half_edges.hpp"

#include <algorithm>

#include "core/try_resize.hpp"
#include "seabed/triangulation/swap_edges.hpp"

namespace seabed {

bool HalfEdgeMesh::create(std::int32_t n) {
    n_ = n;
    triangles_ = 0;
    const auto nodes = static_cast<std::size_t>(n) + 1;
    // Left uninitialised: a node's record and links are written when it is
    // inserted, before anything reads them, and a half-edge when its triangle
    // is made. At most 2n - 5 triangles.
    nodes_.reset(try_new_array_large<Node>(nodes));
    if (!nodes_) return false;
    edges_.reset(try_new_array_large<HalfEdge>(6 * static_cast<std::size_t>(n)));
    if (!edges_) return false;
    links_.reset(try_new_array_large<std::int32_t>(2 * nodes));
    return links_ != nullptr;
}

void HalfEdgeMesh::start(const float* y, const float* z, std::int32_t a, std::int32_t b, std::int32_t c) {
    Node* nd = nodes_.get();
    for (std::int32_t v = 1; v <= n_; ++v) nd[v] = Node{y[v - 1], z[v - 1], 0, 0};
    const std::int32_t v[3] = {a, b, c};
    for (std::int32_t i = 0; i < 3; ++i) {
        edges_[static_cast<std::size_t>(i)] = HalfEdge{v[i], -1};
        nd[v[i]].first = i;  // a hull node's list starts at its successor
    }
    triangles_ = 1;
}

void HalfEdgeMesh::link(std::int32_t k, const std::vector<std::int32_t>& chain) {
    Node* nd = nodes_.get();
    HalfEdge* he = edges_.get();
    // Triangle j of the new ones is (k, chain[j + 1], chain[j]); its half-edge
    // chain[j + 1] -> chain[j] faces the hull edge chain[j] -> chain[j + 1],
    // which is the first half-edge of chain[j] (its list starts at its
    // successor). chain[j], j < last, then starts its list with k.
    const auto last = static_cast<std::int32_t>(chain.size()) - 1;
    const std::int32_t base = 3 * triangles_;
    for (std::int32_t j = 0; j < last; ++j) {
        const std::int32_t e = base + 3 * j;
        const std::int32_t c = chain[static_cast<std::size_t>(j)];
        const std::int32_t s = chain[static_cast<std::size_t>(j) + 1];
        he[e] = HalfEdge{k, j + 1 < last ? e + 5 : -1};
        he[e + 1] = HalfEdge{s, -1};
        he[e + 2] = HalfEdge{c, j > 0 ? e - 3 : -1};
        pair(e + 1, nd[c].first);
        nd[c].first = e + 2;
        nd[c].mark = k;
    }
    nd[chain[static_cast<std::size_t>(last)]].mark = k;
    nd[k].first = base + 3 * (last - 1);  // k -> chain[last], its successor on the hull
    nd[k].mark = k;
    triangles_ += last;
}

Status HalfEdgeMesh::sweep(std::int32_t k) {
    Node* nd = nodes_.get();
    HalfEdge* he = edges_.get();
    const float ak = nd[k].a, bk = nd[k].b;
    // e: the edge io1 -> io2 of the triangle (k, io1, io2) under test,
    // counter-clockwise around k from k's first triangle
    std::int32_t e = next(nd[k].first);
    for (;;) {
        const std::int32_t b = he[e].twin;  // io2 -> io1; none on the hull, which is never swapped
        if (b >= 0) {
            const std::int32_t a = e;
            const std::int32_t io1 = he[a].origin;
            const std::int32_t io2 = he[b].origin;
            const std::int32_t bl = prev(b);  // in -> io2
            const std::int32_t in = he[bl].origin;
            const Node& n1 = nd[io1];
            const Node& n2 = nd[io2];
            Node& ni = nd[in];
            if (swap_edge_test(ak, bk, ni.a, ni.b, n1.a, n1.b, n2.a, n2.b, kSwapMargin)) {
                // as swap_sweep: linking k again to a neighbour (or itself) is refused as 35
                if (ni.mark == k) return Status::InsertRefMissing;
                const std::int32_t ar = prev(a);  // k -> io1
                const std::int32_t br = next(b);  // io1 -> in
                const std::int32_t tar = he[ar].twin;
                const std::int32_t tbl = he[bl].twin;
                // (k, io1, io2) and (io2, io1, in) become (k, in, io2) in a's
                // triangle and (k, io1, in) in b's
                if (nd[io2].first == b) nd[io2].first = tbl;  // io2's list now starts at in
                if (nd[io1].first == a) nd[io1].first = tar;  // io1's now starts at k
                if (nd[k].first == ar) nd[k].first = b;       // k -> io1 moves to b
                if (ni.first == bl) ni.first = a;             // in -> io2 moves to a
                he[a].origin = in;
                he[b].origin = k;
                pair(a, tbl);
                pair(b, tar);
                pair(ar, bl);
                ni.mark = k;
                e = br;  // next: the edge io1 -> in, opposite k
                continue;
            }
        }
        // the next triangle around k, through the edge io2 -> k; none after k's last neighbour
        const std::int32_t back = he[next(e)].twin;
        if (back < 0) return Status::Ok;
        e = next(back);
    }
}

Status HalfEdgeMesh::walk(std::int32_t nb, Triangulation& t, bool triangles) const {
    // iadj and itri have their room reserved and are appended to: no pass
    // writes them twice
    const Node* nd = nodes_.get();
    const HalfEdge* he = edges_.get();
    const std::int64_t total = t.nadj;
    const std::int64_t expected = std::max<std::int64_t>(2 * static_cast<std::int64_t>(n_) - nb - 2, 0);
    std::vector<std::int32_t>& iadj = t.iadj;
    std::vector<std::int32_t>& itri = t.itri;
    std::int64_t nt = 0;
    for (std::int32_t v = 1; v <= n_; ++v) {
        t.istart[static_cast<std::size_t>(v - 1)] = static_cast<std::int32_t>(iadj.size() + 1);
        // counter-clockwise around v: the triangle of half-edge e = v -> u is
        // (v, u, w), and the next one around v holds the half-edge v -> w
        const std::int32_t first = nd[v].first;
        std::int32_t e = first;
        for (;;) {
            const std::int32_t r = e % 3;
            const std::int32_t en = r == 2 ? e - 2 : e + 1;
            const std::int32_t ep = r == 0 ? e + 2 : e - 1;
            const std::int32_t u = he[en].origin;
            const std::int32_t w = he[ep].origin;
            // the sizes follow from consistent half-edges; checked all the same,
            // as the reserved room must not be exceeded
            if (static_cast<std::int64_t>(iadj.size()) >= total) return Status::PackedLength;
            iadj.push_back(u);
            if (u > v && w > v) {  // (v, u, w) from its smallest vertex, as form_vertices lists it
                if (triangles && nt < expected) {
                    itri.push_back(v);
                    itri.push_back(u);
                    itri.push_back(w);
                }
                ++nt;
            }
            const std::int32_t back = he[ep].twin;
            if (back < 0) {  // a hull node: its predecessor, then 0
                if (static_cast<std::int64_t>(iadj.size()) + 2 > total) return Status::PackedLength;
                iadj.push_back(w);
                iadj.push_back(0);
                break;
            }
            e = back;
            if (e == first) break;
        }
    }
    const bool packed = static_cast<std::int64_t>(iadj.size()) == total;
    iadj.resize(static_cast<std::size_t>(total));  // within the reserved room
    if (!triangles) return Status::Ok;
    itri.resize(static_cast<std::size_t>(3 * expected));  // within the reserved room; zeros after nt < expected
    t.nt = static_cast<std::int32_t>(nt);
    if (nt != expected) return Status::TriangleCount;
    return packed ? Status::Ok : Status::PackedLength;
}

Status HalfEdgeMesh::pack(std::int32_t nb, Triangulation& t) const {
    // the list form's sizes: every half-edge is one list entry, a hull edge
    // (one half-edge) one more, and each hull node's list ends in 0
    const std::int64_t total = 3 * static_cast<std::int64_t>(triangles_) + 2 * static_cast<std::int64_t>(nb);
    if (total > INT32_MAX || !try_reserve_large(t.iadj, total)) return Status::AllocIadj;  // size overflow counts as failure
    t.nadj = static_cast<std::int32_t>(total);
    const std::int64_t expected = std::max<std::int64_t>(2 * static_cast<std::int64_t>(n_) - nb - 2, 0);
    if (3 * expected > INT32_MAX || !try_reserve_large(t.itri, 3 * expected)) {
        // the list form packs the lists before it asks for itri
        if (Status st = walk(nb, t, false); st != Status::Ok) return st;
        return Status::AllocItri;
    }
    return walk(nb, t, true);
}

}  // namespace seabed
