// The loops of seabed_batch.h over the query code that libseabed's exports
// run, with start nodes from a grid of the nodes or from the point before.
#if defined(_WIN32)
#define SEABED_BATCH_API __declspec(dllexport)
#else
#define SEABED_BATCH_API __attribute__((visibility("default")))
#endif
#include "batch/seabed_batch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <numeric>
#include <thread>
#include <utility>
#include <vector>

#include "core/try_resize.hpp"
#include "seabed/profile/profile_2d.hpp"
#include "seabed/query/batch_nodes.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/cubic_lanes.hpp"
#include "seabed/query/linear_interpolation.hpp"

namespace {

/// A grid over the finite nodes' (Y, Z) box, about two nodes a cell: cell
/// (cy, cz) is element cy * rows + cz.
struct Grid {
    double y0 = 0.0, z0 = 0.0, sy = 0.0, sz = 0.0;  // cell = floor((v - v0) * s)
    std::int64_t cols = 1, rows = 1;
    std::vector<std::int32_t> node;  // per cell: a node in it, or in the nearest cell that has one

    /// The cell of a finite point, clamped to the grid.
    std::int64_t cell(double y, double z) const { return col(y) * rows + row(z); }
    std::int64_t col(double y) const { return axis(y, y0, sy, cols); }
    std::int64_t row(double z) const { return axis(z, z0, sz, rows); }
    std::int32_t start_for(double y, double z) const {
        if (!std::isfinite(y) || !std::isfinite(z)) return node[0];
        return node[static_cast<std::size_t>(cell(y, z))];
    }
    /// A point that continues the run of the point before it: both finite and
    /// at most one cell apart in Y and in Z. (A difference that involves a
    /// NaN or an infinity is NaN or infinite, and the scales are finite and
    /// positive: such points compare false without a test of their own.)
    bool continues(double y_before, double z_before, double y, double z) const {
        return std::abs(y - y_before) * sy <= 1.0 && std::abs(z - z_before) * sz <= 1.0;
    }

private:
    static std::int64_t axis(double v, double v0, double s, std::int64_t count) {
        // the floor without a call to floor: below 1 every value is cell 0,
        // from 1 up the cast truncates, which is the floor there
        const double c = (v - v0) * s;
        if (!(c >= 1.0)) return std::int64_t{0};
        return c >= static_cast<double>(count - 1) ? count - 1 : static_cast<std::int64_t>(c);
    }
};

/// The grid's size over the finite nodes; false when no node is finite.
bool size_grid(std::int32_t n, const float* ys, const float* zs, Grid& g) {
    double ylo = INFINITY, yhi = -INFINITY, zlo = INFINITY, zhi = -INFINITY;
    for (std::int32_t i = 0; i < n; ++i) {
        if (!std::isfinite(ys[i]) || !std::isfinite(zs[i])) continue;
        ylo = std::min(ylo, static_cast<double>(ys[i]));
        yhi = std::max(yhi, static_cast<double>(ys[i]));
        zlo = std::min(zlo, static_cast<double>(zs[i]));
        zhi = std::max(zhi, static_cast<double>(zs[i]));
    }
    if (!(ylo <= yhi)) return false;
    const double w = std::max(yhi - ylo, 1e-30), h = std::max(zhi - zlo, 1e-30);
    const double cells = std::max(1.0, n / 2.0);
    g.cols = std::clamp<std::int64_t>(std::llround(std::sqrt(cells * w / h)), 1, 1 << 15);
    g.rows = std::clamp<std::int64_t>(std::llround(cells / static_cast<double>(g.cols)), 1, 1 << 15);
    g.y0 = ylo;
    g.z0 = zlo;
    g.sy = static_cast<double>(g.cols) / w * (1.0 - 1e-12);
    g.sz = static_cast<double>(g.rows) / h * (1.0 - 1e-12);
    return true;
}

/// Fills the grid's cells from the nodes' coordinates, yz(j) of host node j,
/// naming each node number(j): host node after host node, so that a copy
/// names the same nodes, in its own numbers, as the host's arrays.
template <class Coordinates, class Number>
void fill_grid(std::int32_t n, Coordinates yz, Number number, Grid& g) {
    // work arrays are large_vector's: tens of megabytes for a million points, on huge pages
    g.node = seabed::large_vector<std::int32_t>(g.cols * g.rows);
    std::vector<std::int64_t> queue;  // each cell joins it once
    if (!seabed::try_reserve_large(queue, g.cols * g.rows)) throw std::bad_alloc();
    for (std::int32_t i = 0; i < n; ++i) {
        const auto [y, z] = yz(i + 1);
        if (!std::isfinite(y) || !std::isfinite(z)) continue;
        const std::int64_t c = g.cell(y, z);
        std::int32_t& slot = g.node[static_cast<std::size_t>(c)];
        if (slot == 0) queue.push_back(c);
        slot = number(i + 1);
    }
    // empty cells take the node of the nearest filled cell, breadth first
    for (std::size_t q = 0; q < queue.size(); ++q) {
        const std::int64_t c = queue[q], cy = c / g.rows, cz = c % g.rows;
        const std::int64_t around[4][2] = {{cy - 1, cz}, {cy + 1, cz}, {cy, cz - 1}, {cy, cz + 1}};
        for (const auto& a : around) {
            if (a[0] < 0 || a[0] >= g.cols || a[1] < 0 || a[1] >= g.rows) continue;
            std::int32_t& slot = g.node[static_cast<std::size_t>(a[0] * g.rows + a[1])];
            if (slot != 0) continue;
            slot = g.node[static_cast<std::size_t>(c)];
            queue.push_back(a[0] * g.rows + a[1]);
        }
    }
}

/// Fewer points than this are worked through in their own order.
constexpr std::int64_t kReorderFrom = 4096;
/// Buckets of the counting sorts that order the work (a bucket holds the
/// points of a few neighbouring nodes or profile segments).
constexpr std::int64_t kMaxBuckets = std::int64_t{1} << 16;

/// item(k) for k in 0..count-1 in a new vector, stably sorted by bucket(k)
/// in 0..buckets-1.
template <class Bucket, class Item>
auto in_buckets(std::int64_t count, std::int64_t buckets, Bucket bucket, Item item) {
    std::vector<std::int64_t> first(static_cast<std::size_t>(buckets) + 1, 0);
    for (std::int64_t k = 0; k < count; ++k) ++first[static_cast<std::size_t>(bucket(k)) + 1];
    std::partial_sum(first.begin(), first.end(), first.begin());
    auto out = seabed::large_vector<decltype(item(std::int64_t{0}))>(count);
    for (std::int64_t k = 0; k < count; ++k)
        out[static_cast<std::size_t>(first[static_cast<std::size_t>(bucket(k))]++)] = item(k);
    return out;
}

/// Host node numbers cell by cell, the cells in tiles of 8 x 8 and the tiles
/// column by column (nodes that are not finite last), so that the nodes of a
/// cell and of its neighbours lie together.
std::vector<std::int32_t> cell_order(std::int32_t n, const float* ys, const float* zs, const Grid& g) {
    constexpr std::int64_t kTile = 8;
    const std::int64_t tile_rows = (g.rows + kTile - 1) / kTile;
    const std::int64_t keys = (g.cols + kTile - 1) / kTile * tile_rows * kTile * kTile + 1;
    const auto key = [&](std::int64_t i) {
        if (!std::isfinite(ys[i]) || !std::isfinite(zs[i])) return keys - 1;
        const std::int64_t cy = g.col(ys[i]), cz = g.row(zs[i]);
        return ((cy / kTile * tile_rows + cz / kTile) * kTile + cy % kTile) * kTile + cz % kTile;
    };
    return in_buckets(n, keys, key, [](std::int64_t i) { return static_cast<std::int32_t>(i + 1); });
}

}  // namespace

