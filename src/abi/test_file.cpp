// Export that writes test seabed files.
#include "abi/abi.hpp"
#include "core/record_file.hpp"
#include "test_file/test_file.hpp"

extern "C" SEABED_API void seabed_create_test_file(int32_t name_length, const char* name, int32_t type) {
    abi::serialised_void([&] { seabed::seabed_create_test_file(seabed::file_name(name, name_length), type); });
}
