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
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kSentinel = -12345.678;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

/// Column-major n x 2 profile from X and Y.
std::vector<float> profile_of(const std::vector<float>& x, const std::vector<float>& y) {
    std::vector<float> p(x);
    p.insert(p.end(), y.begin(), y.end());
    return p;
}

/// The segment search written out literally, with a cap that turns a runaway
/// walk into a test failure instead of a hang.
SegmentCode literal_search(const std::vector<float>& p, std::int32_t n, double y, SegmentCode hint) {
    auto Y = [&](std::int32_t i) { return static_cast<double>(p[static_cast<std::size_t>(n + i - 1)]); };
    if (Y(1) > y) return 1;
    if (y >= Y(n)) return n + 1;
    if (hint < 1) {
        std::int32_t lo = 1, hi = n;
        if (n > 2)
            while (hi - lo > 1) {
                std::int32_t mid = (lo + hi) / 2;
                if (Y(mid) > y) hi = mid; else lo = mid;
            }
        return hi;
    }
    std::int32_t k = std::max(1, std::min(n - 1, hint));
    for (int steps = 0;; ++steps) {
        if (steps > n || k < 1 || k > n - 1) return -1;
        if (y >= Y(k + 1)) ++k;
        else if (Y(k) > y) --k;
        else return k + 1;
    }
}

class Profile5 : public ::testing::Test {
protected:
    std::vector<float> x{2.0f, 3.0f, -1.0f, 0.5f, 4.0f};
    std::vector<float> y{0.0f, 1.0f, 2.5f, 4.0f, 7.0f};
    std::vector<float> m{0.0f, 0.75f, -1.5f, 2.0f, 0.0f};
    std::vector<float> p = profile_of(x, y);
    std::int32_t n = 5;
};

// The bounded walk gives the literal search's code for any data, ordered or
// not, NaN included: its limits only stop it where the literal walk stops.
TEST(Profile2DSearch, BoundedWalkMatchesTheLiteralSearchOnHostileData) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-10.0f, 10.0f);
    for (int trial = 0; trial < 2000; ++trial) {
        const std::int32_t n = 2 + static_cast<std::int32_t>(rng() % 12);
        std::vector<float> xs(n, 0.0f), ys(n);
        for (float& v : ys) v = coord(rng);
        if (trial % 2 == 0) std::sort(ys.begin(), ys.end());
        if (trial % 5 == 0) ys[rng() % n] = std::numeric_limits<float>::quiet_NaN();
        if (trial % 7 == 0) ys[rng() % n] = std::numeric_limits<float>::infinity();
        std::vector<float> p = profile_of(xs, ys);
        for (int q = 0; q < 20; ++q) {
            const double y = q == 0 ? kNaN : coord(rng);
            const SegmentCode hint = static_cast<SegmentCode>(rng() % (n + 3)) - 1;
            const SegmentCode want = literal_search(p, n, y, hint);
            ASSERT_NE(want, -1) << "the literal walk ran away";
            SegmentCode got = hint;
            find_segment(p.data(), n, y, got);
            ASSERT_EQ(got, want) << "trial " << trial << " y " << y << " hint " << hint;
        }
    }
}

TEST_F(Profile5, QueriesAtPointsAndOutsideTheProfile) {
    struct Case {
        double y;
        SegmentCode code;
        double x;
        bool slope_written;
        double linear_slope, cubic_slope;
    } cases[] = {
        {-5.0, 1, 2.0, false, 0, 0},
        {0.0, 2, 2.0, true, 1.0, 0.0},            // Y(1): secant of the first segment / m(1)
        {1.0, 3, 3.0, true, -4.0 / 1.5, 0.75},    // interior point: the segment to its right
        {2.5, 4, -1.0, true, 1.0, -1.5},
        {7.0, 6, 4.0, false, 0, 0},               // Y(N): at or right of the last point
        {1.0e30, 6, 4.0, false, 0, 0},
    };
    for (const Case& c : cases) {
        for (SegmentCode hint : {0, 1, 10000}) {  // the hint changes the walk, never the answer
            for (bool cubic : {false, true}) {
                double xv = kSentinel, slope = kSentinel;
                SegmentCode s = hint;
                if (cubic)
                    interpolate_2d_cubic(c.y, n, p.data(), m.data(), xv, slope, s);
                else
                    interpolate_2d_linear(c.y, n, p.data(), xv, slope, s);
                EXPECT_EQ(s, c.code) << c.y << " hint " << hint;
                EXPECT_EQ(bits(xv), bits(c.x)) << c.y << " cubic " << cubic << " hint " << hint;
                const double want_slope = !c.slope_written ? kSentinel : cubic ? c.cubic_slope : c.linear_slope;
                EXPECT_EQ(bits(slope), bits(want_slope)) << c.y << " cubic " << cubic << " hint " << hint;
            }
        }
    }
}

