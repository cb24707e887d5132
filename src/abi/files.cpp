// Exports that open, load and free seabeds.
#include "abi/abi.hpp"
#include "core/record_file.hpp"
#include "seabed/file/seabed.hpp"

// Null arguments make a call return without doing anything.

extern "C" SEABED_API void open_seabed_file(int32_t name_length, const char* name, const int32_t* unit,
                                            int32_t* status) {
    if (!abi::all_present(unit, status)) return;
    *status = abi::serialised([&] { return seabed::open_seabed_file(seabed::file_name(name, name_length), *unit); });
}

extern "C" SEABED_API void load_seabed_2d(const int32_t* name_length, const char* name, const int32_t* unit,
                                          const int32_t* type, int32_t* n, seabed_desc2* profile,
                                          seabed_desc1* slopes, int64_t* memory, int32_t* status) {
    if (!abi::all_present(name_length, unit, type, n, profile, slopes, memory, status)) return;
    *status = abi::serialised([&] {
        return seabed::load_seabed_2d(seabed::file_name(name, *name_length), *unit, *type, *n, abi::desc(profile),
                                      abi::desc(slopes), *memory);
    });
}

extern "C" SEABED_API void load_seabed_3d(const int32_t* name_length, const char* name, const int32_t* unit,
                                          const int32_t* type, int32_t* n, int32_t* nt, int32_t* nadj,
                                          seabed_desc2* nodes, seabed_desc2* gradients, seabed_desc1* iadj,
                                          seabed_desc1* istart, int64_t* memory, int32_t* status) {
    if (!abi::all_present(name_length, unit, type, n, nt, nadj, nodes, gradients, iadj, istart, memory, status))
        return;
    *status = abi::serialised([&] {
        return seabed::load_seabed_3d(seabed::file_name(name, *name_length), *unit, *type, *n, *nt, *nadj,
                                      abi::desc(nodes), abi::desc(gradients), abi::desc(iadj), abi::desc(istart),
                                      *memory);
    });
}

// Releasing takes the lock of the table of handed-out arrays, whose failure
// would throw: guarded like every other export.
extern "C" SEABED_API void free_seabed_2d(seabed_desc2* profile, seabed_desc1* slopes) {
    abi::serialised_void([&] {
        if (profile) seabed::release(abi::desc(profile));
        if (slopes) seabed::release(abi::desc(slopes));
    });
}

extern "C" SEABED_API void free_seabed_3d(seabed_desc2* nodes, seabed_desc2* gradients, seabed_desc1* iadj,
                                          seabed_desc1* istart) {
    abi::serialised_void([&] {
        if (nodes) seabed::release(abi::desc(nodes));
        if (gradients) seabed::release(abi::desc(gradients));
        if (iadj) seabed::release(abi::desc(iadj));
        if (istart) seabed::release(abi::desc(istart));
    });
}
