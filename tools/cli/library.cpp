#include "library.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "core/seabed_parameters.hpp"
#include "failure.hpp"

namespace cli {

Library::Library(const std::string& path) : path_(path), handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!handle_) {
        const char* why = dlerror();
        throw Failure(kExitToolFailure, "cannot load the seabed library " + path + ": " + (why ? why : "unknown") +
                                            " (build it, or name it with --library or SEABED_LIBRARY)");
    }
}

Library::~Library() {
    dlclose(handle_);
}

void* Library::lookup(const char* name) const {
    void* f = dlsym(handle_, name);
    if (!f) throw Failure(kExitToolFailure, "the library " + path_ + " does not export " + name);
    return f;
}

namespace {
std::filesystem::path executable_dir() {
    std::array<char, 4096> buf{};
    ssize_t len = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (len <= 0) return {};
    return std::filesystem::path(std::string(buf.data(), static_cast<std::size_t>(len))).parent_path();
}
}  // namespace

// No build-tree path is compiled in: an installed tool uses the library of
// its own installation (SEABED_LIBDIR_FROM_BINDIR, e.g. ../lib, from the
// folder of the executable), then SEABED_LIBRARY, then whatever the system
// loader finds by the library's SONAME (a build tree's tool finds its library
// through the build RPATH, which installation removes).
std::string library_path(const std::string& option) {
    if (!option.empty()) return option;
    std::error_code ec;
    auto installed = executable_dir() / SEABED_LIBDIR_FROM_BINDIR / SEABED_LIBRARY_SONAME;
    if (std::filesystem::exists(installed, ec)) return installed.lexically_normal().string();
    if (const char* env = std::getenv("SEABED_LIBRARY"); env && *env) return env;
    return SEABED_LIBRARY_SONAME;
}

std::string python_dir() {
    if (const char* env = std::getenv("SEABED_PYTHONPATH"); env && *env) return env;
    return SEABED_PYTHON_DIR;
}

std::string status_message(std::int32_t code) {
    seabed::Text63 text;
    text.fill(' ');
    if (!seabed::seabed_error_message(code, text)) return "unknown status";
    std::string s(text.data(), text.size());
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

Failure status_failure(const std::string& what, std::int32_t code) {
    std::string msg = status_message(code);
    int exit_code = (code > 0 && code < 64) ? code : kExitToolFailure;
    return Failure(exit_code, what + ": status " + std::to_string(code) + (msg.empty() ? "" : ": " + msg));
}

}  // namespace cli
