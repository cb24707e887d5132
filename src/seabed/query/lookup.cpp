#include "seabed/query/lookup.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/random.hpp"
#include "core/try_resize.hpp"
#include "seabed/triangulation/triangulation_arrays.hpp"

namespace seabed {
namespace {

template <class T>
T element(const char* base, std::int64_t stride, std::int64_t index) {
    T v;
    std::memcpy(&v, base + (index - 1) * stride, sizeof v);
    return v;
}

/// Start node drawn from the shared sequence: 1 + trunc((n - 1) * r).
NodeNo random_node(std::int32_t n) {
    float p = static_cast<float>(static_cast<std::int64_t>(n) - 1) * random_uniform();  // fp: product in float
    if (!(p >= 0.0f && p < 2147483648.0f)) return 0;  // no node (n < 1): reported as out of range
    return 1 + static_cast<NodeNo>(std::trunc(p));
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
          memo_after_(memo_threshold(nadj)) {}

    /// Plain list reads after which a search over lists of nadj entries memoises them.
    static std::int64_t memo_threshold(std::int32_t nadj) {
        return lookup_tuning::scan_before_memo >= 0 ? lookup_tuning::scan_before_memo
                                                    : 2 * std::int64_t{nadj > 0 ? nadj : 0} + 256;
    }

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
    /// -1 when the budget ran out. reads: the entries read when the list was
    /// read one by one, else -1.
    template <class Adj>
    std::int64_t find_in_list(NodeNo owner, const List& l, NodeNo v, const Adj& adj, std::int64_t& reads) {
        reads = -1;
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

/// The host's arrays as the search reads them: each element through its
/// address and the distance in bytes to the next (descriptors of any stride).
class StridedArrays {
public:
    explicit StridedArrays(const MeshView& m) : m_(m) {}
    std::int32_t n() const { return m_.n; }
    std::int32_t nadj() const { return m_.nadj; }
    double Y(NodeNo j) const { return static_cast<double>(element<float>(m_.y, m_.y_stride, j)); }
    double Z(NodeNo j) const { return static_cast<double>(element<float>(m_.z, m_.z_stride, j)); }
    NodeNo adj(std::int64_t k) const { return element<NodeNo>(m_.iadj, m_.iadj_stride, k); }
    std::int64_t list_start(NodeNo j) const { return element<std::int32_t>(m_.istart, m_.istart_stride, j); }
    /// The node a random draw of host node j names here.
    NodeNo drawn(NodeNo j) const { return j; }

    /// Node j's list; false when ISTART or the list's end leave IADJ or the
    /// list holds no neighbour (a damaged triangulation).
    bool list_of(NodeNo j, List& l) const {
        const std::int64_t first = list_start(j);
        const std::int64_t last = j == m_.n ? m_.nadj : list_start(j + 1) - 1;
        if (first < 1 || last > m_.nadj || last < first) return false;
        l.first = first;
        l.hull = adj(last) == 0;
        l.lastreal = l.hull ? last - 1 : last;
        return l.lastreal >= first;
    }

private:
    MeshView m_;
};

/// Plain contiguous host arrays, each given by its element 1.
class ContiguousArrays {
public:
    ContiguousArrays(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj, const std::int32_t* istart,
                     const float* y_col, const float* z_col, const NodeNo* renumber = nullptr)
        : n_(n), nadj_(nadj), iadj_(iadj), istart_(istart), y_(y_col), z_(z_col), renumber_(renumber) {}
    std::int32_t n() const { return n_; }
    std::int32_t nadj() const { return nadj_; }
    double Y(NodeNo j) const { return static_cast<double>(y_[j - 1]); }
    double Z(NodeNo j) const { return static_cast<double>(z_[j - 1]); }
    NodeNo adj(std::int64_t k) const { return iadj_[k - 1]; }
    NodeNo drawn(NodeNo j) const { return renumber_ != nullptr && j >= 1 && j <= n_ ? renumber_[j - 1] : j; }

    /// As StridedArrays::list_of.
    bool list_of(NodeNo j, List& l) const {
        const std::int64_t first = istart_[j - 1];
        const std::int64_t last = j == n_ ? nadj_ : std::int64_t{istart_[j]} - 1;
        if (first < 1 || last > nadj_ || last < first) return false;
        l.first = first;
        l.hull = adj(last) == 0;
        l.lastreal = l.hull ? last - 1 : last;
        return l.lastreal >= first;
    }

private:
    std::int32_t n_, nadj_;
    const std::int32_t* iadj_;
    const std::int32_t* istart_;
    const float* y_;
    const float* z_;
    const NodeNo* renumber_;  // entry k - 1: the number node k of the original has here (null: the original)
};

/// A PackedMesh as the search reads it.
class PackedArrays {
public:
    explicit PackedArrays(const PackedMesh& m) : m_(m), node_(m.node.data()), adj_(m.adj.data()) {}
    std::int32_t n() const { return m_.n; }
    std::int32_t nadj() const { return m_.nadj; }
    double Y(NodeNo j) const { return static_cast<double>(node_[j - 1].y); }
    double Z(NodeNo j) const { return static_cast<double>(node_[j - 1].z); }
    NodeNo adj(std::int64_t k) const { return adj_[k - 1]; }
    NodeNo drawn(NodeNo j) const { return j >= 1 && j <= m_.n ? m_.renumber[static_cast<std::size_t>(j) - 1] : j; }
    bool clean(NodeNo j) const { return m_.clean[static_cast<std::size_t>(j) - 1] != 0; }

    /// Position of the first v in list l, else its last position (as the
    /// one-by-one read stops). A short list is read eight entries at once:
    /// where v sits varies from search to search, and a loop that stops there
    /// leaves the processor guessing.
    std::int64_t first_of(const List& l, NodeNo v) const {
#if defined(__SSE2__)
        if (l.lastreal - l.first < 8) {
            // entries past the list's end (other lists', or the padding behind
            // the last) may hold v too: past the first v in the list, or
            // clamped to the list's end when it holds none
            const std::int32_t* p = adj_ + (l.first - 1);
            const __m128i key = _mm_set1_epi32(v);
            const auto hits = [&](const std::int32_t* q) {
                const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
                return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(e, key))));
            };
            const auto last = static_cast<int>(l.lastreal - l.first);
            const unsigned found = hits(p) | hits(p + 4) << 4 | 1u << 31;  // 31: none of the eight
            return l.first + std::min(std::countr_zero(found), last);
        }
#endif
        std::int64_t p = l.first;
        while (adj(p) != v && p != l.lastreal) ++p;
        return p;
    }

