// Allocation that reports failure instead of throwing, and the test seam that
// makes a chosen allocation fail so every allocation status can be reached.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

namespace seabed {

namespace alloc_fault {
/// Countdown of try_resize calls; the call that brings it from 1 to 0 fails.
/// 0 means disarmed. Library-wide, like the rest of the library's state.
inline std::int64_t countdown = 0;
/// Makes the k-th following try_resize fail (k >= 1); 0 disarms.
inline void fail_nth(std::int64_t k) { countdown = k; }
inline bool next_fails() { return countdown > 0 && --countdown == 0; }
}  // namespace alloc_fault

/// Resizes v to n elements (new ones set to fill). False, with v as it was,
/// when n is negative or too large for the address space, or memory runs out.
template <class T>
[[nodiscard]] bool try_resize(std::vector<T>& v, std::int64_t n, const T& fill = T()) {
    if (alloc_fault::next_fails()) return false;
    if (n < 0 || static_cast<std::uint64_t>(n) > v.max_size()) return false;
    try {
        v.resize(static_cast<std::size_t>(n), fill);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

/// Gives v's storage back (an allocatable array that is "released").
template <class T>
void release(std::vector<T>& v) {
    std::vector<T>().swap(v);
}

}  // namespace seabed
