// The cubic queries evaluated four points at a time: every lane, in either
// vector form, gives the scalar steps' bits, and a run of queries on a packed
// mesh answers as the per-point query does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "seabed/query/cubic_interpolation.hpp"
#include "seabed/query/cubic_lanes.hpp"
#include "seabed/query/triangle_params.hpp"
#include "support/meshes.hpp"

namespace seabed {
namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

/// Sets allow_avx for a scope.
struct AvxAllowed {
    bool before = cubic_lanes_tuning::allow_avx;
    explicit AvxAllowed(bool allow) { cubic_lanes_tuning::allow_avx = allow; }
    ~AvxAllowed() { cubic_lanes_tuning::allow_avx = before; }
};

// Random triangles (well shaped, slivers, clockwise, tiny, far from the
// origin, huge) and points in and around them, on their vertices, edges,
// medians and centroids, four at a time in random mixes, with and without
// AVX: each lane is c1para_first, hct_constants, barycen_coord, hct_element
// and surface_normal of its own point, to the bit.
TEST(CubicLanes, EveryLaneIsTheScalarStepsToTheBit) {
    if (!cubic_lanes_available()) GTEST_SKIP() << "no vector lanes in this build";
    int per_m[3] = {0, 0, 0}, small = 0, on_vertex = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 g(seed);
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        std::uniform_real_distribution<double> w(-0.2, 1.2);
        for (int group = 0; group < 500; ++group) {
            CubicLanes in;
            for (int k = 0; k < CubicLanes::kLanes; ++k) {
                const int shape = static_cast<int>(g() % 8);
                const float scale = shape == 3 ? 1e-3f : shape == 5 ? 1e18f : shape == 6 ? 3e37f : 10.0f;
                const float shift = shape == 4 ? 4.0e4f : 0.0f;
                float ty[3], tz[3];
                for (int i = 0; i < 3; ++i) ty[i] = shift + scale * u(g), tz[i] = shift + scale * u(g);
                if (shape == 1) tz[2] = tz[0] + (tz[1] - tz[0]) * 0.5f, ty[2] = ty[0] + (ty[1] - ty[0]) * 0.5f;
                // counter-clockwise unless the shape asks otherwise
                const double d = (double{ty[2]} - double{ty[1]}) * (double{tz[0]} - double{tz[2]}) -
                                 (double{ty[0]} - double{ty[2]}) * (double{tz[2]} - double{tz[1]});
                if ((d < 0.0) != (shape == 2)) std::swap(ty[1], ty[2]), std::swap(tz[1], tz[2]);
                for (int i = 0; i < 3; ++i) {
                    in.vy[i][k] = ty[i];
                    in.vz[i][k] = tz[i];
                    in.vx[i][k] = 50.0f * u(g);
                    in.gy[i][k] = 3.0f * u(g);
                    in.gz[i][k] = 3.0f * u(g);
                }
                // the point, from weights on the vertices
                double b[3] = {w(g), w(g), 0.0};
                const int where = static_cast<int>(g() % 6);
                const int v = static_cast<int>(g() % 3);
                if (where == 0) b[0] = b[1] = 0.0, b[v] = 1.0;                   // a vertex
                if (where == 1) b[v] = 0.0, b[(v + 1) % 3] = 1.0 - b[(v + 2) % 3];  // an edge's line
                if (where == 2) b[0] = b[1] = 1.0 / 3.0;                          // the centroid
                if (where == 3) b[(v + 1) % 3] = b[(v + 2) % 3] = (1.0 - b[v]) / 2.0;  // a median
                if (where != 1) b[2] = 1.0 - b[0] - b[1];
                double y = 0.0, z = 0.0;
                for (int i = 0; i < 3; ++i) y += b[i] * double{ty[i]}, z += b[i] * double{tz[i]};
                if (where == 0) y = ty[v], z = tz[v];
                on_vertex += where == 0;
                in.y[k] = y;
                in.z[k] = z;
            }
            CubicLaneResults forms[2];
            for (int avx : {1, 0}) {
                const AvxAllowed allowed(avx == 1);
                evaluate_cubic_lanes(in, forms[avx]);
            }
            for (int k = 0; k < CubicLanes::kLanes; ++k) {
                TriangleParams p;
                TriangleLengths len;
                const Status st = c1para_first(in.vy[0][k], in.vz[0][k], in.vy[1][k], in.vz[1][k], in.vy[2][k],
                                               in.vz[2][k], kAreaTolerance, p, len);
                double x = 0.0, normal[3] = {0.0, 0.0, 0.0};
                if (st == Status::Ok) {
                    HctConstants konst;
                    hct_constants(p, len, konst);
                    double r[3], xs[3], gy[3], gz[3], grad[2];
                    barycen_coord(in.y[k], in.z[k], in.vy[0][k], in.vz[0][k], in.vy[1][k], in.vz[1][k], p, len.scale,
                                  r);
                    for (int i = 0; i < 3; ++i) xs[i] = in.vx[i][k], gy[i] = in.gy[i][k], gz[i] = in.gz[i][k];
                    x = hct_element(r, p, konst, xs, gy, gz, grad);
                    surface_normal(grad, normal);
                    ++per_m[(r[1] >= r[0] && r[2] >= r[0]) ? 0 : (r[2] >= r[1] ? 1 : 2)];
                } else {
                    ++small;
                }
                for (const CubicLaneResults& out : forms) {
                    ASSERT_EQ(out.status[k], st) << seed << " " << group << " " << k;
                    if (st != Status::Ok) continue;
                    ASSERT_TRUE(same_bits(out.x[k], x)) << seed << " " << group << " " << k << " " << x;
                    for (int i = 0; i < 3; ++i)
                        ASSERT_TRUE(same_bits(out.normal[i][k], normal[i])) << seed << " " << group << " " << k;
                }
            }
        }
    }
    EXPECT_GT(std::min({per_m[0], per_m[1], per_m[2]}), 10000);
    EXPECT_GT(small, 10000);
    EXPECT_GT(on_vertex, 10000);
}

