/* Compiled as strict C99: the public header must stay usable from C hosts. */
#include "seabed.h"

typedef void (*generate_fn)(int32_t, const char*, int32_t*, int32_t*);

int seabed_header_compiles_as_c(void) {
    seabed_desc2 profile = {0};
    seabed_desc1 slopes = {0};
    generate_fn g = seabed_generate;
    (void)g;
    return (int)(sizeof profile + sizeof slopes);
}
