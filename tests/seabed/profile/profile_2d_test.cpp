// 2D profile queries and slopes, without files.
#include "seabed/profile/profile_2d.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace seabed {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN(), kInff = std::numeric_limits<float>::infinity();
constexpr double kSentinel = -12345.678;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

/// Column-major n x 2 profile from X and Y.
std::vector<float> profile_of(const std::vector<float>& x, const std::vector<float>& y) {
    std::vector<float> p(x);
    p.insert(p.end(), y.begin(), y.end());
    return p;
}

// On increasing Y the code is the documented one whatever the hint (bisection
// below 1, a walk from it otherwise, out of range included); on any other
// data (unordered, NaN, infinite, equal) the search still ends with a code in
// 1..n+1, and the queries with it.
TEST(Profile2DSearch, CodeFollowsTheDefinitionFromAnyHintAndStaysInRangeOnHostileData) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-10.0f, 10.0f);
    for (int trial = 0; trial < 2000; ++trial) {
        const auto n = static_cast<std::int32_t>(2 + rng() % 12);
        std::vector<float> ys(static_cast<std::size_t>(n)), slopes(ys.size(), 0.5f);
        for (float& v : ys) v = std::round(coord(rng) * 4.0f) / 4.0f;  // equal values now and then
        const bool ordered = trial % 2 == 0;
        if (ordered) {
            std::sort(ys.begin(), ys.end());
            if (std::adjacent_find(ys.begin(), ys.end()) != ys.end()) continue;
        } else {
            if (trial % 5 == 1) ys[rng() % ys.size()] = kNaNf;
            if (trial % 7 == 1) ys[rng() % ys.size()] = kInff;
        }
        const std::vector<float> p = profile_of(std::vector<float>(ys.size(), 1.0f), ys);
        for (int q = 0; q < 20; ++q) {
            const double y = q == 0 ? kNaN : q == 1 ? double(ys[rng() % ys.size()]) : double(coord(rng));
            const SegmentCode hint = static_cast<SegmentCode>(rng() % static_cast<unsigned>(n + 3)) - 1;
            SegmentCode got = hint, lin = hint, cub = hint;
            find_segment(p.data(), n, y, got);
            double x = 0, slope = 0;
            interpolate_2d_linear(y, n, p.data(), x, slope, lin);
            interpolate_2d_cubic(y, n, p.data(), slopes.data(), x, slope, cub);
            ASSERT_TRUE(got >= 1 && got <= n + 1 && lin == got && cub == got) << trial << " " << q;
            if (!ordered || std::isnan(y)) continue;  // NaN: the code depends on the hint
            const auto below = std::upper_bound(ys.begin(), ys.end(), y) - ys.begin();  // points with Y <= y
            ASSERT_EQ(got, below + 1) << "trial " << trial << " y " << y << " hint " << hint;
        }
    }
}

TEST(Profile2DQueries, PointsAndOutsideTheProfileWithAnyHint) {
    const std::vector<float> p = profile_of({2.0f, 3.0f, -1.0f, 0.5f, 4.0f}, {0.0f, 1.0f, 2.5f, 4.0f, 7.0f});
    const std::vector<float> m{0.0f, 0.75f, -1.5f, 2.0f, 0.0f};
    struct Case {
        double y;
        SegmentCode code;
        double x;
        bool slope_written;
        double linear_slope, cubic_slope;
    } cases[] = {
        {-5.0, 1, 2.0, false, 0, 0},
        {0.0, 2, 2.0, true, 1.0, 0.0},          // Y(1): secant of the first segment / m(1)
        {1.0, 3, 3.0, true, -4.0 / 1.5, 0.75},  // interior point: the segment to its right
        {2.5, 4, -1.0, true, 1.0, -1.5},
        {7.0, 6, 4.0, false, 0, 0},             // Y(N): at or right of the last point
        {1.0e30, 6, 4.0, false, 0, 0},
    };
    for (const Case& c : cases)
        for (SegmentCode hint : {0, 1, 10000})
            for (bool cubic : {false, true}) {
                double xv = kSentinel, slope = kSentinel;
                SegmentCode s = hint;
                if (cubic) {
                    interpolate_2d_cubic(c.y, 5, p.data(), m.data(), xv, slope, s);
                } else {
                    interpolate_2d_linear(c.y, 5, p.data(), xv, slope, s);
                }
                SCOPED_TRACE(::testing::Message() << c.y << " cubic " << cubic << " hint " << hint);
                EXPECT_EQ(s, c.code);
                EXPECT_EQ(bits(xv), bits(c.x));
                EXPECT_EQ(bits(slope), bits(!c.slope_written ? kSentinel : cubic ? c.cubic_slope : c.linear_slope));
            }
    for (std::int32_t n : {0, -1, 1, INT32_MIN, INT32_MAX}) {  // not searched: outputs keep their values
        double x = kSentinel, slope = kSentinel;
        SegmentCode s = 77;
        find_segment(p.data(), n, 0.5, s);
        interpolate_2d_linear(0.5, n, p.data(), x, slope, s);
        interpolate_2d_cubic(0.5, n, p.data(), m.data(), x, slope, s);
        EXPECT_EQ(s, 77);
        EXPECT_EQ(x, kSentinel);
        EXPECT_EQ(slope, kSentinel);
    }
}

