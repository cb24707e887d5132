/*
 * seabed.h - the C interface of the seabed library.
 *
 * A host loads the shared library (seabed.dll / libseabed.so) and calls the
 * thirteen operations below by name. Conventions shared by all of them:
 *
 *  - Every argument is passed by reference (a pointer), except the few marked
 *    "by value": the name length of seabed_generate, open_seabed_file and
 *    seabed_create_test_file, and the seabed type of seabed_create_test_file.
 *  - A file name is (length, characters): not NUL-terminated, trailing blanks
 *    ignored.
 *  - Elevation is X; Y and Z are horizontal. Counter-clockwise means Y to the
 *    right and Z up. Arrays are 1-based in the descriptions below and stored
 *    column by column (the first index varies fastest).
 *  - Stored data are 32-bit floats; query coordinates and results are doubles.
 *  - No call overlaps another from a different thread, except the queries
 *    (find_segment, interpolate_*, find_triangle), which may run concurrently
 *    on the same loaded seabed.
 *
 * Valid C99 and C++.
 */
#ifndef SEABED_H
#define SEABED_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(SEABED_BUILDING)
#    define SEABED_API __declspec(dllexport)
#  else
#    define SEABED_API __declspec(dllimport)
#  endif
#else
#  define SEABED_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define SEABED_VERSION_MAJOR 1
#define SEABED_VERSION_MINOR 0

/* Status codes. 0 is success. Records 9 and 10 of a generated file hold the
 * code's low byte and its 63-character message. */
#define SEABED_STATUS_OK 0
#define SEABED_STATUS_FILE_MISSING 2
#define SEABED_STATUS_FILE_OPEN 3
#define SEABED_STATUS_FILE_CLOSE 4
#define SEABED_STATUS_FILE_READ 5
#define SEABED_STATUS_FILE_WRITE 6
#define SEABED_STATUS_BAD_MAGIC 7
#define SEABED_STATUS_BAD_VERSION 8
#define SEABED_STATUS_NOT_SEABED 9
#define SEABED_STATUS_NOT_2D 10
#define SEABED_STATUS_NOT_3D 11
#define SEABED_STATUS_NO_MEMORY 12
#define SEABED_STATUS_BAD_INTERPOLATION_TYPE 13
#define SEABED_STATUS_Y_NOT_INCREASING 14
#define SEABED_STATUS_NO_CONVERGENCE 15
#define SEABED_STATUS_TOO_FEW_NODES 16
#define SEABED_STATUS_EXTENT_TOO_SMALL 17
#define SEABED_STATUS_NODES_TOO_CLOSE 18
#define SEABED_STATUS_COLLINEAR 19
#define SEABED_STATUS_ALLOC_FIRST 20      /* 20..30: "Allocating Error: <code>" */
#define SEABED_STATUS_ALLOC_LAST 30
#define SEABED_STATUS_TRIANGULATE_FIRST 31 /* 31..41: "Triangulating Error: <code>" */
#define SEABED_STATUS_TRIANGULATE_LAST 41
#define SEABED_STATUS_WALK_NODE 42        /* "Interpolating Error: 42" */
#define SEABED_STATUS_WALK_FAR_NODE 43    /* "Interpolating Error: 43" */
#define SEABED_STATUS_SMALL_TRIANGLE 44
#define SEABED_STATUS_BAD_NODE_COUNT 45

/* Interpolation types of the loaders. */
#define SEABED_2D_LINEAR 0
#define SEABED_2D_BESSEL 2
#define SEABED_2D_SPLINE 3
#define SEABED_3D_LINEAR 0
#define SEABED_3D_CUBIC 1

/* Seabed types of record 8. */
#define SEABED_TYPE_2D 1
#define SEABED_TYPE_3D 2

/* Array descriptor: how an array allocated by a loader travels to the host and
 * back. Element (i, j) lies at base + (i-1)*dim[0].stride + (j-1)*dim[1].stride.
 * The loaders set elem_len 4, flags 0x85 (bit 0: allocated), lower_bound 1,
 * stride 1 = 4 and stride 2 = extent 1 * 4. The host must not free base. */
typedef struct seabed_dim {
    int64_t extent;
    int64_t stride;      /* bytes between neighbouring elements */
    int64_t lower_bound; /* always 1 */
} seabed_dim;

typedef struct seabed_desc1 {
    void* base;
    int64_t elem_len;
    int64_t offset;
    int64_t flags;
    int64_t rank;
    int64_t reserved;
    seabed_dim dim[1];
} seabed_desc1;

typedef struct seabed_desc2 {
    void* base;
    int64_t elem_len;
    int64_t offset;
    int64_t flags;
    int64_t rank;
    int64_t reserved;
    seabed_dim dim[2];
} seabed_desc2;

/* ---------------------------------------------------------------- files -- */

/* Builds the seabed in a host-written seabed file (header, record 8, nodes)
 * and writes the results into the same file.
 *   name_length  by value, in
 *   name         in, not terminated
 *   status       out: 0, or 2 3 5 7 9 12 (nothing written; also 16 for a 2D
 *                seabed of fewer than two nodes), or a generator's code
 *                (also in records 9 and 10), or 6 (a write failed)
 *   duplicates   out: 1 when duplicate 3D nodes were removed, else 0 */
SEABED_API void seabed_generate(int32_t name_length, const char* name,
                                int32_t* status, int32_t* duplicates);

/* Opens a seabed file on unit and checks its magic number; on success the
 * file stays open on the unit.
 *   name_length by value; unit in; status out: 0, 2, 3, 5 or 7 */
SEABED_API void open_seabed_file(int32_t name_length, const char* name,
                                 const int32_t* unit, int32_t* status);

