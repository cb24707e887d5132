// 2D profiles: generating a large profile, and coherent cubic queries.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/library_state.hpp"
#include "core/record_file.hpp"
#include "seabed/file/generate.hpp"
#include "seabed/profile/profile_2d.hpp"
#include "support/files.hpp"

namespace {

constexpr std::int32_t kPoints = 1'000'000;
constexpr std::int64_t kQueries = 10'000'000;

/// A rough seabed of n points along 0..~n, column-major (X then Y).
std::vector<float> rough_profile(std::int32_t n) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> step(0.5f, 1.5f), bump(-0.2f, 0.2f);
    std::vector<float> p(2 * static_cast<std::size_t>(n));
    float y = 0.0f, x = -100.0f;
    for (std::int32_t i = 0; i < n; ++i) {
        p[static_cast<std::size_t>(i)] = x;
        p[static_cast<std::size_t>(n + i)] = y;
        x += bump(rng);
        y += step(rng);
    }
    return p;
}

/// A host-written input file of the rough profile.
void write_input(const std::string& path, const std::vector<float>& p, std::int32_t n) {
    seabed::testing::RawFile f(path);
    f.put<std::int32_t>(1, {seabed::kMagic});
    f.put<std::int32_t>(8, {1, n, 0});
    std::vector<float> block(p.size());
    for (std::int32_t i = 0; i < n; ++i) {
        block[2 * static_cast<std::size_t>(i)] = p[static_cast<std::size_t>(i)];
        block[2 * static_cast<std::size_t>(i) + 1] = p[static_cast<std::size_t>(n + i)];
    }
    f.put(12, block);
}

// The whole entry on a 1e6-point file: read the nodes, both slope sets, two
// sampled profiles of ~2e7 samples each (~330 MB of records), the stamp.
void BM_GenerateProfile1e6(benchmark::State& state) {
    seabed::testing::ScratchDir dir;
    const std::string path = dir.path("profile.sbd");
    write_input(path, rough_profile(kPoints), kPoints);
    for (auto _ : state) {
        std::int32_t duplicates = 0;
        if (seabed::seabed_generate(path, duplicates) != seabed::Status::Ok) state.SkipWithError("generation failed");
    }
    state.counters["points"] = kPoints;
}
BENCHMARK(BM_GenerateProfile1e6)->Unit(benchmark::kMillisecond)->Iterations(3);

// 1e7 queries sweeping the 1e6-point profile left to right (~10 per segment),
// each starting its walk from the previous query's segment.
void BM_CubicQueriesHintCarried(benchmark::State& state) {
    const std::vector<float> p = rough_profile(kPoints);
    std::vector<float> slopes(kPoints);
    if (seabed::get_cubic_spline_slopes(kPoints, p.data(), slopes.data(), nullptr) != seabed::Status::Ok)
        state.SkipWithError("slopes failed");
    const double y0 = p[kPoints], y1 = p[2 * static_cast<std::size_t>(kPoints) - 1];
    const double dy = (y1 - y0) / static_cast<double>(kQueries);
    for (auto _ : state) {
        std::int32_t segment = 0;
        double sum = 0.0;
        for (std::int64_t q = 0; q < kQueries; ++q) {
            double x = 0.0, slope = 0.0;
            seabed::interpolate_2d_cubic(y0 + dy * static_cast<double>(q), kPoints, p.data(), slopes.data(), x,
                                         slope, segment);
            sum += x;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kQueries);
}
BENCHMARK(BM_CubicQueriesHintCarried)->Unit(benchmark::kMillisecond);

// The same sweep without a hint (bisection every time), for the ratio.
void BM_CubicQueriesBisection(benchmark::State& state) {
    const std::vector<float> p = rough_profile(kPoints);
    std::vector<float> slopes(kPoints, 0.0f);
    const double y0 = p[kPoints], y1 = p[2 * static_cast<std::size_t>(kPoints) - 1];
    const double dy = (y1 - y0) / static_cast<double>(kQueries);
    for (auto _ : state) {
        double sum = 0.0;
        for (std::int64_t q = 0; q < kQueries; ++q) {
            double x = 0.0, slope = 0.0;
            std::int32_t segment = 0;
            seabed::interpolate_2d_cubic(y0 + dy * static_cast<double>(q), kPoints, p.data(), slopes.data(), x,
                                         slope, segment);
            sum += x;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kQueries);
}
BENCHMARK(BM_CubicQueriesBisection)->Unit(benchmark::kMillisecond);

}  // namespace
