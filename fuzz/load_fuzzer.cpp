// Any bytes as a seabed file, through both loaders with every interpolation
// type: a described status, arrays whose counts match the memory the loader
// reports, and a file no loader writes to.
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzz::scratch("load.sbd");
    fuzz::write_file(path, data, size);
    const std::int32_t len = static_cast<std::int32_t>(path.size()), unit = 7;

    for (std::int32_t type : {0, 2, 3}) {
        std::int32_t n = -1, status = -1;
        std::int64_t memory = 0;
        seabed_desc2 profile{};
        seabed_desc1 slopes{};
        load_seabed_2d(&len, path.data(), &unit, &type, &n, &profile, &slopes, &memory, &status);
        FUZZ_CHECK(fuzz::in(status, {0, 5, 7, 10, 12, 16}));
        if (status == 0) {
            FUZZ_CHECK(n >= 2 && profile.base && profile.dim[0].extent == n);
            FUZZ_CHECK(memory == 8 * std::int64_t{n} + (type != 0 ? 4 * std::int64_t{n} : 0));
            FUZZ_CHECK((slopes.base != nullptr) == (type != 0));
        }
        free_seabed_2d(&profile, &slopes);
        FUZZ_CHECK(profile.base == nullptr && slopes.base == nullptr);
    }
    for (std::int32_t type : {0, 1}) {
        std::int32_t n = -1, nt = -1, nadj = -1, status = -1;
        std::int64_t memory = 0;
        seabed_desc2 nodes{}, gradients{};
        seabed_desc1 iadj{}, istart{};
        load_seabed_3d(&len, path.data(), &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory,
                       &status);
        FUZZ_CHECK(fuzz::in(status, {0, 5, 7, 11, 12, 16}));
        if (status == 0) {
            FUZZ_CHECK(n >= 3 && nt >= 0 && nadj >= 0);
            const std::int64_t want = 16 * std::int64_t{n} + 4 * std::int64_t{nadj} + (type == 1 ? 8 * std::int64_t{n} : 0);
            FUZZ_CHECK(memory == want);
            FUZZ_CHECK((gradients.base != nullptr) == (type == 1));
        }
        free_seabed_3d(&nodes, &gradients, &iadj, &istart);
    }
    FUZZ_CHECK(fuzz::read_file(path) == std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
