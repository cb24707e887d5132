// The node arrays a batch query reads: the host's (its node numbers) or a
// packed copy (packed numbers), behind one interface, and the walk both
// queries start with.
#pragma once

#include <cstdint>

#include "seabed/query/lookup.hpp"

namespace seabed::batch_nodes {

/// The host's node arrays, 1-based node numbers; grad only for cubic queries.
struct HostNodes {
    std::int32_t n, nadj;
    const std::int32_t* iadj;
    const std::int32_t* istart;
    NodeColumns c;
    const float* grad = nullptr;
    float y(std::int64_t j) const { return c.y[j - 1]; }
    float z(std::int64_t j) const { return c.z[j - 1]; }
    float x(std::int64_t j) const { return c.x[j - 1]; }
    float gy(std::int64_t j) const { return grad[2 * (j - 1)]; }
    float gz(std::int64_t j) const { return grad[2 * (j - 1) + 1]; }
    /// The host's number of node j (j > 0), or j itself (no node).
    static std::int32_t host(std::int32_t j) { return j; }
    Status lookup(double py, double pz, std::int32_t& start, std::int32_t& i1, std::int32_t& i2, std::int32_t& i3,
                  std::int32_t& same) const {
        return lookup_sgl_new(n, nadj, iadj, istart, c.y, c.z, py, pz, start, i1, i2, i3, same);
    }
    /// Asks for node j's list ahead of a walk that may start there.
    void prefetch_list(std::int32_t j) const {
        const std::int32_t first = istart[j - 1];
        if (first >= 1 && first <= nadj) __builtin_prefetch(iadj + (first - 1));
    }
};

/// A packed mesh, packed node numbers.
struct PackedNodes {
    const PackedMesh& m;
    const PackedNode& at(std::int64_t j) const { return m.node[static_cast<std::size_t>(j) - 1]; }
    const PackedValues& value(std::int64_t j) const { return m.value[static_cast<std::size_t>(j) - 1]; }
    float y(std::int64_t j) const { return at(j).y; }
    float z(std::int64_t j) const { return at(j).z; }
    float x(std::int64_t j) const { return value(j).x; }
    float gy(std::int64_t j) const { return value(j).gy; }
    float gz(std::int64_t j) const { return value(j).gz; }
    std::int32_t host(std::int32_t j) const { return j > 0 ? value(j).host : j; }
    Status lookup(double py, double pz, std::int32_t& start, std::int32_t& i1, std::int32_t& i2, std::int32_t& i3,
                  std::int32_t& same) const {
        return lookup_sgl_new(m, py, pz, start, i1, i2, i3, same);
    }
    /// As HostNodes::prefetch_list.
    void prefetch_list(std::int32_t j) const {
        if (const std::int32_t first = at(j).first; first >= 1) __builtin_prefetch(m.adj.data() + (first - 1));
    }
};

/// The walk of a query without a hint triangle: triangle is what it found.
/// True when the query ends there, with st its status: outside (x and the
/// normal marked) or a damaged triangulation.
template <class Nodes>
bool locate(const Nodes& nd, double y, double z, double& x, double normal[3], std::int32_t& start,
            std::int32_t triangle[3], Status& st) {
    x = kNotComputed;
    std::int32_t i1 = 0, i2 = 0, i3 = 0, same = 0;
    st = nd.lookup(y, z, start, i1, i2, i3, same);
    triangle[0] = i1;
    triangle[1] = i2;
    triangle[2] = i3;
    // A node whose neighbours all lie on one line through the point exists
    // only in a damaged triangulation: reported as the walk's status 42.
    if (st == Status::Ok && i1 <= 0 && i1 != -1) st = Status::WalkNodeOutOfRange;
    if (mark_outside(st, i1, x, normal)) return true;
    return st != Status::Ok;
}

/// True when `triangle` is not the one a query's cache holds, which then
/// takes it: the caller works out that triangle's set-up again.
inline bool new_triangle(std::int32_t cached[3], const std::int32_t triangle[3]) {
    if (cached[0] == triangle[0] && cached[1] == triangle[1] && cached[2] == triangle[2]) return false;
    for (int i = 0; i < 3; ++i) cached[i] = triangle[i];
    return true;
}

}  // namespace seabed::batch_nodes
