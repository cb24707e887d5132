// Working arrays of one 3D seabed generation: the cleaned nodes with their
// triangulation, retained triangles and gradients, and the sub-nodes sampled
// on the finished surface with their normals and triangulation.
//
// Chosen: the arrays live in a context object that the generation driver
// owns, instead of process-wide storage, so a return on any path releases
// them and two contexts never share an array.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/seabed_parameters.hpp"
#include "core/try_resize.hpp"
#include "seabed/triangulation/triangulation_arrays.hpp"

namespace seabed {

/// Tolerances and limits of one 3D generation.
inline constexpr float kNodeToleranceGenerate = 1.0e-4f;
inline constexpr float kGenerateTol = 1.0e-6f;  // extent test, triangulation, gradients, slivers, surface
inline constexpr std::int32_t kGradientIterations = 100;
inline constexpr float kGradientEps = 0.001f;
/// Largest grid count per axis: the float nearest sqrt(2147483647), so NY x NZ fits an int32.
inline constexpr float kMaxGridCount = 46340.95f;

/// A working array that is either unallocated or owns exactly `size`
/// elements. Indexing is 0-based: entry k of the 1-based description is [k - 1].
template <class T>
class WorkArray {
public:
    /// Allocates extent elements (an extent below 0 counts as 0), zeroed when
    /// asked. False, leaving the array as it was, when it is already
    /// allocated, the byte count overflows or memory runs out.
    bool allocate(std::int64_t extent, bool zero) {
        if (allocated()) return false;
        const std::int64_t n = extent > 0 ? extent : 0;
        if (static_cast<std::uint64_t>(n) > SIZE_MAX / sizeof(T) / 2) return false;
        const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(T);
        // calloc leaves fresh pages untouched until used, so a large reserve
        // costs only what is filled; one byte keeps an empty array allocated
        void* p = try_malloc(bytes, zero);
        if (p == nullptr) return false;
        advise_huge_pages(p, bytes);  // filled front to back soon after: a fault per 2 MiB, not per 4 KiB
        data_.reset(static_cast<T*>(p));
        size_ = n;
        return true;
    }
    void release() {
        data_.reset();
        size_ = 0;
    }
    bool allocated() const { return data_ != nullptr; }
    std::int64_t size() const { return size_; }
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    T& operator[](std::int64_t k) { return data_.get()[k]; }
    const T& operator[](std::int64_t k) const { return data_.get()[k]; }

private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T, Free> data_;
    std::int64_t size_ = 0;
};

/// Node arrays. `t` holds NODE_IPERM, NODE_ITRI, NODE_IADJ (allocated by the
/// triangulation), NODE_IBND and NODE_ISTART, and the counts NB, LB, NT, NADJ.
struct NodeData {
    WorkArray<float> x, y, z;  // NODE_X (elevation), NODE_Y, NODE_Z
    WorkArray<NodeNo> tri;     // NODE_TRI: retained triangles, 3 x max(0, 2N - 5), column-major
    WorkArray<float> grad;     // NODE_GRAD: 2 x N, column-major (dX/dY, dX/dZ per node)
    Triangulation t;
    std::int32_t nt = 0;  // retained triangles in tri
};

/// Sub-node arrays. The normals keep the order of sampling; t.iperm maps a
/// sub-node's position after triangulation to its row in nx, ny, nz.
struct SubnodeData {
    WorkArray<float> x, y, z;     // SUB_X, SUB_Y, SUB_Z
    WorkArray<float> nx, ny, nz;  // SUB_NX, SUB_NY, SUB_NZ
    WorkArray<NodeNo> tri;        // SUB_TRI: 3 x max(0, 2M - 5)
    Triangulation t;              // SUB_IPERM, SUB_ITRI, SUB_IADJ, SUB_IBND, SUB_ISTART
    std::int32_t ns = 0;          // sub-nodes stored
    std::int32_t nst = 0;         // retained sub-node triangles
};

/// Everything one 3D generation allocates.
struct GenerationData {
    NodeData nodes;
    SubnodeData subnodes;
    /// True while any array of either kind is allocated.
    bool any_allocated() const;
};

/// NODE_X, NODE_Y, NODE_Z, NODE_ISTART, NODE_IBND, NODE_TRI, NODE_GRAD in that
/// order, not initialised. Stops at the first that fails: AllocNodeArrays,
/// with the earlier ones left allocated for deallocate_nodes.
[[nodiscard]] Status allocate_nodes(NodeData& d, std::int32_t n);
/// Releases every node array that is allocated (a second call finds none).
void deallocate_nodes(NodeData& d);

/// SUB_X .. SUB_NZ (zeroed), then SUB_TRI, SUB_IBND, SUB_ISTART. Stops at the
/// first that fails: AllocSubnodeArrays.
[[nodiscard]] Status allocate_subnodes(SubnodeData& d, std::int64_t m);
void deallocate_subnodes(SubnodeData& d);

}  // namespace seabed