struct seabed_batch_3d_seabed {
    Grid grid;  // start nodes in the numbers below
    bool packed = false;
    seabed::PackedMesh mesh;  // packed: the copy, nodes in packed numbers
    // not packed: the host's arrays, read in place, host numbers
    std::int32_t n = 0, nadj = 0;
    const float* nodes = nullptr;
    const std::int32_t* iadj = nullptr;
    const std::int32_t* istart = nullptr;
    const float* gradients = nullptr;
    bool has_gradients = false;
};

namespace {

seabed_batch_3d_seabed* prepare(std::int32_t n, std::int32_t nadj, const float* nodes, const std::int32_t* iadj,
                                const std::int32_t* istart, const float* gradients, bool copy) {
    auto sb = std::make_unique<seabed_batch_3d_seabed>();
    const float* ys = nodes + n;
    const float* zs = nodes + 2 * static_cast<std::int64_t>(n);
    if (!size_grid(n, ys, zs, sb->grid)) return nullptr;
    sb->has_gradients = gradients != nullptr;
    try {
        sb->packed = copy && seabed::pack_mesh(n, nadj, nodes, iadj, istart, gradients,
                                               cell_order(n, ys, zs, sb->grid), sb->mesh);
    } catch (const std::bad_alloc&) {
        sb->packed = false;
    }
    const auto host_yz = [&](std::int32_t j) { return std::pair{ys[j - 1], zs[j - 1]}; };
    if (sb->packed) {
        const auto& renumber = sb->mesh.renumber;
        fill_grid(n, host_yz, [&](std::int32_t j) { return renumber[static_cast<std::size_t>(j) - 1]; }, sb->grid);
    } else {
        sb->mesh = seabed::PackedMesh{};
        sb->n = n;
        sb->nadj = nadj;
        sb->nodes = nodes;
        sb->iadj = iadj;
        sb->istart = istart;
        sb->gradients = gradients;
        fill_grid(n, host_yz, [](std::int32_t j) { return j; }, sb->grid);
    }
    return sb.release();
}

/// Points first..last-1, each continuing the run of the one before it; the
/// first starts at the grid's node `start`.
struct Run {
    std::int64_t first = 0, last = 0;
    std::int32_t start = 0;
};

/// The runs of the points, in the order to work through them: by start node
/// when there are many points in many runs (scattered points), else as given.
/// Stably sorted by counting, each run put in its place as it is found: a
/// million scattered points make a million runs, and a sorted copy of them
/// would be tens of megabytes of fresh memory.
std::vector<Run> runs_of(const Grid& grid, std::int32_t n, std::int64_t count, const double* y, const double* z) {
    const auto starts_run = [&](std::int64_t k) { return k == 0 || !grid.continues(y[k - 1], z[k - 1], y[k], z[k]); };
    int shift = 0;
    while ((static_cast<std::int64_t>(n - 1) >> shift) >= kMaxBuckets) ++shift;
    const auto bucket = [shift](std::int32_t start) { return static_cast<std::size_t>((start - 1) >> shift); };
    // counted first, with the runs of each bucket: no copies while the array grows
    const bool may_sort = count >= kReorderFrom && n >= 1;
    std::vector<std::int64_t> first(may_sort ? (static_cast<std::size_t>(n - 1) >> shift) + 2 : 0, 0);
    std::int64_t how_many = 0;
    for (std::int64_t k = 0; k < count; ++k) {
        if (!starts_run(k)) continue;
        ++how_many;
        if (may_sort) ++first[bucket(grid.start_for(y[k], z[k])) + 1];
    }
    const bool sort = may_sort && how_many >= 2;
    std::partial_sum(first.begin(), first.end(), first.begin());
    auto runs = seabed::large_vector<Run>(how_many);
    std::size_t made = 0, last_made = 0;
    for (std::int64_t k = 0; k < count; ++k) {
        if (!starts_run(k)) continue;
        const std::int32_t start = grid.start_for(y[k], z[k]);
        const std::size_t at = sort ? static_cast<std::size_t>(first[bucket(start)]++) : made;
        if (made++ > 0) runs[last_made].last = k;
        runs[at] = {k, count, start};
        last_made = at;
    }
    return runs;
}

/// The vertex of triangle t nearest to (y, z), the first of equals.
template <class View>
std::int32_t nearest_vertex(const View& v, const std::int32_t t[3], double y, double z) {
    std::int32_t best = t[0];
    double best_d = INFINITY;
    for (int i = 0; i < 3; ++i) {
        const double dy = y - static_cast<double>(v.y(t[i])), dz = z - static_cast<double>(v.z(t[i]));
        const double d = dy * dy + dz * dz;
        if (d < best_d) {
            best_d = d;
            best = t[i];
        }
    }
    return best;
}

/// Runs body(p) for p in 0..parts-1, each on a thread of its own (on this
/// thread when no more threads can be started).
template <class Body>
void in_parallel(std::int64_t parts, Body body) {
    std::vector<std::thread> pool;
    std::int64_t started = 1;
    try {
        for (; started < parts; ++started) pool.emplace_back(body, started);
    } catch (...) {
    }
    body(std::int64_t{0});
    for (std::int64_t p = started; p < parts; ++p) body(p);
    for (std::thread& t : pool) t.join();
}

/// The 3D queries of runs[first..last-1], point after point within a run;
/// query(k, start, triangle) answers point k (its status too).
template <class View, class Query>
void query_runs(const View& v, const Grid& grid, const std::vector<Run>& runs, std::int64_t first, std::int64_t last,
                const double* y, const double* z, std::int32_t* start, std::int32_t* triangle, Query query) {
    for (std::int64_t r = first; r < last; ++r) {
        const Run& run = runs[static_cast<std::size_t>(r)];
        std::int32_t t[3] = {0, 0, 0};
        for (std::int64_t k = run.first; k < run.last; ++k) {
            std::int32_t s = k == run.first ? run.start : t[0] > 0 ? nearest_vertex(v, t, y[k], z[k]) : 0;
            if (s == 0 || !grid.continues(static_cast<double>(v.y(s)), static_cast<double>(v.z(s)), y[k], z[k]))
                s = grid.start_for(y[k], z[k]);
            if (start) start[k] = v.host(s);
            query(k, s, t);
            // the next point of the run starts at a vertex of this triangle:
            // its list is on its way while this point's answer is worked out
            if (t[0] > 0 && k + 1 < run.last)
                for (int i = 0; i < 3; ++i) v.prefetch_list(t[i]);
            if (triangle)
                for (int i = 0; i < 3; ++i) triangle[3 * k + i] = v.host(t[i]);
        }
    }
}

/// The queries of runs[r0..r1-1] by method, on the copy or in place.
void query_part(const seabed_batch_3d_seabed& sb, std::int32_t method, const std::vector<Run>& runs, std::int64_t r0,
                std::int64_t r1, const double* y, const double* z, double* x, double* normal, std::int32_t* status,
                std::int32_t* start, std::int32_t* triangle) {
    const auto run = [&](const auto& view, auto query) {
        query_runs(view, sb.grid, runs, r0, r1, y, z, start, triangle, query);
    };
    // the nodes as the loop over runs reads them: the packed copy or the host's arrays
    const seabed::batch_nodes::PackedNodes packed{sb.mesh};
    const seabed::batch_nodes::HostNodes in_place{sb.n, sb.nadj, sb.iadj, sb.istart,
                                                  seabed::node_columns(sb.nodes, sb.n), sb.gradients};
    const auto answer = [&](std::int64_t k, seabed::Status st) { status[k] = seabed::code(st); };
    // cubic: elements evaluated a few points at a time, answers written by the flush at the latest
    const auto cubic = [&](const auto& view) {
        seabed::CubicQueries queries(view);
        run(view, [&](std::int64_t k, std::int32_t s, std::int32_t* t) {
            queries.query(y[k], z[k], x[k], normal + 3 * k, status[k], s, t);
        });
        queries.flush();
    };
    if (method == 1 && sb.packed) {
        cubic(packed);
    } else if (method == 1) {
        cubic(in_place);
    } else if (sb.packed) {
        seabed::PlaneCache cache;
        run(packed, [&](std::int64_t k, std::int32_t s, std::int32_t* t) {
            answer(k, seabed::interpolate_3d_linear(sb.mesh, y[k], z[k], x[k], normal + 3 * k, s, cache, t));
        });
    } else {
        seabed::PlaneCache cache;
        run(in_place, [&](std::int64_t k, std::int32_t s, std::int32_t* t) {
            answer(k, seabed::interpolate_3d_linear(y[k], z[k], sb.n, sb.nadj, sb.nodes, sb.iadj, sb.istart, x[k],
                                                    normal + 3 * k, s, cache, t));
        });
    }
}

}  // namespace

