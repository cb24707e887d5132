#include "seabed/surface/node_data.hpp"

#include <new>
#include <stdexcept>
#include <vector>

namespace seabed {
namespace {

/// Sizes a triangulation array that the caller provides; false when it is
/// already allocated or cannot be.
bool allocate_vector(std::vector<NodeNo>& v, std::int64_t extent) {
    if (v.capacity() != 0) return false;
    return try_resize_large(v, extent > 0 ? extent : 0);
}

void release_vector(std::vector<NodeNo>& v) { std::vector<NodeNo>().swap(v); }

bool triangulation_allocated(const Triangulation& t) {
    return t.iperm.capacity() != 0 || t.ibnd.capacity() != 0 || t.itri.capacity() != 0 ||
           t.iadj.capacity() != 0 || t.istart.capacity() != 0;
}

void release_triangulation(Triangulation& t) {
    release_vector(t.iadj);
    release_vector(t.itri);
    release_vector(t.istart);
    release_vector(t.ibnd);
    release_vector(t.iperm);
}

/// Largest triangle count of a triangulation of n points, 2n - 5, as 3 x that many vertex numbers.
std::int64_t triangle_slots(std::int64_t n) { return n > 2 ? 3 * (2 * n - 5) : 0; }

}  // namespace

bool GenerationData::any_allocated() const {
    const NodeData& a = nodes;
    const SubnodeData& b = subnodes;
    return a.x.allocated() || a.y.allocated() || a.z.allocated() || a.tri.allocated() || a.grad.allocated() ||
           triangulation_allocated(a.t) || b.x.allocated() || b.y.allocated() || b.z.allocated() ||
           b.nx.allocated() || b.ny.allocated() || b.nz.allocated() || b.tri.allocated() ||
           triangulation_allocated(b.t);
}

Status allocate_nodes(NodeData& d, std::int32_t n) {
    const std::int64_t n64 = n;
    const bool ok = d.x.allocate(n64, false) && d.y.allocate(n64, false) && d.z.allocate(n64, false) &&
                    allocate_vector(d.t.istart, n64) && allocate_vector(d.t.ibnd, n64 + 1) &&
                    d.tri.allocate(triangle_slots(n64), false) && d.grad.allocate(2 * n64, false);
    return ok ? Status::Ok : Status::AllocNodeArrays;
}

void deallocate_nodes(NodeData& d) {
    d.x.release();
    d.y.release();
    d.z.release();
    d.tri.release();
    d.grad.release();
    release_triangulation(d.t);
    d.t = Triangulation{};
    d.nt = 0;
}

Status allocate_subnodes(SubnodeData& d, std::int64_t m) {
    const bool ok = d.x.allocate(m, true) && d.y.allocate(m, true) && d.z.allocate(m, true) &&
                    d.nx.allocate(m, true) && d.ny.allocate(m, true) && d.nz.allocate(m, true) &&
                    d.tri.allocate(triangle_slots(m), false) && allocate_vector(d.t.ibnd, m + 1) &&
                    allocate_vector(d.t.istart, m);
    return ok ? Status::Ok : Status::AllocSubnodeArrays;
}

void deallocate_subnodes(SubnodeData& d) {
    d.x.release();
    d.y.release();
    d.z.release();
    d.nx.release();
    d.ny.release();
    d.nz.release();
    d.tri.release();
    release_triangulation(d.t);
    d.t = Triangulation{};
    d.ns = 0;
    d.nst = 0;
}

}  // namespace seabed
