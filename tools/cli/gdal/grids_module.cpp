// The tool's raster grids through GDAL, built as a module of its own so that
// only the runs that read or write a raster load GDAL.
#include "grids_module.h"

#include <cpl_conv.h>
#include <fmt/format.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "paths.hpp"

namespace {

struct Dataset {
    GDALDatasetH h = nullptr;
    ~Dataset() {
        if (h) GDALClose(h);
    }
};

std::string last_error() {
    const char* m = CPLGetLastErrorMsg();
    return m && *m ? m : "GDAL cannot open it";
}

/// Runs f and turns whatever it throws into the boundary's status and reason.
template <class F>
int guarded(char* error, std::size_t error_size, F&& f) noexcept {
    const char* why = "the raster module failed";
    std::string text;
    try {
        f();
        return 0;
    } catch (const std::bad_alloc&) {
        why = "out of memory";
    } catch (const std::exception& e) {
        try {
            text = e.what();
            why = text.c_str();
        } catch (...) {
        }
    } catch (...) {
    }
    if (error && error_size) std::snprintf(error, error_size, "%s", why);
    return 1;
}

void read_grid(const std::string& path, int has_nodata, double nodata, int decimate, seabed_grids_sink* sink,
               void* context, int64_t* nodata_cells) {
    if (decimate < 1) throw std::invalid_argument(path + ": the decimation must be at least 1");
    GDALAllRegister();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    Dataset ds{GDALOpen(path.c_str(), GA_ReadOnly)};
    CPLPopErrorHandler();
    if (!ds.h) throw std::runtime_error("cannot read " + path + ": " + last_error());
    double gt[6];
    if (GDALGetGeoTransform(ds.h, gt) != CE_None)
        throw std::runtime_error(path + ": the raster has no georeferencing (no geotransform)");
    if (GDALGetRasterCount(ds.h) < 1) throw std::runtime_error(path + ": the raster has no band");
    GDALRasterBandH band = GDALGetRasterBand(ds.h, 1);
    int w = GDALGetRasterXSize(ds.h), h = GDALGetRasterYSize(ds.h), has = 0;
    double band_nodata = GDALGetRasterNoDataValue(band, &has);
    std::vector<double> row(static_cast<std::size_t>(w)), x, y, z;
    std::vector<int64_t> cells;
    for (int r = 0; r < h; r += decimate) {
        if (GDALRasterIO(band, GF_Read, 0, r, w, 1, row.data(), w, 1, GDT_Float64, 0, 0) != CE_None)
            throw std::runtime_error(fmt::format("{}: cannot read row {}: {}", path, r + 1, last_error()));
        x.clear(), y.clear(), z.clear(), cells.clear();
        for (int c = 0; c < w; c += decimate) {
            double v = row[static_cast<std::size_t>(c)];
            if (!std::isfinite(v) || (has && v == band_nodata) || (has_nodata && v == nodata)) {
                ++*nodata_cells;
                continue;
            }
            double cx = c + 0.5, cy = r + 0.5;
            x.push_back(v);
            y.push_back(gt[0] + cx * gt[1] + cy * gt[2]);
            z.push_back(gt[3] + cx * gt[4] + cy * gt[5]);
            cells.push_back(static_cast<int64_t>(r) * w + c + 1);
        }
        if (!x.empty() &&
            sink(context, x.data(), y.data(), z.data(), cells.data(), static_cast<int64_t>(x.size())) != 0)
            throw std::runtime_error(path + ": the read was stopped");
    }
}

void write_grid(const std::string& path, double left, double top, double cell, int width, int height,
                const double* cell_values, const std::string& crs) {
    std::string suffix = cli::lower_suffix(path);
    const char* driver_name = suffix == "nc" ? "netCDF" : suffix == "asc" ? "AAIGrid" : "GTiff";
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");  // no .aux.xml beside the output
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName(driver_name);
    GDALDriverH mem = GDALGetDriverByName("MEM");
    if (!driver || !mem) throw std::runtime_error(fmt::format("GDAL has no {} driver here", driver_name));
    Dataset src{GDALCreate(mem, "", width, height, 1, GDT_Float64, nullptr)};
    if (!src.h) throw std::runtime_error("cannot make the grid: " + last_error());
    double gt[6] = {left, cell, 0.0, top, 0.0, -cell};
    GDALSetGeoTransform(src.h, gt);
    if (!crs.empty()) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        if (OSRSetFromUserInput(srs, crs.c_str()) != OGRERR_NONE) {
            OSRDestroySpatialReference(srs);
            throw std::runtime_error("GDAL does not know the coordinate reference " + crs);
        }
        char* wkt = nullptr;
        OSRExportToWkt(srs, &wkt);
        GDALSetProjection(src.h, wkt);
        CPLFree(wkt);
        OSRDestroySpatialReference(srs);
    }
    // Arc/Info ASCII grids have no NaN: they mark no data with a value.
    const double marker = suffix == "asc" ? -9999.0 : std::nan("");
    std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<double> values(cell_values, cell_values + count);
    if (suffix == "asc")
        for (double& v : values)
            if (std::isnan(v)) v = marker;
    GDALRasterBandH band = GDALGetRasterBand(src.h, 1);
    GDALSetRasterNoDataValue(band, marker);
    if (GDALRasterIO(band, GF_Write, 0, 0, width, height, values.data(), width, height, GDT_Float64, 0, 0) != CE_None)
        throw std::runtime_error("cannot fill the grid: " + last_error());
    // GDAL writes its own files (and sidecars such as .prj): write them under a
    // temporary name beside the output, then rename each into place.
    namespace fs = std::filesystem;
    fs::path out(path);
    fs::path tmp =
        out.parent_path() / fmt::format(".{}.{}.tmp{}", out.stem().string(), ::getpid(), out.extension().string());
    CPLPushErrorHandler(CPLQuietErrorHandler);
    Dataset dst{GDALCreateCopy(driver, tmp.c_str(), src.h, FALSE, nullptr, nullptr, nullptr)};
    CPLPopErrorHandler();
    bool ok = dst.h != nullptr;
    std::string why = ok ? "" : last_error();
    if (dst.h) GDALClose(dst.h), dst.h = nullptr;
    std::vector<fs::path> written;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(out.parent_path().empty() ? fs::path(".") : out.parent_path(), ec))
        if (entry.path().filename().string().rfind(tmp.stem().string(), 0) == 0) written.push_back(entry.path());
    if (!ok) {
        for (auto& f : written) fs::remove(f, ec);
        throw std::runtime_error("cannot write " + path + ": " + why);
    }
    for (auto& f : written) {
        fs::path target = out;
        target.replace_extension(f.extension());
        if (f.extension() == tmp.extension()) target = out;
        fs::rename(f, target, ec);
        if (ec) throw std::runtime_error("cannot write " + target.string() + ": " + ec.message());
    }
}

}  // namespace

extern "C" int seabed_grids_read(const char* path, int has_nodata, double nodata, int decimate,
                                 seabed_grids_sink* sink, void* context, int64_t* nodata_cells, char* error,
                                 size_t error_size) {
    return guarded(error, error_size, [&] {
        *nodata_cells = 0;
        read_grid(path, has_nodata, nodata, decimate, sink, context, nodata_cells);
    });
}

extern "C" int seabed_grids_write(const char* path, double left, double top, double cell, int width, int height,
                                  const double* values, const char* crs, char* error, size_t error_size) {
    return guarded(error, error_size, [&] { write_grid(path, left, top, cell, width, height, values, crs); });
}
