// C++ use of an installed seabed: a 2D test seabed generated, loaded and
// queried once. Exits non-zero on a failure.
#include <seabed.h>

#include <cstdio>
#include <string>

int main() {
    const std::string path = "consumer_2d.sbd";
    const auto len = static_cast<std::int32_t>(path.size());
    seabed_create_test_file(len, path.c_str(), SEABED_TYPE_2D);
    std::int32_t status = -1, duplicates = 0, unit = 30, type = SEABED_2D_SPLINE, n = 0, segment = 0;
    seabed_generate(len, path.c_str(), &status, &duplicates);
    if (status != SEABED_STATUS_OK) return std::printf("seabed_generate: status %d\n", status), 1;
    seabed_desc2 profile{};
    seabed_desc1 slopes{};
    std::int64_t memory = 0;
    load_seabed_2d(&len, path.c_str(), &unit, &type, &n, &profile, &slopes, &memory, &status);
    if (status != SEABED_STATUS_OK) return std::printf("load_seabed_2d: status %d\n", status), 1;
    double y = 0.5, x = 0.0, slope = 0.0;
    interpolate_2d_cubic(&y, &n, static_cast<const float*>(profile.base), static_cast<const float*>(slopes.base), &x,
                         &slope, &segment);
    free_seabed_2d(&profile, &slopes);
    std::printf("seabed %s: %d nodes, elevation %.5f at y = 0.5\n", SEABED_VERSION_STRING, n, x);
    return n == 4 && profile.base == nullptr ? 0 : 1;
}