TEST(Profile2DQueries, CubicSegmentWidthIsAFloatDifference) {
    // Y(2) - Y(1) is 1 + 2^-24 in double but rounds to 1 in float.
    const float y1 = 1.0f + 0x1p-23f, y0 = 0x1p-24f;
    const std::vector<float> p = profile_of({0.0f, 1.0f}, {y0, y1}), m{0.0f, 0.0f};
    double x = 0, slope = 0;
    SegmentCode s = 0;
    cubic_spline_interpolate(0.5, x, slope, s, 2, p.data(), m.data());
    const double h = static_cast<double>(y1 - y0);
    ASSERT_NE(h, static_cast<double>(y1) - static_cast<double>(y0));
    const double t = 0.5 - static_cast<double>(y0), u = t / h, d = 1.0 / h, c = d - -d;
    EXPECT_EQ(bits(x), bits(t * (u * (d + (1.0 - u) * c))));
}

TEST(Profile2DSlopes, WorkedProfilesOfEvenAndUnevenSpacing) {
    struct Case {
        const char* name;
        std::vector<float> x, y, spline, bessel;
    } cases[] = {
        {"two points have zero slopes", {1, 5}, {0, 3}, {0, 0}, {0, 0}},
        // h = 1, d = (1, 2): the middle row reads 8 m(2) = 18; Bessel averages the secants
        {"three points", {0, 1, 3}, {0, 1, 2}, {0, 2.25f, 0}, {0, 1.5f, 0}},
        // h = (1, 2), d = (1, 2): 3 m(2) = 6; Bessel weighs each secant by the other interval
        {"three points, uneven", {0, 1, 5}, {0, 1, 3}, {0, 2, 0}, {0, 4.0f / 3.0f, 0}},
        // X = Y^2: Bessel's slopes are the derivative 2 Y, exactly
        {"quadratic, uneven", {0, 1, 9, 16, 49}, {0, 1, 3, 4, 7}, {}, {0, 2, 6, 8, 0}},
        // X = 3 Y^2 - 2 Y^3 has zero end slopes: the spline is that cubic, slopes 6 Y - 6 Y^2
        {"smoothstep, uneven", {0, 0.15625f, 0.5f, 1}, {0, 0.25f, 0.5f, 1}, {0, 1.125f, 1.5f, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto n = static_cast<std::int32_t>(c.x.size());
        std::vector<float> p = profile_of(c.x, c.y), spline(c.x.size(), kNaNf), bessel(c.x.size(), kNaNf);
        ASSERT_EQ(get_cubic_spline_slopes(n, p.data(), spline.data(), nullptr), Status::Ok);
        ASSERT_EQ(get_cubic_bessel_slopes(n, p.data(), bessel.data(), nullptr), Status::Ok);
        if (!c.bessel.empty()) {
            EXPECT_EQ(bessel, c.bessel);
        }
        for (std::size_t i = 0; i < c.spline.size(); ++i) EXPECT_NEAR(spline[i], c.spline[i], 1e-6f) << i;
        EXPECT_TRUE(spline.front() == 0.0f && spline.back() == 0.0f && bessel.front() == 0.0f && bessel.back() == 0.0f);
    }
}

TEST(Profile2DSlopes, NonIncreasingYIsRefusedWhereEachMethodChecks) {
    struct Case {
        std::vector<float> y;
        Status spline, bessel;  // Bessel checks intervals 2..n-1 only
    } cases[] = {
        {{0, 0, 1, 2}, Status::YNotIncreasing, Status::Ok},
        {{0, 1, 1, 2}, Status::YNotIncreasing, Status::YNotIncreasing},
        {{0, 1, 2, 1}, Status::YNotIncreasing, Status::YNotIncreasing},
        {{0, 1, kNaNf, 3}, Status::YNotIncreasing, Status::YNotIncreasing},
    };
    for (const Case& c : cases) {
        std::vector<float> p = profile_of({1, 2, 3, 4}, c.y), s(4);
        EXPECT_EQ(get_cubic_spline_slopes(4, p.data(), s.data(), nullptr), c.spline);
        EXPECT_EQ(get_cubic_bessel_slopes(4, p.data(), s.data(), nullptr), c.bessel);
    }
}

}  // namespace
}  // namespace seabed
