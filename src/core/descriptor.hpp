// Array descriptors: how arrays allocated by the loaders travel to the host.
// Same layout as seabed_desc1 / seabed_desc2 of the public header (checked
// there by static_assert); 64-bit fields throughout.
#pragma once

#include <cstdint>

namespace seabed {

struct DescDim {
    std::int64_t extent;
    std::int64_t stride;       // bytes
    std::int64_t lower_bound;  // 1
};

template <int Rank>
struct Desc {
    void* base;
    std::int64_t elem_len;
    std::int64_t offset;
    std::int64_t flags;
    std::int64_t rank;
    std::int64_t reserved;
    DescDim dim[Rank];
};

inline constexpr std::int64_t kDescAllocated = 0x1;
inline constexpr std::int64_t kDescLoaded = 0x85;  // allocated, plus bits 2 and 7 as the host expects

/// Allocates a column-major array of 4-byte elements with extents e1 (x e2)
/// and describes it in d. False, leaving d unallocated, when memory runs out.
bool attach(Desc<1>& d, std::int64_t e1);
bool attach(Desc<2>& d, std::int64_t e1, std::int64_t e2);

/// Releases d's array when it holds one that the library allocated, and
/// clears base and flag bit 0. Descriptors holding anything else are left
/// alone, so a stale or foreign descriptor never reaches free().
void release(Desc<1>& d);
void release(Desc<2>& d);

/// The array's first element as T* when d holds a library array, else null.
template <class T, int R>
T* desc_data(const Desc<R>& d) {
    return (d.flags & kDescAllocated) ? static_cast<T*>(d.base) : nullptr;
}

}  // namespace seabed
