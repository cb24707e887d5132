// Loading a large generated 3D seabed: the loader reads each block with few
// system calls, so time is dominated by copying and de-interleaving.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/library_state.hpp"
#include "core/record_file.hpp"
#include "seabed/file/seabed.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

// Writes a file with the block layout of a generated seabed of n nodes; the
// contents are arbitrary (loading does not interpret them).
void write_synthetic(const std::string& path, std::int32_t n) {
    const std::int32_t nt = 2 * n - 5, nadj = 6 * n - 6, ns = n, nst = nt;
    testing::RawFile(path).put<std::int32_t>(1, {kMagic});
    RecordFile file(native_file_system().open(path));
    std::int32_t header[3] = {2, n, 0};
    std::int32_t counts[4] = {nt, ns, nst, nadj};
    (void)file.write_bytes(8, header, sizeof header);
    (void)file.write_bytes(11, counts, sizeof counts);
    BlockWriter w(file, kFirstDataRecord);
    std::vector<float> f(static_cast<std::size_t>(3) * n);
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = static_cast<float>(i % 1000) * 0.5f;
    std::vector<std::int32_t> iv(static_cast<std::size_t>(nadj), 1);
    (void)w.block(f.data(), 3LL * n);
    (void)w.block(iv.data(), 3LL * nt < nadj ? 3LL * nt : nadj);
    (void)w.block(iv.data(), nadj);
    (void)w.block(iv.data(), n);
    (void)w.block(f.data(), 3LL * ns);
    (void)w.block(f.data(), 3LL * ns);
    (void)w.block(iv.data(), 3LL * nst < nadj ? 3LL * nst : nadj);
    (void)w.block(f.data(), 2LL * n);
}

void BM_Load3D(benchmark::State& state) {
    testing::ScratchDir dir;
    const std::string path = dir.path("big.sbd");
    const auto n = static_cast<std::int32_t>(state.range(0));
    write_synthetic(path, n);
    const auto type = static_cast<std::int32_t>(state.range(1));
    Desc<2> nodes{}, gradients{};
    Desc<1> iadj{}, istart{};
    for (auto _ : state) {
        std::int32_t nn = 0, nt = 0, nadj = 0;
        std::int64_t memory = 0;
        Status st = load_seabed_3d(path, 1, type, nn, nt, nadj, nodes, gradients, iadj, istart, memory);
        if (st != Status::Ok) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(nodes.base);
        state.counters["MB"] = static_cast<double>(memory) / 1e6;
    }
    free_seabed_3d(nodes, gradients, iadj, istart);
}
BENCHMARK(BM_Load3D)->Args({1000000, 0})->Args({1000000, 1})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace seabed
