/* A C host linked against the library at build time: on Windows through the
 * import library seabed.lib, so the DLL's undecorated export names are what
 * the loader resolves. Exits non-zero on the first unexpected answer. */
#include <stdio.h>
#include <string.h>

#include "seabed.h"

static int expect(const char* what, int32_t got, int32_t want) {
    if (got == want) return 0;
    fprintf(stderr, "%s: got %d, expected %d\n", what, (int)got, (int)want);
    return 1;
}

int main(void) {
    const char* missing = "no such seabed file.sbd   "; /* trailing blanks are not part of the name */
    int32_t len = (int32_t)strlen(missing), unit = 41, type = SEABED_2D_LINEAR, status = -1, n = -1;
    int64_t memory = 0;
    seabed_desc2 profile;
    seabed_desc1 slopes;
    int failures = 0;
    memset(&profile, 0, sizeof profile);
    memset(&slopes, 0, sizeof slopes);

    open_seabed_file(len, missing, &unit, &status);
    failures += expect("open_seabed_file", status, SEABED_STATUS_FILE_MISSING);
    status = -1;
    load_seabed_2d(&len, missing, &unit, &type, &n, &profile, &slopes, &memory, &status);
    failures += expect("load_seabed_2d", status, SEABED_STATUS_FILE_MISSING);
    free_seabed_2d(&profile, &slopes);
    failures += expect("profile left unallocated", profile.base == NULL, 1);
    printf("%s\n", failures ? "linked host: FAILED" : "linked host: passed");
    return failures ? 1 : 0;
}