extern "C" {

SEABED_BATCH_API seabed_batch_3d_seabed* seabed_batch_prepare_3d(int32_t n, int32_t nadj, const float* nodes,
                                                               const int32_t* iadj, const int32_t* istart,
                                                               const float* gradients, int32_t copy) {
    if (n < 1 || nadj < 0 || !nodes || !iadj || !istart) return nullptr;
    try {
        return prepare(n, nadj, nodes, iadj, istart, gradients, copy != 0);
    } catch (...) {
        return nullptr;
    }
}

SEABED_BATCH_API void seabed_batch_free_3d(seabed_batch_3d_seabed* seabed) { delete seabed; }

SEABED_BATCH_API int32_t seabed_batch_3d(const seabed_batch_3d_seabed* seabed, int32_t method, int64_t count,
                                         const double* y, const double* z, double* x, double* normal, int32_t* status,
                                         int32_t* start, int32_t* triangle, int32_t threads) {
    if (!seabed || !y || !z || !x || !normal || !status || count < 0) return -1;
    if (method != 0 && (method != 1 || !seabed->has_gradients)) return -1;
    const std::int32_t n = seabed->packed ? seabed->mesh.n : seabed->n;
    try {
        const std::vector<Run> runs = runs_of(seabed->grid, n, count, y, z);
        // slices of the runs holding about equal numbers of points, one a thread
        const auto parts = std::clamp<std::int64_t>(threads, 1, std::max<std::int64_t>(1, count / 1024));
        std::vector<std::int64_t> cut{0};
        std::int64_t points = 0;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            points += runs[r].last - runs[r].first;
            if (points * parts >= count * static_cast<std::int64_t>(cut.size()) && r + 1 < runs.size())
                cut.push_back(static_cast<std::int64_t>(r) + 1);
        }
        cut.push_back(static_cast<std::int64_t>(runs.size()));
        in_parallel(static_cast<std::int64_t>(cut.size()) - 1, [&](std::int64_t p) {
            query_part(*seabed, method, runs, cut[static_cast<std::size_t>(p)], cut[static_cast<std::size_t>(p) + 1],
                       y, z, x, normal, status, start, triangle);
        });
    } catch (...) {
        return -1;
    }
    return 0;
}

