#include "seabed/surface/generate_3d.hpp"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/library_state.hpp"
#include "seabed/surface/gradients.hpp"
#include "seabed/surface/node_cells.hpp"
#include "seabed/surface/sub_nodes.hpp"
#include "seabed/surface/write_seabed_3d.hpp"
#include "seabed/triangulation/triangulation.hpp"

namespace seabed {
namespace {

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

    if (!write_seabed_3d(file, nd, data.subnodes, n, spacing)) return Status::FileWrite;
    return Status::Ok;
}

}  // namespace

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
