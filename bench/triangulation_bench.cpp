// Radial-sweep triangulation of random nodes and of a square grid. The node
// arrays are restored from a copy inside the timed loop (triangulate permutes
// them); the copy is a few milliseconds at most against the triangulation.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "seabed/triangulation/triangulation.hpp"

namespace {

struct Nodes {
    std::vector<float> y, z, f;
};

Nodes random_nodes(std::int64_t n) {
    std::mt19937 gen(12345);
    std::uniform_real_distribution<float> u(0.0f, 1000.0f);
    Nodes s;
    for (std::int64_t k = 0; k < n; ++k) {
        s.y.push_back(u(gen));
        s.z.push_back(u(gen));
        s.f.push_back(0.0f);
    }
    return s;
}

/// m x m nodes one unit apart, in row order (as a sampled grid arrives).
Nodes grid_nodes(std::int64_t m) {
    Nodes s;
    for (std::int64_t i = 0; i < m; ++i)
        for (std::int64_t j = 0; j < m; ++j) {
            s.y.push_back(static_cast<float>(j));
            s.z.push_back(static_cast<float>(i));
            s.f.push_back(0.0f);
        }
    return s;
}

void run(benchmark::State& state, const Nodes& input) {
    const auto n = static_cast<std::int32_t>(input.y.size());
    seabed::Triangulation t;
    for (auto _ : state) {
        Nodes work = input;
        const seabed::Status st = seabed::triangulate(n, 1.0e-6f, work.f.data(), work.y.data(), work.z.data(), t);
        if (st != seabed::Status::Ok) state.SkipWithError("triangulation failed");
        benchmark::DoNotOptimize(t.iadj.data());
    }
    state.counters["nodes"] = n;
    state.counters["hull"] = t.nb;
    state.counters["ns_per_node"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TriangulateRandom(benchmark::State& state) {
    const Nodes input = random_nodes(state.range(0));
    run(state, input);
}
BENCHMARK(BM_TriangulateRandom)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_TriangulateGrid(benchmark::State& state) {
    const Nodes input = grid_nodes(state.range(0));
    run(state, input);
}
BENCHMARK(BM_TriangulateGrid)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
