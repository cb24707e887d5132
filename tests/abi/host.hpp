// The library as a host sees it: loaded at run time, every operation looked
// up by name and called through the types of the public header. The loading
// itself (dlopen here, LoadLibraryA on Windows) lives in host.cpp so that no
// test sees the system headers.
#pragma once

#include <stdexcept>
#include <string>

#include "seabed.h"

namespace seabed::testing {

namespace library {
/// Loads the library at path; null on failure, with error() saying why.
void* open(const char* path);
/// The address of the export called name; null when absent.
void* symbol(void* handle, const char* name);
void close(void* handle);
std::string error();
}  // namespace library

class Host {
public:
    explicit Host(const char* path = SEABED_LIBRARY_PATH) : handle_(library::open(path)) {
        if (!handle_) throw std::runtime_error(std::string("cannot load ") + path + ": " + library::error());
    }
    ~Host() { library::close(handle_); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    /// The export called name, typed as its declaration F; null when absent.
    template <class F>
    F* find(const char* name) const {
        return reinterpret_cast<F*>(library::symbol(handle_, name));
    }
    template <class F>
    F* get(const char* name) const {
        F* f = find<F>(name);
        if (!f) throw std::runtime_error(std::string("missing export ") + name);
        return f;
    }

private:
    void* handle_;
};

#define SEABED_EXPORT(host, name) (host).get<decltype(::name)>(#name)

}  // namespace seabed::testing
