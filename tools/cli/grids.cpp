#include "grids.hpp"

#include <fmt/format.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "failure.hpp"
#include "paths.hpp"

#ifdef SEABED_HAVE_GDAL
#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_srs_api.h>
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

void write_grid(const std::string& path, const Grid&) {
    no_gdal(path);
}

#else

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

}  // namespace

Points read_grid_points(const std::string& path, std::optional<double> nodata, int decimate, bool three_d) {
    if (!three_d) throw Failure(kExitUsage, path + ": a raster grid makes a 3D surface: give --3d");
    GDALAllRegister();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    Dataset ds{GDALOpen(path.c_str(), GA_ReadOnly)};
    CPLPopErrorHandler();
    if (!ds.h) throw Failure(kExitToolFailure, "cannot read " + path + ": " + last_error());
    double gt[6];
    if (GDALGetGeoTransform(ds.h, gt) != CE_None)
        throw Failure(kExitToolFailure, path + ": the raster has no georeferencing (no geotransform)");
    if (GDALGetRasterCount(ds.h) < 1) throw Failure(kExitToolFailure, path + ": the raster has no band");
    GDALRasterBandH band = GDALGetRasterBand(ds.h, 1);
    int w = GDALGetRasterXSize(ds.h), h = GDALGetRasterYSize(ds.h), has = 0;
    double band_nodata = GDALGetRasterNoDataValue(band, &has);
    std::vector<double> row(static_cast<std::size_t>(w));
    Points p;
    p.delimiter = "raster";
    for (int r = 0; r < h; r += decimate) {
        if (GDALRasterIO(band, GF_Read, 0, r, w, 1, row.data(), w, 1, GDT_Float64, 0, 0) != CE_None)
            throw Failure(kExitToolFailure, fmt::format("{}: cannot read row {}: {}", path, r + 1, last_error()));
        for (int c = 0; c < w; c += decimate) {
            double v = row[static_cast<std::size_t>(c)];
            if (!std::isfinite(v) || (has && v == band_nodata) || (nodata && v == *nodata)) {
                ++p.nodata;
                continue;
            }
            double cx = c + 0.5, cy = r + 0.5;
            p.x.push_back(v);
            p.y.push_back(gt[0] + cx * gt[1] + cy * gt[2]);
            p.z.push_back(gt[3] + cx * gt[4] + cy * gt[5]);
            p.lines.push_back(static_cast<std::int64_t>(r) * w + c + 1);
        }
    }
    return p;
}

void write_grid(const std::string& path, const Grid& g) {
    std::string suffix = lower_suffix(path);
    const char* driver_name = suffix == "nc" ? "netCDF" : suffix == "asc" ? "AAIGrid" : "GTiff";
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");  // no .aux.xml beside the output
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName(driver_name);
    GDALDriverH mem = GDALGetDriverByName("MEM");
    if (!driver || !mem) throw Failure(kExitToolFailure, fmt::format("GDAL has no {} driver here", driver_name));
    Dataset src{GDALCreate(mem, "", g.width, g.height, 1, GDT_Float64, nullptr)};
    double gt[6] = {g.left, g.cell, 0.0, g.top, 0.0, -g.cell};
    GDALSetGeoTransform(src.h, gt);
    if (!g.crs.empty()) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        if (OSRSetFromUserInput(srs, g.crs.c_str()) != OGRERR_NONE) {
            OSRDestroySpatialReference(srs);
            throw Failure(kExitToolFailure, "GDAL does not know the coordinate reference " + g.crs);
        }
        char* wkt = nullptr;
        OSRExportToWkt(srs, &wkt);
        GDALSetProjection(src.h, wkt);
        CPLFree(wkt);
        OSRDestroySpatialReference(srs);
    }
    // Arc/Info ASCII grids have no NaN: they mark no data with a value.
    const double marker = suffix == "asc" ? -9999.0 : std::nan("");
    std::vector<double> values = g.values;
    if (suffix == "asc")
        for (double& v : values)
            if (std::isnan(v)) v = marker;
    GDALRasterBandH band = GDALGetRasterBand(src.h, 1);
    GDALSetRasterNoDataValue(band, marker);
    if (GDALRasterIO(band, GF_Write, 0, 0, g.width, g.height, values.data(), g.width, g.height, GDT_Float64, 0, 0) !=
        CE_None)
        throw Failure(kExitToolFailure, "cannot fill the grid: " + last_error());
    // GDAL writes its own files (and sidecars such as .prj): write them under a
    // temporary name beside the output, then rename each into place.
    namespace fs = std::filesystem;
    fs::path out(path);
    fs::path tmp = out.parent_path() / fmt::format(".{}.{}.tmp{}", out.stem().string(), ::getpid(), out.extension().string());
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
        throw Failure(kExitToolFailure, "cannot write " + path + ": " + why);
    }
    for (auto& f : written) {
        fs::path target = out;
        target.replace_extension(f.extension());
        if (f.extension() == tmp.extension()) target = out;
        fs::rename(f, target, ec);
        if (ec) throw Failure(kExitToolFailure, "cannot write " + target.string() + ": " + ec.message());
    }
}

#endif

}  // namespace cli
