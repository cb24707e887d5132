// The library as a host sees it: loaded at run time, every operation looked
// up by name and called through the types of the public header.
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "seabed.h"

namespace seabed::testing {

class Host {
public:
    Host() : handle_(dlopen(SEABED_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL)) {
        if (!handle_) throw std::runtime_error(dlerror());
    }
    ~Host() { dlclose(handle_); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    /// The export called name, typed as its declaration F; null when absent.
    template <class F>
    F* find(const char* name) const {
        return reinterpret_cast<F*>(dlsym(handle_, name));
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
