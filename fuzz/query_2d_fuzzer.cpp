// Unsorted, NaN and infinite profiles and points through the 2D queries:
// every segment code stays in 1..n+1, whatever the hint.
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Bytes b(data, size);
    const std::int32_t n = 2 + b.take<std::uint8_t>() % 40;
    const double y = b.take<double>();
    const std::int32_t hint = b.take<std::int32_t>();
    std::vector<float> profile(2 * static_cast<std::size_t>(n)), slopes(static_cast<std::size_t>(n));
    for (float& v : profile) v = b.take<float>();
    for (float& v : slopes) v = b.take<float>();

    std::int32_t segment = hint;
    find_segment(profile.data(), &n, &y, &segment);
    FUZZ_CHECK(segment >= 1 && segment <= n + 1);
    double x = 0, slope = 0;
    segment = hint;
    interpolate_2d_linear(&y, &n, profile.data(), &x, &slope, &segment);
    FUZZ_CHECK(segment >= 1 && segment <= n + 1);
    segment = hint;
    interpolate_2d_cubic(&y, &n, profile.data(), slopes.data(), &x, &slope, &segment);
    FUZZ_CHECK(segment >= 1 && segment <= n + 1);
    return 0;
}
