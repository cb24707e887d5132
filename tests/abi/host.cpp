#include "abi/host.hpp"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstring>

namespace seabed::testing::library {

#if defined(_WIN32)

void* open(const char* path) { return reinterpret_cast<void*>(LoadLibraryA(path)); }

void* symbol(void* handle, const char* name) {
    FARPROC f = GetProcAddress(static_cast<HMODULE>(handle), name);
    void* p = nullptr;
    static_assert(sizeof f == sizeof p);
    std::memcpy(&p, &f, sizeof p);  // a function address as data, without a cast between unrelated types
    return p;
}

void close(void* handle) {
    if (handle) FreeLibrary(static_cast<HMODULE>(handle));
}

std::string error() { return "Windows error " + std::to_string(GetLastError()); }

#else

void* open(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }

void* symbol(void* handle, const char* name) { return dlsym(handle, name); }

void close(void* handle) {
    if (handle) dlclose(handle);
}

std::string error() {
    const char* e = dlerror();
    return e ? e : "unknown error";
}

#endif

}  // namespace seabed::testing::library
