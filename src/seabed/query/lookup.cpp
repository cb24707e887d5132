#include "seabed/query/lookup.hpp"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

#include "core/random.hpp"
#include "seabed/triangulation/triangulation_arrays.hpp"

namespace seabed {
namespace {

template <class T>
T element(const char* base, std::int64_t stride, std::int64_t index) {
    T v;
    std::memcpy(&v, base + (index - 1) * stride, sizeof v);
    return v;
}

/// Start node drawn from the shared sequence: 1 + trunc((n - 1) * r), passed
/// through renumber (entry k - 1 is the new number of node k) when given.
NodeNo random_node(std::int32_t n, const NodeNo* renumber) {
    float p = static_cast<float>(static_cast<std::int64_t>(n) - 1) * random_uniform();  // fp: product in float
    if (!(p >= 0.0f && p < 2147483648.0f)) return 0;  // no node (n < 1): reported as out of range
    const NodeNo k = 1 + static_cast<NodeNo>(std::trunc(p));
    return renumber != nullptr && k <= n ? renumber[k - 1] : k;
}

/// One neighbour list, by positions in IADJ: first..lastreal hold the
/// neighbours, and a hull node's list is followed by one 0.
struct List {
    std::int64_t first = 0, lastreal = 0;
    bool hull = false;
    std::int64_t next(std::int64_t k) const { return k == lastreal ? first : k + 1; }
};

/// How a walk ended.
enum class End { Inside, Outside, NotFound, Degenerate, BadNode, BadFarNode };

struct WalkResult {
    End end = End::NotFound;
    NodeNo t[3]{};
    NodeNo hull_node = 0;  // Outside: where a following search should start
};

/// The walk's step budget and its memory of the neighbour lists it has read.
///
/// Bound on the walk: every orientation test, list step and restart spends
/// one unit of 8 * (N + NADJ) + 1024, and at most 64 restarts from random
/// nodes follow a failed final test; a walk that runs out reports the point as
/// not found (outside). A valid triangulation needs a small fraction of this.
///
/// A walk that passes a node of high degree crosses many of its triangles in
/// a row, and each crossing looks up a neighbour in that node's list: read
/// from the start every time, the walk costs the square of the degree and
/// would exhaust the budget on a valid fan. Past 2 * NADJ + 256 plain reads
/// the lists are memoised, so every list entry is read once per search and
/// the budget bounds the walk on any input without ever cutting short a walk
/// through a valid triangulation. Both ways give the first occurrence.
class WalkSteps {
public:
    WalkSteps(std::int32_t n, std::int32_t nadj)
        : budget_(8 * (std::int64_t{n > 0 ? n : 0} + (nadj > 0 ? nadj : 0)) + 1024),
          memo_after_(lookup_tuning::scan_before_memo >= 0 ? lookup_tuning::scan_before_memo
                                                           : 2 * std::int64_t{nadj > 0 ? nadj : 0} + 256) {}

    /// Spends one step; false once the budget is gone.
    bool spend() { return --budget_ >= 0; }

    /// Whether a crossing that reads `reads` list entries can be replayed:
    /// its step and its reads fit in the budget and its list would be read
    /// one by one (no memo yet, none due).
    bool can_replay(std::int64_t reads) const { return !memo_ && scanned_ < memo_after_ && budget_ >= 1 + reads; }
    /// Spends what such a crossing spends: its step and its reads.
    void replay(std::int64_t reads) {
        budget_ -= 1 + reads;
        scanned_ += reads;
    }