// Runs of queries (rasters, scattered points, nodes, points outside or not
// finite) on packed meshes, one of them holding a sliver: each answer and
// the triangle are the per-point query's with the same start, and a point
// in the sliver keeps its normal unwritten.
TEST(CubicLanes, QueriesAnswerAsThePerPointQuery) {
    std::mt19937 g(7);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<testing::TestMesh> meshes = {
        testing::grid_mesh(12, 9, 1.0f, 0.0f, 0.0f, 0.3f, 3, true),
        testing::mesh_from_triangles({0.0f, 1.0f, 0.5f, 0.5f, 0.5f}, {0.0f, 0.0f, 4.0e-7f, 1.0f, -1.0f},
                                     {{1, 2, 3}, {1, 3, 4}, {3, 2, 4}, {1, 5, 2}})};
    int slivers = 0;
    for (testing::TestMesh& m : meshes) {
        std::vector<float> grad;
        for (float& x : m.x) x = u(g), grad.push_back(u(g)), grad.push_back(u(g));
        const std::vector<float> nodes = m.nodes();
        std::vector<std::int32_t> order;
        for (std::int32_t j = m.n; j >= 1; --j) order.push_back(j);
        PackedMesh mesh;
        ASSERT_TRUE(pack_mesh(m.n, m.nadj, nodes.data(), m.iadj.data(), m.istart.data(), grad.data(), order, mesh));
        std::vector<double> y, z;
        for (int i = -2; i < 60; ++i)
            for (int j = -2; j < 50; ++j) y.push_back(0.2 * i), z.push_back(0.2 * j - 1.0);
        for (int k = 0; k < 2000; ++k)  // many near z = 0, the sliver's line
            y.push_back(12.0 * double{u(g)}), z.push_back(std::ldexp(double{u(g)}, -static_cast<int>(g() % 30)));
        for (std::size_t j = 0; j < m.x.size(); ++j) y.push_back(m.y[j]), z.push_back(m.z[j]);
        y.push_back(NAN), z.push_back(0.5);
        const std::size_t count = y.size() - g() % 3;  // a last group of fewer than four
        // the packed copy, and the host's arrays read in place
        const batch_nodes::HostNodes host{m.n, m.nadj, m.iadj.data(), m.istart.data(), node_columns(nodes.data(), m.n),
                                          grad.data()};
        for (const bool packed : {true, false}) {
            std::vector<double> x(count, 5.0), normal(3 * count, -7.0);
            std::vector<std::int32_t> status(count, -1), start(count), tri(3 * count);
            const auto run = [&](const auto& view) {
                CubicQueries queries(view);
                for (std::size_t k = 0; k < count; ++k) {
                    start[k] = 1 + static_cast<std::int32_t>(g() % static_cast<unsigned>(m.n));
                    std::int32_t s = start[k];
                    queries.query(y[k], z[k], x[k], &normal[3 * k], status[k], s, &tri[3 * k]);
                }
            };  // the rest written at the end
            packed ? run(batch_nodes::PackedNodes{mesh}) : run(host);
            for (std::size_t k = 0; k < count; ++k) {
                CubicElementCache cache;
                double xe = 5.0, ne[3] = {-7.0, -7.0, -7.0};
                std::int32_t s = start[k], t[3];
                const Status st = packed ? interpolate_3d_cubic(mesh, y[k], z[k], xe, ne, s, cache, t)
                                         : interpolate_3d_cubic(y[k], z[k], m.n, m.nadj, nodes.data(), m.iadj.data(),
                                                                m.istart.data(), grad.data(), xe, ne, s, cache, t);
                ASSERT_EQ(code(st), status[k]) << k;
                slivers += st == Status::SmallTriangle;
                ASSERT_TRUE(same_bits(xe, x[k])) << k;
                for (int i = 0; i < 3; ++i)
                    ASSERT_TRUE(same_bits(ne[i], normal[3 * k + i]) && t[i] == tri[3 * k + i]) << k;
            }
        }
    }
    EXPECT_GT(slivers, 20);
}

}  // namespace
}  // namespace seabed
