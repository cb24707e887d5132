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

std::filesystem::path executable_dir() {
    std::array<char, 4096> buf{};
    ssize_t len = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (len <= 0) return {};
    return std::filesystem::path(std::string(buf.data(), static_cast<std::size_t>(len))).parent_path();
}

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

std::string status_hint(std::int32_t code) {
    switch (code) {
        case 2: return "check the path; seabed import writes a seabed file from survey points";
        case 3:
        case 5: return "check that the file is readable and complete (a copy may have been cut short)";
        case 6: return "check the free space and the permissions of the folder";
        case 7:
        case 8:
        case 9: return "this is not a seabed file: seabed import writes one from survey points";
        case 10:
        case 11: return "seabed info FILE tells which kind the file holds";
        case 12: return "free memory, or thin the survey (seabed import --decimate or --thin)";
        case 14: return "import the profile again with --sort";
        case 16: return "a 2D profile needs at least 2 points, a 3D surface at least 3";
        case 17: return "the points are too close together for the sub-node spacing: spread them or lower --spacing";
        case 18:
            return "the sub-node spacing (--spacing) is the cause: it must be larger than the distance between "
                   "close points; import again with a larger --spacing, or --thin close points";
        case 19:
        case 44:
            return "three points lie on one line: import with --thin or remove one of them (a survey line is a 2D "
                   "profile: import with --2d)";
        case 40:
            return "all points lie on one line: a 3D surface needs points spread in two directions; a survey line "
                   "is a 2D profile (import with --2d)";
        default:
            if (code >= 20 && code <= 30)
                return "the sub-node spacing (--spacing) is the likely cause: at this spacing the sub-node grid does "
                       "not fit; import again with a larger --spacing";
            if (code >= 31 && code <= 43) return "the survey may be degenerate: check for repeated or collinear points";
            return "";
    }
}

Failure status_failure(const std::string& what, std::int32_t code) {
    std::string msg = status_message(code), hint = status_hint(code);
    return Failure(kExitLibraryStatus, what + ": status " + std::to_string(code) + (msg.empty() ? "" : ": " + msg) +
                                           (hint.empty() ? "" : "\n  hint: " + hint));
}

}  // namespace cli