    /// Position of the first entry equal to v in node owner's list l
    /// (first..lastreal), read through adj(position); 0 when there is none,
    /// -1 when the budget ran out.
    template <class Adj>
    std::int64_t find_in_list(NodeNo owner, const List& l, NodeNo v, const Adj& adj, std::int64_t& reads) {
        reads = -1;  // set only when the list is read one by one
        if (!memo_ && !memo_failed_ && scanned_ >= memo_after_) {
            try {
                memo_ = std::make_unique<Memo>();
            } catch (const std::bad_alloc&) {
                memo_failed_ = true;
            }
        }
        if (memo_) {
            try {
                return find_memo(owner, l, v, adj);
            } catch (const std::bad_alloc&) {
                memo_.reset();  // chosen: without memory the lists are read from their start again
                memo_failed_ = true;
            }
        }
        // One step per entry read, up to the first v or the list's end:
        // spent at once, as many as reading them one by one would spend.
        std::int64_t p = l.first;
        while (adj(p) != v && p != l.lastreal) ++p;
        reads = p - l.first + 1;
        if (reads > budget_) {
            budget_ = -1;
            return -1;
        }
        budget_ -= reads;
        scanned_ += reads;
        return adj(p) == v ? p : 0;
    }

private:
    /// First positions of values in the lists read so far, and how far each
    /// list has been read.
    struct Memo {
        std::unordered_map<std::uint64_t, std::int64_t> first_pos;  // (owner, value) -> first position
        std::unordered_map<NodeNo, std::int64_t> scanned_to;         // owner -> last position read
        static std::uint64_t key(NodeNo owner, NodeNo value) {
            return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(owner)) << 32) |
                   static_cast<std::uint32_t>(value);
        }
    };

    template <class Adj>
    std::int64_t find_memo(NodeNo owner, const List& l, NodeNo v, const Adj& adj) {
        if (!spend()) return -1;
        const auto hit = memo_->first_pos.find(Memo::key(owner, v));
        if (hit != memo_->first_pos.end()) return hit->second;
        std::int64_t& read = memo_->scanned_to.try_emplace(owner, l.first - 1).first->second;
        while (read < l.lastreal) {
            if (!spend()) return -1;
            ++read;
            const NodeNo w = adj(read);
            memo_->first_pos.try_emplace(Memo::key(owner, w), read);  // keeps the first occurrence
            if (w == v) return read;
        }
        return 0;
    }

    std::int64_t budget_;
    std::int64_t memo_after_;
    std::int64_t scanned_ = 0;
    std::unique_ptr<Memo> memo_;
    bool memo_failed_ = false;
};

/// The walk. Packed: the arrays are contiguous (every stride 4 bytes), which
/// the compiler then knows; the steps are the same either way.
template <bool Packed>
class Walker {
public:
    Walker(const MeshView& m, double y, double z, const NodeNo* renumber = nullptr, WalkMemory* memory = nullptr)
        : m_(m), y_(y), z_(z), renumber_(renumber), memory_(memory), steps_(m.n, m.nadj) {}

    bool is_node(NodeNo j) const { return j >= 1 && j <= m_.n; }
    double Y(NodeNo j) const { return static_cast<double>(element<float>(m_.y, stride(m_.y_stride), j)); }
    double Z(NodeNo j) const { return static_cast<double>(element<float>(m_.z, stride(m_.z_stride), j)); }
    NodeNo adj(std::int64_t k) const { return element<NodeNo>(m_.iadj, stride(m_.iadj_stride), k); }

    /// P left of or on the directed edge a -> b (no tolerance).
    bool left_on(NodeNo a, NodeNo b) const {
        return (Y(b) - Y(a)) * (z_ - Z(a)) >= (Z(b) - Z(a)) * (y_ - Y(a));
    }

    /// Node j's list; false when ISTART or the list's end leave IADJ or the
    /// list holds no neighbour (a damaged triangulation).
    bool list_of(NodeNo j, List& l) const {
        std::int64_t first = element<std::int32_t>(m_.istart, stride(m_.istart_stride), j);
        std::int64_t last =
            j == m_.n ? m_.nadj
                      : std::int64_t{element<std::int32_t>(m_.istart, stride(m_.istart_stride), j + 1)} - 1;
        if (first < 1 || last > m_.nadj || last < first) return false;
        l.first = first;
        l.hull = adj(last) == 0;
        l.lastreal = l.hull ? last - 1 : last;
        return l.lastreal >= first;
    }

    WalkResult walk(NodeNo j0);

private:
    static std::int64_t stride(std::int64_t s) { return Packed ? 4 : s; }  // every element is 4 bytes
    bool spend() { return steps_.spend(); }
    WalkResult hop(NodeNo j0, NodeNo j1, NodeNo j2, bool& restart);
    void replay(NodeNo j0, NodeNo& j1, NodeNo& j2, NodeNo& j3);
    /// Appends a crossing the walk made to the memory; once a crossing cannot
    /// be kept (its list read through the memo), none after it is.
    void remember(NodeNo j0, NodeNo j1, NodeNo j2, NodeNo j4, std::int64_t reads, bool left) {
        if (reads < 0) {
            recording_ = false;
            return;
        }
        WalkMemory::Crossing& c = memory_->crossings.emplace_back();
        c.j1 = j1;
        c.j2 = j2;
        c.j4 = j4;
        c.reads = static_cast<std::int32_t>(reads);
        c.left = left;
        c.ey = Y(j2) - Y(j1);
        c.ez = Z(j2) - Z(j1);
        c.y1 = Y(j1);
        c.z1 = Z(j1);
        c.ay = Y(j4) - Y(j0);
        c.az = Z(j4) - Z(j0);
    }

