#include "seabed/profile/profile_2d.hpp"

#include <algorithm>
#include <new>
#include <vector>

#include "core/record_file.hpp"
#include "core/try_resize.hpp"

namespace seabed {
namespace {

// Values of sampled profile gathered before one write: 8192 whole records.
constexpr std::size_t kChunkValues = 8 * 8192;

/// A profile that can be queried: at least two points, and n + 1 still a
/// 32-bit segment code.
bool queryable(std::int32_t n) { return n >= 2 && n < INT32_MAX; }

/// Segment code of y in the coordinates yc (yc[i - 1] is Y(i)), from the hint.
SegmentCode segment_of(const float* yc, std::int32_t n, double y, SegmentCode hint) {
    // fp: every comparison in double, the float coordinates widened
    if (static_cast<double>(yc[0]) > y) return 1;
    if (y >= static_cast<double>(yc[n - 1])) return n + 1;
    if (hint < 1) {
        std::int32_t lo = 1, hi = n;
        while (hi - lo > 1) {
            const std::int32_t mid = lo + (hi - lo) / 2;  // (lo + hi) / 2 without overflow
            if (static_cast<double>(yc[mid - 1]) > y)
                hi = mid;
            else
                lo = mid;
        }
        return hi;
    }
    // Walk held to 1..n-1 by explicit limits: bounded for any data (NaN, unordered), same code as the unlimited walk.
    std::int32_t k = std::max(1, std::min(n - 1, hint));
    while (k < n - 1 && y >= static_cast<double>(yc[k])) ++k;  // y >= Y(k+1)
    while (k > 1 && static_cast<double>(yc[k - 1]) > y) --k;   // Y(k) > y
    return k + 1;
}

Status not_increasing(RecordFile* file) {
    return file ? write_error(*file, Status::YNotIncreasing) : Status::YNotIncreasing;
}

/// Sampled profile with one set of slopes, written from the running record
/// on: 20 samples per interval, then the last point; samples are (X, Y)
/// float pairs, four to a record. False when a write fails.
bool write_sampled_profile(BlockWriter& out, const float* profile, std::int32_t n, const float* slopes,
                           std::vector<float>& buffer) {
    const float* yc = profile + n;
    SegmentCode segment = 0;  // each sample's search walks on from the one before
    double x = 0.0, slope = 0.0;
    buffer.clear();
    auto add = [&](float y) {
        cubic_spline_interpolate(static_cast<double>(y), x, slope, segment, n, profile, slopes);
        buffer.push_back(static_cast<float>(x));
        buffer.push_back(y);
    };
    for (std::int32_t k = 1; k <= n - 1; ++k) {
        const float yk = yc[k - 1];
        const float h = yc[k] - yc[k - 1];
        for (std::int32_t j = 1; j <= kSamplesPerInterval; ++j) {
            // fp: float, in this order: ((j - 1) / 20) * h + Y(k)
            add((static_cast<float>(j) - 1.0f) / 20.0f * h + yk);
        }
        // 20 samples per interval keep the buffer at a whole number of records
        if (buffer.size() >= kChunkValues) {
            if (!out.block(buffer.data(), static_cast<std::int64_t>(buffer.size()))) return false;
            buffer.clear();
        }
    }
    add(yc[n - 1]);  // the last point, alone in a new record
    return out.block(buffer.data(), static_cast<std::int64_t>(buffer.size()));
}

/// Stores the segment code of y and, left or right of the profile, the end
/// point's elevation (the profile continues flat, the slope is left alone).
/// Returns the code when y lies inside, else 0; with fewer than two points
/// (loading refuses them) it touches nothing.
SegmentCode locate_inside(double y, std::int32_t n, const float* profile, double& x, SegmentCode& segment) {
    if (!queryable(n)) return 0;
    const SegmentCode s = segment_of(profile + n, n, y, segment);
    segment = s;
    if (s == 1) {
        x = static_cast<double>(profile[0]);
        return 0;
    }
    if (s == n + 1) {
        x = static_cast<double>(profile[n - 1]);
        return 0;
    }
    return s;
}

}  // namespace

void find_segment(const float* profile, std::int32_t n, double y, SegmentCode& segment) {
    if (!queryable(n)) return;  // fewer than two points: nothing to search (loading refuses them)
    segment = segment_of(profile + n, n, y, segment);
}

void interpolate_2d_linear(double y, std::int32_t n, const float* profile, double& x, double& slope,
                           SegmentCode& segment) {
    const SegmentCode s = locate_inside(y, n, profile, x, segment);
    if (s == 0) return;
    const float* yc = profile + n;
    // fp: double throughout, from the widened floats
    const double x0 = profile[s - 2], x1 = profile[s - 1];
    const double y0 = yc[s - 2], y1 = yc[s - 1];
    const double m = (x1 - x0) / (y1 - y0);
    slope = m;
    x = x0 + (y - y0) * m;
}

void cubic_spline_interpolate(double y, double& x, double& slope, SegmentCode& segment, std::int32_t n,
                              const float* profile, const float* slopes) {
    const SegmentCode s = locate_inside(y, n, profile, x, segment);
    if (s == 0) return;
    const float* yc = profile + n;
    const double x0 = profile[s - 2], x1 = profile[s - 1];
    const double m0 = slopes[s - 2], m1 = slopes[s - 1];
    const double h = static_cast<double>(yc[s - 1] - yc[s - 2]);  // fp: difference in float, then widened
    const double t = y - static_cast<double>(yc[s - 2]);           // fp: double from here on
    const double u = t / h;
    const double d = (x1 - x0) / h;
    const double a = d - m0;
    const double b = m1 - d;
    const double c = a - b;
    x = x0 + t * (m0 + u * (a + (1.0 - u) * c));
    slope = m0 + u * (a + b + 3.0 * (1.0 - u) * c);
}

Status get_cubic_bessel_slopes(std::int32_t n, const float* profile, float* slopes, RecordFile* file) {
    // fp: float throughout
    const float* xc = profile;
    const float* yc = profile + n;
    slopes[0] = 0.0f;
    slopes[n - 1] = 0.0f;
    if (n < 3) return Status::Ok;
    float h_prev = yc[1] - yc[0];                  // h(1), tested by the spline step
    float d_prev = (xc[1] - xc[0]) / h_prev;       // d(1)
    for (std::int32_t i = 2; i <= n - 1; ++i) {
        const float h = yc[i] - yc[i - 1];         // h(i)
        if (!(h > 0.0f)) return not_increasing(file);  // NaN fails too
        const float d = (xc[i] - xc[i - 1]) / h;   // d(i)
        slopes[i - 1] = (d * h_prev + d_prev * h) / (h + h_prev);
        h_prev = h;
        d_prev = d;
    }
    return Status::Ok;
}

Status get_cubic_spline_slopes(std::int32_t n, const float* profile, float* slopes, RecordFile* file) {
    // fp: float throughout. The sweep's partial solution p(i) is kept in
    // slopes(i), which the back substitution turns into m(i) in place.
    const float* xc = profile;
    const float* yc = profile + n;
    std::vector<float> c;
    if (!try_resize(c, n)) {
        // closest status: the interface's allocation code, recorded like a slope failure
        return file ? write_error(*file, Status::NoMemory) : Status::NoMemory;
    }
    float* m = slopes;
    m[0] = 0.0f;  // m(1) = p(1) = 0
    m[n - 1] = 0.0f;
    c[0] = 0.0f;
    const float h1 = yc[1] - yc[0];
    if (!(h1 > 0.0f)) return not_increasing(file);
    const float d1 = (xc[1] - xc[0]) / h1;
    float big_a = 4.0f / h1;
    float big_b = 2.0f / h1;
    float big_r = (big_a + big_b) * d1;
    for (std::int32_t i = 2; i <= n - 1; ++i) {
        const float h = yc[i] - yc[i - 1];
        if (!(h > 0.0f)) return not_increasing(file);
        const float a = 4.0f / h;
        const float b = 2.0f / h;
        const float d = (xc[i] - xc[i - 1]) / h;
        const float r = (a + b) * d;
        const float den = (big_a - c[i - 2] * big_b) + a;
        c[i - 1] = b / den;
        m[i - 1] = ((big_r - big_b * m[i - 2]) + r) / den;
        big_a = a;
        big_b = b;
        big_r = r;
    }
    for (std::int32_t i = n - 1; i >= 2; --i) m[i - 1] = m[i - 1] - c[i - 1] * m[i];
    return Status::Ok;
}

Status generate_2d(RecordFile& file, std::int64_t& next_record, const float* profile, std::int32_t n) {
    if (n < 2) return Status::TooFewNodes;
    if (n > kMaxProfilePoints) return Status::NoMemory;  // closest status: M has no 32-bit count
    std::vector<float> spline, bessel, buffer;
    if (!try_resize(spline, n) || !try_resize(bessel, n) ||
        !try_reserve(buffer, kChunkValues + 2 * kSamplesPerInterval + 2))
        return write_error(file, Status::NoMemory);  // closest status, recorded as this generator's failure
    if (Status st = get_cubic_bessel_slopes(n, profile, bessel.data(), &file); st != Status::Ok) return st;
    if (Status st = get_cubic_spline_slopes(n, profile, spline.data(), &file); st != Status::Ok) return st;

    const std::int32_t m = kSamplesPerInterval * n - (kSamplesPerInterval - 1);
    const std::int32_t counts[2] = {m, m};
    if (!file.write_bytes(11, counts, sizeof counts)) return Status::FileWrite;

    BlockWriter out(file, next_record);
    const bool written = write_sampled_profile(out, profile, n, spline.data(), buffer) &&
                         write_sampled_profile(out, profile, n, bessel.data(), buffer) &&
                         out.block(spline.data(), n) && out.block(bessel.data(), n);
    next_record = out.next_record();
    return written ? Status::Ok : Status::FileWrite;
}

}  // namespace seabed
