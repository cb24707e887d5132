/* An example host: loads the seabed library at run time and drives it the way
 * an analysis program does.
 *
 *   1. writes the input part of a 2D seabed file (magic number, record 8, the
 *      node block) from its own survey points;
 *   2. seabed_generate builds the profile in that file;
 *   3. load_seabed_2d hands the profile and spline slopes over through array
 *      descriptors; interpolate_2d_cubic answers elevation and slope queries;
 *   4. with a generated 3D seabed file as third argument, load_seabed_3d and
 *      interpolate_3d_cubic give elevation and unit normal at a few points;
 *   5. free_seabed_2d / free_seabed_3d give the arrays back.
 *
 * Build (Linux):   cc -std=c99 -Wall -I<prefix>/include host_demo.c -o host_demo -ldl
 * Build (Windows): x86_64-w64-mingw32-gcc -std=c99 -Wall -Iinclude host_demo.c -o host_demo.exe
 * Run:   ./host_demo libseabed.so.1 scratch_profile.sbd [surface_3d.sbd]
 *        host_demo.exe seabed.dll scratch_profile.sbd [surface_3d.sbd]
 */
#include <stdio.h>
#include <string.h>

#include "seabed.h"

#ifdef _WIN32
#include <windows.h>
typedef HMODULE library_t;
static library_t open_library(const char* path) { return LoadLibraryA(path); }
static void* symbol(library_t lib, const char* name) { return (void*)GetProcAddress(lib, name); }
static void close_library(library_t lib) { FreeLibrary(lib); }
#else
#include <dlfcn.h>
typedef void* library_t;
static library_t open_library(const char* path) { return dlopen(path, RTLD_NOW); }
static void* symbol(library_t lib, const char* name) { return dlsym(lib, name); }
static void close_library(library_t lib) { dlclose(lib); }
#endif

/* Every operation looked up by name and typed by the header's <name>_fn.
 * Going through memcpy keeps the object-to-function pointer conversion
 * valid ISO C. */
