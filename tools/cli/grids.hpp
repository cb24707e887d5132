// Raster grids through GDAL (GeoTIFF, netCDF, Arc/Info ASCII and whatever
// else GDAL reads): cells in as soundings, a sampled surface out. GDAL lives
// in the tool's raster module (gdal/grids_module.h), loaded on the first call
// that needs it. Without GDAL at build time every call says the tool was
// built without it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "points.hpp"

namespace cli {

/// Whether the path names a raster the tool reads through GDAL.
bool is_grid_path(const std::string& path);

/// The cell centres of the first band as points (Y = easting, Z = northing,
/// X = the cell value), no-data cells (the band's, or nodata) left out,
/// every decimate-th cell in each direction.
Points read_grid_points(const std::string& path, std::optional<double> nodata, int decimate, bool three_d);

/// A north-up raster: the top-left corner, the cell size, and values row
/// after row from the top, NaN for no data.
struct Grid {
    double left = 0, top = 0, cell = 1;
    int width = 0, height = 0;
    std::vector<double> values;
    std::string crs;  // as the user gave it ("EPSG:32631"); empty when unknown
};

/// Fails as write_grid would when the tool cannot write rasters at all
/// (built without GDAL, or its raster module does not load): for commands
/// that work long before they write.
void require_grids(const std::string& path);

/// Writes the grid in the format of the path's suffix (.tif, .nc, .asc),
/// through a temporary file.
void write_grid(const std::string& path, const Grid& g);

}  // namespace cli
