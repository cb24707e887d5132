#include "seabed/triangulation/sort.hpp"

#include <memory>
#include <utility>

#include "core/try_resize.hpp"

namespace seabed {
namespace {

// The algorithm is written once, over a storage form that gives the key at a
// 1-based position and exchanges two positions. Both forms below see the same
// comparisons and make the same exchanges, so they leave the same order.

/// Keys and indices in two arrays (quick_sort's interface).
struct SplitStore {
    float* a;
    std::int32_t* idx;
    float key(std::int32_t i) const { return a[i - 1]; }
    void exchange(std::int32_t i, std::int32_t j) const {
        std::swap(a[i - 1], a[j - 1]);
        std::swap(idx[i - 1], idx[j - 1]);
    }
};

/// Key and index side by side: one cache line holds both halves of an exchange.
struct ItemStore {
    SortItem* s;
    float key(std::int32_t i) const { return s[i - 1].key; }
    void exchange(std::int32_t i, std::int32_t j) const { std::swap(s[i - 1], s[j - 1]); }
};

/// Every pair (i, j), i < j, in this order; equal keys are never exchanged.
template <class Store>
void exchange_sort(const Store& st, std::int32_t lo, std::int32_t hi) {
    for (std::int32_t i = lo; i <= hi - 1; ++i)
        for (std::int32_t j = i + 1; j <= hi; ++j)
            if (st.key(i) > st.key(j)) st.exchange(i, j);
}

/// Hoare partition around the middle key. The scans stop on keys equal to the
/// pivot (and on NaN), and each scan always meets a key that stops it, so
/// neither leaves lo..hi. On return lo..j and i..hi are disjoint (i > j).
template <class Store>
void partition(const Store& st, std::int32_t lo, std::int32_t hi, std::int32_t& i, std::int32_t& j) {
    const float pivot = st.key(static_cast<std::int32_t>((static_cast<std::int64_t>(lo) + hi) / 2));  // no overflow near INT32_MAX
    i = lo - 1;
    j = hi + 1;
    for (;;) {
        do ++i; while (st.key(i) < pivot);
        do --j; while (st.key(j) > pivot);
        if (i >= j) break;
        st.exchange(i, j);
    }
    if (i == j) ++i;
}

template <class Store>
void sort_range(const Store& st, std::int32_t lo, std::int32_t hi) {
    // The two sides of a partition are disjoint, so sorting them in either
    // order gives the same result: recurse into the smaller and loop on the
    // larger, which bounds the depth by log2(n) on any input.
    for (;;) {
        if (hi < lo + 6) {
            exchange_sort(st, lo, hi);
            return;
        }
        std::int32_t i = 0, j = 0;
        partition(st, lo, hi, i, j);
        const bool left = lo < j;
        const bool right = i < hi;
        if (left && right) {
            if (j - lo < hi - i) {
                sort_range(st, lo, j);
                lo = i;
            } else {
                sort_range(st, i, hi);
                hi = j;
            }
        } else if (left) {
            hi = j;
        } else if (right) {
            lo = i;
        } else {
            return;
        }
    }
}

}  // namespace

void quick_sort_recursive(float* a, std::int32_t* idx, std::int32_t lo, std::int32_t hi) {
    sort_range(SplitStore{a, idx}, lo, hi);
}

void quick_sort(float* a, std::int32_t n, std::int32_t* idx) {
    if (n <= 0) return;
    for (std::int32_t k = 1; k <= n; ++k) idx[k - 1] = k;
    // n >= 7 partitions the whole range first; fewer keys are exchange-sorted
    quick_sort_recursive(a, idx, 1, n);
}

void quick_sort_items(SortItem* items, std::int32_t n) {
    if (n <= 0) return;
    sort_range(ItemStore{items}, 1, n);
}

namespace {
template <class T>
Status reorder(std::int32_t n, const std::int32_t* idx, T* a) {
    std::unique_ptr<T[]> copy(try_new_array_large<T>(static_cast<std::size_t>(n > 0 ? n : 0)));  // written whole first
    if (!copy) return Status::AllocReorderCopy;
    for (std::int32_t i = 0; i < n; ++i) copy[static_cast<std::size_t>(i)] = a[i];
    for (std::int32_t i = 0; i < n; ++i) a[i] = copy[static_cast<std::size_t>(idx[i] - 1)];
    return Status::Ok;
}
}  // namespace

Status sort_refr(std::int32_t n, const std::int32_t* idx, float* a) { return reorder(n, idx, a); }
Status sort_refi(std::int32_t n, const std::int32_t* idx, std::int32_t* a) { return reorder(n, idx, a); }

}  // namespace seabed
