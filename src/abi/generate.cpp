// The generation export.
#include "abi/abi.hpp"
#include "core/record_file.hpp"
#include "seabed/file/generate.hpp"

// Null status or duplicates: the call returns without doing anything.
extern "C" SEABED_API void seabed_generate(int32_t name_length, const char* name, int32_t* status,
                                           int32_t* duplicates) {
    if (!abi::all_present(status, duplicates)) return;
    *duplicates = 0;
    *status = abi::serialised(
        [&] { return seabed::seabed_generate(seabed::file_name(name, name_length), *duplicates); });
}
