// Triangle location: the walk through a triangulation towards a horizontal
// point (y, z). Node numbers are 1-based; neighbour lists run counter-clockwise
// (Y right, Z up) and a hull node's list ends in 0.
#pragma once

#include <cstdint>
#include <vector>

#include "core/seabed_parameters.hpp"

namespace seabed {

/// Elevation of a point that was not computed.
inline constexpr double kNotComputed = -100000.0;
/// Elevation of a point outside the seabed: the most negative float, widened.
inline constexpr double kOutsideElevation = -3.4028234663852886E+38;
/// Area tolerance of the 3D queries, in (Y, Z) units squared.
inline constexpr float kAreaTolerance = 1.0E-6f;

/// The X, Y and Z columns of a host's n x 3 node array (for n < 1 all three
/// are the array itself: the search then reads nothing).
struct NodeColumns {
    const float* x;
    const float* y;
    const float* z;
};
NodeColumns node_columns(const float* nodes, std::int32_t n);

/// After a query's search: outside the triangulation, or on damaged lists,
/// the elevation becomes the outside sentinel and the normal points up (X).
/// True when that applied. (Inline: every batch query passes here.)
inline bool mark_outside(Status st, std::int32_t i1, double& x, double normal[3]) {
    if (st != Status::WalkNodeOutOfRange && st != Status::WalkFarNodeOutOfRange && i1 != -1) return false;
    x = kOutsideElevation;
    normal[0] = 1.0;
    normal[1] = 0.0;
    normal[2] = 0.0;
    return true;
}

/// The arrays a search reads: the Y and Z columns of the nodes, IADJ and
/// ISTART, each as the address of its element 1 and a distance in bytes
/// between neighbouring elements, so host arrays of any stride are read in
/// place. n and nadj bound every index the walk uses.
struct MeshView {
    std::int32_t n = 0;
    std::int32_t nadj = 0;
    const char* y = nullptr;
    const char* z = nullptr;
    const char* iadj = nullptr;
    const char* istart = nullptr;
    std::int64_t y_stride = 4, z_stride = 4, iadj_stride = 4, istart_stride = 4;

