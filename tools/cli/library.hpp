// The shared library as the tool uses it: loaded at run time and every
// operation looked up by name, exactly as a host does. A library that lacks
// an operation still serves the others.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "seabed.h"

namespace cli {

class Library {
public:
    /// Loads path; throws Failure when it cannot be loaded.
    explicit Library(const std::string& path);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    const std::string& path() const { return path_; }

    /// The export called name typed as its declaration F; throws Failure
    /// naming the operation when the library lacks it.
    template <class F>
    F* get(const char* name) const {
        return reinterpret_cast<F*>(lookup(name));
    }

private:
    void* lookup(const char* name) const;
    std::string path_;
    void* handle_;
};

/// The unit the tool opens and loads files on; any will do, since the tool
/// has one file open at a time.
inline constexpr std::int32_t kUnit = 31;

#define SEABED_OP(lib, name) (lib).get<decltype(::name)>(#name)

/// Where the library is: --library, then SEABED_LIBRARY, then beside the
/// tool's installation, then the system loader.
std::string library_path(const std::string& option);

/// The folder of the running tool; empty when the system does not say.
std::filesystem::path executable_dir();

/// Where the Python package is (for plot): SEABED_PYTHONPATH, or the source
/// tree the tool was built from.
std::string python_dir();

}  // namespace cli
