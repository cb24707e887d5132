#include "huge_pages.hpp"

#if defined(__unix__)
#include <sys/mman.h>
#endif

#include <cstdint>

namespace cli {

void advise_huge_pages(const void* p, std::size_t bytes) {
#if defined(__unix__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    const auto begin = (at + kHuge - 1) & ~(kHuge - 1);
    const auto end = (at + bytes) & ~(kHuge - 1);
    // a refusal (no such pages, an old kernel) leaves ordinary pages
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

}  // namespace cli