SEABED_BATCH_API int32_t seabed_batch_2d(int32_t method, int64_t count, const double* y, int32_t n,
                                         const float* profile, const float* slopes, double* x, double* slope,
                                         int32_t* segment) {
    if (!y || !profile || !x || !slope || count < 0) return -1;
    if (method != 0 && (method != 1 || !slopes)) return -1;
    const auto query_at = [&](std::int64_t k, double yk, seabed::SegmentCode& seg) {
        if (method == 1)
            seabed::interpolate_2d_cubic(yk, n, profile, slopes, x[k], slope[k], seg);
        else
            seabed::interpolate_2d_linear(yk, n, profile, x[k], slope[k], seg);
        if (segment) segment[k] = seg;
    };
    const auto query = [&](std::int64_t k, seabed::SegmentCode& seg) { query_at(k, y[k], seg); };
    bool sorted = true;
    for (std::int64_t k = 1; k < count && sorted; ++k) sorted = y[k - 1] <= y[k];
    if (sorted) {
        seabed::SegmentCode seg = 0;
        for (std::int64_t k = 0; k < count; ++k) query(k, seg);
        return 0;
    }
    // Scattered points bisect each (hint 0), worked through by coordinate so
    // that neighbouring searches read the same part of the profile. On a
    // profile whose Y are finite and strictly increasing every finite y has
    // one segment, which a walk from the segment before finds as well as a
    // bisection: those walk.
    const double lo = n >= 2 ? static_cast<double>(profile[n]) : 0.0;
    const double hi = n >= 2 ? static_cast<double>(profile[2 * static_cast<std::int64_t>(n) - 1]) : 0.0;
    if (count < kReorderFrom || !(hi > lo) || !std::isfinite(hi - lo)) {
        for (std::int64_t k = 0; k < count; ++k) {
            seabed::SegmentCode seg = 0;
            query(k, seg);
        }
        return 0;
    }
    bool increasing = count >= n / 8;  // worth a look at the whole profile
    for (std::int64_t i = n; i < 2 * static_cast<std::int64_t>(n) - 1 && increasing; ++i)
        increasing = std::isfinite(profile[i]) && profile[i] < profile[i + 1];
    try {
        const std::int64_t buckets = std::min<std::int64_t>(kMaxBuckets, n);
        const double scale = static_cast<double>(buckets) / (hi - lo);
        struct Point {
            double y;
            std::int64_t k;
        };
        const std::vector<Point> points = in_buckets(
            count, buckets,
            [&](std::int64_t k) {
                const double b = (y[k] - lo) * scale;  // NaN and below: bucket 0
                return b >= 1.0 ? std::min(buckets - 1, static_cast<std::int64_t>(std::min(b, 9.0e18)))
                                : std::int64_t{0};
            },
            [&](std::int64_t k) { return Point{y[k], k}; });
        seabed::SegmentCode carried = 0;
        for (const Point& p : points) {
            seabed::SegmentCode seg = increasing && std::isfinite(p.y) ? carried : 0;
            query_at(p.k, p.y, seg);
            carried = seg;
        }
    } catch (...) {
        return -1;
    }
    return 0;
}

}  // extern "C"
