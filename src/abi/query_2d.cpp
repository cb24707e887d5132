// The 2D profile query exports. They keep no state, so hosts may call them
// from many threads at once.
#include "abi/abi.hpp"
#include "seabed/profile/profile_2d.hpp"

// A null argument makes a call return without writing anything.

extern "C" SEABED_API void find_segment(const float* profile, const int32_t* n, const double* y, int32_t* segment) {
    if (!abi::all_present(profile, n, y, segment)) return;
    seabed::find_segment(profile, *n, *y, *segment);
}

extern "C" SEABED_API void interpolate_2d_linear(const double* y, const int32_t* n, const float* profile, double* x,
                                                 double* slope, int32_t* segment) {
    if (!abi::all_present(y, n, profile, x, slope, segment)) return;
    seabed::interpolate_2d_linear(*y, *n, profile, *x, *slope, *segment);
}

extern "C" SEABED_API void interpolate_2d_cubic(const double* y, const int32_t* n, const float* profile,
                                                const float* slopes, double* x, double* slope, int32_t* segment) {
    if (!abi::all_present(y, n, profile, slopes, x, slope, segment)) return;
    seabed::interpolate_2d_cubic(*y, *n, profile, slopes, *x, *slope, *segment);
}
