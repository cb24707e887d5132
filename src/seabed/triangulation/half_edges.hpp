// The working structure of the fast form of node insertion: the triangles as
// half-edges, so that a swap rewrites two triangles instead of scanning four
// neighbour lists. It keeps, per node, the half-edge to the first entry of
// the node's neighbour list as the list form would hold it, and so packs the
// very lists, and triangles, of the reference form.
//
// Why the lists come out the same: a list runs counter-clockwise around its
// node; what the operations of the list form decide beyond the cyclic order
// is only where a list starts.
// - A hull node's list starts at its hull successor and ends with its hull
//   predecessor and 0: linking k inserts k in front (the chain's first node)
//   or at the end (its last node), and a swap never changes a hull edge.
// - A node that leaves the hull starts with k, the node that closed it
//   (k is inserted before the successor, then the 0 is removed).
// - A swap of edge io1-io2 for k-in inserts in into k's list just before io2
//   (never in front: io2 is never k's first entry) and k into in's list just
//   after io2; it deletes io1 from io2's list (io2's list then starts with
//   in, the entry after io1, when io1 started it) and io2 from io1's list
//   (io1's then starts with k when io2 started it).
// A swap keeps the half-edges of the four outer edges but moves two of them
// (k -> io1 and in -> io2) to other slots; a node whose first half-edge moves
// follows it. The list form refuses a swap that would link k twice to a node
// (an inconsistent structure); every other refusal of its list updates needs
// lists that no sequence of these operations produces, so the mark test is
// the one failure to repeat.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/seabed_parameters.hpp"
#include "seabed/triangulation/triangulation_arrays.hpp"

namespace seabed {

class HalfEdgeMesh {
public:
    /// The largest node count the half-edge numbers (int32) can serve.
    static constexpr std::int32_t kMaxNodes = 357913941;  // fewer than 6 n half-edges: 6 n <= 2^31 - 1

    /// Room for n nodes (3 <= n <= kMaxNodes): node records, half-edges and
    /// hull links, one allocation each; false when one fails.
    [[nodiscard]] bool create(std::int32_t n);
    /// Takes the node coordinates (in their final order) and makes triangle
    /// a, b, c (counter-clockwise) the first, every edge on the hull.
    void start(const float* y, const float* z, std::int32_t a, std::int32_t b, std::int32_t c);
    /// The hull links for HashedHull, indexed by node.
    std::int32_t* hull_next() { return links_.get(); }
    std::int32_t* hull_prev() { return links_.get() + (static_cast<std::int64_t>(n_) + 1); }
    /// Links new node k to the chain of hull nodes it sees (first to last in
    /// hull order), as the list form's link step does.
    void link(std::int32_t k, const std::vector<std::int32_t>& chain);
    /// The list form's swap sweep around k (swap_sweep): same tests, same
    /// order, same swaps; InsertRefMissing where it refuses to link k twice.
    [[nodiscard]] Status sweep(std::int32_t k);
    /// Packs the neighbour lists into iadj, istart and nadj and the triangles
    /// into itri and nt, with the checks and allocation codes of the list form
    /// (AllocIadj, AllocItri, TriangleCount, PackedLength). nb: hull nodes.
    [[nodiscard]] Status pack(std::int32_t nb, Triangulation& t) const;

private:
    struct Node {
        float a, b;          // Y and Z
        std::int32_t first;  // half-edge from the node to the first entry of its list
        std::int32_t mark;   // k while the node is a neighbour of the node k being inserted
    };
    struct HalfEdge {
        std::int32_t origin;  // node the half-edge leaves; triangle t is half-edges 3t, 3t+1, 3t+2, counter-clockwise
        std::int32_t twin;    // the opposite half-edge, -1 on the hull
    };
    static std::int32_t next(std::int32_t e) { return e % 3 == 2 ? e - 2 : e + 1; }
    static std::int32_t prev(std::int32_t e) { return e % 3 == 0 ? e + 2 : e - 1; }
    void pair(std::int32_t e, std::int32_t f) {
        edges_[static_cast<std::size_t>(e)].twin = f;
        if (f >= 0) edges_[static_cast<std::size_t>(f)].twin = e;
    }
    Status walk(std::int32_t nb, Triangulation& t, bool triangles) const;

    std::unique_ptr<Node[]> nodes_;         // index: node number (entry 0 unused)
    std::unique_ptr<HalfEdge[]> edges_;     // 3 per triangle
    std::unique_ptr<std::int32_t[]> links_;  // hull next, then hull prev, each n + 1
    std::int32_t n_ = 0;
    std::int32_t triangles_ = 0;
};

}  // namespace seabed
