// Module SORT: ascending quicksort of float keys with the permutation it
// applies, and reordering of further arrays by that permutation. Index
// arguments are 1-based; arrays are 0-based storage of 1-based contents.
#pragma once

#include <cstdint>

#include "core/seabed_parameters.hpp"

namespace seabed {

/// Sorts a(1..n) ascending in place (not stable); afterwards idx(k) is the
/// position, before sorting, of the key now at k. n <= 0 touches nothing.
/// Ranges of up to six keys are exchange-sorted, longer ones split by a Hoare
/// partition around the middle key; equal keys stop both scans, so the final
/// order of ties follows from these steps exactly.
void quick_sort(float* a, std::int32_t n, std::int32_t* idx);

/// Sorts a(lo..hi) with idx(lo..hi) moved alongside.
void quick_sort_recursive(float* a, std::int32_t* idx, std::int32_t lo, std::int32_t hi);

/// A key and the index that travels with it.
struct SortItem {
    float key;
    std::int32_t idx;
};

/// quick_sort on keys and indices stored side by side: the same comparisons
/// and exchanges (one text of the algorithm serves both), so the same order,
/// ties included. The indices are the caller's to set.
void quick_sort_items(SortItem* items, std::int32_t n);

/// a(i) = old a(idx(i)), i = 1..n. AllocReorderCopy (a unchanged) when the
/// temporary copy cannot be allocated.
[[nodiscard]] Status sort_refr(std::int32_t n, const std::int32_t* idx, float* a);
[[nodiscard]] Status sort_refi(std::int32_t n, const std::int32_t* idx, std::int32_t* a);

}  // namespace seabed
