#include "seabed/surface/node_cells.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>
#include <new>
#include <typeinfo>
#include <vector>

#include "core/library_state.hpp"
#include "core/try_resize.hpp"

namespace seabed {
namespace {

// Cells for the duplicate tests. Both tests accept only pairs whose true
// coordinate differences are at most their tolerance times (1 + 2^-23) (a
// float or double difference that rounds to at most tol is that close), so
// with cells four tolerances wide such a pair lies in the same or adjacent
// cells in both axes, and in the cell below only when the point sits in the
// lowest quarter of its cell (above: the highest quarter). Cell numbers are
// clamped to +-2^40, which merges far cells but never separates near ones,
// and keeps the quotient's rounding below 2^-13 of a cell, far inside the
// margins used here. A coordinate that is not finite never passes either
// test (its difference is infinite or not a number), so such points are left
// out.

constexpr double kCellClamp = 1099511627776.0;  // 2^40
constexpr double kCellsPerTolerance = 0.25;
constexpr double kNearLow = 0.26;   // a quarter of a cell, and a margin for rounding
constexpr double kNearHigh = 0.74;

struct CellKey {
    std::int64_t a, b;
    bool operator==(const CellKey&) const = default;
};

struct CellHash {
    std::size_t operator()(const CellKey& k) const {
        std::uint64_t h = static_cast<std::uint64_t>(k.a) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<std::uint64_t>(k.b) + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

/// First point of each cell: open addressing with linear probing in one
/// array, so a lookup is one or two cache lines instead of a node chase.
/// Kept at most half full. Throws std::bad_alloc like the containers it
/// replaces; every user catches it.
class CellHeads {
public:
    void reserve(std::size_t count) {
        std::size_t capacity = 16;
        while (capacity < 2 * count) capacity *= 2;
        if (capacity > slots_.size()) rehash(capacity);
    }
    /// The head of cell key, or null when the cell is empty.
    std::int32_t* find(const CellKey& key) {
        if (slots_.empty()) return nullptr;
        for (std::size_t i = CellHash{}(key) & mask_;; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.id < 0) return nullptr;
            if (s.key == key) return &s.id;
        }
    }
    const std::int32_t* find(const CellKey& key) const { return const_cast<CellHeads*>(this)->find(key); }
    /// Makes id the head of an empty cell and returns null; for a cell that
    /// has one, returns its head and changes nothing.
    std::int32_t* try_emplace(const CellKey& key, std::int32_t id) {
        if (2 * (used_ + 1) > slots_.size()) rehash(std::max<std::size_t>(16, 2 * slots_.size()));
        for (std::size_t i = CellHash{}(key) & mask_;; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.id < 0) {
                s = Slot{key, id};
                ++used_;
                return nullptr;
            }
            if (s.key == key) return &s.id;
        }
    }

private:
    struct Slot {
        CellKey key{0, 0};
        std::int32_t id = -1;  // -1: empty
    };
    void rehash(std::size_t capacity) {
        std::vector<Slot> old(capacity);
        old.swap(slots_);
        mask_ = capacity - 1;
        used_ = 0;
        for (const Slot& s : old)
            if (s.id >= 0) try_emplace(s.key, s.id);
    }
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
};

/// Cell number of v, and which neighbouring cells (-1, +1) may hold a point
/// within the tolerance of it. False for a value that is not finite.
bool cell_of(double v, double width, std::int64_t& cell, bool& low, bool& high) {
    if (!std::isfinite(v)) return false;
    const double q = v / width;
    const double f = std::floor(q);
    const double c = std::clamp(f, -kCellClamp, kCellClamp);
    cell = static_cast<std::int64_t>(c);
    const bool clamped = c != f || std::fabs(q) >= kCellClamp;
    low = clamped || q - f < kNearLow;
    high = clamped || q - f > kNearHigh;
    return true;
}

/// Points by cell: a block added at once, sorted by cell, and chains of
/// point numbers per cell for points added one at a time (newest first; -1
/// ends a chain).
struct CellChains {
    explicit CellChains(double cell_width) : width(cell_width) {}
    struct Entry {
        CellKey key;
        std::int32_t id;
    };
    static bool before(const Entry& e, const CellKey& k) { return e.key.a < k.a || (e.key.a == k.a && e.key.b < k.b); }
    double width;
    std::vector<Entry> block;
    CellHeads head;
    std::vector<std::int32_t> next;

