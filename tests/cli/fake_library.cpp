// A stand-in for the seabed library with only the loaders and their free
// exports. It keeps count of the arrays it has handed out and not got back,
// so a test sees whether the tool returns every one, exactly once.
// Built without the free exports (SEABED_FAKE_WITHOUT_FREE) it is a library
// whose loaded arrays could never be returned.
#include <set>
#include <string>

#include "seabed.h"

namespace {

int loads = 0, frees = 0;
std::set<const void*> live;  // arrays handed out and not yet returned
int foreign = 0;             // returns of arrays not handed out, or returned already

template <class Descriptor>
void allocate(Descriptor& d, std::int64_t count) {
    if (d.flags & 1) return;
    d = Descriptor{};
    d.base = new float[static_cast<std::size_t>(count)]();
    d.elem_len = 4;
    d.flags = 0x85;
    live.insert(d.base);
}

template <class Descriptor>
void release(Descriptor* d) {
    if (!(d->flags & 1)) return;  // unallocated descriptors are left alone, as the library does
    if (live.erase(d->base))
        delete[] static_cast<float*>(d->base);
    else
        ++foreign;
    *d = Descriptor{};
}

/// A file whose name starts with "bad" fails after the first array is
/// allocated, as a real load fails when its file ends early.
std::int32_t status_of(const std::int32_t* length, const char* name) {
    return std::string(name, static_cast<std::size_t>(*length)).rfind("bad", 0) == 0 ? SEABED_STATUS_FILE_READ : 0;
}

}  // namespace

extern "C" {

SEABED_API void fake_counts(int* load_calls, int* free_calls, int* live_arrays, int* foreign_frees) {
    *load_calls = loads;
    *free_calls = frees;
    *live_arrays = static_cast<int>(live.size());
    *foreign_frees = foreign;
}

void load_seabed_2d(const int32_t* name_length, const char* name, const int32_t*, const int32_t* type, int32_t* n,
                    seabed_desc2* profile, seabed_desc1* slopes, int64_t*, int32_t* status) {
    ++loads;
    *n = 4;
    allocate(*profile, 2 * *n);
    *status = status_of(name_length, name);
    if (*status == 0 && *type != SEABED_2D_LINEAR) allocate(*slopes, *n);
}

void load_seabed_3d(const int32_t* name_length, const char* name, const int32_t*, const int32_t* type, int32_t* n,
                    int32_t* nt, int32_t* nadj, seabed_desc2* nodes, seabed_desc2* gradients, seabed_desc1* iadj,
                    seabed_desc1* istart, int64_t*, int32_t* status) {
    ++loads;
    *n = 3;
    *nt = 1;
    *nadj = 9;
    allocate(*nodes, 3 * *n);
    *status = status_of(name_length, name);
    if (*status != 0) return;
    allocate(*iadj, *nadj);
    allocate(*istart, *n);
    if (*type == SEABED_3D_CUBIC) allocate(*gradients, 2 * *n);
}

#ifndef SEABED_FAKE_WITHOUT_FREE
void free_seabed_2d(seabed_desc2* profile, seabed_desc1* slopes) {
    ++frees;
    release(profile);
    release(slopes);
}

void free_seabed_3d(seabed_desc2* nodes, seabed_desc2* gradients, seabed_desc1* iadj, seabed_desc1* istart) {
    ++frees;
    release(nodes);
    release(gradients);
    release(iadj);
    release(istart);
}
#endif
}
