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
 *  - Threads. The operations that use the library's shared state
 *    (seabed_generate, open_seabed_file, the loaders and free operations,
 *    seabed_create_test_file) take one library-wide lock: calls from several
 *    threads run one after another, each as if alone. The queries
 *    (find_segment, interpolate_*, find_triangle) take no lock and may run
 *    concurrently on the same loaded seabed, and beside a generation.
 *  - Repeatability of the 3D queries. A walk whose start node (the hint) is
 *    not a node of the seabed, and a walk that must restart, draws its start
 *    from one random sequence that all threads share. Reached from another
 *    start, the same triangle can come back with its vertices in another
 *    order, and the results then differ in their last digits (a few 1e-6
 *    relative). For repeatable answers give every walk a valid start (each
 *    thread keeping its own hint from call to call, starting at node 1) and
 *    query in a fixed order; bit-for-bit replay of a whole run needs one
 *    thread, since the sequence starts from fixed seeds at library load.
 *  - A failed seabed_generate never costs the host its input: the result is
 *    written beside the file (name + ".generating") and moved over it only
 *    when complete, keeping the file's permissions. On failure the file is as
 *    it was, except that a generator's failure leaves its status and message
 *    in records 9 and 10.
 *  - Below, "in" arguments are only read, "out" arguments are only written,
 *    "in/out" are read and then written. Every pointer must be valid for the
 *    whole call; the library keeps none of them after it returns. Nothing is
 *    returned: results come back through the "out" arguments.
 *  - Memory: the only memory the library hands over is the arrays behind the
 *    descriptors of a load. They belong to the host until it passes the same
 *    descriptors to the matching free (or to another load, which frees them
 *    first), and must be released by the library, never by free().
 *  - Calling convention: the platform's C convention (on 64-bit Windows the
 *    one x64 convention), names undecorated. Hosts that load the library by
 *    name find a function-pointer type for each operation at the end of this
 *    file (seabed_generate_fn, ...).
 *
 * Valid C99 and C++.
 */
#ifndef SEABED_H
#define SEABED_H

#include <stdint.h>

#include "seabed_version.h" /* SEABED_VERSION_MAJOR, _MINOR, _PATCH, _STRING */

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
 * stride 1 = 4 and stride 2 = extent 1 * 4; offset and reserved are unused.
 * Before the first load a descriptor must be zeroed (base NULL, flags 0): a
 * load releases what a descriptor holds. The host reads the array through
 * base, never writes the fields, and never frees base itself.
 * Layout: 8-byte fields, no padding; seabed_desc1 is 72 bytes, seabed_desc2
 * 96 bytes (dim[] starts at byte 48). */
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
 *   name_length  in, by value: characters in name
 *   name         in: path, not NUL-terminated, trailing blanks ignored
 *   status       out: 0, or 2 3 5 7 9 12 (nothing written; also 16 for a 2D
 *                seabed of fewer than two nodes), or a generator's code
 *                (also in records 9 and 10), or 6 (a write failed)
 *   duplicates   out: 1 when duplicate 3D nodes were removed, else 0
 * The file is open only during the call. */
SEABED_API void seabed_generate(int32_t name_length, const char* name,
                                int32_t* status, int32_t* duplicates);

/* Opens a seabed file on unit and checks its magic number.
 *   name_length  in, by value
 *   name         in: path, not terminated
 *   unit         in: any number the host chooses to name the open file
 *   status       out: 0 (the file stays open on unit until a later open or
 *                load on the same unit), 2, 3, 5 or 7 (nothing left open) */
SEABED_API void open_seabed_file(int32_t name_length, const char* name,
                                 const int32_t* unit, int32_t* status);

/* Loads a generated 2D seabed into arrays the library allocates.
 *   name_length  in (by reference here, unlike seabed_generate)
 *   name         in: path, not terminated
 *   unit         in: the unit the file is open on during the call; closed
 *                again before the call returns
 *   type         in: SEABED_2D_LINEAR (0), SEABED_2D_BESSEL (2) or
 *                SEABED_2D_SPLINE (3); others give status 13
 *   n            out: number of nodes (at least 2)
 *   profile      in/out: released first if it holds an array; out: n x 2
 *                floats, column 1 elevations X, column 2 coordinates Y
 *   slopes       in/out: released first; out: n floats dX/dY for types 2
 *                and 3, left unallocated for type 0
 *   memory       in/out: increased by the bytes allocated (8n, plus 4n with
 *                slopes); never reset
 *   status       out: 0, 2, 3, 5, 7, 10, 12, 13 or 16
 * Ownership: the arrays belong to the host until free_seabed_2d (or the next
 * load into the same descriptors). After a failure the arrays already
 * allocated stay allocated with partial contents: free them. */
