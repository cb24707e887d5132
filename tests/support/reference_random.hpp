// The library's combined random generator computed independently, by plain
// 64-bit remainders (no Schrage split), from the fixed starting seeds.
#pragma once

#include <cstdint>

namespace seabed::testing {

class ReferenceRandom {
public:
    float next() {
        s1_ = 40014 * s1_ % 2147483563;
        s2_ = 40692 * s2_ % 2147483399;
        std::int64_t d = s1_ - s2_;
        if (d < 1) d += 2147483562;
        return static_cast<float>(d) * 4.656613E-10f;
    }

private:
    std::int64_t s1_ = 2147483562, s2_ = 2147483398;
};

}  // namespace seabed::testing
