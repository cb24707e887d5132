// Mutated 2D and 3D input files through seabed_generate: a described status;
// after a failure the file is as it was but for the status records 9 and 10
// (wholly unchanged after a failed read); after success the stamp and status
// 0 are in place and the result loads.
#include <cmath>

#include "fuzz_support.hpp"

namespace {

/// Sub-node grid points the 3D spacing asks for over the nodes' extent;
/// inputs asking for more are skipped, as a host would be warned off them.
double grid_points(const fuzz::GenerateInput& g) {
    float lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (std::size_t i = 0; i + 2 < g.values.size(); i += 3)
        for (int a = 0; a < 2; ++a) {
            lo[a] = std::fmin(lo[a], g.values[i + 1 + a]);
            hi[a] = std::fmax(hi[a], g.values[i + 1 + a]);
        }
    const double s = g.spacing;
    return (double{hi[0]} - lo[0]) / s * ((double{hi[1]} - lo[1]) / s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::GenerateInput g = fuzz::decode_generate(data, size);
    if (g.values.size() > 3 * 3000) return 0;
    if (g.three_d && std::isfinite(g.spacing) && g.spacing > 0.0f && !(grid_points(g) < 5.0e4)) return 0;
    static const std::string path = fuzz::scratch("generate.sbd");
    fuzz::write_input(path, g);
    const std::string before = fuzz::read_file(path);

    std::int32_t status = -1, duplicates = -1;
    seabed_generate(static_cast<std::int32_t>(path.size()), path.data(), &status, &duplicates);
    const std::string after = fuzz::read_file(path);
    FUZZ_CHECK(status == 0 || status == 5 || status == 6 || status == 12 || (status >= 14 && status <= 44));
    FUZZ_CHECK(duplicates == 0 || (duplicates == 1 && g.three_d));
    if (status != 0) {
        FUZZ_CHECK(after.size() >= before.size());
        FUZZ_CHECK(after.compare(0, 8 * 32, before, 0, 8 * 32) == 0);
        FUZZ_CHECK(after.compare(10 * 32, std::string::npos, before, 10 * 32, std::string::npos) == 0);
        if (status == 5 || status == 6) FUZZ_CHECK(after == before);
        return 0;
    }
    FUZZ_CHECK(!g.short_block);
    std::int32_t stamp[7];
    std::memcpy(stamp, after.data(), sizeof stamp);
    FUZZ_CHECK(stamp[0] == 0x0FF26702 && stamp[1] == 1 && stamp[6] == 2015);
    FUZZ_CHECK(after[8 * 32] == 0);

    const std::int32_t len = static_cast<std::int32_t>(path.size()), unit = 8;
    const std::int32_t nodes_in = static_cast<std::int32_t>(g.values.size()) / (g.three_d ? 3 : 2);
    std::int32_t n = -1, st = -1;
    std::int64_t memory = 0;
    if (g.three_d) {
        std::int32_t type = 1, nt = 0, nadj = 0;
        seabed_desc2 nodes{}, gradients{};
        seabed_desc1 iadj{}, istart{};
        load_seabed_3d(&len, path.data(), &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory,
                       &st);
        free_seabed_3d(&nodes, &gradients, &iadj, &istart);
        FUZZ_CHECK(st == 0 && n >= 3 && nt >= 1);
        FUZZ_CHECK(duplicates == 1 ? n < nodes_in : n == nodes_in);
    } else {
        std::int32_t type = 3;
        seabed_desc2 profile{};
        seabed_desc1 slopes{};
        load_seabed_2d(&len, path.data(), &unit, &type, &n, &profile, &slopes, &memory, &st);
        free_seabed_2d(&profile, &slopes);
        FUZZ_CHECK(st == 0 && n == nodes_in);
    }
    return 0;
}
