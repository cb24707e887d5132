// Cells of nearby points: the duplicate-node removal of a 3D generation and
// the duplicate test of the hull-edge sub-nodes, both found through a grid
// of cells instead of comparing every pair, with the pairwise results kept.
#pragma once

#include <cstdint>
#include <memory>

#include "core/node_list.hpp"

namespace seabed {

namespace node_cells_tuning {
/// Whether the duplicate nodes are found through a grid of coarse cells
/// (true; nodes far from the others fall back to the hash table) or through
/// the hash table of cells (a test compares both forms).
inline bool coarse = true;
}  // namespace node_cells_tuning

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
