#include "seabed/surface/generate_3d.hpp"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "core/library_state.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/surface/gradients.hpp"
#include "seabed/triangulation/supplements.hpp"
#include "seabed/triangulation/triangulation.hpp"

namespace seabed {
namespace {

constexpr std::int32_t kSeabed3D = 2;

// ---------------------------------------------------------------------------
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
    explicit CellChains(double width) : width(width) {}
    struct Entry {
        CellKey key;
        std::int32_t id;
    };
    static bool before(const Entry& e, const CellKey& k) { return e.key.a < k.a || (e.key.a == k.a && e.key.b < k.b); }
    double width;
    std::vector<Entry> block;
    std::unordered_map<CellKey, std::int32_t, CellHash> head;
    std::vector<std::int32_t> next;

    /// Adds points 0..count-1 of y, z as the sorted block.
    void add_block(const float* y, const float* z, std::int32_t count) {
        block.reserve(static_cast<std::size_t>(count));
        for (std::int32_t id = 0; id < count; ++id) {
            std::int64_t cy = 0, cz = 0;
            bool lo = false, hi = false;
            if (cell_of(y[id], width, cy, lo, hi) && cell_of(z[id], width, cz, lo, hi))
                block.push_back(Entry{CellKey{cy, cz}, id});
        }
        std::sort(block.begin(), block.end(), [](const Entry& a, const Entry& b) { return before(a, b.key); });
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
                auto it = head.find(key);
                if (it == head.end()) continue;
                for (std::int32_t j = it->second; j >= 0; j = next[static_cast<std::size_t>(j)])
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
        auto [it, fresh] = head.try_emplace(CellKey{cy, cz}, id);
        if (!fresh) {
            next[static_cast<std::size_t>(id)] = it->second;
            it->second = id;
        }
    }
};

// ---------------------------------------------------------------------------
// Writing.

/// Streams one block of 4-byte values from record on, whole records per
/// write through a buffer; the block after it starts block_records(count)
/// records later.
class BlockStream {
public:
    BlockStream(RecordFile& file, std::int64_t record) : file_(file), record_(record) {}
    template <class T>
    bool put(T v) {
        static_assert(sizeof(T) == 4);
        std::memcpy(&buffer_[used_++], &v, 4);
        return used_ < buffer_.size() || flush();
    }
    bool flush() {
        if (used_ == 0) return true;
        if (!file_.write_values(record_, buffer_.data(), static_cast<std::int64_t>(used_))) return false;
        record_ += static_cast<std::int64_t>(used_ / 8);
        used_ = 0;
        return true;
    }

private:
    RecordFile& file_;
    std::int64_t record_;
    std::array<std::uint32_t, 8 * 3 * 256> buffer_{};  // whole records of whole triples
    std::size_t used_ = 0;
};

/// Record 8, record 11 and the eight blocks.
bool write_seabed(RecordFile& file, const NodeData& nd, const SubnodeData& sd, std::int32_t n, float spacing) {
    std::array<std::uint32_t, 3> header{};
    const std::int32_t type = kSeabed3D;
    std::memcpy(&header[0], &type, 4);
    std::memcpy(&header[1], &n, 4);
    std::memcpy(&header[2], &spacing, 4);
    if (!file.write_bytes(8, header.data(), sizeof header)) return false;
    const std::array<std::int32_t, 4> counts{nd.nt, sd.ns, sd.nst, nd.t.nadj};
    if (!file.write_bytes(11, counts.data(), sizeof counts)) return false;

    std::int64_t record = kFirstDataRecord;
    // Each block begins where the record count of the one before says.
    auto triples = [&](std::int64_t items, auto&& item) {
        BlockStream out(file, record);
        for (std::int64_t i = 0; i < items; ++i) {
            const auto v = item(i);
            if (!out.put(v[0]) || !out.put(v[1]) || !out.put(v[2])) return false;
        }
        record += block_records(3 * items);
        return out.flush();
    };
    auto plain = [&](const auto* values, std::int64_t count) {
        if (!file.write_values(record, values, count)) return false;
        record += block_records(count);
        return true;
    };
    return triples(n, [&](std::int64_t i) { return std::array<float, 3>{nd.x[i], nd.y[i], nd.z[i]}; }) &&
           plain(nd.tri.data(), 3 * static_cast<std::int64_t>(nd.nt)) &&
           plain(nd.t.iadj.data(), nd.t.nadj) && plain(nd.t.istart.data(), n) &&
           triples(sd.ns, [&](std::int64_t k) { return std::array<float, 3>{sd.x[k], sd.y[k], sd.z[k]}; }) &&
           triples(sd.ns,
                   [&](std::int64_t k) {
                       const std::int64_t p = sd.t.iperm[static_cast<std::size_t>(k)] - 1;
                       return std::array<float, 3>{sd.nx[p], sd.ny[p], sd.nz[p]};
                   }) &&
           plain(sd.tri.data(), 3 * static_cast<std::int64_t>(sd.nst)) &&
           plain(nd.grad.data(), 2 * static_cast<std::int64_t>(n));
}

// ---------------------------------------------------------------------------

/// Copies into `kept` every triangle of `all` whose aspect ratio in (Y, Z) is
/// at least the tolerance, in order; returns how many.
std::int32_t retain_shapely(const std::vector<NodeNo>& all, std::int32_t nt, const float* y, const float* z,
                            NodeNo* kept) {
    std::int32_t count = 0;
    for (std::int32_t t = 0; t < nt; ++t) {
        const NodeNo* v = &all[3 * static_cast<std::size_t>(t)];
        const float ua[3] = {y[v[0] - 1], y[v[1] - 1], y[v[2] - 1]};
        const float ub[3] = {z[v[0] - 1], z[v[1] - 1], z[v[2] - 1]};
        if (aspect_ratio(ua, ub) >= kGenerateTol) {
            std::copy(v, v + 3, kept + 3 * static_cast<std::size_t>(count));
            ++count;
        }
    }
    return count;
}

/// Largest coordinate range of the nodes in Y or Z. Chosen: coordinates that
/// are not numbers take no part, and no node at all gives 0.
float node_extent(const float* y, const float* z, std::int32_t n) {
    auto range = [n](const float* v) {
        float lo = 0.0f, hi = 0.0f;
        bool any = false;
        for (std::int32_t i = 0; i < n; ++i) {
            if (std::isnan(v[i])) continue;
            if (!any || v[i] < lo) lo = v[i];
            if (!any || v[i] > hi) hi = v[i];
            any = true;
        }
        return std::fabs(hi - lo);
    };
    return std::max(range(y), range(z));
}

/// Stores one evaluated point as the next sub-node, with its upward unit normal.
void store_subnode(SubnodeData& sd, float y, float z, double elevation, const double gradient[2]) {
    const std::int32_t k = sd.ns++;
    sd.x[k] = static_cast<float>(elevation);
    sd.y[k] = y;
    sd.z[k] = z;
    const float fy = static_cast<float>(gradient[0]);
    const float fz = static_cast<float>(gradient[1]);
    const float l = std::sqrt(fz * fz + (fy * fy + 1.0f));  // fp: summed in this order, in float
    if (static_cast<double>(l) > 1.0e-10) {
        sd.nx[k] = 1.0f / l;
        sd.ny[k] = -fy / l;
        sd.nz[k] = -fz / l;
    } else {
        sd.nx[k] = 1.0f;
        sd.ny[k] = 0.0f;
        sd.nz[k] = 0.0f;
    }
}

/// Points along one hull edge: count and step, from its length.
struct EdgeSamples {
    std::int64_t count = 0;
    float step = 0.0f;
};

/// NSEG = floor(len / spacing), or 1 with the whole length as step when that
/// is 0. Chosen: a count that is not a number or too large for any array
/// fails as an oversized grid does.
Status edge_samples(float len, float spacing, EdgeSamples& e) {
    if (static_cast<double>(len) < 1.0e-10) return Status::HullEdgeTooShort;
    const float k = std::floor(len / spacing);
    if (!(k >= 0.0f && k <= static_cast<float>(INT32_MAX))) return Status::SubnodeGridTooLarge;
    e.count = static_cast<std::int64_t>(k);
    if (e.count == 0) {
        e.count = 1;
        e.step = len;
    } else {
        e.step = len / k;
    }
    return Status::Ok;
}

Status run_generate_3d(RecordFile& file, NodeList& nodes, std::int32_t& n, float spacing,
                       std::int32_t& duplicates, GenerationData& data) {
    library_state().node_tolerance = kNodeToleranceGenerate;
    remove_duplicate_nodes(nodes);
    if (duplicates == 0 && nodes.length() != n) duplicates = 1;
    n = nodes.length();

    NodeData& nd = data.nodes;
    if (Status st = allocate_nodes(nd, n); st != Status::Ok) return write_error(file, st);
    for (std::int32_t i = 0; i < n; ++i) {
        const Node node = nodes.at(i + 1);
        nd.x[i] = node.x;
        nd.y[i] = node.y;
        nd.z[i] = node.z;
    }
    if (node_extent(nd.y.data(), nd.z.data(), n) * kGenerateTol > spacing)
        return write_error(file, Status::NodesTooClose);

    if (Status st = triangulate(n, kGenerateTol, nd.x.data(), nd.y.data(), nd.z.data(), nd.t); st != Status::Ok)
        return write_error(file, st);
    if (nd.t.nt <= 0) return write_error(file, Status::NoTriangles);
    nd.nt = retain_shapely(nd.t.itri, nd.t.nt, nd.y.data(), nd.z.data(), nd.tri.data());
    if (nd.nt == 0) return write_error(file, Status::NoTriangles);

    std::fill(nd.grad.data(), nd.grad.data() + 2 * static_cast<std::int64_t>(n), 0.0f);
    Status gst = Status::Ok;
    grad_global(n, nd.t.istart.data(), nd.t.nadj, nd.t.iadj.data(), kGradientIterations, nd.x.data(), nd.y.data(),
                nd.z.data(), kGradientEps, kGenerateTol, nd.grad.data(), gst);
    if (gst != Status::Ok) return write_error(file, gst);

    if (Status st = sample_subnodes(nd, spacing, data.subnodes); st != Status::Ok) return write_error(file, st);

    if (!write_seabed(file, nd, data.subnodes, n, spacing)) return Status::FileWrite;
    return Status::Ok;
}

}  // namespace