    const MeshView& m_;
    double y_, z_;
    const NodeNo* renumber_;  // random start nodes pass through it (null: as drawn)
    WalkMemory* memory_;      // the last walk's crossings (null: none kept)
    bool recording_ = false;  // the crossings being made extend the memory
    WalkSteps steps_;
};

WalkResult bad(End e) {
    WalkResult r;
    r.end = e;
    return r;
}

WalkResult outside(NodeNo hull_node) {
    WalkResult r;
    r.end = End::Outside;
    r.hull_node = hull_node;
    return r;
}

template <bool Packed>
WalkResult Walker<Packed>::walk(NodeNo j0) {
    int random_restarts = 0;
    for (;;) {
        // Step 5: the list of j0, with first, last, hull, lastreal, jf and jl.
        if (!spend()) return bad(End::NotFound);
        if (!is_node(j0)) return bad(End::BadNode);
        List l;
        if (!list_of(j0, l)) return bad(End::BadNode);
        const NodeNo jf = adj(l.first);
        const NodeNo jl = adj(l.lastreal);
        if (!is_node(jf) || !is_node(jl)) return bad(End::BadNode);

        NodeNo j1 = jf, j2 = 0;
        std::int64_t k = l.first;  // position of j1 in j0's list
        bool right_of_jf = false;
        bool wedge = false;
        if (l.hull) {
            // Step 6: beyond either hull edge at j0, P is outside.
            if (!left_on(j0, jf) || !left_on(jl, j0)) return outside(jf);
        } else if (!left_on(j0, jf)) {
            // Step 7: an interior node with P right of j0 -> jf turns to the
            // first neighbour P is left of, or closes the wedge (jl, jf).
            right_of_jf = true;
            for (;;) {
                if (!spend()) return bad(End::NotFound);
                k = l.next(k);
                j1 = adj(k);
                if (!is_node(j1)) return bad(End::BadNode);
                if (k == l.lastreal) {
                    j1 = jl;
                    j2 = jf;
                    wedge = true;
                    break;
                }
                if (left_on(j0, j1)) break;
            }
        }
        if (!wedge) {
            // Step 8, wedge search: the first neighbour j2 after j1 with P strictly right of j0 -> j2.
            for (;;) {
                if (!spend()) return bad(End::NotFound);
                std::int64_t k2 = l.next(k);
                NodeNo n2 = adj(k2);
                if (!is_node(n2)) return bad(End::BadNode);
                if (!left_on(j0, n2)) {
                    j2 = n2;
                    wedge = true;
                    break;
                }
                j1 = n2;
                k = k2;
                if (k == l.lastreal) {
                    if (!l.hull && right_of_jf) {
                        j1 = jl;
                        j2 = jf;
                        wedge = true;
                    }
                    break;
                }
            }
        }
        if (wedge) {
            // Steps 11 and 12; a failed final test restarts from a random node.
            bool restart = false;
            WalkResult r = hop(j0, j1, j2, restart);
            if (!restart) return r;
            if (++random_restarts > 64) return bad(End::NotFound);
            j0 = random_node(m_.n, renumber_);
            continue;
        }
        // Step 9: P is left of or on every edge from j0: it is j0 itself, or
        // it lies behind a neighbour.
        if (y_ == Y(j0) && z_ == Z(j0)) {
            j0 = j1;
            continue;
        }
        // Step 10: restart from the first neighbour whose edge to j0 has P on
        // its right; none means every neighbour lies on one line through P.
        std::int64_t kk = l.lastreal;
        NodeNo next_j0 = 0;
        for (;;) {
            if (!spend()) return bad(End::NotFound);
            NodeNo jj = adj(kk);
            if (!is_node(jj)) return bad(End::BadNode);
            if (!left_on(jj, j0)) {
                next_j0 = jj;
                break;
            }
            kk = l.next(kk);
            if (kk == l.lastreal) break;
        }
        if (next_j0 == 0) {
            WalkResult r;
            r.end = End::Degenerate;
            return r;
        }
        j0 = next_j0;
    }
}