    /// As StridedArrays::list_of, from the bounds pack_mesh checked.
    bool list_of(NodeNo j, List& l) const {
        const PackedNode& p = node_[j - 1];
        if (p.first < 1) return false;
        l.first = p.first;
        l.hull = adj(p.last) == 0;
        l.lastreal = l.hull ? std::int64_t{p.last} - 1 : p.last;
        return l.lastreal >= l.first;
    }

private:
    const PackedMesh& m_;
    const PackedNode* node_;
    const std::int32_t* adj_;
};

/// 1 <= j <= n, in one comparison.
inline bool is_node_of(std::uint32_t n, NodeNo j) { return static_cast<std::uint32_t>(j) - 1u < n; }

/// P = (y, z) left of or on the directed edge a -> b of arrays A (no
/// tolerance): the orientation test of every form of the search.
template <class A>
bool left_of_edge(const A& arrays, double y, double z, NodeNo a, NodeNo b) {
    const double ya = arrays.Y(a), za = arrays.Z(a);
    return (arrays.Y(b) - ya) * (z - za) >= (arrays.Z(b) - za) * (y - ya);
}

/// The walk of steps 5 to 12 over arrays A.
template <class A>
class Walker {
public:
    Walker(const A& a, double y, double z, WalkMemory* memory = nullptr)
        : a_(a), y_(y), z_(z), steps_(a.n(), a.nadj()), nodes_(static_cast<std::uint32_t>(a.n() > 0 ? a.n() : 0)),
          memory_(memory) {}

