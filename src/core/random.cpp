#include "core/random.hpp"

#include <cstdint>
#include <mutex>

namespace seabed {
namespace {

constexpr std::int32_t kSeed1 = 2147483562;
constexpr std::int32_t kSeed2 = 2147483398;

struct RandomState {
    std::mutex lock;
    std::int32_t s1 = kSeed1;
    std::int32_t s2 = kSeed2;
};

RandomState& state() {
    static RandomState s;
    return s;
}

/// s = a * s mod m by Schrage's method (m = a * q + r, r < q), which never
/// leaves 32-bit integers.
std::int32_t schrage(std::int32_t s, std::int32_t a, std::int32_t m, std::int32_t q, std::int32_t r) {
    std::int32_t k = s / q;
    s = a * (s - k * q) - k * r;
    if (s < 0) s += m;
    return s;
}

}  // namespace

float random_uniform() {
    RandomState& st = state();
    std::int32_t d;
    {
        std::lock_guard<std::mutex> guard(st.lock);
        st.s1 = schrage(st.s1, 40014, 2147483563, 53668, 12211);
        st.s2 = schrage(st.s2, 40692, 2147483399, 52774, 3791);
        d = st.s1 - st.s2;
    }
    if (d < 1) d += 2147483562;
    return static_cast<float>(d) * 4.656613E-10f;  // fp: the difference rounded to float, then scaled in float
}

void reset_random_for_tests() {
    RandomState& st = state();
    std::lock_guard<std::mutex> guard(st.lock);
    st.s1 = kSeed1;
    st.s2 = kSeed2;
}

}  // namespace seabed
