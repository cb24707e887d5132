// 3D queries on the library's triangulation of 1e5 random nodes in a
// 316 x 316 square: random points, each searched from a random start node,
// against a raster scan that carries the start node (or the previous
// triangle) from point to point.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/lookup.hpp"
#include "support/meshes.hpp"

namespace seabed {
namespace {

constexpr int kNodes = 100000;
constexpr int kSide = 316;

struct Seabed {
    testing::TestMesh m = testing::delaunay_mesh(kNodes, 7, static_cast<float>(kSide));
    std::vector<float> nodes, grad;
    std::vector<std::array<double, 2>> random_points, raster_points;
    Seabed() {
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        for (std::size_t i = 0; i < m.x.size(); ++i) {
            m.x[i] = 0.01f * m.y[i] + u(rng);
            grad.push_back(u(rng));
            grad.push_back(u(rng));
        }
        nodes = m.nodes();
        std::uniform_real_distribution<double> p(1.0, kSide - 1.0);
        for (int i = 0; i < 4096; ++i) random_points.push_back({p(rng), p(rng)});
        // Rows of 64 points across the middle of the seabed, 0.13 apart.
        for (int row = 0; row < 64; ++row)
            for (int col = 0; col < 64; ++col) raster_points.push_back({100.0 + col * 0.13, 100.0 + row * 0.13});
    }
    MeshView view() const {
        return MeshView::contiguous(m.n, m.nadj, m.iadj.data(), m.istart.data(), m.y.data(), m.z.data());
    }
};

const Seabed& seabed() {
    static Seabed s;
    return s;
}

void BM_FindTriangleRandom(benchmark::State& state) {
    const Seabed& s = seabed();
    const MeshView v = s.view();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& p = s.random_points[i++ % s.random_points.size()];
        std::int32_t t[3] = {0, 0, 0};
        find_triangle(v, p[0], p[1], t[0], t[1], t[2]);
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FindTriangleRaster(benchmark::State& state) {
    const Seabed& s = seabed();
    const MeshView v = s.view();
    std::size_t i = 0;
    std::int32_t t[3] = {0, 0, 0};
    for (auto _ : state) {
        const auto& p = s.raster_points[i++ % s.raster_points.size()];
        find_triangle(v, p[0], p[1], t[0], t[1], t[2]);
        benchmark::DoNotOptimize(t);
    }
    state.SetItemsProcessed(state.iterations());
}

template <bool Raster>
void BM_Cubic(benchmark::State& state) {
    const Seabed& s = seabed();
    const auto& points = Raster ? s.raster_points : s.random_points;
    std::size_t i = 0;
    // Raster: start every walk at a vertex of the first point's triangle.
    std::int32_t t[3] = {0, 0, 0};
    find_triangle(s.view(), points[0][0], points[0][1], t[0], t[1], t[2]);
    std::int32_t start = t[0];
    for (auto _ : state) {
        const auto& p = points[i++ % points.size()];
        if (!Raster) start = 0;
        double x, normal[3];
        Status st = interpolate_3d_cubic(p[0], p[1], s.m.n, s.m.nadj, s.nodes.data(), s.m.iadj.data(),
                                         s.m.istart.data(), s.grad.data(), x, normal, start);
        benchmark::DoNotOptimize(st);
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations());
}

// The generator's way: the cursor carries the triangle and its parameters.
void BM_SurfaceCursorRaster(benchmark::State& state) {
    const Seabed& s = seabed();
    std::size_t i = 0;
    SurfaceCursor c;
    for (auto _ : state) {
        const auto& p = s.raster_points[i++ % s.raster_points.size()];
        double x, g[2];
        Status st = interp_c1hct_new(s.m.n, s.m.nadj, s.m.iadj.data(), s.m.istart.data(), 1, p[0], p[1],
                                     s.m.x.data(), s.m.y.data(), s.m.z.data(), 1.0e-6f, s.grad.data(), c, x, g);
        benchmark::DoNotOptimize(st);
        benchmark::DoNotOptimize(x);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_FindTriangleRandom);
BENCHMARK(BM_FindTriangleRaster);
BENCHMARK(BM_Cubic<false>)->Name("BM_CubicRandom");
BENCHMARK(BM_Cubic<true>)->Name("BM_CubicRaster");
BENCHMARK(BM_SurfaceCursorRaster);

}  // namespace
}  // namespace seabed
