#include "number_text.hpp"

#include <fmt/format.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace cli {
namespace {

struct DigitPairs {
    char text[200] = {};
    constexpr DigitPairs() {
        for (int i = 0; i < 100; ++i) {
            text[2 * i] = static_cast<char>('0' + i / 10);
            text[2 * i + 1] = static_cast<char>('0' + i % 10);
        }
    }
};
constexpr DigitPairs kPairs;

struct PowersOfTen {
    std::uint64_t value[20] = {};
    constexpr PowersOfTen() {
        value[0] = 1;
        for (int k = 1; k < 20; ++k) value[k] = value[k - 1] * 10;
    }
};
constexpr PowersOfTen kTens;

/// Decimal digits of v > 0: a guess from its bit length (1233 / 4096 is
/// log10(2) to four places) is at most one short.
int digit_count(std::uint64_t v) {
    const int guess = (static_cast<int>(std::bit_width(v)) * 1233) >> 12;
    return guess + (v >= kTens.value[guess] ? 1 : 0);
}

/// The digits of v > 0, ending at end.
void write_digits(char* end, std::uint64_t v) {
    // eight digits at a time, then pairs in 32 bits: 64-bit divisions by a
    // constant cost twice the instructions
    while (v >= 100000000) {
        auto eight = static_cast<std::uint32_t>(v % 100000000);
        v /= 100000000;
        for (int k = 0; k < 4; ++k) {
            end -= 2;
            std::memcpy(end, kPairs.text + eight % 100 * 2, 2);
            eight /= 100;
        }
    }
    auto rest = static_cast<std::uint32_t>(v);
    while (rest >= 100) {
        end -= 2;
        std::memcpy(end, kPairs.text + rest % 100 * 2, 2);
        rest /= 100;
    }
    if (rest >= 10)
        std::memcpy(end - 2, kPairs.text + rest * 2, 2);
    else
        end[-1] = static_cast<char>('0' + rest);
}

/// Moves the n - at digits from out + at one place right and puts the point
/// in their place. A fixed 16-byte move (n - at <= 16) compiles to two
/// instructions where a sized one is a library call.
void insert_point(char* out, int at) {
    char moved[16];
    std::memcpy(moved, out + at, sizeof moved);
    std::memcpy(out + at + 1, moved, sizeof moved);
    out[at] = '.';
}

}  // namespace

char* shortest_double(char* out, double v) {
    if (std::signbit(v)) *out++ = '-';
    if (!std::isfinite(v)) {
        std::memcpy(out, std::isnan(v) ? "nan" : "inf", 3);
        return out + 3;
    }
    if (v == 0.0) {
        *out = '0';
        return out + 1;
    }
    // The digit search fmt's "{}" makes: at most 17 digits, no trailing zeros.
    const auto dec = fmt::detail::dragonbox::to_decimal(std::fabs(v));
    const std::uint64_t digits = dec.significand;
    const int n = digit_count(digits);
    const int lead = dec.exponent + n - 1;  // the power of ten of the first digit
    if (lead < -4 || lead >= 16) {
        write_digits(out + n, digits);
        char* end = out + 1;
        if (n > 1) {
            insert_point(out, 1);
            end = out + n + 1;
        }
        *end++ = 'e';
        *end++ = lead < 0 ? '-' : '+';
        int e = lead < 0 ? -lead : lead;
        if (e >= 100) {
            *end++ = static_cast<char>('0' + e / 100);
            e %= 100;
        }
        std::memcpy(end, kPairs.text + e * 2, 2);
        return end + 2;
    }
    if (lead < 0) {
        // "0.", up to three zeros, then the digits (over the zeros not needed)
        std::memcpy(out, "0.000", 5);
        char* end = out + 1 - lead + n;
        write_digits(end, digits);
        return end;
    }
    if (n <= lead + 1) {
        // a whole number: zeros past the digits up to the units (16 places at most)
        std::memset(out, '0', 16);
        write_digits(out + n, digits);
        return out + lead + 1;
    }
    write_digits(out + n, digits);
    insert_point(out, lead + 1);
    return out + n + 1;
}

}  // namespace cli
