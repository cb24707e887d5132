#include "batch_library.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace cli {

namespace {

/// The file the seabed library was loaded from (lib.path() may be a bare
/// name that the system loader resolved).
std::filesystem::path loaded_file(const Library& lib) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(lib.get<decltype(::seabed_generate)>("seabed_generate")), &info) &&
        info.dli_fname)
        return info.dli_fname;
    return lib.path();
}

}  // namespace

BatchLibrary::BatchLibrary(const Library& lib) {
    std::string path;
    if (const char* env = std::getenv("SEABED_BATCH_LIBRARY"); env && *env)
        path = env;
    else
        path = (loaded_file(lib).parent_path() / "libseabed_batch.so").string();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) return;
    prepare_3d = reinterpret_cast<decltype(prepare_3d)>(dlsym(handle_, "seabed_batch_prepare_3d"));
    free_3d = reinterpret_cast<decltype(free_3d)>(dlsym(handle_, "seabed_batch_free_3d"));
    query_3d = reinterpret_cast<decltype(query_3d)>(dlsym(handle_, "seabed_batch_3d"));
    query_2d = reinterpret_cast<decltype(query_2d)>(dlsym(handle_, "seabed_batch_2d"));
    if (!prepare_3d || !free_3d || !query_3d || !query_2d) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

BatchLibrary::~BatchLibrary() {
    if (handle_) dlclose(handle_);
}

}  // namespace cli
