#include "seabed/surface/sub_nodes.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/library_state.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/surface/local_order.hpp"
#include "seabed/surface/node_cells.hpp"
#include "seabed/triangulation/supplements.hpp"
#include "seabed/triangulation/triangulation.hpp"

namespace seabed {
namespace {

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

/// The hull edge from node a to node b (0-based): its start, components,
/// length and samples. Counting and sampling both take it from here, so the
/// sub-node arrays always hold what sampling stores.
struct HullEdge {
    float y0 = 0.0f, z0 = 0.0f, dy = 0.0f, dz = 0.0f, len = 0.0f;
    EdgeSamples samples;
};

Status hull_edge(const NodeData& nd, std::int32_t a, std::int32_t b, float spacing, HullEdge& e) {
    e.y0 = nd.y[a];
    e.z0 = nd.z[a];
    e.dy = nd.y[b] - e.y0;
    e.dz = nd.z[b] - e.z0;
    e.len = std::sqrt(e.dy * e.dy + e.dz * e.dz);
    return edge_samples(e.len, spacing, e.samples);
}

}  // namespace

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
        HullEdge e;
        if (Status st = hull_edge(nd, hull(i), hull(i + 1), spacing, e); st != Status::Ok) return st;
        m += e.samples.count;
    }
    // chosen: more sub-nodes than an int32 can count cannot be held, a failed allocation
    if (m > INT32_MAX) return Status::AllocSubnodeArrays;
    if (Status st = allocate_subnodes(sd, m); st != Status::Ok) return st;

    // The surface is read through the renumbered copy when there is one: the
    // same walk and the same values (local_order.hpp), from memory nearby.
    LocalOrder local;
    if (Status st = build_local_order(nd, local); st != Status::Ok) return st;
    const std::int32_t* iadj = local.used ? local.iadj.data() : t.iadj.data();
    const std::int32_t* istart = local.used ? local.istart.data() : t.istart.data();
    const float* xs = local.used ? local.x.data() : nd.x.data();
    const float* ys = local.used ? local.y.data() : nd.y.data();
    const float* zs = local.used ? local.z.data() : nd.z.data();
    const float* grads = local.used ? local.grad.data() : nd.grad.data();

    sd.ns = 0;
    SurfaceCursor cursor;
    WalkMemory memory;  // walks from one node cross the same edges until their points part
    if (local_order_tuning::enabled) cursor.memory = &memory;
    if (local.used) {
        cursor.start = local.renumber[static_cast<std::size_t>(cursor.start - 1)];
        cursor.renumber = local.renumber.data();
    }
    double elevation = 0.0;
    double gradient[2] = {0.0, 0.0};
    auto evaluate = [&](float y, float z) {
        return interp_c1hct_new(n, t.nadj, iadj, istart, 1, static_cast<double>(y), static_cast<double>(z), xs, ys,
                                zs, kGenerateTol, grads, cursor, elevation, gradient);
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
    for (std::int32_t i = 1; i <= nb; ++i) {
        HullEdge e;
        if (Status st = hull_edge(nd, hull(i), hull(i + 1), spacing, e); st != Status::Ok) return st;
        const float uy = e.dy / e.len, uz = e.dz / e.len;
        for (std::int64_t s = 1; s <= e.samples.count; ++s) {
            const float step = static_cast<float>(s - 1) * e.samples.step;
            const float y = uy * step + e.y0;
            const float z = uz * step + e.z0;
            if (Status st = evaluate(y, z); st != Status::Ok) return st;
            if (cursor.i1 <= 0 || stored.has_close(y, z)) continue;
            store_subnode(sd, y, z, elevation, gradient);
            stored.add(sd.ns - 1);
        }
    }

    local = LocalOrder{};  // the copy's memory goes back before the sub-nodes' triangulation
    if (Status st = triangulate(sd.ns, kGenerateTol, sd.x.data(), sd.y.data(), sd.z.data(), sd.t); st != Status::Ok)
        return st;
    if (sd.t.nt <= 0) return Status::NoTriangles;
    sd.nst = retain_shapely(sd.t.itri, sd.t.nt, sd.y.data(), sd.z.data(), sd.tri.data());
    if (sd.nst == 0) return Status::NoTriangles;
    return Status::Ok;
}

}  // namespace seabed