SEABED_API void load_seabed_2d(const int32_t* name_length, const char* name,
                               const int32_t* unit, const int32_t* type,
                               int32_t* n, seabed_desc2* profile,
                               seabed_desc1* slopes, int64_t* memory,
                               int32_t* status);

/* Loads a generated 3D seabed into arrays the library allocates.
 *   name_length, name, unit  in, as load_seabed_2d
 *   type       in: SEABED_3D_LINEAR (0) or SEABED_3D_CUBIC (1)
 *   n          out: number of nodes (at least 3)
 *   nt         out: number of triangles in the file (not loaded)
 *   nadj       out: number of entries of iadj
 *   nodes      in/out: released first; out: n x 3 floats (X, Y, Z)
 *   gradients  in/out: released first; out for type 1: 2 x n floats,
 *              column i = (dX/dY, dX/dZ) at node i; unallocated for type 0
 *   iadj       in/out: released first; out: nadj ints, the neighbour lists
 *   istart     in/out: released first; out: n ints, where each node's list
 *              starts in iadj (1-based)
 *   memory     in/out: increased by 16n + 4 nadj, plus 8n with gradients
 *   status     out: 0, 2, 3, 5, 7, 11, 12, 13 or 16
 * Ownership as load_seabed_2d, released by free_seabed_3d. */
SEABED_API void load_seabed_3d(const int32_t* name_length, const char* name,
                               const int32_t* unit, const int32_t* type,
                               int32_t* n, int32_t* nt, int32_t* nadj,
                               seabed_desc2* nodes, seabed_desc2* gradients,
                               seabed_desc1* iadj, seabed_desc1* istart,
                               int64_t* memory, int32_t* status);

/* Releases the arrays of a 2D / 3D load.
 *   every descriptor  in/out: an allocated array is released, base set to
 *                     NULL and flag bit 0 cleared; unallocated descriptors
 *                     are left alone (freeing twice is harmless)
 * No status, no file access; the memory count is not lowered. */
SEABED_API void free_seabed_2d(seabed_desc2* profile, seabed_desc1* slopes);
SEABED_API void free_seabed_3d(seabed_desc2* nodes, seabed_desc2* gradients,
                               seabed_desc1* iadj, seabed_desc1* istart);

/* Writes the input part of a test seabed file, ready for seabed_generate.
 *   name_length  in, by value
 *   name         in: path, not terminated; an existing file is replaced
 *   type         in, by value: 1 = fixed four-point profile, 2 = random 3D
 *                nodes (a different seabed on every call in a process)
 * No status: check the file (or generate it) to see that it was written. */
SEABED_API void seabed_create_test_file(int32_t name_length, const char* name,
                                        int32_t type);

/* ---------------------------------------------------------- 2D queries -- */

/* The 2D queries read the arrays of a 2D load as plain arrays: pass
 * profile.base (n x 2 floats, column by column) and slopes.base.
 * They may run concurrently on the same loaded seabed. */

/* Segment code of y.
 *   profile  in: n x 2 floats (X column, then Y column)
 *   n        in: number of nodes
 *   y        in: the coordinate
 *   segment  in/out: in, a hint (below 1 bisects, otherwise walks from it:
 *            pass the previous result); out, 1 left of the profile, n+1 at
 *            or right of Y(n), s in 2..n when Y(s-1) <= y < Y(s) */
SEABED_API void find_segment(const float* profile, const int32_t* n,
                             const double* y, int32_t* segment);

/* Elevation at y, linear between nodes.
 *   y, n, profile  in, as find_segment
 *   x        out: elevation (the end node's outside the profile)
 *   slope    out: dX/dY, written only inside the profile
 *   segment  in/out: as find_segment */
SEABED_API void interpolate_2d_linear(const double* y, const int32_t* n,
                                      const float* profile, double* x,
                                      double* slope, int32_t* segment);

/* Elevation at y on the cubic Hermite curve through the nodes.
 *   y, n, profile  in, as find_segment
 *   slopes   in: the n slopes of a type 2 or 3 load
 *   x, slope, segment  as interpolate_2d_linear */
SEABED_API void interpolate_2d_cubic(const double* y, const int32_t* n,
                                     const float* profile, const float* slopes,
                                     double* x, double* slope,
                                     int32_t* segment);

/* ---------------------------------------------------------- 3D queries -- */

/* The 3D queries take the arrays of a 3D load; they may run concurrently on
 * the same loaded seabed. Outside the triangulation they report "outside",
 * not a failure. */