    bool is_node(NodeNo j) const { return is_node_of(nodes_, j); }
    bool left_on(NodeNo a, NodeNo b) const { return left_of_edge(a_, y_, z_, a, b); }

    WalkResult walk(NodeNo j0);

private:
    /// left_on(j0, b) for one j0, with the differences from j0 to P taken once.
    struct FromNode {
        double y0, z0, dz, dy;
    };
    FromNode from(NodeNo j0) const {
        const double y0 = a_.Y(j0), z0 = a_.Z(j0);
        return {y0, z0, z_ - z0, y_ - y0};
    }
    bool left_on(const FromNode& f, NodeNo b) const { return (a_.Y(b) - f.y0) * f.dz >= (a_.Z(b) - f.z0) * f.dy; }

    bool spend() { return steps_.spend(); }
    WalkResult hop(NodeNo j0, const FromNode& f, NodeNo j1, NodeNo j2, bool& restart);
    void replay(NodeNo j0, const FromNode& f, NodeNo& j1, NodeNo& j2, NodeNo& j3);
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
        c.ey = a_.Y(j2) - a_.Y(j1);
        c.ez = a_.Z(j2) - a_.Z(j1);
        c.y1 = a_.Y(j1);
        c.z1 = a_.Z(j1);
        c.ay = a_.Y(j4) - a_.Y(j0);
        c.az = a_.Z(j4) - a_.Z(j0);
    }