/// Takes the remembered crossings of the walk from j0 through (j1, j2) while
/// the point is beyond each edge and on the remembered side of each node
/// beyond; the first node on the other side is crossed to that side and ends
/// the replay. The memory then holds the crossings to come after the ones
/// the walk makes from here on: all of them when the point lies before the
/// edge reached (the walk makes no more), else those taken.
template <bool Packed>
void Walker<Packed>::replay(NodeNo j0, NodeNo& j1, NodeNo& j2, NodeNo& j3) {
    WalkMemory& m = *memory_;
    if (m.j0 != j0 || m.j1 != j1 || m.j2 != j2) {
        m.clear();
        m.j0 = j0;
        m.j1 = j1;
        m.j2 = j2;
        return;
    }
    // The state after s crossings follows from crossing s - 1 alone, so the
    // loop only tests; its branches go the same way until the replay ends.
    const double y0 = Y(j0), z0 = Z(j0);
    const std::size_t count = m.crossings.size();
    std::size_t s = 0;
    std::size_t keep = count;  // crossings left in the memory
    for (; s < count; ++s) {
        WalkMemory::Crossing& c = m.crossings[s];
        // left_on(j1, j2) as the walk computes it: no more crossings, and the memory stays whole
        if (c.ey * (z_ - c.z1) >= c.ez * (y_ - c.y1)) break;
        if (!steps_.can_replay(c.reads)) {
            keep = s;
            break;
        }
        steps_.replay(c.reads);
        const bool left = c.ay * (z_ - z0) >= c.az * (y_ - y0);  // left_on(j0, j4)
        if (left != c.left) {
            c.left = left;
            keep = ++s;
            break;
        }
    }
    if (s > 0) {
        const WalkMemory::Crossing& c = m.crossings[s - 1];
        j1 = c.left ? c.j4 : c.j1;
        j2 = c.left ? c.j2 : c.j4;
        j3 = c.left ? c.j1 : c.j2;
    }
    m.crossings.resize(keep);
}

/// Crosses edges from the wedge (j1, j2) of j0 towards P (step 11) and makes
/// the final test (step 12). restart: the final test failed, so the caller
/// starts over.
template <bool Packed>
WalkResult Walker<Packed>::hop(NodeNo j0, NodeNo j1, NodeNo j2, bool& restart) {
    NodeNo j3 = j0;
    recording_ = memory_ != nullptr;
    if (recording_) replay(j0, j1, j2, j3);
    while (!left_on(j1, j2)) {  // 11.1
        // 11.2: j1 in j2's list; a hull edge j1-j2 means P is outside.
        if (!spend()) return bad(End::NotFound);
        List l2;
        if (!list_of(j2, l2)) return bad(End::BadFarNode);
        std::int64_t reads = -1;
        const std::int64_t p = steps_.find_in_list(j2, l2, j1, [this](std::int64_t k) { return adj(k); }, reads);
        if (p < 0) return bad(End::NotFound);
        if (p == 0) return bad(End::BadFarNode);
        if (l2.hull && (p == l2.first || p == l2.lastreal)) return outside(j1);
        NodeNo j4 = adj(l2.next(p));  // 11.3: the vertex beyond the edge
        if (!is_node(j4)) return bad(End::BadFarNode);
        const bool left = left_on(j0, j4);  // 11.4
        if (recording_) remember(j0, j1, j2, j4, reads, left);
        // left: j4 replaces j1, else j2 (selected, not branched: the side is unforeseeable)
        j3 = left ? j1 : j2;
        j1 = left ? j4 : j1;
        j2 = left ? j2 : j4;
    }
    // Step 12, final test: doubled areas against an absolute tolerance.
    double b1 = (Y(j1) - Y(j3)) * (z_ - Z(j3)) - (y_ - Y(j3)) * (Z(j1) - Z(j3));
    double b2 = (z_ - Z(j2)) * (Y(j3) - Y(j2)) - (y_ - Y(j2)) * (Z(j3) - Z(j2));
    if (b1 >= -1.0E-6 && b2 >= -1.0E-6) {
        WalkResult r;
        r.end = End::Inside;
        r.t[0] = j1;
        r.t[1] = j2;
        r.t[2] = j3;
        return r;
    }
    restart = true;
    return {};
}