/* Triangle whose (Y, Z) projection holds (y, z).
 *   y, z         in: the horizontal position
 *   n, nadj      in: as returned by load_seabed_3d
 *   nodes, iadj, istart  in: the descriptors of the load (strides honoured)
 *   i1, i2, i3   in/out: in, the previous result (a hint; 0s to start);
 *                out, the triangle's nodes counter-clockwise; i1 = -1,
 *                i2 = i3 = 0 outside; i1 = -3 on a degenerate node. A
 *                damaged triangulation leaves them unchanged. */
SEABED_API void find_triangle(const double* y, const double* z,
                              const int32_t* n, const int32_t* nadj,
                              const seabed_desc2* nodes,
                              const seabed_desc1* iadj,
                              const seabed_desc1* istart, int32_t* i1,
                              int32_t* i2, int32_t* i3);

/* Piecewise linear elevation and unit normal at (y, z).
 *   y, z, n, nadj        in, as find_triangle
 *   nodes, iadj, istart  in: plain arrays, the loaded descriptors' base
 *   x        out: elevation; outside, -FLT_MAX widened to double
 *   normal   out: 3 doubles, the unit normal (X, Y, Z components);
 *            (1, 0, 0) outside
 *   start    in/out: start node of the search (0 to start, then pass the
 *            previous value back)
 *   status   out: 0 (also outside), 42/43 a damaged triangulation, 44 a
 *            degenerate triangle (x = -100000) */
SEABED_API void interpolate_3d_linear(const double* y, const double* z,
                                      const int32_t* n, const int32_t* nadj,
                                      const float* nodes, const int32_t* iadj,
                                      const int32_t* istart, double* x,
                                      double* normal, int32_t* start,
                                      int32_t* status);

/* Smooth (C1 cubic) elevation and unit normal at (y, z).
 *   gradients  in: the 2 x n gradients of a type 1 load (its base)
 *   all others as interpolate_3d_linear */
SEABED_API void interpolate_3d_cubic(const double* y, const double* z,
                                     const int32_t* n, const int32_t* nadj,
                                     const float* nodes, const int32_t* iadj,
                                     const int32_t* istart,
                                     const float* gradients, double* x,
                                     double* normal, int32_t* start,
                                     int32_t* status);

/* ------------------------------------------- for hosts loading by name -- */

/* One pointer type per operation, for GetProcAddress / dlsym:
 *   seabed_generate_fn generate =
 *       (seabed_generate_fn)GetProcAddress(dll, "seabed_generate"); */
typedef void (*seabed_generate_fn)(int32_t, const char*, int32_t*, int32_t*);
typedef void (*open_seabed_file_fn)(int32_t, const char*, const int32_t*, int32_t*);
typedef void (*load_seabed_2d_fn)(const int32_t*, const char*, const int32_t*, const int32_t*, int32_t*,
                                  seabed_desc2*, seabed_desc1*, int64_t*, int32_t*);
typedef void (*load_seabed_3d_fn)(const int32_t*, const char*, const int32_t*, const int32_t*, int32_t*,
                                  int32_t*, int32_t*, seabed_desc2*, seabed_desc2*, seabed_desc1*,
                                  seabed_desc1*, int64_t*, int32_t*);
typedef void (*free_seabed_2d_fn)(seabed_desc2*, seabed_desc1*);
typedef void (*free_seabed_3d_fn)(seabed_desc2*, seabed_desc2*, seabed_desc1*, seabed_desc1*);
typedef void (*seabed_create_test_file_fn)(int32_t, const char*, int32_t);
typedef void (*find_segment_fn)(const float*, const int32_t*, const double*, int32_t*);
typedef void (*interpolate_2d_linear_fn)(const double*, const int32_t*, const float*, double*, double*,
                                         int32_t*);
typedef void (*interpolate_2d_cubic_fn)(const double*, const int32_t*, const float*, const float*, double*,
                                        double*, int32_t*);
typedef void (*find_triangle_fn)(const double*, const double*, const int32_t*, const int32_t*,
                                 const seabed_desc2*, const seabed_desc1*, const seabed_desc1*, int32_t*,
                                 int32_t*, int32_t*);
typedef void (*interpolate_3d_linear_fn)(const double*, const double*, const int32_t*, const int32_t*,
                                         const float*, const int32_t*, const int32_t*, double*, double*,
                                         int32_t*, int32_t*);
typedef void (*interpolate_3d_cubic_fn)(const double*, const double*, const int32_t*, const int32_t*,
                                        const float*, const int32_t*, const int32_t*, const float*, double*,
                                        double*, int32_t*, int32_t*);

#ifdef __cplusplus
}
#endif

#endif /* SEABED_H */
