// shortest_double against fmt's "{}" itself, the text the tool's CSV has
// always had: every layout (exponent, whole number, point inside, leading
// "0.000") and every switch between them, on values chosen at the edges and
// on millions drawn at random.
#include "number_text.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace cli {
namespace {

std::string text_of(double v) {
    char buf[kDoubleTextRoom];
    return std::string(buf, shortest_double(buf, v));
}

/// Counts the values whose text differs, reporting the first few.
class SameAsFmt {
public:
    void check(double v) {
        const std::string expected = fmt::format("{}", v);
        if (text_of(v) == expected) return;
        if (++wrong_ <= 5) ADD_FAILURE() << "bits " << std::bit_cast<std::uint64_t>(v) << ": " << text_of(v)
                                         << " where fmt writes " << expected;
    }
    /// v, its neighbours, and the same of -v.
    void check_around(double v) {
        for (double s : {v, -v}) {
            check(s);
            check(std::nextafter(s, std::numeric_limits<double>::infinity()));
            check(std::nextafter(s, -std::numeric_limits<double>::infinity()));
        }
    }
    ~SameAsFmt() { EXPECT_EQ(wrong_, 0); }

private:
    int wrong_ = 0;
};

TEST(ShortestDouble, EdgeValuesAsFmtWritesThem) {
    using L = std::numeric_limits<double>;
    SameAsFmt same;
    for (double v : {0.0, L::min(), L::denorm_min(), L::max(), L::infinity(), L::quiet_NaN(), L::epsilon(),
                     0.1, 0.2, 0.3, 1.0 / 3.0, 2.0 / 3.0, 123.456, 9007199254740993.0})
        same.check_around(v);
    // every power of ten and the values either side, which hold the
    // switches between fixed and exponent form (1e-5 | 1e-4, 1e15 | 1e16)
    // and every digit count of the whole numbers below 1e16
    for (int k = -325; k <= 308; ++k) {
        const double p = std::pow(10.0, k);
        same.check_around(p);
        same.check_around(p * 9.999999999999999);
        same.check_around(p * 1.5);
    }
    for (int k = -1074; k <= 1023; ++k) same.check_around(std::ldexp(1.0, k));
    // whole numbers with zeros after their digits, the largest with 17 digits
    for (std::int64_t m = 1; m < 100000; m = m * 7 + 3)
        for (double scale = 1.0; scale < 1e22; scale *= 10.0) same.check_around(static_cast<double>(m) * scale);
    // the largest subnormal and the last value below 1e16
    same.check_around(std::bit_cast<double>(std::uint64_t{0x000FFFFFFFFFFFFF}));
    same.check_around(9999999999999998.0);
}

TEST(ShortestDouble, SignsOfZeroInfinityAndNan) {
    EXPECT_EQ(text_of(-0.0), "-0");
    EXPECT_EQ(text_of(-0.0), fmt::format("{}", -0.0));
    EXPECT_EQ(text_of(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(text_of(-std::numeric_limits<double>::quiet_NaN()),
              fmt::format("{}", -std::numeric_limits<double>::quiet_NaN()));
}

TEST(ShortestDouble, RandomValuesAsFmtWritesThem) {
    std::mt19937_64 draw(20240611);
    SameAsFmt same;
    // any bit pattern: NaN payloads, subnormals, exponents of both signs
    for (int i = 0; i < 1000000; ++i) same.check(std::bit_cast<double>(draw()));
    // magnitudes 1e-6 to 1e18, where every fixed layout and both switches lie
    std::uniform_int_distribution<std::uint64_t> fixed_range(std::bit_cast<std::uint64_t>(1e-6),
                                                             std::bit_cast<std::uint64_t>(1e18));
    for (int i = 0; i < 1000000; ++i) same.check(std::bit_cast<double>(fixed_range(draw)));
    // what the tool writes: coordinates given to a few decimals, elevations
    // and normals widened from float, components of unit vectors
    std::uniform_real_distribution<double> metres(-5.0e5, 5.0e5), unit(-1.0, 1.0);
    std::uniform_int_distribution<int> places(0, 6);
    for (int i = 0; i < 200000; ++i) {
        const double scale = std::pow(10.0, places(draw));
        same.check(std::round(metres(draw) * scale) / scale);
        same.check(static_cast<double>(static_cast<float>(metres(draw) / 1000.0)));
        same.check(static_cast<double>(static_cast<float>(unit(draw))));
        same.check(unit(draw));
    }
}

}  // namespace
}  // namespace cli
