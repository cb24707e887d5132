// Writes the seed corpus of every fuzz target into <dir>/<target>/, made by
// the library itself: the test seabed files of seabed_create_test_file, as
// input and once generated, and the arrays loaded from them.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_support.hpp"

namespace {

namespace fs = std::filesystem;

void put(const fs::path& dir, const std::string& name, const void* data, std::size_t size) {
    fs::create_directories(dir);
    fuzz::write_file((dir / name).string(), data, size);
}

template <class T>
void append(std::vector<std::uint8_t>& out, const T* v, std::size_t count) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(v);
    out.insert(out.end(), p, p + count * sizeof(T));
}

std::int32_t generate(const std::string& path) {
    std::int32_t status = -1, duplicates = 0;
    seabed_generate(static_cast<std::int32_t>(path.size()), path.data(), &status, &duplicates);
    return status;
}

/// The input file's nodes as the generation fuzzer's bytes.
fuzz::GenerateInput as_generate_input(const std::string& file, std::size_t max_nodes) {
    fuzz::GenerateInput g;
    std::int32_t header[3];
    std::memcpy(header, file.data() + 7 * 32, sizeof header);
    g.three_d = header[0] == 2;
    std::memcpy(&g.spacing, &header[2], 4);
    const std::size_t width = g.three_d ? 3 : 2;
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(header[1]), max_nodes);
    g.values.resize(n * width);
    std::memcpy(g.values.data(), file.data() + 11 * 32, 4 * g.values.size());
    return g;
}

/// The larger side of the nodes' (Y, Z) box: sets a spacing that keeps the sub-nodes few.
float extent(const fuzz::GenerateInput& g) {
    float lo[2] = {g.values[1], g.values[2]}, hi[2] = {lo[0], lo[1]};
    for (std::size_t i = 0; i + 2 < g.values.size(); i += 3)
        for (int a = 0; a < 2; ++a) {
            lo[a] = std::min(lo[a], g.values[i + 1 + a]);
            hi[a] = std::max(hi[a], g.values[i + 1 + a]);
        }
    return std::max(hi[0] - lo[0], hi[1] - lo[1]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    const fs::path work = out / "work";
    fs::create_directories(work);
    fs::current_path(work);  // the 3D test file's log lands here

    for (std::int32_t type : {1, 2}) {
        const std::string input = (work / ("test" + std::to_string(type) + ".sbd")).string();
        seabed_create_test_file(static_cast<std::int32_t>(input.size()), input.data(), type);
        const std::string bytes = fuzz::read_file(input);
        if (bytes.empty()) return 1;
        put(out / "load", "input" + std::to_string(type), bytes.data(), bytes.size());

        // Small inputs keep the fuzzer's executions fast; the whole one shows the way to big ones.
        for (std::size_t nodes : {std::size_t{20}, std::size_t{200}}) {
            fuzz::GenerateInput g = as_generate_input(bytes, nodes);
            if (g.three_d) g.spacing = extent(g) / (nodes == 20 ? 12.0f : 40.0f);
            const auto seed = g.encode();
            put(out / "generate", "test" + std::to_string(type) + "_" + std::to_string(nodes), seed.data(), seed.size());
            if (nodes == 20 || !g.three_d) {
                const std::string small = (work / "small.sbd").string();
                fuzz::write_input(small, g);
                if (generate(small) != 0) return 1;
                const std::string generated = fuzz::read_file(small);
                put(out / "load", "generated" + std::to_string(type), generated.data(), generated.size());
            }
        }
    }

    // Loaded arrays of the small generated seabeds, in the query fuzzers' layouts.
    const std::string small = (work / "small.sbd").string();
    const std::int32_t len = static_cast<std::int32_t>(small.size()), unit = 9;
    {
        std::int32_t type = 1, n = 0, nt = 0, nadj = 0, status = -1;
        std::int64_t memory = 0;
        seabed_desc2 nodes{}, gradients{};
        seabed_desc1 iadj{}, istart{};
        load_seabed_3d(&len, small.data(), &unit, &type, &n, &nt, &nadj, &nodes, &gradients, &iadj, &istart, &memory,
                       &status);
        if (status != 0 || n > 32 || nadj > 255) return 1;
        const float* xyz = static_cast<const float*>(nodes.base);
        std::vector<std::uint8_t> seed{static_cast<std::uint8_t>(n - 3), static_cast<std::uint8_t>(nadj), 1};
        const auto mid = [](float a, float b) { return 0.5 * static_cast<double>(a) + 0.5 * static_cast<double>(b); };
        const double at[2] = {mid(xyz[n], xyz[n + 1]), mid(xyz[2 * n], xyz[2 * n + 1])};
        append(seed, at, 2);
        append(seed, xyz, 3 * static_cast<std::size_t>(n));
        append(seed, static_cast<const float*>(gradients.base), 2 * static_cast<std::size_t>(n));
        append(seed, static_cast<const std::int32_t*>(iadj.base), static_cast<std::size_t>(nadj));
        const std::int32_t end = 0, hint[3] = {1, 2, 3};
        append(seed, &end, 1);
        append(seed, static_cast<const std::int32_t*>(istart.base), static_cast<std::size_t>(n));
        append(seed, hint, 3);
        seed.push_back(0);
        put(out / "query_3d", "generated", seed.data(), seed.size());
        free_seabed_3d(&nodes, &gradients, &iadj, &istart);
    }
    {
        // The 2D test profile (the last 2D input generated above).
        const std::string p2 = (work / "p2.sbd").string();
        fuzz::GenerateInput g = as_generate_input(fuzz::read_file((work / "test1.sbd").string()), 200);
        fuzz::write_input(p2, g);
        if (generate(p2) != 0) return 1;
        std::int32_t type = 3, n = 0, status = -1, l2 = static_cast<std::int32_t>(p2.size());
        std::int64_t memory = 0;
        seabed_desc2 profile{};
        seabed_desc1 slopes{};
        load_seabed_2d(&l2, p2.data(), &unit, &type, &n, &profile, &slopes, &memory, &status);
        if (status != 0 || n > 41) return 1;
        const float* xy = static_cast<const float*>(profile.base);
        std::vector<std::uint8_t> seed{static_cast<std::uint8_t>(n - 2)};
        const double y = 0.5 * (static_cast<double>(xy[n]) + static_cast<double>(xy[n + 1]));
        const std::int32_t hint = 0;
        append(seed, &y, 1);
        append(seed, &hint, 1);
        append(seed, xy, 2 * static_cast<std::size_t>(n));
        append(seed, static_cast<const float*>(slopes.base), static_cast<std::size_t>(n));
        put(out / "query_2d", "generated", seed.data(), seed.size());
        free_seabed_2d(&profile, &slopes);
    }
    fs::current_path(out);
    fs::remove_all(work);
    return 0;
}
