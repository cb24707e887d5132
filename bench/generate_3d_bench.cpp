// 3D generation of random nodes in a 1000 x 1000 box, whole and by step:
// duplicate removal, node triangulation, gradients, sub-node sampling (the
// surface evaluations and the hull points' duplicate test), the sub-node
// triangulation and writing. Spacings of 3.16 and 1.0 give about 1e5 and
// 1e6 sub-nodes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "core/library_state.hpp"
#include "core/record_file.hpp"
#include "seabed/file/generate.hpp"
#include "seabed/surface/generate_3d.hpp"
#include "seabed/surface/node_cells.hpp"
#include "seabed/surface/sub_nodes.hpp"
#include "seabed/surface/gradients.hpp"
#include "seabed/triangulation/triangulation.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

constexpr float kBox = 1000.0f;

std::vector<float> random_nodes(std::int64_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> pos(0.0f, kBox), height(-50.0f, -10.0f);
    std::vector<float> v;
    for (std::int64_t i = 0; i < n; ++i) v.insert(v.end(), {height(rng), pos(rng), pos(rng)});
    // the corners, so the box and the hull are the same for every n
    v.insert(v.end(), {-20.0f, 0.0f, 0.0f, -20.0f, kBox, 0.0f, -20.0f, kBox, kBox, -20.0f, 0.0f, kBox});
    return v;
}

/// The host's input: magic number, record 8 and the node block.
void write_input(const std::string& path, const std::vector<float>& values, float spacing) {
    testing::RawFile f(path);
    f.put<std::int32_t>(1, {testing::kTestMagic});
    std::int32_t bits = 0;
    std::memcpy(&bits, &spacing, 4);
    f.put<std::int32_t>(8, {2, static_cast<std::int32_t>(values.size() / 3), bits});
    f.put<float>(12, values);
}

float spacing_for(std::int64_t subnodes) { return subnodes >= 1000000 ? 1.0f : 3.16f; }

/// The whole 3D branch: reading the nodes, generating, writing.
void BM_Generate3D(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    const float spacing = spacing_for(state.range(1));
    testing::ScratchDir dir;
    const std::string path = dir.path("bench.sbd");
    const auto values = random_nodes(n, 5);
    std::int32_t ns = 0;
    for (auto _ : state) {
        state.PauseTiming();
        write_input(path, values, spacing);
        reset_library_state();
        state.ResumeTiming();
        RecordFile file(native_file_system().open(path));
        std::int32_t duplicates = 0;
        if (generate_3d_input(file, static_cast<std::int32_t>(values.size() / 3), spacing, duplicates) != Status::Ok)
            state.SkipWithError("generation failed");
        state.PauseTiming();
        ns = testing::RawFile(path).values<std::int32_t>(11, 2)[1];
        state.ResumeTiming();
    }
    state.counters["NS"] = static_cast<double>(ns);
}
BENCHMARK(BM_Generate3D)
    ->ArgsProduct({{1000, 10000, 100000}, {100000, 1000000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

/// The same steps one by one, each timed (milliseconds in the counters).
void BM_Generate3DSteps(benchmark::State& state) {
    const std::int64_t n = state.range(0);
    const float spacing = spacing_for(state.range(1));
    const auto values = random_nodes(n, 5);
    for (auto _ : state) {
        reset_library_state();
        library_state().node_tolerance = kNodeToleranceGenerate;
        NodeList list;
        for (std::size_t i = 0; i < values.size(); i += 3) list.append_data(Node{values[i], values[i + 1], values[i + 2]});
        auto t0 = Clock::now();
        remove_duplicate_nodes(list);
        state.counters["dedup_ms"] = since(t0);

        GenerationData data;
        NodeData& nd = data.nodes;
        const std::int32_t m = list.length();
        (void)allocate_nodes(nd, m);
        for (std::int32_t i = 0; i < m; ++i) {
            nd.x[i] = list.at(i + 1).x;
            nd.y[i] = list.at(i + 1).y;
            nd.z[i] = list.at(i + 1).z;
        }
        t0 = Clock::now();
        (void)triangulate(m, kGenerateTol, nd.x.data(), nd.y.data(), nd.z.data(), nd.t);
        state.counters["triangulate_ms"] = since(t0);

        std::fill(nd.grad.data(), nd.grad.data() + 2 * static_cast<std::int64_t>(m), 0.0f);
        Status st = Status::Ok;
        t0 = Clock::now();
        grad_global(m, nd.t.istart.data(), nd.t.nadj, nd.t.iadj.data(), kGradientIterations, nd.x.data(),
                    nd.y.data(), nd.z.data(), kGradientEps, kGenerateTol, nd.grad.data(), st);
        state.counters["gradients_ms"] = since(t0);

        t0 = Clock::now();
        if (sample_subnodes(nd, spacing, data.subnodes) != Status::Ok) state.SkipWithError("sampling failed");
        state.counters["subnodes_ms"] = since(t0);  // evaluation, hull test and sub-node triangulation

        // The sub-node triangulation alone, on the sampled points in sampling order.
        SubnodeData again;
        const std::int32_t ns = data.subnodes.ns;
        std::vector<float> x(data.subnodes.x.data(), data.subnodes.x.data() + ns);
        std::vector<float> y(data.subnodes.y.data(), data.subnodes.y.data() + ns);
        std::vector<float> z(data.subnodes.z.data(), data.subnodes.z.data() + ns);
        Triangulation t;
        t0 = Clock::now();
        (void)triangulate(ns, kGenerateTol, x.data(), y.data(), z.data(), t);
        state.counters["sub_triangulate_ms"] = since(t0);
        state.counters["NS"] = ns;
        deallocate_nodes(nd);
        deallocate_subnodes(data.subnodes);
    }
}
BENCHMARK(BM_Generate3DSteps)
    ->ArgsProduct({{1000, 10000, 100000}, {100000, 1000000}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

/// Duplicate removal: the cells against the list's own pairwise scan.
void BM_RemoveDuplicates(benchmark::State& state) {
    const auto values = random_nodes(state.range(0), 9);
    const bool cells = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        reset_library_state();
        library_state().node_tolerance = kNodeToleranceGenerate;
        NodeList list;
        for (std::size_t i = 0; i < values.size(); i += 3) list.append_data(Node{values[i], values[i + 1], values[i + 2]});
        state.ResumeTiming();
        if (cells)
            remove_duplicate_nodes(list);
        else
            list.remove_duplicates();
        benchmark::DoNotOptimize(list.length());
    }
}
BENCHMARK(BM_RemoveDuplicates)
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

/// The hull points' duplicate test against a 1000 x 1000 grid of stored
/// sub-nodes: 4000 hull points, by cells and by scanning.
void BM_HullPointTest(benchmark::State& state) {
    const bool cells = state.range(0) != 0;
    std::vector<float> y, z;
    for (int i = 0; i <= 1000; ++i)
        for (int j = 0; j <= 1000; ++j) {
            y.push_back(static_cast<float>(i));
            z.push_back(static_cast<float>(j));
        }
    const auto count = static_cast<std::int32_t>(y.size());
    const double tol = static_cast<double>(kNodeToleranceGenerate);
    for (auto _ : state) {
        SubnodeIndex index(y.data(), z.data(), tol);
        if (cells) index.add_first(count);
        std::int32_t found = 0;
        for (int s = 0; s < 4000; ++s) {
            const float p = static_cast<float>(s) * 0.25f;
            found += cells ? index.has_close(p, 0.0f) : SubnodeIndex::scan(y.data(), z.data(), count, tol, p, 0.0f);
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_HullPointTest)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace seabed
