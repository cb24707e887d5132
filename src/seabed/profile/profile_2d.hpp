// 2D profile seabeds: the elevation X along one horizontal coordinate Y.
//
// A profile of n points is one column-major n x 2 float array: X(1..n) in the
// first n values, Y(1..n), strictly increasing, in the next n. Points and
// segment codes are 1-based. The queries keep no state, so hosts may query
// one loaded profile from many threads.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"

namespace seabed {

class RecordFile;

/// 1-based segment code: 1 for y < Y(1), n + 1 for y >= Y(n), otherwise s
/// with Y(s-1) <= y < Y(s).
using SegmentCode = std::int32_t;

/// Samples per interval of a sampled profile; M = 20 n - 19 samples in all.
inline constexpr std::int32_t kSamplesPerInterval = 20;
/// Largest n whose sample count M still fits the 32-bit counts of record 11.
inline constexpr std::int32_t kMaxProfilePoints =
    static_cast<std::int32_t>((std::int64_t{INT32_MAX} + 19) / kSamplesPerInterval);

/// Segment code of y, searched from the hint in `segment` (below 1: bisection,
/// otherwise a walk from it) and stored back into it. A profile of fewer than
/// two points (or of INT32_MAX, whose code n + 1 has no 32-bit value) is not
/// searched: `segment` keeps its value.
void find_segment(const float* profile, std::int32_t n, double y, SegmentCode& segment);

/// Elevation at y, linear between points and continued flat outside; the
/// slope is written only inside the profile. n < 2 writes nothing.
void interpolate_2d_linear(double y, std::int32_t n, const float* profile, double& x, double& slope,
                           SegmentCode& segment);

/// Elevation at y on the cubic Hermite curve through the points with the
/// given slopes dX/dY, continued flat outside; the slope is written only
/// inside the profile. n < 2 writes nothing.
void cubic_spline_interpolate(double y, double& x, double& slope, SegmentCode& segment, std::int32_t n,
                              const float* profile, const float* slopes);

/// The exported cubic query: cubic_spline_interpolate in the export's order.
inline void interpolate_2d_cubic(double y, std::int32_t n, const float* profile, const float* slopes, double& x,
                                 double& slope, SegmentCode& segment) {
    cubic_spline_interpolate(y, x, slope, segment, n, profile, slopes);
}

/// Slopes (n floats) of the C2 cubic spline with both end slopes zero, in
/// float arithmetic. A non-increasing Y is YNotIncreasing, recorded through
/// write_error in `file` when one is given (the returned status is then what
/// write_error leaves). Needs n >= 2.
[[nodiscard]] Status get_cubic_spline_slopes(std::int32_t n, const float* profile, float* slopes, RecordFile* file);

/// Bessel slopes (n floats), end slopes zero, in float arithmetic. Checks
/// intervals 2..n-1 only; failures as get_cubic_spline_slopes. Needs n >= 2.
[[nodiscard]] Status get_cubic_bessel_slopes(std::int32_t n, const float* profile, float* slopes, RecordFile* file);

/// Writes everything a 2D seabed file holds beyond its points: record 11,
/// the profile sampled with the spline and then the Bessel slopes from
/// `next_record` on, then the spline and Bessel slope blocks. `next_record`
/// ends one past the last record written. A non-increasing Y is recorded in
/// records 9 and 10 and nothing else is written; a failed write is FileWrite
/// and stops at once, leaving the records written before it. n must lie in
/// 2..kMaxProfilePoints (outside it: TooFewNodes / NoMemory, nothing written).
[[nodiscard]] Status generate_2d(RecordFile& file, std::int64_t& next_record, const float* profile, std::int32_t n);

}  // namespace seabed