    const A& a_;
    double y_, z_;
    WalkSteps steps_;
    std::uint32_t nodes_;     // n, or 0 when n < 1
    WalkMemory* memory_;      // the last walk's crossings (null: none kept)
    bool recording_ = false;  // the crossings being made extend the memory
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

template <class A>
WalkResult Walker<A>::walk(NodeNo j0) {
    int random_restarts = 0;
    for (;;) {
        // Step 5: the list of j0, with first, last, hull, lastreal, jf and jl.
        if (!spend()) return bad(End::NotFound);
        if (!is_node(j0)) return bad(End::BadNode);
        List l;
        if (!a_.list_of(j0, l)) return bad(End::BadNode);
        const NodeNo jf = a_.adj(l.first);
        const NodeNo jl = a_.adj(l.lastreal);
        if (!is_node(jf) || !is_node(jl)) return bad(End::BadNode);
        const FromNode f = from(j0);

        NodeNo j1 = jf, j2 = 0;
        std::int64_t k = l.first;  // position of j1 in j0's list
        bool right_of_jf = false;
        bool wedge = false;
        if (l.hull) {
            // Step 6: beyond either hull edge at j0, P is outside.
            if (!left_on(f, jf) || !left_on(jl, j0)) return outside(jf);
        } else if (!left_on(f, jf)) {
            // Step 7: an interior node with P right of j0 -> jf turns to the
            // first neighbour P is left of, or closes the wedge (jl, jf).
            right_of_jf = true;
            for (;;) {
                if (!spend()) return bad(End::NotFound);
                k = l.next(k);
                j1 = a_.adj(k);
                if (!is_node(j1)) return bad(End::BadNode);
                if (k == l.lastreal) {
                    j1 = jl;
                    j2 = jf;
                    wedge = true;
                    break;
                }
                if (left_on(f, j1)) break;
            }
        }
        if (!wedge) {
            // Step 8, wedge search: the first neighbour j2 after j1 with P strictly right of j0 -> j2.
            for (;;) {
                if (!spend()) return bad(End::NotFound);
                std::int64_t k2 = l.next(k);
                NodeNo n2 = a_.adj(k2);
                if (!is_node(n2)) return bad(End::BadNode);
                if (!left_on(f, n2)) {
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
            WalkResult r = hop(j0, f, j1, j2, restart);
            if (!restart) return r;
            if (++random_restarts > 64) return bad(End::NotFound);
            j0 = a_.drawn(random_node(a_.n()));
            continue;
        }
        // Step 9: P is left of or on every edge from j0: it is j0 itself, or
        // it lies behind a neighbour.
        if (y_ == f.y0 && z_ == f.z0) {
            j0 = j1;
            continue;
        }
        // Step 10: restart from the first neighbour whose edge to j0 has P on
        // its right; none means every neighbour lies on one line through P.
        std::int64_t kk = l.lastreal;
        NodeNo next_j0 = 0;
        for (;;) {
            if (!spend()) return bad(End::NotFound);
            NodeNo jj = a_.adj(kk);
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
template <class A>
void Walker<A>::replay(NodeNo j0, const FromNode& f, NodeNo& j1, NodeNo& j2, NodeNo& j3) {
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
        const bool left = c.ay * f.dz >= c.az * f.dy;  // left_on(f, j4)
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
template <class A>
WalkResult Walker<A>::hop(NodeNo j0, const FromNode& f, NodeNo j1, NodeNo j2, bool& restart) {
    NodeNo j3 = j0;
    recording_ = memory_ != nullptr;
    if (recording_) replay(j0, f, j1, j2, j3);
    while (!left_on(j1, j2)) {  // 11.1
        // 11.2: j1 in j2's list; a hull edge j1-j2 means P is outside.
        if (!spend()) return bad(End::NotFound);
        List l2;
        if (!a_.list_of(j2, l2)) return bad(End::BadFarNode);
        std::int64_t reads = -1;
        const std::int64_t p =
            steps_.find_in_list(j2, l2, j1, [this](std::int64_t k) { return a_.adj(k); }, reads);
        if (p < 0) return bad(End::NotFound);
        if (p == 0) return bad(End::BadFarNode);
        if (l2.hull && (p == l2.first || p == l2.lastreal)) return outside(j1);
        NodeNo j4 = a_.adj(l2.next(p));  // 11.3: the vertex beyond the edge
        if (!is_node(j4)) return bad(End::BadFarNode);
        const bool left = left_on(f, j4);  // 11.4
        if (recording_) remember(j0, j1, j2, j4, reads, left);
        // left: j4 replaces j1, else j2 (selected, not branched: the side is unforeseeable)
        j3 = left ? j1 : j2;
        j1 = left ? j4 : j1;
        j2 = left ? j2 : j4;
    }
    // Step 12, final test: doubled areas against an absolute tolerance.
    const double y1 = a_.Y(j1), z1 = a_.Z(j1), y2 = a_.Y(j2), z2 = a_.Z(j2), y3 = a_.Y(j3), z3 = a_.Z(j3);
    double b1 = (y1 - y3) * (z_ - z3) - (y_ - y3) * (z1 - z3);
    double b2 = (z_ - z2) * (y3 - y2) - (y_ - y2) * (z3 - z2);
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

/// Steps a quick walk may spend: below the least budget of WalkSteps (1024)
/// and below the reads after which it memoises lists (at least 256).
constexpr std::int64_t kQuickSteps = 256;

/// The walk of Walker::walk from j0 to P = (y, z) in its common course: j0
/// and every node it reaches have intact lists, P lies within the hull, the
/// wedge at j0 leads across at most a few edges to a triangle that passes
/// the final test, and fewer than kQuickSteps steps are spent, so that the
/// budget and the memo of WalkSteps play no part. It makes the walk's tests
/// in the walk's order with the walk's arithmetic; where the walk would go
/// another way (an outside point, a damaged list, step 9 or 10, a restart)
/// it gives up before anything that the walk would do differently: false,
/// and the caller runs the walk itself. Short and free of the walk's
/// bookkeeping, it keeps everything in registers.
template <class A>
bool quick_walk(const A& a, double y, double z, NodeNo j0, NodeNo t[3]) {
    const auto n = static_cast<std::uint32_t>(a.n());
    const auto is_node = [n](NodeNo j) { return is_node_of(n, j); };
    const auto Y = [&a](NodeNo j) { return a.Y(j); };
    const auto Z = [&a](NodeNo j) { return a.Z(j); };
    if (!std::isfinite(y) || !std::isfinite(z) || !is_node(j0)) return false;
    List l;
    if (!a.list_of(j0, l)) return false;
    const NodeNo jf = a.adj(l.first), jl = a.adj(l.lastreal);
    if (!is_node(jf) || !is_node(jl)) return false;
    const double y0 = Y(j0), z0 = Z(j0), dz = z - z0, dy = y - y0;
    const auto left_of_j0 = [&](NodeNo b) { return (Y(b) - y0) * dz >= (Z(b) - z0) * dy; };
    const auto left_on = [&](NodeNo p, NodeNo q) { return left_of_edge(a, y, z, p, q); };
    // Steps 7 and 8 test neighbours in list order until one answers; the
    // answers are the same whether asked one by one or all at once (bit i:
    // P left of or on j0 -> the neighbour at position first + i), and
    // asking them all at once spares the processor a guess at where the
    // walk stops.
    const std::int64_t degree = l.lastreal - l.first + 1;
    if (degree < 2 || degree > 63) return false;  // lists that fit the bits, with a wedge to read below
    if (!a.clean(j0)) return false;
    std::uint64_t lefts = 0;  // filled from the last position, so that each answer is one shift and an or
    for (std::int64_t i = degree - 1; i >= 0; --i) lefts = lefts << 1 | std::uint64_t{left_of_j0(a.adj(l.first + i))};
    const std::uint64_t all = (std::uint64_t{1} << degree) - 1;
    const auto at = [&](int i) { return a.adj(l.first + i); };
    if (l.hull && ((lefts & 1) == 0 || !left_on(jl, j0))) return false;  // step 6: outside
    // Step 8 searches from position 0 when P is left of or on j0 -> jf (on
    // the hull it always is by now), else from step 7's turn, the first
    // neighbour P is left of (the last one closes the wedge instead, as does
    // no turn): either way from the first neighbour P is left of or on. The
    // wedge is at the first later position with P strictly right, or, with
    // none, (jl, jf). Which case applies is as unforeseeable as the side of
    // P, so the answer is worked out by bit arithmetic, not branched to.
    const std::uint64_t from = lefts & (0 - lefts);  // as a bit (0: none)
    const std::uint64_t right = ~lefts & all & ~(from - 1);
    if ((right | (~lefts & 1)) == 0) return false;  // steps 9 and 10: P left of or on every edge from j0
    // the first bit of right, else (no bit: 63, as degree < 64) any position of a wedge in the list
    const int i = std::min(std::countr_zero(right | std::uint64_t{1} << 63), static_cast<int>(degree) - 1);
    const NodeNo a1 = at(i - 1), a2 = at(i);
    NodeNo j1 = right != 0 ? a1 : jl;
    NodeNo j2 = right != 0 ? a2 : jf;
    std::int64_t steps = 1 + degree;  // at most
    NodeNo j3 = j0;
    while (!left_on(j1, j2)) {  // step 11
        List l2;
        if (!a.list_of(j2, l2)) return false;
        const std::int64_t p = a.first_of(l2, j1);
        steps += 1 + (p - l2.first + 1);
        if (steps >= kQuickSteps || a.adj(p) != j1) return false;
        if (l2.hull && (p == l2.first || p == l2.lastreal)) return false;  // outside
        const NodeNo j4 = a.adj(l2.next(p));
        if (!is_node(j4)) return false;
        const bool left = left_of_j0(j4);
        j3 = left ? j1 : j2;
        j1 = left ? j4 : j1;
        j2 = left ? j2 : j4;
    }
    // step 12
    const double y1 = Y(j1), z1 = Z(j1), y2 = Y(j2), z2 = Z(j2), y3 = Y(j3), z3 = Z(j3);
    const double b1 = (y1 - y3) * (z - z3) - (y - y3) * (z1 - z3);
    const double b2 = (z - z2) * (y3 - y2) - (y - y2) * (z3 - z2);
    if (!(b1 >= -1.0E-6 && b2 >= -1.0E-6)) return false;  // a restart from a random node
    t[0] = j1;
    t[1] = j2;
    t[2] = j3;
    return true;
}

/// Hint test: the three numbers are nodes and P = (y, z) is left of or on
/// each edge (no Walker: a search that ends here never needs its step budget).
template <class A>
bool in_triangle(const A& a, double y, double z, NodeNo i1, NodeNo i2, NodeNo i3) {
    const auto n = static_cast<std::uint32_t>(a.n() > 0 ? a.n() : 0);
    return is_node_of(n, i1) && is_node_of(n, i2) && is_node_of(n, i3) && left_of_edge(a, y, z, i1, i2) &&
           left_of_edge(a, y, z, i2, i3) && left_of_edge(a, y, z, i3, i1);
}

/// Walks from j0, except that a point that is not finite lies in no triangle.
template <class A>
WalkResult locate(Walker<A>& w, NodeNo j0, double y, double z) {
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

namespace {

/// Steps 2 to 12 of the search over arrays A.
template <class A>
Status lookup(const A& a, double y, double z, std::int32_t& start, std::int32_t& i1, std::int32_t& i2,
              std::int32_t& i3, std::int32_t& same, WalkMemory* memory = nullptr) {
    if (in_triangle(a, y, z, i1, i2, i3)) {  // step 2, the hint
        same = 1;
        start = i1;
        return Status::Ok;
    }
    same = 0;
    if constexpr (std::is_same_v<A, PackedArrays>) {
        NodeNo t[3];
        if (lookup_tuning::quick_walk && memory == nullptr && WalkSteps::memo_threshold(a.nadj()) >= kQuickSteps &&
            quick_walk(a, y, z, start, t)) {
            i1 = t[0];
            i2 = t[1];
            i3 = t[2];
            return Status::Ok;
        }
    }
    Walker<A> w(a, y, z, memory);
    const NodeNo j0 = w.is_node(start) ? start : a.drawn(random_node(a.n()));  // step 3
    const WalkResult r = locate(w, j0, y, z);
    if (r.end == End::BadNode) return Status::WalkNodeOutOfRange;
    if (r.end == End::BadFarNode) return Status::WalkFarNodeOutOfRange;
    if (r.end == End::Outside) start = r.hull_node;
    store_end(r, i1, i2, i3);
    return Status::Ok;
}

}  // namespace

Status lookup_sgl_new(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj, const std::int32_t* istart,
                      const float* y_col, const float* z_col, double y, double z, std::int32_t& start,
                      std::int32_t& i1, std::int32_t& i2, std::int32_t& i3, std::int32_t& same,
                      const NodeNo* renumber, WalkMemory* memory) {
    return lookup(ContiguousArrays(n, nadj, iadj, istart, y_col, z_col, renumber), y, z, start, i1, i2, i3, same,
                  memory);
}

Status lookup_sgl_new(const PackedMesh& mesh, double y, double z, std::int32_t& start, std::int32_t& i1,
                      std::int32_t& i2, std::int32_t& i3, std::int32_t& same) {
    return lookup(PackedArrays(mesh), y, z, start, i1, i2, i3, same);
}

void find_triangle(const MeshView& mesh, double y, double z, std::int32_t& i1, std::int32_t& i2, std::int32_t& i3) {
    const StridedArrays a(mesh);
    if (in_triangle(a, y, z, i1, i2, i3)) return;
    Walker<StridedArrays> w(a, y, z);
    const NodeNo j0 = w.is_node(i1) ? i1 : random_node(mesh.n);
    const WalkResult r = locate(w, j0, y, z);
    if (r.end != End::BadNode && r.end != End::BadFarNode) store_end(r, i1, i2, i3);  // damaged lists change nothing
}

bool pack_mesh(std::int32_t n, std::int32_t nadj, const float* nodes, const std::int32_t* iadj,
               const std::int32_t* istart, const float* gradients, const std::vector<std::int32_t>& order,
               PackedMesh& mesh) {
    if (n < 1 || nadj < 0 || order.size() != static_cast<std::size_t>(n)) return false;
    const auto [x_col, y_col, z_col] = node_columns(nodes, n);
    mesh.n = n;
    mesh.nadj = nadj;
    if (!try_resize_large(mesh.renumber, n, 0)) return false;
    for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t j = order[static_cast<std::size_t>(k)];
        if (j < 1 || j > n || mesh.renumber[static_cast<std::size_t>(j) - 1] != 0) return false;  // no permutation
        mesh.renumber[static_cast<std::size_t>(j) - 1] = k + 1;
    }
    // Records in host order (the host's arrays read front to back): the
    // bounds StridedArrays::list_of checks, a list that fails them left empty
    // (first 0), and the length of each list in `last` for now.
    if (!try_resize_large(mesh.node, n) || !try_resize_large(mesh.value, n)) return false;
    std::int64_t total = 0;
    for (std::int32_t j = 1; j <= n; ++j) {
        const std::size_t h = static_cast<std::size_t>(j) - 1;
        const std::size_t k = static_cast<std::size_t>(mesh.renumber[h]) - 1;
        PackedNode& p = mesh.node[k];
        p.y = y_col[h];
        p.z = z_col[h];
        PackedValues& v = mesh.value[k];
        v.x = x_col[h];
        v.gy = gradients ? gradients[2 * h] : 0.0f;
        v.gz = gradients ? gradients[2 * h + 1] : 0.0f;
        v.host = j;
        const std::int64_t first = istart[h];
        const std::int64_t last = j == n ? nadj : std::int64_t{istart[h + 1]} - 1;
        const bool ok = first >= 1 && last <= nadj && last >= first;
        p.first = ok ? 1 : 0;
        p.last = ok ? static_cast<std::int32_t>(last - first + 1) : -1;
        total += ok ? last - first + 1 : 0;
    }
    if (total > nadj) return false;  // lists that overlap
    // positions in packed order
    std::int32_t at = 1;
    for (PackedNode& p : mesh.node) {
        if (p.first == 0) continue;
        const std::int32_t length = p.last;
        p.first = at;
        p.last = at + length - 1;
        at += length;
    }
    // clean: read once here rather than by every search that starts at the node
    if (!try_resize_large(mesh.adj, total + kAdjPadding) || !try_resize_large(mesh.clean, n, std::uint8_t{0}))
        return false;
    for (std::int32_t j = 1; j <= n; ++j) {
        const std::size_t k = static_cast<std::size_t>(mesh.renumber[static_cast<std::size_t>(j) - 1]) - 1;
        const PackedNode& p = mesh.node[k];
        if (p.first == 0) continue;
        const std::int32_t* list = iadj + istart[static_cast<std::size_t>(j) - 1] - 1;
        std::int32_t* out = mesh.adj.data() + p.first - 1;
        const std::int64_t length = p.last - p.first + 1;
        for (std::int64_t q = 0; q < length; ++q) {
            const std::int32_t v = list[q];
            out[q] = v >= 1 && v <= n ? mesh.renumber[static_cast<std::size_t>(v) - 1] : v == 0 ? 0 : -1;
        }
        const std::int64_t real = out[length - 1] == 0 ? length - 1 : length;  // a hull list's closing 0 aside
        bool named = real >= 1;
        for (std::int64_t q = 0; q < real; ++q) named &= out[q] >= 1;
        mesh.clean[k] = named ? 1 : 0;
    }
    return true;
}

NodeColumns node_columns(const float* nodes, std::int32_t n) {
    if (n < 1) return {nodes, nodes, nodes};
    return {nodes, nodes + n, nodes + 2 * static_cast<std::int64_t>(n)};
}

}  // namespace seabed