/// Hint test: the three numbers are nodes and P is left of or on each edge.
template <bool Packed>
bool in_triangle(const Walker<Packed>& w, NodeNo i1, NodeNo i2, NodeNo i3) {
    return w.is_node(i1) && w.is_node(i2) && w.is_node(i3) && w.left_on(i1, i2) && w.left_on(i2, i3) &&
           w.left_on(i3, i1);
}

/// Walks from j0, except that a point that is not finite lies in no triangle.
template <bool Packed>
WalkResult locate(Walker<Packed>& w, NodeNo j0, double y, double z) {
    if (!std::isfinite(y) || !std::isfinite(z)) return bad(End::NotFound);
    return w.walk(j0);
}

}  // namespace

MeshView MeshView::contiguous(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj,
                              const std::int32_t* istart, const float* y_col, const float* z_col) {
    MeshView m;
    m.n = n;
    m.nadj = nadj;
    m.y = reinterpret_cast<const char*>(y_col);
    m.z = reinterpret_cast<const char*>(z_col);
    m.iadj = reinterpret_cast<const char*>(iadj);
    m.istart = reinterpret_cast<const char*>(istart);
    return m;
}

namespace {

/// The triangle of an ended walk, or (-1, 0, 0) outside, or -3 on a node whose
/// neighbours all lie on one line through the point (I2, I3 kept).
void store_end(const WalkResult& r, std::int32_t& i1, std::int32_t& i2, std::int32_t& i3) {
    if (r.end == End::Inside) {
        i1 = r.t[0];
        i2 = r.t[1];
        i3 = r.t[2];
    } else if (r.end == End::Degenerate) {
        i1 = -3;
    } else {
        i1 = -1;
        i2 = 0;
        i3 = 0;
    }
}

}  // namespace

Status lookup_sgl_new(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj, const std::int32_t* istart,
                      const float* y_col, const float* z_col, double y, double z, std::int32_t& start,
                      std::int32_t& i1, std::int32_t& i2, std::int32_t& i3, std::int32_t& same,
                      const NodeNo* renumber, WalkMemory* memory) {
    const MeshView m = MeshView::contiguous(n, nadj, iadj, istart, y_col, z_col);
    Walker<true> w(m, y, z, renumber, memory);
    if (in_triangle(w, i1, i2, i3)) {  // step 2, the hint
        same = 1;
        start = i1;
        return Status::Ok;
    }
    same = 0;
    const NodeNo j0 = w.is_node(start) ? start : random_node(n, renumber);  // step 3
    const WalkResult r = locate(w, j0, y, z);
    if (r.end == End::BadNode) return Status::WalkNodeOutOfRange;
    if (r.end == End::BadFarNode) return Status::WalkFarNodeOutOfRange;
    if (r.end == End::Outside) start = r.hull_node;
    store_end(r, i1, i2, i3);
    return Status::Ok;
}

void find_triangle(const MeshView& mesh, double y, double z, std::int32_t& i1, std::int32_t& i2, std::int32_t& i3) {
    Walker<false> w(mesh, y, z);
    if (in_triangle(w, i1, i2, i3)) return;
    const NodeNo j0 = w.is_node(i1) ? i1 : random_node(mesh.n, nullptr);
    const WalkResult r = locate(w, j0, y, z);
    if (r.end != End::BadNode && r.end != End::BadFarNode) store_end(r, i1, i2, i3);  // damaged lists change nothing
}

NodeColumns node_columns(const float* nodes, std::int32_t n) {
    if (n < 1) return {nodes, nodes, nodes};
    return {nodes, nodes + n, nodes + 2 * static_cast<std::int64_t>(n)};
}

bool mark_outside(Status st, std::int32_t i1, double& x, double normal[3]) {
    if (st != Status::WalkNodeOutOfRange && st != Status::WalkFarNodeOutOfRange && i1 != -1) return false;
    x = kOutsideElevation;
    normal[0] = 1.0;
    normal[1] = 0.0;
    normal[2] = 0.0;
    return true;
}

}  // namespace seabed