    /// Plain contiguous arrays, each pointing at its element 1.
    static MeshView contiguous(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj,
                               const std::int32_t* istart, const float* y_col, const float* z_col);
};

namespace lookup_tuning {
/// List entries a search reads one by one before it memoises the lists it
/// reads; negative: 2 * NADJ + 256, which an ordinary walk never reaches (a
/// test sets 0 or a huge value to compare both forms).
inline std::int64_t scan_before_memo = -1;
/// Whether a search on a packed mesh first tries the short form of the
/// walk (cleared by a test that compares both forms).
inline bool quick_walk = true;
}  // namespace lookup_tuning

/// The crossings (step 11) of the last walk a run of searches made, kept so
/// that the next walk from the same node through the same first edge, which
/// crosses the same edges until the two points part, can replay them: each
/// remembered crossing is taken again only after its two tests, recomputed
/// for the new point from the same values in the same order, give the
/// answers the walk would give, and it spends the walk's step budget as the
/// crossing itself would. The first test that answers otherwise ends the
/// replay there and the walk goes on by itself, so every step and the
/// result are those of the walk without memory. For one triangulation only:
/// clear it before searching another.
struct WalkMemory {
    struct Crossing {
        std::int32_t j1 = 0, j2 = 0, j4 = 0;  // the edge crossed and the node beyond it
        std::int32_t reads = 0;               // entries of j2's list read to find j1
        bool left = false;                    // the side test: j4 replaced j1 (else j2)
        double ey = 0, ez = 0, y1 = 0, z1 = 0;  // Y(j2) - Y(j1), Z(j2) - Z(j1), Y(j1), Z(j1)
        double ay = 0, az = 0;                  // Y(j4) - Y(j0), Z(j4) - Z(j0)
    };
    std::int32_t j0 = 0, j1 = 0, j2 = 0;  // the walk's node and its first edge
    std::vector<Crossing> crossings;
    void clear() {
        j0 = j1 = j2 = 0;
        crossings.clear();
    }
};

/// Searches for the triangle holding (y, z), for the interpolations.
/// start: in, the node to walk from when it lies in 1..n (else a random one);
/// out, i1 when the previous triangle still holds the point, or a hull node
/// when the point lies outside. i1, i2, i3: in, the previous triangle; out, the
/// triangle counter-clockwise, or (-1, 0, 0) outside, or i1 = -3 when all
/// neighbours of a node lie on one line through the point. same: 1 when the
/// previous triangle still holds the point, else 0. Status: Ok,
/// WalkNodeOutOfRange (42) or WalkFarNodeOutOfRange (43) on damaged lists,
/// which leave i1, i2, i3 and start alone.
///
/// renumber (null, or n entries: entry k - 1 is the number node k has in
/// these arrays) is for arrays that are a renumbered copy of a triangulation
/// (the node order changed, every list the same in the same order): a random
/// start node is drawn as for the original and passed through it, so the
/// search over the copy makes every step of the search over the original.
/// memory (null, or the WalkMemory of a run of searches over these arrays)
/// lets the walk replay the crossings it shares with the last one.
[[nodiscard]] Status lookup_sgl_new(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj,
                                    const std::int32_t* istart, const float* y_col, const float* z_col, double y,
                                    double z, std::int32_t& start, std::int32_t& i1, std::int32_t& i2,
                                    std::int32_t& i3, std::int32_t& same, const std::int32_t* renumber = nullptr,
                                    WalkMemory* memory = nullptr);

/// The same search for the host: i1, i2, i3 in are the previous result (the
/// walk starts at i1 when it is a node), out the triangle, (-1, 0, 0) outside,
/// or i1 = -3 (i2, i3 unchanged). Unchanged when the hint triangle still holds
/// the point or the lists are damaged.
void find_triangle(const MeshView& mesh, double y, double z, std::int32_t& i1, std::int32_t& i2, std::int32_t& i3);

/// One node of a PackedMesh as a search reads it.
struct PackedNode {
    float y = 0.0f, z = 0.0f;
    std::int32_t first = 0;  // its list in PackedMesh::adj, 1-based; 0: a damaged list
    std::int32_t last = -1;
};

/// One node of a PackedMesh as an interpolation reads it.
struct PackedValues {
    float x = 0.0f;
    float gy = 0.0f, gz = 0.0f;  // gradient dX/dY, dX/dZ (0 without gradients)
    std::int32_t host = 0;       // its number in the host's arrays
};

/// Entries of 0 that follow the lists of a PackedMesh, so that a list is
/// read several entries at once without leaving the array.
inline constexpr std::int64_t kAdjPadding = 8;

/// A copy of a loaded triangulation laid out for many queries: the nodes
/// renumbered in an order the caller chooses (neighbours in space near in
/// memory), and the lists renumbered to match (0 kept, any other value that
/// is no node becomes -1). A search in it takes the steps of the same search
/// in the host's arrays, node for renumbered node.
struct PackedMesh {
    std::int32_t n = 0, nadj = 0;        // the host's counts, which bound the walk
    std::vector<PackedNode> node;        // element k: node k + 1
    std::vector<PackedValues> value;     // element k: node k + 1
    std::vector<std::int32_t> adj;       // element k: list position k + 1; kAdjPadding zeros after the last list
    std::vector<std::uint8_t> clean;     // element k: 1 when node k + 1's list names nodes only (a hull's 0 aside)
    std::vector<std::int32_t> renumber;  // element k: the packed number of host node k + 1
};

/// Packs the host's arrays (nodes n x 3, iadj, istart, gradients 2 x n or
/// null) with node order[k] (host numbers, a permutation of 1..n) as node
/// k + 1. False when memory runs out or the lists would need more room than
/// nadj (lists that overlap: a damaged triangulation).
[[nodiscard]] bool pack_mesh(std::int32_t n, std::int32_t nadj, const float* nodes, const std::int32_t* iadj,
                             const std::int32_t* istart, const float* gradients, const std::vector<std::int32_t>& order,
                             PackedMesh& mesh);

/// lookup_sgl_new on a packed mesh (packed node numbers in and out; a walk
/// that restarts draws a host node from the shared sequence and renumbers it).
[[nodiscard]] Status lookup_sgl_new(const PackedMesh& mesh, double y, double z, std::int32_t& start, std::int32_t& i1,
                                    std::int32_t& i2, std::int32_t& i3, std::int32_t& same);

}  // namespace seabed
