// Exports that query a loaded 3D seabed.
#include <algorithm>

#include "abi/abi.hpp"
#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/linear_interpolation.hpp"
#include "seabed/query/lookup.hpp"

// Null arguments make a call return without doing anything.

namespace {

/// The search's view of the host's descriptors. Node numbers and list
/// positions are bounded by the descriptors' extents as well as by n and
/// nadj, so no count can lead a read outside the arrays.
bool mesh_of(std::int32_t n, std::int32_t nadj, const seabed_desc2& nodes, const seabed_desc1& iadj,
             const seabed_desc1& istart, seabed::MeshView& m) {
    if (!nodes.base || !iadj.base || !istart.base || nodes.dim[1].extent < 3) return false;
    const std::int64_t nn = std::min<std::int64_t>({n, nodes.dim[0].extent, istart.dim[0].extent});
    const std::int64_t na = std::min<std::int64_t>(nadj, iadj.dim[0].extent);
    m.n = static_cast<std::int32_t>(nn);
    m.nadj = static_cast<std::int32_t>(na);
    const char* base = static_cast<const char*>(nodes.base);
    m.y = base + nodes.dim[1].stride;  // column 2
    m.z = base + 2 * nodes.dim[1].stride;  // column 3
    m.y_stride = m.z_stride = nodes.dim[0].stride;
    m.iadj = static_cast<const char*>(iadj.base);
    m.iadj_stride = iadj.dim[0].stride;
    m.istart = static_cast<const char*>(istart.base);
    m.istart_stride = istart.dim[0].stride;
    return true;
}

}  // namespace

extern "C" SEABED_API void find_triangle(const double* y, const double* z, const int32_t* n, const int32_t* nadj,
                                         const seabed_desc2* nodes, const seabed_desc1* iadj,
                                         const seabed_desc1* istart, int32_t* i1, int32_t* i2, int32_t* i3) {
    if (!abi::all_present(y, z, n, nadj, nodes, iadj, istart, i1, i2, i3)) return;
    abi::guarded_void([&] {
        seabed::MeshView m;
        if (!mesh_of(*n, *nadj, *nodes, *iadj, *istart, m)) return;
        seabed::find_triangle(m, *y, *z, *i1, *i2, *i3);
    });
}

extern "C" SEABED_API void interpolate_3d_linear(const double* y, const double* z, const int32_t* n,
                                                 const int32_t* nadj, const float* nodes, const int32_t* iadj,
                                                 const int32_t* istart, double* x, double* normal, int32_t* start,
                                                 int32_t* status) {
    if (!abi::all_present(y, z, n, nadj, nodes, iadj, istart, x, normal, start, status)) return;
    *status = abi::guarded(
        [&] { return seabed::interpolate_3d_linear(*y, *z, *n, *nadj, nodes, iadj, istart, *x, normal, *start); });
}

extern "C" SEABED_API void interpolate_3d_cubic(const double* y, const double* z, const int32_t* n,
                                                const int32_t* nadj, const float* nodes, const int32_t* iadj,
                                                const int32_t* istart, const float* gradients, double* x,
                                                double* normal, int32_t* start, int32_t* status) {
    if (!abi::all_present(y, z, n, nadj, nodes, iadj, istart, gradients, x, normal, start, status)) return;
    *status = abi::guarded([&] {
        return seabed::interpolate_3d_cubic(*y, *z, *n, *nadj, nodes, iadj, istart, gradients, *x, normal, *start);
    });
}