/* Loads a generated 2D seabed. type: 0 linear, 2 Bessel slopes, 3 spline
 * slopes. Arrays held by profile/slopes are released first. The library
 * allocates profile (n x 2: X, Y) and, for types 2 and 3, slopes (n); they
 * belong to the host until free_seabed_2d. memory grows by the bytes
 * allocated. status: 0, 2, 3, 5, 7, 10, 12, 13, 16. After a failure the
 * arrays already allocated stay allocated (free them). */
SEABED_API void load_seabed_2d(const int32_t* name_length, const char* name,
                               const int32_t* unit, const int32_t* type,
                               int32_t* n, seabed_desc2* profile,
                               seabed_desc1* slopes, int64_t* memory,
                               int32_t* status);

/* Loads a generated 3D seabed. type: 0 linear, 1 cubic (also loads
 * gradients, 2 x n). nodes: n x 3 (X, Y, Z); iadj: nadj; istart: n.
 * status: 0, 2, 3, 5, 7, 11, 12, 13, 16. Ownership as load_seabed_2d. */
SEABED_API void load_seabed_3d(const int32_t* name_length, const char* name,
                               const int32_t* unit, const int32_t* type,
                               int32_t* n, int32_t* nt, int32_t* nadj,
                               seabed_desc2* nodes, seabed_desc2* gradients,
                               seabed_desc1* iadj, seabed_desc1* istart,
                               int64_t* memory, int32_t* status);

/* Releases the arrays of a 2D / 3D load; unallocated descriptors are left
 * alone. No status. */
SEABED_API void free_seabed_2d(seabed_desc2* profile, seabed_desc1* slopes);
SEABED_API void free_seabed_3d(seabed_desc2* nodes, seabed_desc2* gradients,
                               seabed_desc1* iadj, seabed_desc1* istart);

/* Writes the input part of a test seabed file: type (by value) 1 = fixed
 * four-point profile, 2 = random 3D nodes. name_length by value. No status. */
SEABED_API void seabed_create_test_file(int32_t name_length, const char* name,
                                        int32_t type);

/* ---------------------------------------------------------- 2D queries -- */

/* Many points: for points sorted by y, carry segment from call to call (the
 * search walks from it, a step or two per point); for scattered points pass
 * 0 each time, so the search bisects instead of walking from a far segment.
 *
 * Segment code of y: 1 left of the profile, n+1 at or right of Y(n),
 * s in 2..n when Y(s-1) <= y < Y(s). segment: in hint (below 1 bisects,
 * otherwise walks from it), out code. profile is the n x 2 array (X, Y). */
SEABED_API void find_segment(const float* profile, const int32_t* n,
                             const double* y, int32_t* segment);

/* Elevation at y, linear between nodes; slope written only inside. */
SEABED_API void interpolate_2d_linear(const double* y, const int32_t* n,
                                      const float* profile, double* x,
                                      double* slope, int32_t* segment);

/* Elevation at y on the cubic Hermite curve with the loaded slopes; slope
 * written only inside the profile. */
SEABED_API void interpolate_2d_cubic(const double* y, const int32_t* n,
                                     const float* profile, const float* slopes,
                                     double* x, double* slope,
                                     int32_t* segment);

/* ---------------------------------------------------------- 3D queries -- */

/* Many points: a successful interpolation does not move its start node, so a
 * start carried from call to call makes every call walk from the same node,
 * about sqrt(n) triangles away. The fast pattern is
 *     find_triangle(&y, &z, ..., &i1, &i2, &i3);      (i1..i3 carried)
 *     start = i1 > 0 ? i1 : 0;
 *     interpolate_3d_cubic(&y, &z, ..., &start, &status);
 * : find_triangle with its hint carried walks only from the previous point's
 * triangle, and a vertex of the point's own triangle as the start leaves the
 * interpolation nothing to walk. For points in raster order that is a few
 * triangles per point; for scattered points, sort them (or bucket them by a
 * grid over the nodes) first. */

/* Triangle (i1, i2, i3), counter-clockwise, whose (Y, Z) projection holds
 * (y, z); i1 = -1, i2 = i3 = 0 outside; i1 = -3 on a degenerate node. The
 * inputs are the previous result (hint). Arrays as descriptors (strides are
 * honoured). A damaged triangulation leaves the results unchanged. */
SEABED_API void find_triangle(const double* y, const double* z,
                              const int32_t* n, const int32_t* nadj,
                              const seabed_desc2* nodes,
                              const seabed_desc1* iadj,
                              const seabed_desc1* istart, int32_t* i1,
                              int32_t* i2, int32_t* i3);

/* Piecewise linear elevation and unit normal[3] (X, Y, Z components) at
 * (y, z). Plain contiguous arrays. start: in/out start node of the walk.
 * Outside: x = -FLT_MAX widened, normal (1,0,0), status 0. status 42/43: a
 * damaged triangulation; 44: a degenerate triangle (x = -100000). */
SEABED_API void interpolate_3d_linear(const double* y, const double* z,
                                      const int32_t* n, const int32_t* nadj,
                                      const float* nodes, const int32_t* iadj,
                                      const int32_t* istart, double* x,
                                      double* normal, int32_t* start,
                                      int32_t* status);

/* Smooth (C1 cubic) elevation and unit normal at (y, z), with the node
 * gradients (2 x n) of a type 1 load. Results as interpolate_3d_linear. */
SEABED_API void interpolate_3d_cubic(const double* y, const double* z,
                                     const int32_t* n, const int32_t* nadj,
                                     const float* nodes, const int32_t* iadj,
                                     const int32_t* istart,
                                     const float* gradients, double* x,
                                     double* normal, int32_t* start,
                                     int32_t* status);

#ifdef __cplusplus
}
#endif

#endif /* SEABED_H */