    /// Adds points 0..count-1 of y, z as the sorted block.
    void add_block(const float* y, const float* z, std::int32_t count) {
        if (!try_reserve_large(block, count)) throw std::bad_alloc();
        for (std::int32_t id = 0; id < count; ++id) {
            std::int64_t cy = 0, cz = 0;
            bool lo = false, hi = false;
            if (cell_of(y[id], width, cy, lo, hi) && cell_of(z[id], width, cz, lo, hi))
                block.push_back(Entry{CellKey{cy, cz}, id});
        }
        // A sub-node grid arrives row by row, which is mostly in cell order
        // already. (Points of one cell may come in any order: a search only
        // asks whether any of them is near.)
        const auto by_cell = [](const Entry& a, const Entry& b) { return before(a, b.key); };
        if (!std::is_sorted(block.begin(), block.end(), by_cell)) std::sort(block.begin(), block.end(), by_cell);
    }

    /// Calls visit(j) for the points of the cells that may hold a point near
    /// (y, z), own cell first, until it returns true.
    template <class Visit>
    bool any_near(double y, double z, Visit visit) const {
        std::int64_t cy = 0, cz = 0;
        bool ylow = false, yhigh = false, zlow = false, zhigh = false;
        if (!cell_of(y, width, cy, ylow, yhigh) || !cell_of(z, width, cz, zlow, zhigh)) return false;
        for (const std::int64_t dy : {0, -1, 1}) {
            if ((dy < 0 && !ylow) || (dy > 0 && !yhigh)) continue;
            for (const std::int64_t dz : {0, -1, 1}) {
                if ((dz < 0 && !zlow) || (dz > 0 && !zhigh)) continue;
                const CellKey key{cy + dy, cz + dz};
                for (auto e = std::lower_bound(block.begin(), block.end(), key, before);
                     e != block.end() && e->key == key; ++e)
                    if (visit(e->id)) return true;
                const std::int32_t* first = head.find(key);
                if (!first) continue;
                for (std::int32_t j = *first; j >= 0; j = next[static_cast<std::size_t>(j)])
                    if (visit(j)) return true;
            }
        }
        return false;
    }
    /// Adds point id (ids arrive as 0, 1, 2, ...).
    void add(std::int32_t id, double y, double z) {
        if (next.size() <= static_cast<std::size_t>(id)) next.resize(static_cast<std::size_t>(id) + 1, -1);
        std::int64_t cy = 0, cz = 0;
        bool unused_low = false, unused_high = false;
        if (!cell_of(y, width, cy, unused_low, unused_high) || !cell_of(z, width, cz, unused_low, unused_high)) return;
        if (std::int32_t* first = head.try_emplace(CellKey{cy, cz}, id)) {
            next[static_cast<std::size_t>(id)] = *first;
            *first = id;
        }
    }
};

/// The duplicate decisions of n nodes (keep[i] = 0: some node before i
/// equals it) through a grid of coarse cells, each 2^s cells wide, with s the
/// least that makes about two coarse cells a node: the nodes in cell order
/// (counting sort), and every node compared with the nodes before it in the
/// nine coarse cells around its own, which hold every node within the
/// tolerance (neighbouring cells lie in the same or neighbouring coarse
/// cells). False, deciding nothing, when the coarse cells hold so many nodes
/// each that the comparisons would cost more than the hash table's (nodes
/// far from the others stretch the grid). Throws std::bad_alloc.
bool duplicates_by_coarse_cells(const Node* v, std::int32_t n, double width, std::vector<char>& keep) {
    const std::size_t un = static_cast<std::size_t>(n);
    std::int64_t amin = 0, amax = 0, bmin = 0, bmax = 0;
    bool any = false;
    for (std::size_t i = 0; i < un; ++i) {
        std::int64_t a = 0, b = 0;
        bool lo = false, hi = false;
        if (!cell_of(v[i].y, width, a, lo, hi) || !cell_of(v[i].z, width, b, lo, hi)) continue;
        amin = any ? std::min(amin, a) : a;
        amax = any ? std::max(amax, a) : a;
        bmin = any ? std::min(bmin, b) : b;
        bmax = any ? std::max(bmax, b) : b;
        any = true;
    }
    if (!any) return true;
    const float tol = library_state().node_tolerance;
    auto close = [tol](const Node& p, const Node& q) {  // compare_node, with the tolerance read once
        return std::fabs(p.y - q.y) <= tol && std::fabs(p.z - q.z) <= tol;
    };
    // cell numbers lie within +-2^40, so their differences and the counts below fit
    const std::uint64_t ra = static_cast<std::uint64_t>(amax - amin), rb = static_cast<std::uint64_t>(bmax - bmin);
    const std::uint64_t limit = 2 * static_cast<std::uint64_t>(n) + 16;
    int shift = 0;
    auto too_many = [&](int k) {  // more than limit coarse cells 2^k wide, without overflowing
        const std::uint64_t x = (ra >> k) + 1, y = (rb >> k) + 1;
        return x > limit || y > limit / x;
    };
    while (too_many(shift)) ++shift;
    const std::uint64_t na = (ra >> shift) + 1, nb = (rb >> shift) + 1;
    const std::size_t cells = static_cast<std::size_t>(na * nb);
    constexpr std::uint32_t kNone = UINT32_MAX;  // a node with a coordinate that is not finite
    // the arrays below are written whole at once: on huge pages where the system gives them
    std::vector<std::uint32_t> coarse = large_vector<std::uint32_t>(n);
    std::vector<std::int32_t> first = large_vector<std::int32_t>(static_cast<std::int64_t>(cells) + 1);
    for (std::size_t i = 0; i < un; ++i) {
        std::int64_t a = 0, b = 0;
        bool lo = false, hi = false;
        if (!cell_of(v[i].y, width, a, lo, hi) || !cell_of(v[i].z, width, b, lo, hi)) {
            coarse[i] = kNone;
            continue;
        }
        coarse[i] = static_cast<std::uint32_t>((static_cast<std::uint64_t>(a - amin) >> shift) * nb +
                                               (static_cast<std::uint64_t>(b - bmin) >> shift));
        ++first[coarse[i] + 1];
    }
    std::uint64_t work = 0;
    for (std::size_t c = 1; c <= cells; ++c) work += static_cast<std::uint64_t>(first[c]) * first[c];
    if (work > 16 * static_cast<std::uint64_t>(n) + 4096) return false;
    for (std::size_t c = 1; c <= cells; ++c) first[c] += first[c - 1];
    const std::size_t stored = static_cast<std::size_t>(first[cells]);
    std::vector<std::int32_t> id = large_vector<std::int32_t>(static_cast<std::int64_t>(stored));
    std::vector<Node> node = large_vector<Node>(static_cast<std::int64_t>(stored));
    {
        std::vector<std::int32_t> next = large_vector<std::int32_t>(static_cast<std::int64_t>(cells));
        std::copy(first.begin(), first.end() - 1, next.begin());
        for (std::size_t i = 0; i < un; ++i) {
            if (coarse[i] == kNone) continue;
            const std::size_t slot = static_cast<std::size_t>(next[coarse[i]]++);
            id[slot] = static_cast<std::int32_t>(i);  // in node order within a cell
            node[slot] = v[i];
        }
    }
    for (std::uint64_t a = 0; a < na; ++a) {
        for (std::uint64_t b = 0; b < nb; ++b) {
            const std::size_t c = static_cast<std::size_t>(a * nb + b);
            for (std::int32_t s = first[c]; s < first[c + 1]; ++s) {
                const std::int32_t me = id[static_cast<std::size_t>(s)];
                const Node& p = node[static_cast<std::size_t>(s)];
                bool equal = false;
                for (std::uint64_t a2 = a > 0 ? a - 1 : 0; a2 <= a + 1 && a2 < na && !equal; ++a2) {
                    const std::size_t row = static_cast<std::size_t>(a2 * nb);
                    const std::size_t lo = row + static_cast<std::size_t>(b > 0 ? b - 1 : 0);
                    const std::size_t hi = row + static_cast<std::size_t>(std::min(b + 1, nb - 1));
                    for (std::int32_t q = first[lo]; q < first[hi + 1]; ++q)
                        if (id[static_cast<std::size_t>(q)] < me && close(p, node[static_cast<std::size_t>(q)])) {
                            equal = true;
                            break;
                        }
                }
                if (equal) keep[static_cast<std::size_t>(me)] = 0;
            }
        }
    }
    return true;
}

}  // namespace

void remove_duplicate_nodes(NodeList& list) {
    const std::int32_t n = list.length();
    const float tol = library_state().node_tolerance;
    // a derived list may redefine the operation, and a tolerance that is no
    // positive normal float has no usable cell width: both take the list's own way
    if (n < 2 || typeid(list) != typeid(NodeList) || !(tol >= FLT_MIN && tol <= 1.0e30f)) {
        list.remove_duplicates();
        return;
    }
    try {
        std::vector<char> keep(static_cast<std::size_t>(n), 1);
        const Node* v = list.data();
        // Node i goes exactly when some node before it equals it, removed or
        // not: the backward scan sees nodes 1..i-1 all still in place.
        const double width = static_cast<double>(tol) / kCellsPerTolerance;
        if (!node_cells_tuning::coarse || !duplicates_by_coarse_cells(v, n, width, keep)) {
            CellChains cells(width);
            cells.next.assign(static_cast<std::size_t>(n), -1);
            cells.head.reserve(static_cast<std::size_t>(n));
            for (std::int32_t i = 0; i < n; ++i) {
                const Node a = v[i];
                if (cells.any_near(a.y, a.z, [&](std::int32_t j) { return compare_node(a, v[j]); }))
                    keep[static_cast<std::size_t>(i)] = 0;
                cells.add(i, a.y, a.z);
            }
        }
        Node* w = list.data();
        std::int32_t out = 0;
        for (std::int32_t i = 0; i < n; ++i)
            if (keep[static_cast<std::size_t>(i)]) w[out++] = w[i];
        list.remove(out + 1, n - out);
    } catch (const std::bad_alloc&) {
        list.remove_duplicates();
    }
}

struct SubnodeIndex::Cells : CellChains {
    using CellChains::CellChains;
};

SubnodeIndex::SubnodeIndex(const float* y, const float* z, double tol) : y_(y), z_(z), tol_(tol) {
    // a tolerance that is no positive normal number has no usable cell width
    if (tol >= static_cast<double>(FLT_MIN) && tol <= 1.0e30) {
        try {
            cells_ = std::make_unique<Cells>(tol / kCellsPerTolerance);
        } catch (const std::bad_alloc&) {
            cells_.reset();
        }
    }
}

SubnodeIndex::~SubnodeIndex() = default;

void SubnodeIndex::add(std::int32_t id) {
    count_ = std::max(count_, id + 1);
    if (!cells_) return;
    try {
        cells_->add(id, y_[id], z_[id]);
    } catch (const std::bad_alloc&) {
        cells_.reset();  // the scan needs nothing but the points themselves
    }
}

void SubnodeIndex::add_first(std::int32_t count) {
    count_ = std::max(count_, count);
    if (!cells_) return;
    try {
        cells_->add_block(y_, z_, count);
    } catch (const std::bad_alloc&) {
        cells_.reset();
    }
}

bool SubnodeIndex::scan(const float* y, const float* z, std::int32_t count, double tol, float py, float pz) {
    for (std::int32_t j = 0; j < count; ++j)
        if (std::fabs(static_cast<double>(y[j]) - static_cast<double>(py)) < tol &&
            std::fabs(static_cast<double>(z[j]) - static_cast<double>(pz)) < tol)
            return true;
    return false;
}

bool SubnodeIndex::has_close(float py, float pz) const {
    if (!cells_) return scan(y_, z_, count_, tol_, py, pz);
    return cells_->any_near(py, pz, [&](std::int32_t j) {
        return std::fabs(static_cast<double>(y_[j]) - static_cast<double>(py)) < tol_ &&
               std::fabs(static_cast<double>(z_[j]) - static_cast<double>(pz)) < tol_;
    });
}

}  // namespace seabed
