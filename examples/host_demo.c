/* A minimal host: writes a small generated 2D seabed file by hand, loads the
 * library at run time, loads the seabed through its descriptors and prints it.
 * Build: cc -std=c99 -Iinclude examples/host_demo.c -o host_demo -ldl
 * Run:   ./host_demo path/to/libseabed.so scratch.sbd */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "seabed.h"

static void put(FILE* f, long record, const void* data, size_t nbytes) {
    fseek(f, (record - 1) * 32, SEEK_SET);
    fwrite(data, 1, nbytes, f);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s LIBRARY SEABED_FILE\n", argv[0]);
        return 2;
    }
    /* Records of a generated four-node profile: header, counts, nodes, slopes. */
    FILE* f = fopen(argv[2], "wb");
    if (!f) {
        perror(argv[2]);
        return 1;
    }
    int32_t magic[7] = {0x0FF26702, 1, 8, 4, 2, 7, 2015}, header[2] = {SEABED_TYPE_2D, 4}, counts[2] = {61, 61};
    float nodes[8] = {-20.0f, 0.0f, -21.5f, 10.0f, -21.0f, 30.0f, -24.0f, 45.0f};
    float spline[4] = {0.0f, -0.06f, -0.05f, 0.0f}, samples[8 * 32] = {0};
    put(f, 1, magic, sizeof magic);
    put(f, 8, header, sizeof header);
    put(f, 11, counts, sizeof counts);
    put(f, 12, nodes, sizeof nodes);
    put(f, 13, samples, sizeof samples);
    put(f, 45, spline, sizeof spline);
    put(f, 46, spline, sizeof spline);
    fclose(f);

    void* lib = dlopen(argv[1], RTLD_NOW);
    if (!lib) {
        fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    void (*load)(const int32_t*, const char*, const int32_t*, const int32_t*, int32_t*, seabed_desc2*, seabed_desc1*,
                 int64_t*, int32_t*);
    void (*release)(seabed_desc2*, seabed_desc1*);
    *(void**)&load = dlsym(lib, "load_seabed_2d");
    *(void**)&release = dlsym(lib, "free_seabed_2d");
    if (!load || !release) {
        fprintf(stderr, "the library lacks the 2D operations\n");
        return 1;
    }
    int32_t len = (int32_t)strlen(argv[2]), unit = 10, type = SEABED_2D_SPLINE, n = 0, status = -1;
    int64_t memory = 0;
    seabed_desc2 profile;
    seabed_desc1 slopes;
    memset(&profile, 0, sizeof profile);
    memset(&slopes, 0, sizeof slopes);
    load(&len, argv[2], &unit, &type, &n, &profile, &slopes, &memory, &status);
    if (status != 0) {
        fprintf(stderr, "load_seabed_2d: status %d\n", status);
        return 1;
    }
    printf("loaded %s: %d nodes, %lld bytes\n", argv[2], n, (long long)memory);
    printf("%12s %12s %12s\n", "Y", "X", "dX/dY");
    const float* x = (const float*)profile.base;
    const float* y = (const float*)((const char*)profile.base + profile.dim[1].stride);
    const float* m = (const float*)slopes.base;
    for (int32_t i = 0; i < n; ++i) printf("%12.3f %12.3f %12.4f\n", y[i], x[i], m[i]);
    release(&profile, &slopes);
    dlclose(lib);
    return 0;
}
