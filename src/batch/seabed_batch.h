/* seabed_batch: queries of many points at once on a seabed that libseabed
 * loaded, for hosts such as the Python package and the command-line tool
 * that would otherwise pay a foreign call per point. A companion library
 * built with libseabed; it runs the same query code as libseabed's exports,
 * and every result equals what those exports give for the same point with
 * the same start node (3D) or with the hint described below (2D).
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

typedef struct seabed_batch_3d_seabed seabed_batch_3d_seabed;

/* A loaded 3D seabed prepared for batches: a grid over the nodes' (Y, Z)
 * box naming a node in or near every cell (start nodes a step or two from
 * any point) and, with copy 1, a copy of the arrays with the nodes renumbered
 * cell by cell, so that neighbours in space lie near in memory (about 60
 * bytes a node; a triangulation whose lists overlap, a damaged one, is not
 * copied). Without a copy the arrays are read in place: keep them unchanged
 * until the free. A copy changes no answer and no start node, only the
 * time: it costs about as much as querying n / 3 scattered points in place,
 * and takes about a sixth off every later scattered point and two thirds off
 * every point in raster order: worth it from about 2n scattered points or
 * n / 2 in raster order, or for a seabed queried again and again. gradients
 * may be null (linear queries only). Null when memory runs out or no node is
 * finite. */
SEABED_BATCH_API seabed_batch_3d_seabed* seabed_batch_prepare_3d(int32_t n, int32_t nadj, const float* nodes,
                                                               const int32_t* iadj, const int32_t* istart,
                                                               const float* gradients, int32_t copy);
SEABED_BATCH_API void seabed_batch_free_3d(seabed_batch_3d_seabed* seabed);

/* Elevation x[k], unit normal normal[3k..3k+2] and status[k] at (y[k], z[k])
 * for k < count: method 0 linear, 1 cubic (gradients prepared); each equals
 * interpolate_3d_linear / interpolate_3d_cubic on the prepared arrays called
 * with start node start[k]. normal keeps its values where the export leaves
 * it alone.
 *
 * Start nodes. A point within one grid cell (in Y and in Z) of the point
 * before it, both finite, continues that point's run: when the point before
 * found its triangle, the start is the vertex of that triangle nearest to
 * the point (the first of equals) if that vertex too lies within one grid
 * cell of the point, so points in raster order walk a step or two. Any other
 * point starts at the grid's node for it. The start nodes depend on the
 * points alone, not on threads, on the order of the work or on the copy.
 *
 * start (may be null): the start nodes, written. triangle (may be null):
 * 3 per point, the triangle the query used (counter-clockwise), (-1, 0, 0)
 * outside, (-3, 0, 0) or (0, 0, 0) where the status is 42 or 43.
 * threads > 1 shares the runs out (results are the same, except that a walk
 * that restarts from a random node draws in another order, as it may with
 * and without a copy). Many scattered points are worked through in the
 * order of their start nodes in memory; the results keep their places. */
SEABED_BATCH_API int32_t seabed_batch_3d(const seabed_batch_3d_seabed* seabed, int32_t method, int64_t count,
                                         const double* y, const double* z, double* x, double* normal, int32_t* status,
                                         int32_t* start, int32_t* triangle, int32_t threads);

/* Elevation x[k], slope[k] and segment code segment[k] of a 2D profile at
 * y[k]: method 0 linear, 1 cubic (slopes needed). Points in non-decreasing
 * order carry the segment from one to the next (hint 0 for the first);
 * others bisect (hint 0 each), worked through in the order of their
 * coordinates. slope keeps its value outside the profile. segment may be
 * null. */
SEABED_BATCH_API int32_t seabed_batch_2d(int32_t method, int64_t count, const double* y, int32_t n, const float* profile,
                        const float* slopes, double* x, double* slope, int32_t* segment);

#ifdef __cplusplus
}
#endif

#endif /* SEABED_BATCH_H */