TEST(Profile2DCubic, SegmentWidthIsAFloatDifference) {
    // Y(2) - Y(1) is 1 + 2^-24 in double but rounds to 1 in float.
    const float y1 = 1.0f + 0x1p-23f, y0 = 0x1p-24f;
    std::vector<float> p = profile_of({0.0f, 1.0f}, {y0, y1});
    std::vector<float> m{0.0f, 0.0f};
    double x = 0, slope = 0;
    SegmentCode s = 0;
    const double y = 0.5;
    cubic_spline_interpolate(y, x, slope, s, 2, p.data(), m.data());
    const double h = static_cast<double>(y1 - y0);
    ASSERT_NE(h, static_cast<double>(y1) - static_cast<double>(y0));
    const double t = y - static_cast<double>(y0), u = t / h, d = 1.0 / h;
    const double a = d, b = -d, c = a - b;
    EXPECT_EQ(bits(x), bits(0.0 + t * (0.0 + u * (a + (1.0 - u) * c))));
}

TEST(Profile2DQueries, BadCountsAndValuesNeverCrash) {
    std::vector<float> p = profile_of({1.0f, 2.0f, 3.0f}, {0.0f, 1.0f, 2.0f});
    std::vector<float> m(3, 0.0f);
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
    const float fnan = std::numeric_limits<float>::quiet_NaN(), finf = std::numeric_limits<float>::infinity();
    std::vector<std::vector<float>> hostile = {
        profile_of({fnan, 2.0f, 3.0f}, {0.0f, 1.0f, 2.0f}), profile_of({1.0f, 2.0f, 3.0f}, {0.0f, fnan, 2.0f}),
        profile_of({1.0f, finf, 3.0f}, {-finf, 1.0f, finf}), profile_of({1.0f, 2.0f, 3.0f}, {2.0f, 1.0f, 0.0f}),
        profile_of({1.0f, 2.0f, 3.0f}, {fnan, fnan, fnan})};
    std::vector<float> bad_slopes{fnan, finf, -finf};
    for (const auto& hp : hostile)
        for (double y : {kNaN, kInf, -kInf, 0.5, 1.0, 1.5})
            for (SegmentCode hint : {0, 1, 2, 3, 4, 99}) {
                double x = 0, slope = 0;
                SegmentCode s = hint;
                interpolate_2d_linear(y, 3, hp.data(), x, slope, s);
                EXPECT_TRUE(s >= 1 && s <= 4);
                s = hint;
                interpolate_2d_cubic(y, 3, hp.data(), bad_slopes.data(), x, slope, s);
                EXPECT_TRUE(s >= 1 && s <= 4);
            }
}

TEST(Profile2DSlopes, WorkedProfiles) {
    struct Case {
        const char* name;
        std::vector<float> x, y, spline, bessel;
    } cases[] = {
        {"two points have zero slopes", {1, 5}, {0, 3}, {0, 0}, {0, 0}},
        // h = 1, d = (1, 2): the middle row reads 8 m(2) = 18; Bessel averages the secants
        {"three points", {0, 1, 3}, {0, 1, 2}, {0, 2.25f, 0}, {0, 1.5f, 0}},
        // X = 2 Y + 1, uneven spacing, every step exact in float: the end slopes of 0 bend the spline
        {"straight line", {1, 3, 7, 9, 17}, {0, 1, 3, 4, 8}, {}, {0, 2, 2, 2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto n = static_cast<std::int32_t>(c.x.size());
        std::vector<float> p = profile_of(c.x, c.y), spline(c.x.size()), bessel(c.x.size());
        ASSERT_EQ(get_cubic_spline_slopes(n, p.data(), spline.data(), nullptr), Status::Ok);
        ASSERT_EQ(get_cubic_bessel_slopes(n, p.data(), bessel.data(), nullptr), Status::Ok);
        EXPECT_EQ(bessel, c.bessel);
        if (!c.spline.empty()) EXPECT_EQ(spline, c.spline);
        EXPECT_EQ(spline.front(), 0.0f);
        EXPECT_EQ(spline.back(), 0.0f);
        if (c.spline.empty())
            for (std::size_t i = 1; i + 1 < spline.size(); ++i) EXPECT_NE(spline[i], 2.0f);
    }
}

}  // namespace
}  // namespace seabed
