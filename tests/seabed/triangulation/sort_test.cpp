#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/try_resize.hpp"
#include "seabed/triangulation/sort.hpp"

namespace seabed {
namespace {

using V = std::vector<std::int32_t>;

V sorted_idx(std::vector<float>& a) {
    V idx(a.size(), -7);
    quick_sort(a.data(), static_cast<std::int32_t>(a.size()), idx.data());
    return idx;
}

// The straightforward form: recursion into both sides, left first.
void reference(std::vector<float>& a, V& idx, int lo, int hi) {
    auto ex = [&](int i, int j) {
        std::swap(a[i - 1], a[j - 1]);
        std::swap(idx[i - 1], idx[j - 1]);
    };
    if (hi < lo + 6) {
        for (int i = lo; i <= hi - 1; ++i)
            for (int j = i + 1; j <= hi; ++j)
                if (a[i - 1] > a[j - 1]) ex(i, j);
        return;
    }
    const float pivot = a[(lo + hi) / 2 - 1];
    int i = lo - 1, j = hi + 1;
    for (;;) {
        do ++i; while (!(a[i - 1] >= pivot));
        do --j; while (!(a[j - 1] <= pivot));
        if (i >= j) break;
        ex(i, j);
    }
    if (i == j) ++i;
    if (lo < j) reference(a, idx, lo, j);
    if (i < hi) reference(a, idx, i, hi);
}

TEST(QuickSort, MatchesTheStraightforwardRecursion) {
    std::mt19937 gen(3);
    std::vector<std::vector<float>> inputs;
    for (int n : {1, 6, 7, 8, 13, 50, 301, 2000}) {  // 6 keys or fewer: the exchange sort alone
        std::uniform_int_distribution<int> few(0, 4), many(0, 1000000);
        std::vector<float> a(static_cast<std::size_t>(n)), b(a), c(a), d(a), e(a), f(a);
        // signed zeros compare equal, and infinite keys (squares that overflow) are ordinary keys
        const float odd_keys[] = {-0.0f, 0.0f, INFINITY, -INFINITY, 1.0f};
        for (int k = 0; k < n; ++k) {
            f[static_cast<std::size_t>(k)] = odd_keys[few(gen)];
            a[static_cast<std::size_t>(k)] = static_cast<float>(few(gen));
            b[static_cast<std::size_t>(k)] = static_cast<float>(many(gen)) * 0.001f;
            c[static_cast<std::size_t>(k)] = static_cast<float>(k);
            d[static_cast<std::size_t>(k)] = static_cast<float>(n - k);
            e[static_cast<std::size_t>(k)] = static_cast<float>(std::min(k, n - k));  // organ pipe
        }
        for (auto* v : {&a, &b, &c, &d, &e, &f}) inputs.push_back(*v);
    }
    for (auto& in : inputs) {
        std::vector<float> mine = in, theirs = in;
        const V idx = sorted_idx(mine);
        V ref(in.size());
        for (std::size_t k = 0; k < ref.size(); ++k) ref[k] = static_cast<std::int32_t>(k + 1);
        reference(theirs, ref, 1, static_cast<int>(in.size()));
        ASSERT_EQ(idx, ref) << in.size();
        ASSERT_EQ(std::memcmp(mine.data(), theirs.data(), mine.size() * sizeof(float)), 0) << "signs of zeros too";
    }
    V untouched = {9};
    quick_sort(nullptr, 0, untouched.data());
    quick_sort(nullptr, -3, untouched.data());
    EXPECT_EQ(untouched, V{9}) << "an empty array leaves IDX alone";
}

TEST(SortRef, ReordersByThePermutationOrFailsWith23) {
    const V idx = {3, 1, 2};
    std::vector<float> f = {10, 20, 30};
    V i = {4, 5, 6};
    EXPECT_EQ(sort_refr(3, idx.data(), f.data()), Status::Ok);
    EXPECT_EQ(sort_refi(3, idx.data(), i.data()), Status::Ok);
    EXPECT_EQ(f, (std::vector<float>{30, 10, 20}));
    EXPECT_EQ(i, (V{6, 4, 5}));
    alloc_fault::fail_nth(1);
    EXPECT_EQ(sort_refi(3, idx.data(), i.data()), Status::AllocReorderCopy);
    EXPECT_EQ(i, (V{6, 4, 5})) << "left unchanged";
    alloc_fault::fail_nth(1);
    EXPECT_EQ(sort_refr(3, idx.data(), f.data()), Status::AllocReorderCopy);
    EXPECT_EQ(f, (std::vector<float>{30, 10, 20}));
    alloc_fault::fail_nth(0);
}

}  // namespace
}  // namespace seabed