#define LOOKUP(lib, fn, name)                                               \
    do {                                                                    \
        void* address_ = symbol((lib), #name);                              \
        if (!address_) {                                                    \
            fprintf(stderr, "the library does not export %s\n", #name);     \
            return 1;                                                       \
        }                                                                   \
        memcpy(&(fn), &address_, sizeof(fn));                               \
    } while (0)

/* The operations this host calls, looked up once. */
typedef struct exports {
    seabed_generate_fn generate;
    load_seabed_2d_fn load_2d;
    interpolate_2d_cubic_fn cubic_2d;
    free_seabed_2d_fn free_2d;
    load_seabed_3d_fn load_3d;
    interpolate_3d_cubic_fn cubic_3d;
    free_seabed_3d_fn free_3d;
} exports;

/* 0 when the library exports them all. */
static int find_exports(library_t lib, exports* e) {
    LOOKUP(lib, e->generate, seabed_generate);
    LOOKUP(lib, e->load_2d, load_seabed_2d);
    LOOKUP(lib, e->cubic_2d, interpolate_2d_cubic);
    LOOKUP(lib, e->free_2d, free_seabed_2d);
    LOOKUP(lib, e->load_3d, load_seabed_3d);
    LOOKUP(lib, e->cubic_3d, interpolate_3d_cubic);
    LOOKUP(lib, e->free_3d, free_seabed_3d);
    return 0;
}

/* Record n of a seabed file starts at byte 32 * (n - 1). */
static int put(FILE* f, long record, const void* data, size_t nbytes) {
    return fseek(f, (record - 1) * 32, SEEK_SET) == 0 && fwrite(data, 1, nbytes, f) == nbytes;
}

static int write_profile(const char* path) {
    /* Eight soundings along a line: (elevation X, coordinate Y), Y increasing. */
    static const float nodes[16] = {-20.0f, 0.0f,   -21.5f, 10.0f,  -21.0f, 30.0f, -24.0f, 45.0f,
                                    -26.5f, 60.0f,  -26.0f, 80.0f,  -27.5f, 95.0f, -30.0f, 120.0f};
    const int32_t magic = 0x0FF26702, header[2] = {SEABED_TYPE_2D, 8};
    const float spacing = 0.0f; /* not used by 2D seabeds */
    char notes[33] = "example host profile            ";
    FILE* f = fopen(path, "wb");
    if (!f) return 0;
    int ok = put(f, 1, &magic, sizeof magic) && put(f, 2, notes, 32) && put(f, 8, header, sizeof header);
    ok = ok && fseek(f, 7 * 32 + 8, SEEK_SET) == 0 && fwrite(&spacing, 4, 1, f) == 1;
    ok = ok && put(f, 12, nodes, sizeof nodes); /* 16 values: records 12 and 13 */
    return fclose(f) == 0 && ok;
}

static int run_3d(const exports* e, const char* path) {

    int32_t len = (int32_t)strlen(path), unit = 11, type = SEABED_3D_CUBIC, n = 0, nt = 0, nadj = 0, status = -1;
    int64_t memory = 0;
    seabed_desc2 nodes, gradients;
    seabed_desc1 iadj, istart;
    memset(&nodes, 0, sizeof nodes);
    memset(&gradients, 0, sizeof gradients);
    memset(&iadj, 0, sizeof iadj);
    memset(&istart, 0, sizeof istart);
    e->load_3d(&len, path, &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory, &status);
    if (status != 0) {
        fprintf(stderr, "load_seabed_3d %s: status %d\n", path, status);
        e->free_3d(&nodes, &gradients, &iadj, &istart);
        return 1;
    }
    printf("\nloaded %s: %d nodes, %d triangles, %lld bytes\n", path, n, nt, (long long)memory);
    printf("%10s %10s %12s %28s\n", "Y", "Z", "X", "unit normal (X, Y, Z)");
    static const double points[4][2] = {{100.0, 100.0}, {400.0, 330.0}, {700.0, 150.0}, {-10.0, -10.0}};
    int32_t start = 0; /* the walk's start node, carried from call to call */
    for (int k = 0; k < 4; ++k) {
        double x = 0.0, normal[3] = {0.0, 0.0, 0.0};
        e->cubic_3d(&points[k][0], &points[k][1], &n, &nadj, (const float*)nodes.base, (const int32_t*)iadj.base,
              (const int32_t*)istart.base, (const float*)gradients.base, &x, normal, &start, &status);
        if (status != 0) printf("%10.1f %10.1f   status %d\n", points[k][0], points[k][1], status);
        else if (x < -1.0e38) printf("%10.1f %10.1f   outside the seabed\n", points[k][0], points[k][1]);
        else
            printf("%10.1f %10.1f %12.4f   (%7.4f, %7.4f, %7.4f)\n", points[k][0], points[k][1], x, normal[0],
                   normal[1], normal[2]);
    }
    e->free_3d(&nodes, &gradients, &iadj, &istart);
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: %s LIBRARY PROFILE_FILE [GENERATED_3D_FILE]\n", argv[0]);
        return 2;
    }
    library_t lib = open_library(argv[1]);
    if (!lib) {
        fprintf(stderr, "cannot load the seabed library %s\n", argv[1]);
        return 1;
    }
    printf("seabed.h of version %s\n", SEABED_VERSION_STRING);
    exports e;
    if (find_exports(lib, &e) != 0) return 1;

    const char* path = argv[2];
    if (!write_profile(path)) {
        perror(path);
        return 1;
    }
    int32_t status = -1, duplicates = 0;
    e.generate((int32_t)strlen(path), path, &status, &duplicates);
    if (status != 0) {
        fprintf(stderr, "seabed_generate %s: status %d\n", path, status);
        return 1;
    }

    int32_t len = (int32_t)strlen(path), unit = 10, type = SEABED_2D_SPLINE, n = 0;
    int64_t memory = 0;
    seabed_desc2 profile;
    seabed_desc1 slopes;
    memset(&profile, 0, sizeof profile);
    memset(&slopes, 0, sizeof slopes);
    e.load_2d(&len, path, &unit, &type, &n, &profile, &slopes, &memory, &status);
    if (status != 0) {
        fprintf(stderr, "load_seabed_2d %s: status %d\n", path, status);
        e.free_2d(&profile, &slopes);
        return 1;
    }
    printf("generated and loaded %s: %d nodes, %lld bytes\n", path, n, (long long)memory);
    /* Column 2 of the n x 2 profile starts one column stride after column 1. */
    const float* x = (const float*)profile.base;
    const float* y = (const float*)((const char*)profile.base + profile.dim[1].stride);
    const float* m = (const float*)slopes.base;
    printf("%10s %10s %12s\n", "Y", "X", "dX/dY");
    for (int32_t i = 0; i < n; ++i) printf("%10.2f %10.3f %12.5f\n", y[i], x[i], m[i]);
    printf("queries on the spline profile:\n");
    int32_t segment = 0; /* hint: the previous call's segment */
    for (double q = 5.0; q <= 125.0; q += 30.0) {
        double elevation = 0.0, slope = 0.0;
        e.cubic_2d(&q, &n, x, m, &elevation, &slope, &segment);
        if (segment > n) printf("%10.2f %10.3f  (beyond the last node: flat)\n", q, elevation);
        else printf("%10.2f %10.3f %12.5f\n", q, elevation, slope);
    }
    e.free_2d(&profile, &slopes);

    int rc = argc == 4 ? run_3d(&e, argv[3]) : 0;
    close_library(lib);
    return rc;
}