bool grid_axis(float r, float spacing, GridAxis& axis) {
    const float q = std::floor(r / spacing);
    // chosen: a count that is not a number, or negative, fails as a too large one does
    if (!(q >= 0.0f && q < 1.0e9f)) return false;
    const std::int64_t qi = static_cast<std::int64_t>(q);
    axis.count = qi + 1;
    if (axis.count == 1) {
        axis.count = 2;
        axis.step = r;
    } else {
        axis.step = r / static_cast<float>(qi);
    }
    return !(static_cast<float>(axis.count) > kMaxGridCount);
}

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
        CellChains cells(static_cast<double>(tol) / kCellsPerTolerance);
        cells.next.assign(static_cast<std::size_t>(n), -1);
        cells.head.reserve(static_cast<std::size_t>(n));
        std::vector<char> keep(static_cast<std::size_t>(n), 1);
        const Node* v = list.data();
        // Node i goes exactly when some node before it equals it, removed or
        // not: the backward scan sees nodes 1..i-1 all still in place.
        for (std::int32_t i = 0; i < n; ++i) {
            const Node a = v[i];
            if (cells.any_near(a.y, a.z, [&](std::int32_t j) { return compare_node(a, v[j]); }))
                keep[static_cast<std::size_t>(i)] = 0;
            cells.add(i, a.y, a.z);
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

Status sample_subnodes(const NodeData& nd, float spacing, SubnodeData& sd) {
    const Triangulation& t = nd.t;
    const std::int32_t nb = t.nb;
    const std::int32_t n = static_cast<std::int32_t>(nd.x.size());
    if (nb < 1) return Status::NoTriangles;  // chosen: no hull to sample, as for an empty triangulation
    auto hull = [&](std::int32_t i) { return t.ibnd[static_cast<std::size_t>(i <= nb ? i - 1 : 0)] - 1; };

    float ymin = nd.y[hull(1)], ymax = ymin, zmin = nd.z[hull(1)], zmax = zmin;
    for (std::int32_t i = 2; i <= nb; ++i) {
        const std::int32_t k = hull(i);
        ymin = std::min(ymin, nd.y[k]);
        ymax = std::max(ymax, nd.y[k]);
        zmin = std::min(zmin, nd.z[k]);
        zmax = std::max(zmax, nd.z[k]);
    }
    GridAxis gy, gz;
    if (!grid_axis(ymax - ymin, spacing, gy) || !grid_axis(zmax - zmin, spacing, gz))
        return Status::SubnodeGridTooLarge;

    std::int64_t m = gy.count * gz.count;
    for (std::int32_t i = 1; i <= nb; ++i) {
        const std::int32_t a = hull(i), b = hull(i + 1);
        const float dy = nd.y[b] - nd.y[a];
        const float dz = nd.z[b] - nd.z[a];
        EdgeSamples e;
        if (Status st = edge_samples(std::sqrt(dy * dy + dz * dz), spacing, e); st != Status::Ok) return st;
        m += e.count;
    }
    // chosen: more sub-nodes than an int32 can count cannot be held, a failed allocation
    if (m > INT32_MAX) return Status::AllocSubnodeArrays;
    if (Status st = allocate_subnodes(sd, m); st != Status::Ok) return st;

    sd.ns = 0;
    SurfaceCursor cursor;
    double elevation = 0.0;
    double gradient[2] = {0.0, 0.0};
    auto evaluate = [&](float y, float z) {
        return interp_c1hct_new(n, t.nadj, t.iadj.data(), t.istart.data(), 1, static_cast<double>(y),
                                static_cast<double>(z), nd.x.data(), nd.y.data(), nd.z.data(), kGenerateTol,
                                nd.grad.data(), cursor, elevation, gradient);
    };

    for (std::int64_t i = 0; i < gy.count; ++i) {
        const float y = static_cast<float>(i) * gy.step + ymin;
        for (std::int64_t j = 0; j < gz.count; ++j) {
            const float z = static_cast<float>(j) * gz.step + zmin;
            if (Status st = evaluate(y, z); st != Status::Ok) return st;
            if (cursor.i1 > 0) store_subnode(sd, y, z, elevation, gradient);
        }
    }

    const double tol = static_cast<double>(library_state().node_tolerance);
    SubnodeIndex stored(sd.y.data(), sd.z.data(), tol);
    stored.add_first(sd.ns);
    float py = nd.y[hull(1)], pz = nd.z[hull(1)];
    for (std::int32_t i = 1; i <= nb; ++i) {
        const std::int32_t e_node = hull(i + 1);
        const float ey = nd.y[e_node], ez = nd.z[e_node];
        const float dy = ey - py;
        const float dz = ez - pz;
        const float len = std::sqrt(dy * dy + dz * dz);
        EdgeSamples e;
        if (Status st = edge_samples(len, spacing, e); st != Status::Ok) return st;
        const float uy = dy / len, uz = dz / len;
        for (std::int64_t s = 1; s <= e.count; ++s) {
            const float step = static_cast<float>(s - 1) * e.step;
            const float y = uy * step + py;
            const float z = uz * step + pz;
            if (Status st = evaluate(y, z); st != Status::Ok) return st;
            if (cursor.i1 <= 0 || stored.has_close(y, z)) continue;
            store_subnode(sd, y, z, elevation, gradient);
            stored.add(sd.ns - 1);
        }
        py = ey;
        pz = ez;
    }

    if (Status st = triangulate(sd.ns, kGenerateTol, sd.x.data(), sd.y.data(), sd.z.data(), sd.t); st != Status::Ok)
        return st;
    if (sd.t.nt <= 0) return Status::NoTriangles;
    sd.nst = retain_shapely(sd.t.itri, sd.t.nt, sd.y.data(), sd.z.data(), sd.tri.data());
    if (sd.nst == 0) return Status::NoTriangles;
    return Status::Ok;
}

Status generate_3d(RecordFile& file, NodeList& nodes, std::int32_t& n, float spacing, std::int32_t& duplicates,
                   GenerationData& data) {
    Status st = Status::Ok;
    try {
        st = run_generate_3d(file, nodes, n, spacing, duplicates, data);
    } catch (const std::bad_alloc&) {
        // chosen: memory running out inside a step that reports nothing is a failed node-array allocation
        st = write_error(file, Status::AllocNodeArrays);
    }
    deallocate_nodes(data.nodes);
    deallocate_subnodes(data.subnodes);
    return st;
}

Status generate_3d(RecordFile& file, NodeList& nodes, std::int32_t& n, float spacing, std::int32_t& duplicates) {
    GenerationData data;
    return generate_3d(file, nodes, n, spacing, duplicates, data);
}

}  // namespace seabed
