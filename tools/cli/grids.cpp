#include "grids.hpp"

#include "failure.hpp"
#include "paths.hpp"

#ifdef SEABED_HAVE_GDAL
#include <dlfcn.h>

#include <array>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "gdal/grids_module.h"
#include "library.hpp"
#endif

namespace cli {

bool is_grid_path(const std::string& path) {
    auto s = lower_suffix(path);
    return s == "tif" || s == "tiff" || s == "nc" || s == "asc" || s == "grd";
}

#ifndef SEABED_HAVE_GDAL

namespace {
[[noreturn]] void no_gdal(const std::string& path) {
    throw Failure(kExitToolFailure, path + ": this seabed tool was built without GDAL, so it reads and writes no "
                                           "raster grids (install libgdal-dev and build again)");
}
}  // namespace

Points read_grid_points(const std::string& path, std::optional<double>, int, bool) {
    no_gdal(path);
}

void require_grids(const std::string& path) {
    no_gdal(path);
}

void write_grid(const std::string& path, const Grid&) {
    no_gdal(path);
}

#else

namespace {

struct GridsModule {
    decltype(::seabed_grids_read)* read = nullptr;
    decltype(::seabed_grids_write)* write = nullptr;
};

/// SEABED_GRIDS_LIBRARY, else the module of the tool's own installation
/// (SEABED_GRIDS_FROM_BINDIR, e.g. ../lib/seabed/libseabed_grids.so), else
/// the one beside the tool, where the build tree has it.
std::string grids_module_path() {
    if (const char* env = std::getenv("SEABED_GRIDS_LIBRARY"); env && *env) return env;
    std::error_code ec;
    auto dir = executable_dir(), installed = dir / SEABED_GRIDS_FROM_BINDIR;
    if (std::filesystem::exists(installed, ec)) return installed.lexically_normal().string();
    return (dir / SEABED_GRIDS_FILE_NAME).string();
}

/// Loaded on first use and never unloaded: GDAL keeps drivers and exit
/// handlers of its own for the life of the process. Bound lazily, as at
/// program start: binding every call of GDAL's hundred libraries up front
/// costs a raster run some 20 million instructions more, and a missing
/// library still fails the load.
const GridsModule& grids_module() {
    static const GridsModule module = [] {
        std::string path = grids_module_path();
        void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            throw Failure(kExitToolFailure,
                          "cannot load the raster module " + path + ": " + (why ? why : "unknown") +
                              " (install the tool again, or name the module with SEABED_GRIDS_LIBRARY)");
        }
        GridsModule m;
        m.read = reinterpret_cast<decltype(m.read)>(dlsym(handle, "seabed_grids_read"));
        m.write = reinterpret_cast<decltype(m.write)>(dlsym(handle, "seabed_grids_write"));
        if (!m.read || !m.write) {
            dlclose(handle);
            throw Failure(kExitToolFailure,
                          "the raster module " + path + " lacks seabed_grids_read or seabed_grids_write");
        }
        return m;
    }();
    return module;
}

/// What the module's read hands over, row by row; a failure here is kept
/// for the tool to rethrow, since nothing may be thrown into the module.
struct GridSink {
    Points points;
    std::exception_ptr failure;

    static int take(void* context, const double* x, const double* y, const double* z, const std::int64_t* cells,
                    std::int64_t count) noexcept {
        auto& s = *static_cast<GridSink*>(context);
        try {
            auto& p = s.points;
            p.x.insert(p.x.end(), x, x + count);
            p.y.insert(p.y.end(), y, y + count);
            p.z.insert(p.z.end(), z, z + count);
            p.lines.insert(p.lines.end(), cells, cells + count);
            return 0;
        } catch (...) {
            s.failure = std::current_exception();
            return 1;
        }
    }
};

}  // namespace

Points read_grid_points(const std::string& path, std::optional<double> nodata, int decimate, bool three_d) {
    if (!three_d) throw Failure(kExitUsage, path + ": a raster grid makes a 3D surface: give --3d");
    const GridsModule& module = grids_module();
    GridSink sink;
    sink.points.delimiter = "raster";
    std::array<char, 4096> error{};
    std::int64_t dropped = 0;
    if (module.read(path.c_str(), nodata.has_value(), nodata.value_or(0.0), decimate, &GridSink::take, &sink, &dropped,
                    error.data(), error.size()) != 0) {
        if (sink.failure) std::rethrow_exception(sink.failure);
        throw Failure(kExitToolFailure, error.data());
    }
    sink.points.nodata = dropped;
    return std::move(sink.points);
}

void require_grids(const std::string&) {
    (void)grids_module();
}

void write_grid(const std::string& path, const Grid& g) {
    if (g.values.size() != static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height))
        throw Failure(kExitToolFailure, "cannot write " + path + ": the grid's values do not fill it");
    const GridsModule& module = grids_module();
    std::array<char, 4096> error{};
    if (module.write(path.c_str(), g.left, g.top, g.cell, g.width, g.height, g.values.data(), g.crs.c_str(),
                     error.data(), error.size()) != 0)
        throw Failure(kExitToolFailure, error.data());
}

#endif

}  // namespace cli
