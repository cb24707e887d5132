// Generation of a 3D seabed: from the host's nodes to the stored
// triangulation, node gradients, sampled sub-nodes with unit normals and the
// sub-node triangulation.
#pragma once

#include <cstdint>
#include <memory>

#include "core/record_file.hpp"
#include "core/seabed_parameters.hpp"
#include "seabed/surface/node_data.hpp"
#include "core/node_list.hpp"

namespace seabed {

inline constexpr float kNodeToleranceGenerate = 1.0e-4f;
inline constexpr float kGenerateTol = 1.0e-6f;  // extent test, triangulation, gradients, slivers, surface
inline constexpr std::int32_t kGradientIterations = 100;
inline constexpr float kGradientEps = 0.001f;
/// Largest grid count per axis: the float nearest sqrt(2147483647), so NY x NZ fits an int32.
inline constexpr float kMaxGridCount = 46340.95f;

/// Builds the 3D seabed of `nodes` into file: removes duplicates (in place,
/// n becomes the count left; duplicates becomes 1 when that changed n and it
/// was 0), triangulates, filters slivers, estimates gradients, samples the
/// sub-nodes and writes records 8, 11 and the eight result blocks from
/// record 12. A failure other than a failed write is recorded in records 9
/// and 10. Every array of `data` is released before the return.
[[nodiscard]] Status generate_3d(RecordFile& file, NodeList& nodes, std::int32_t& n, float spacing,
                                 std::int32_t& duplicates, GenerationData& data);
[[nodiscard]] Status generate_3d(RecordFile& file, NodeList& nodes, std::int32_t& n, float spacing,
                                 std::int32_t& duplicates);

/// Samples the C1 surface of the triangulated, gradient-carrying nodes on the
/// grid of `spacing` and along the hull, then triangulates the sub-nodes and
/// drops slivers: fills `sub` (allocating it), with sub.ns and sub.nst.
[[nodiscard]] Status sample_subnodes(const NodeData& nodes, float spacing, SubnodeData& sub);

/// Grid lines along one axis for a range r: count and step.
struct GridAxis {
    std::int64_t count = 0;
    float step = 0.0f;
};
/// Q = floor(r / spacing), count Q + 1 and step r / Q; a range narrower than
/// the spacing gives its two ends. False when the count is not a number or
/// exceeds kMaxGridCount.
[[nodiscard]] bool grid_axis(float r, float spacing, GridAxis& axis);

/// The node list with duplicates removed exactly as NodeList::remove_duplicates
/// does (a node goes when it equals any node before it), found through a
/// grid of cells instead of comparing every pair.
void remove_duplicate_nodes(NodeList& list);

/// Stored sub-node positions, searchable for a point within tol (strictly, in
/// 64-bit) in both Y and Z: the duplicate test of the hull-edge points. Falls
/// back to scanning every stored point when the cells cannot be kept.
class SubnodeIndex {
public:
    SubnodeIndex(const float* y, const float* z, double tol);
    ~SubnodeIndex();
    /// Adds stored points 0..count-1 at once; only before any add().
    void add_first(std::int32_t count);
    /// Adds stored point `id` (0-based into y, z).
    void add(std::int32_t id);
    /// True when a stored point j has |y[j] - py| < tol and |z[j] - pz| < tol.
    bool has_close(float py, float pz) const;
    /// The same test by scanning points 0..count-1.
    static bool scan(const float* y, const float* z, std::int32_t count, double tol, float py, float pz);

private:
    struct Cells;
    const float* y_;
    const float* z_;
    double tol_;
    std::int32_t count_ = 0;
    std::unique_ptr<Cells> cells_;  // null: scan
};

}  // namespace seabed
