// The one seam every allocation of the library passes: it reports failure
// instead of throwing, and a test countdown makes a chosen allocation fail so
// that every allocation status, and the release of what came before, can be
// reached.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace seabed {

namespace alloc_fault {
/// Countdown of allocations; the one that brings it from 1 to 0 fails.
/// 0 means disarmed. Atomic only so that query threads may read it while it
/// rests at 0.
inline std::atomic<std::int64_t> countdown{0};
/// Makes the k-th following allocation fail (k >= 1); 0 disarms.
inline void fail_nth(std::int64_t k) { countdown.store(k, std::memory_order_relaxed); }
inline bool next_fails() {
    return countdown.load(std::memory_order_relaxed) > 0 && countdown.fetch_sub(1, std::memory_order_relaxed) == 1;
}
}  // namespace alloc_fault

/// malloc (or calloc when zero) of at least one byte through the seam; null on failure.
inline void* try_malloc(std::size_t bytes, bool zero = false) {
    if (alloc_fault::next_fails()) return nullptr;
    if (bytes == 0) bytes = 1;
    return zero ? std::calloc(bytes, 1) : std::malloc(bytes);
}

/// new T[n] through the seam; null on failure.
template <class T>
T* try_new_array(std::size_t n) {
    if (alloc_fault::next_fails()) return nullptr;
    return new (std::nothrow) T[n];
}

namespace detail {
/// Runs grow (a resize or reserve of v to n elements) through the allocation
/// seam; false, with v as it was, when the seam or memory refuses.
template <class T, class Grow>
bool try_grow(const std::vector<T>& v, std::int64_t n, Grow grow) {
    if (alloc_fault::next_fails()) return false;
    if (n < 0 || static_cast<std::uint64_t>(n) > v.max_size()) return false;
    try {
        grow();
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}
}  // namespace detail

/// Resizes v to n elements (new ones set to fill). False, with v as it was,
/// when n is negative or too large for the address space, or memory runs out.
template <class T>
[[nodiscard]] bool try_resize(std::vector<T>& v, std::int64_t n, const T& fill = T()) {
    return detail::try_grow(v, n, [&] { v.resize(static_cast<std::size_t>(n), fill); });
}

/// Reserves room for n elements in v; false, with v as it was, on failure.
template <class T>
[[nodiscard]] bool try_reserve(std::vector<T>& v, std::int64_t n) {
    return detail::try_grow(v, n, [&] { v.reserve(static_cast<std::size_t>(n)); });
}

/// A hint for a large array about to be filled: back it with huge pages where
/// the system gives them on request, so that first touching it faults once per
/// 2 MiB instead of once per 4 KiB page (page faults are a large part of
/// building a big triangulation). Changes neither contents nor success;
/// arrays under two huge pages are left alone.
inline void advise_huge_pages(void* p, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t begin = (at + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (at + bytes) & ~(kHuge - 1);
    if (bytes >= 2 * kHuge && end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

/// try_resize, try_reserve and try_new_array for large arrays: the same one
/// pass through the seam, with the huge-page hint between allocating and
/// touching the storage.
template <class T>
[[nodiscard]] bool try_resize_large(std::vector<T>& v, std::int64_t n, const T& fill = T()) {
    return detail::try_grow(v, n, [&] {
        v.reserve(static_cast<std::size_t>(n));
        advise_huge_pages(v.data(), v.capacity() * sizeof(T));
        v.resize(static_cast<std::size_t>(n), fill);
    });
}

template <class T>
[[nodiscard]] bool try_reserve_large(std::vector<T>& v, std::int64_t n) {
    return detail::try_grow(v, n, [&] {
        v.reserve(static_cast<std::size_t>(n));
        advise_huge_pages(v.data(), v.capacity() * sizeof(T));
    });
}

/// try_resize_large into a new vector, for code that reports memory running
/// out by throwing: std::bad_alloc when it cannot be had.
template <class T>
std::vector<T> large_vector(std::int64_t n, const T& fill = T()) {
    std::vector<T> v;
    if (!try_resize_large(v, n, fill)) throw std::bad_alloc();
    return v;
}

template <class T>
T* try_new_array_large(std::size_t n) {
    T* p = try_new_array<T>(n);
    if (p != nullptr) advise_huge_pages(p, n * sizeof(T));
    return p;
}

/// Gives v's storage back (an allocatable array that is "released").
template <class T>
void release(std::vector<T>& v) {
    std::vector<T>().swap(v);
}

}  // namespace seabed
