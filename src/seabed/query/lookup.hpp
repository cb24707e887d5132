// Triangle location: the walk through a triangulation towards a horizontal
// point (y, z). Node numbers are 1-based; neighbour lists run counter-clockwise
// (Y right, Z up) and a hull node's list ends in 0.
#pragma once

#include <cstdint>

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
/// True when that applied.
bool mark_outside(Status st, std::int32_t i1, double& x, double normal[3]);

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
}  // namespace lookup_tuning

/// Searches for the triangle holding (y, z), for the interpolations.
/// start: in, the node to walk from when it lies in 1..n (else a random one);
/// out, i1 when the previous triangle still holds the point, or a hull node
/// when the point lies outside. i1, i2, i3: in, the previous triangle; out, the
/// triangle counter-clockwise, or (-1, 0, 0) outside, or i1 = -3 when all
/// neighbours of a node lie on one line through the point. same: 1 when the
/// previous triangle still holds the point, else 0. Status: Ok,
/// WalkNodeOutOfRange (42) or WalkFarNodeOutOfRange (43) on damaged lists,
/// which leave i1, i2, i3 and start alone.
[[nodiscard]] Status lookup_sgl_new(std::int32_t n, std::int32_t nadj, const std::int32_t* iadj,
                                    const std::int32_t* istart, const float* y_col, const float* z_col, double y,
                                    double z, std::int32_t& start, std::int32_t& i1, std::int32_t& i2,
                                    std::int32_t& i3, std::int32_t& same);

/// The same search for the host: i1, i2, i3 in are the previous result (the
/// walk starts at i1 when it is a node), out the triangle, (-1, 0, 0) outside,
/// or i1 = -3 (i2, i3 unchanged). Unchanged when the hint triangle still holds
/// the point or the lists are damaged.
void find_triangle(const MeshView& mesh, double y, double z, std::int32_t& i1, std::int32_t& i2, std::int32_t& i3);

}  // namespace seabed
