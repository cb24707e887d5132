#include "core/descriptor.hpp"

#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "core/try_resize.hpp"

namespace seabed {
namespace {

// Every array the loaders hand out, so that release() frees only those.
std::mutex g_mutex;
std::unordered_set<void*>& live() {
    static std::unordered_set<void*> set;
    return set;
}

void* allocate(std::int64_t elements) {
    if (elements < 0 || elements > INT64_MAX / 8) return nullptr;
    // at least one element, so an empty array still has a base to hand over
    const std::size_t bytes = static_cast<std::size_t>(elements > 0 ? elements : 1) * 4;
    void* p = try_malloc(bytes);
    if (!p) return nullptr;
    advise_huge_pages(p, bytes);  // a loader fills it at once: fewer first-touch faults
    std::lock_guard<std::mutex> lock(g_mutex);
    try {
        live().insert(p);
    } catch (...) {
        std::free(p);
        return nullptr;
    }
    return p;
}

template <int R>
void release_any(Desc<R>& d) {
    if (!(d.flags & kDescAllocated)) return;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (live().erase(d.base) == 0) return;
    }
    std::free(d.base);
    d.base = nullptr;
    d.flags &= ~kDescAllocated;
}

template <int R>
void fill_header(Desc<R>& d, void* base) {
    d.base = base;
    d.elem_len = 4;
    d.flags = kDescLoaded;
    d.rank = R;
}

}  // namespace

bool attach(Desc<1>& d, std::int64_t e1) {
    void* p = allocate(e1);
    if (!p) return false;
    fill_header(d, p);
    d.dim[0] = {e1, 4, 1};
    return true;
}

bool attach(Desc<2>& d, std::int64_t e1, std::int64_t e2) {
    if (e1 < 0 || e2 < 0 || (e1 > 0 && e2 > INT64_MAX / 8 / e1)) return false;
    void* p = allocate(e1 * e2);
    if (!p) return false;
    fill_header(d, p);
    d.dim[0] = {e1, 4, 1};
    d.dim[1] = {e2, e1 * 4, 1};
    return true;
}

void release(Desc<1>& d) { release_any(d); }
void release(Desc<2>& d) { release_any(d); }

}  // namespace seabed
