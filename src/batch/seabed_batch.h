/* seabed_batch: queries of many points at once on a seabed that libseabed
 * loaded, for hosts such as the Python package that would otherwise pay a
 * foreign call per point. A companion library built with libseabed; it runs
 * the same query code as libseabed's exports, and every result equals what
 * those exports give for the same point with the same start node or hint.
 *
 * Arrays are the loaded ones (plain contiguous): nodes n x 3 column-major
 * (X, Y, Z), iadj, istart, gradients 2 x n; profile n x 2 (X, Y), slopes n.
 * Functions return 0, or -1 for missing arguments or when memory runs out;
 * nothing is thrown. */
#ifndef SEABED_BATCH_H
#define SEABED_BATCH_H

#include <stdint.h>

#ifndef SEABED_BATCH_API
#define SEABED_BATCH_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct seabed_batch_grid seabed_batch_grid;

/* A grid over the nodes' (Y, Z) box naming a node in or near every cell:
 * built once per loaded seabed, it gives every point a start node a step or
 * two from its triangle. Null when memory runs out or n < 1. */
SEABED_BATCH_API seabed_batch_grid* seabed_batch_grid_3d(int32_t n, const float* nodes);
SEABED_BATCH_API void seabed_batch_grid_free(seabed_batch_grid* grid);

/* Elevation x[k], unit normal normal[3k..3k+2] and status[k] at (y[k], z[k])
 * for k < count: method 0 linear, 1 cubic (gradients needed). Each point
 * starts its walk at the grid's node for it, written to start[k] when start
 * is not null. normal keeps its values where the export leaves it alone.
 * threads > 1 splits the points (results are the same, except that a walk
 * that restarts from a random node draws in another order). */
SEABED_BATCH_API int32_t seabed_batch_3d(const seabed_batch_grid* grid, int32_t method, int64_t count, const double* y,
                        const double* z, int32_t n, int32_t nadj, const float* nodes, const int32_t* iadj,
                        const int32_t* istart, const float* gradients, double* x, double* normal,
                        int32_t* status, int32_t* start, int32_t threads);

/* Elevation x[k], slope[k] and segment code segment[k] of a 2D profile at
 * y[k]: method 0 linear, 1 cubic (slopes needed). Points in non-decreasing
 * order carry the segment from one to the next; others bisect (hint 0).
 * slope keeps its value outside the profile. segment may be null. */
SEABED_BATCH_API int32_t seabed_batch_2d(int32_t method, int64_t count, const double* y, int32_t n, const float* profile,
                        const float* slopes, double* x, double* slope, int32_t* segment);

#ifdef __cplusplus
}
#endif

#endif /* SEABED_BATCH_H */
