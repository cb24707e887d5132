/* The boundary between the tool and its raster module (libseabed_grids), the
 * only code that links GDAL: the tool loads it on the first raster it reads or
 * writes, so that every other run is spared loading GDAL's hundred libraries.
 * Boundary: plain C functions and types, 0 for success or 1 with the reason in
 * the caller's buffer; no C++ exception crosses it, in either direction. */
#ifndef SEABED_GRIDS_MODULE_H
#define SEABED_GRIDS_MODULE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Takes count kept cells of one raster row: elevation x, easting y, northing
 * z and the cell's number (row * width + column + 1). Returns 0 to go on, any
 * other value to stop the read. */
typedef int seabed_grids_sink(void* context, const double* x, const double* y, const double* z,
                              const int64_t* cells, int64_t count);

/* Reads the cell centres of the first band of path, every decimate-th cell in
 * each direction, into sink; cells that are not finite, hold the band's
 * no-data value or (has_nodata) nodata are left out and counted in
 * *nodata_cells. A sink that stops the read makes it fail with an empty
 * reason. */
__attribute__((visibility("default"))) int seabed_grids_read(const char* path, int has_nodata, double nodata,
                                                             int decimate, seabed_grids_sink* sink, void* context,
                                                             int64_t* nodata_cells, char* error, size_t error_size);

/* Writes a north-up raster in the format of path's suffix (.tif, .nc, .asc)
 * through a temporary file beside it: top-left corner (left, top), square
 * cells of size cell, width * height values row after row from the top, NaN
 * for no data; crs as the user gave it ("EPSG:32631"), or empty. */
__attribute__((visibility("default"))) int seabed_grids_write(const char* path, double left, double top, double cell,
                                                              int width, int height, const double* values,
                                                              const char* crs, char* error, size_t error_size);

#ifdef __cplusplus
}
#endif

#endif
