// The loops of seabed_batch.h over the query code that libseabed's exports
// run, with start nodes from a grid of the nodes.
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
#include <thread>
#include <vector>

#include "seabed/profile/profile_2d.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/linear_interpolation.hpp"

struct seabed_batch_grid {
    double y0 = 0.0, z0 = 0.0, sy = 0.0, sz = 0.0;  // cell = floor((v - v0) * s)
    std::int64_t cols = 1, rows = 1;
    std::vector<std::int32_t> node;  // per cell: a node in it, or in the nearest cell that has one

    /// The cell of a finite point, clamped to the grid.
    std::int64_t cell(double y, double z) const {
        const auto axis = [](double v, double v0, double s, std::int64_t count) {
            const double c = std::floor((v - v0) * s);
            return c <= 0.0 ? std::int64_t{0} : c >= static_cast<double>(count - 1) ? count - 1
                                                                                    : static_cast<std::int64_t>(c);
        };
        return axis(y, y0, sy, cols) * rows + axis(z, z0, sz, rows);
    }
    std::int32_t start_for(double y, double z) const {
        if (!std::isfinite(y) || !std::isfinite(z)) return node[0];
        return node[static_cast<std::size_t>(cell(y, z))];
    }
};

namespace {

/// About two nodes a cell: a start node is then a step or two from any point.
seabed_batch_grid* build_grid(std::int32_t n, const float* nodes) {
    const float* ys = nodes + n;
    const float* zs = nodes + 2 * static_cast<std::int64_t>(n);
    double ylo = INFINITY, yhi = -INFINITY, zlo = INFINITY, zhi = -INFINITY;
    for (std::int32_t i = 0; i < n; ++i) {
        if (!std::isfinite(ys[i]) || !std::isfinite(zs[i])) continue;
        ylo = std::min(ylo, static_cast<double>(ys[i]));
        yhi = std::max(yhi, static_cast<double>(ys[i]));
        zlo = std::min(zlo, static_cast<double>(zs[i]));
        zhi = std::max(zhi, static_cast<double>(zs[i]));
    }
    if (!(ylo <= yhi)) return nullptr;  // no finite node
    auto g = std::make_unique<seabed_batch_grid>();
    const double w = std::max(yhi - ylo, 1e-30), h = std::max(zhi - zlo, 1e-30);
    const double cells = std::max(1.0, n / 2.0);
    g->cols = std::clamp<std::int64_t>(std::llround(std::sqrt(cells * w / h)), 1, 1 << 15);
    g->rows = std::clamp<std::int64_t>(std::llround(cells / static_cast<double>(g->cols)), 1, 1 << 15);
    g->y0 = ylo;
    g->z0 = zlo;
    g->sy = static_cast<double>(g->cols) / w * (1.0 - 1e-12);
    g->sz = static_cast<double>(g->rows) / h * (1.0 - 1e-12);
    g->node.assign(static_cast<std::size_t>(g->cols * g->rows), 0);
    std::vector<std::int64_t> queue;
    for (std::int32_t i = 0; i < n; ++i) {
        if (!std::isfinite(ys[i]) || !std::isfinite(zs[i])) continue;
        const std::int64_t c = g->cell(ys[i], zs[i]);
        std::int32_t& slot = g->node[static_cast<std::size_t>(c)];
        if (slot == 0) queue.push_back(c);
        slot = i + 1;
    }
    // empty cells take the node of the nearest filled cell, breadth first
    for (std::size_t q = 0; q < queue.size(); ++q) {
        const std::int64_t c = queue[q], cy = c / g->rows, cz = c % g->rows;
        const std::int64_t around[4][2] = {{cy - 1, cz}, {cy + 1, cz}, {cy, cz - 1}, {cy, cz + 1}};
        for (const auto& a : around) {
            if (a[0] < 0 || a[0] >= g->cols || a[1] < 0 || a[1] >= g->rows) continue;
            std::int32_t& slot = g->node[static_cast<std::size_t>(a[0] * g->rows + a[1])];
            if (slot != 0) continue;
            slot = g->node[static_cast<std::size_t>(c)];
            queue.push_back(a[0] * g->rows + a[1]);
        }
    }
    return g.release();
}

/// Runs body(first, last) over [0, count) in `threads` slices; one slice on
/// this thread when threads cannot be started.
template <class Body>
void in_slices(std::int64_t count, std::int32_t threads, Body body) {
    const std::int64_t parts = std::clamp<std::int64_t>(threads, 1, std::max<std::int64_t>(1, count / 1024));
    std::vector<std::thread> pool;
    const std::int64_t step = (count + parts - 1) / std::max<std::int64_t>(parts, 1);
    try {
        for (std::int64_t p = 1; p < parts; ++p)
            pool.emplace_back(body, p * step, std::min(count, (p + 1) * step));
    } catch (...) {
        for (std::thread& t : pool) t.join();
        pool.clear();
        body(std::min(count, step), count);  // the slices that did not start
    }
    body(0, std::min(count, step));
    for (std::thread& t : pool) t.join();
}

}  // namespace

extern "C" {

SEABED_BATCH_API seabed_batch_grid* seabed_batch_grid_3d(int32_t n, const float* nodes) {
    if (n < 1 || !nodes) return nullptr;
    try {
        return build_grid(n, nodes);
    } catch (...) {
        return nullptr;
    }
}

SEABED_BATCH_API void seabed_batch_grid_free(seabed_batch_grid* grid) { delete grid; }

SEABED_BATCH_API int32_t seabed_batch_3d(const seabed_batch_grid* grid, int32_t method, int64_t count,
                                         const double* y, const double* z, int32_t n, int32_t nadj,
                                         const float* nodes, const int32_t* iadj, const int32_t* istart,
                                         const float* gradients, double* x, double* normal, int32_t* status,
                                         int32_t* start, int32_t threads) {
    if (!grid || !y || !z || !nodes || !iadj || !istart || !x || !normal || !status || count < 0) return -1;
    if (method != 0 && (method != 1 || !gradients)) return -1;
    try {
        in_slices(count, threads, [&](std::int64_t first, std::int64_t last) {
            for (std::int64_t k = first; k < last; ++k) {
                std::int32_t s = grid->start_for(y[k], z[k]);
                if (start) start[k] = s;
                const seabed::Status st =
                    method == 1 ? seabed::interpolate_3d_cubic(y[k], z[k], n, nadj, nodes, iadj, istart, gradients,
                                                               x[k], normal + 3 * k, s)
                                : seabed::interpolate_3d_linear(y[k], z[k], n, nadj, nodes, iadj, istart, x[k],
                                                                normal + 3 * k, s);
                status[k] = static_cast<int32_t>(st);
            }
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
    bool sorted = true;
    for (std::int64_t k = 1; k < count && sorted; ++k) sorted = y[k - 1] <= y[k];
    seabed::SegmentCode seg = 0;
    for (std::int64_t k = 0; k < count; ++k) {
        if (!sorted) seg = 0;
        if (method == 1)
            seabed::interpolate_2d_cubic(y[k], n, profile, slopes, x[k], slope[k], seg);
        else
            seabed::interpolate_2d_linear(y[k], n, profile, x[k], slope[k], seg);
        if (segment) segment[k] = seg;
    }
    return 0;
}

}  // extern "C"
