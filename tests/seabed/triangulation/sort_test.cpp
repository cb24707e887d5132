// The sort behind the sweep order and the reorderings that follow it.
#include "seabed/triangulation/sort.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/try_resize.hpp"

namespace seabed {
namespace {

using V = std::vector<std::int32_t>;

TEST(QuickSort, SortsAscendingAndIdxSaysWhereEachKeyCameFrom) {
    std::mt19937 gen(3);
    const float odd_keys[] = {-0.0f, 0.0f, INFINITY, -INFINITY, 1.0f};  // signed zeros equal, infinite keys ordinary
    for (int n : {1, 2, 6, 7, 8, 13, 50, 301, 2000}) {  // 6 keys or fewer: the exchange sort alone
        for (int kind = 0; kind < 6; ++kind) {
            std::vector<float> a(static_cast<std::size_t>(n));
            for (int k = 0; k < n; ++k) {
                const float values[] = {odd_keys[gen() % 5], float(gen() % 5), float(gen() % 1000000) * 0.001f,
                                        float(k), float(n - k), float(std::min(k, n - k))};  // organ pipe last
                a[static_cast<std::size_t>(k)] = values[kind];
            }
            std::vector<float> sorted = a;
            V idx(a.size(), -7);
            quick_sort(sorted.data(), n, idx.data());
            std::vector<SortItem> items;  // the fast form: the same order, ties included
            for (int k = 0; k < n; ++k) items.push_back({a[static_cast<std::size_t>(k)], k + 1});
            quick_sort_items(items.data(), n);
            for (std::size_t k = 0; k < a.size(); ++k)
                ASSERT_TRUE(items[k].idx == idx[k] && std::memcmp(&items[k].key, &sorted[k], 4) == 0) << n << " " << k;
            std::vector<char> seen(a.size() + 1, 0);
            for (std::size_t k = 0; k < a.size(); ++k) {
                ASSERT_TRUE(idx[k] >= 1 && idx[k] <= n && !seen[static_cast<std::size_t>(idx[k])]) << n << " " << k;
                seen[static_cast<std::size_t>(idx[k])] = 1;
                ASSERT_EQ(std::memcmp(&sorted[k], &a[static_cast<std::size_t>(idx[k] - 1)], 4), 0) << "key moved with its index";
                ASSERT_TRUE(k == 0 || sorted[k - 1] <= sorted[k]) << n << " kind " << kind << " at " << k;
            }
        }
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
