// The shared random sequence: its values from the fixed seeds, computed here
// independently with 64-bit remainders, and atomic draws.
#include "core/random.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

#include "support/files.hpp"

namespace seabed {
namespace {

using Reference = testing::ReferenceRandom;

TEST(RandomTest, FirstDrawsFromTheFixedSeedsMatchPlainRemainders) {
    reset_random_for_tests();
    Reference ref;
    for (int i = 0; i < 100000; ++i) {
        float want = ref.next();
        float got = random_uniform();
        ASSERT_EQ(got, want) << "draw " << i;
        ASSERT_GT(got, 0.0f);
        ASSERT_LE(got, 1.0f);
    }
}

TEST(RandomTest, ConcurrentDrawsTakeEachValueOfTheSequenceOnce) {
    reset_random_for_tests();
    constexpr int kThreads = 4, kDraws = 5000;
    std::vector<std::vector<float>> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&got, t] {
            for (int i = 0; i < kDraws; ++i) got[t].push_back(random_uniform());
        });
    for (auto& th : threads) th.join();
    std::vector<float> all, want;
    for (auto& g : got) all.insert(all.end(), g.begin(), g.end());
    Reference ref;
    for (int i = 0; i < kThreads * kDraws; ++i) want.push_back(ref.next());
    std::sort(all.begin(), all.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(all, want);
}

}  // namespace
}  // namespace seabed
