// The library's side of bench/peers.py: times one step on a raw input file
// and prints the CPU seconds, so the script can put them beside the peers'.
//
//   seabed_timing triangulate POINTS.f32 [plain]   float32 (y, z) pairs
//
// "plain" runs the reference forms of the triangulation (triangulation_tuning)
// for a before/after figure in the same run.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "seabed/triangulation/triangulation.hpp"

namespace {

std::vector<float> read_floats(const char* path) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    std::vector<float> v(static_cast<std::size_t>(f.tellg()) / sizeof(float));
    f.seekg(0);
    f.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size() * sizeof(float)));
    return v;
}

double cpu_seconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "triangulate") != 0) {
        std::fprintf(stderr, "usage: seabed_timing triangulate POINTS.f32 [plain]\n");
        return 2;
    }
    seabed::triangulation_tuning::fast = !(argc > 3 && std::strcmp(argv[3], "plain") == 0);
    const std::vector<float> v = read_floats(argv[2]);
    const auto n = static_cast<std::int32_t>(v.size() / 2);
    std::vector<float> y(static_cast<std::size_t>(n)), z(y.size()), f(y.size(), 0.0f);
    for (std::int32_t i = 0; i < n; ++i) {
        y[static_cast<std::size_t>(i)] = v[2 * static_cast<std::size_t>(i)];
        z[static_cast<std::size_t>(i)] = v[2 * static_cast<std::size_t>(i) + 1];
    }
    seabed::Triangulation t;
    const double t0 = cpu_seconds();
    const seabed::Status st = seabed::triangulate(n, 1.0e-6f, f.data(), y.data(), z.data(), t);
    const double seconds = cpu_seconds() - t0;
    std::printf("%.6f %d %d status %d\n", seconds, n, t.nt, static_cast<int>(st));
    return st == seabed::Status::Ok ? 0 : 1;
}
