// Triangle location: the walk on hand-built triangulations, hints, outside
// points, damaged lists and points that are not finite.
#include "seabed/query/lookup.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <random>

#include "core/random.hpp"
#include "support/meshes.hpp"

namespace seabed {
namespace {

using testing::TestMesh;

struct Found {
    Status st;
    std::int32_t start, i1, i2, i3, same;
};

Found lookup(const TestMesh& m, double y, double z, std::int32_t start, std::int32_t i1 = 0, std::int32_t i2 = 0,
             std::int32_t i3 = 0) {
    Found f{Status::Ok, start, i1, i2, i3, -7};
    f.st = lookup_sgl_new(m.n, m.nadj, m.iadj.data(), m.istart.data(), m.y.data(), m.z.data(), y, z, f.start, f.i1,
                          f.i2, f.i3, f.same);
    return f;
}

bool operator==(const Found& a, const Found& b) {
    return a.st == b.st && a.start == b.start && a.i1 == b.i1 && a.i2 == b.i2 && a.i3 == b.i3 && a.same == b.same;
}

MeshView view_of(const TestMesh& m) {
    return MeshView::contiguous(m.n, m.nadj, m.iadj.data(), m.istart.data(), m.y.data(), m.z.data());
}

/// The result is a triangle of the mesh (in its CCW order, any rotation).
bool is_mesh_triangle(const TestMesh& m, std::int32_t a, std::int32_t b, std::int32_t c) {
    for (const auto& t : m.triangles)
        for (int r = 0; r < 3; ++r)
            if (t[r] == a && t[(r + 1) % 3] == b && t[(r + 2) % 3] == c) return true;
    return false;
}

/// P lies in triangle (a, b, c), up to a doubled area of 1e-6.
bool holds(const TestMesh& m, std::int32_t a, std::int32_t b, std::int32_t c, double y, double z) {
    auto side = [&](std::int32_t p, std::int32_t q) {
        double yp = m.y[p - 1], zp = m.z[p - 1], yq = m.y[q - 1], zq = m.z[q - 1];
        return (yq - yp) * (z - zp) - (zq - zp) * (y - yp);
    };
    return side(a, b) >= -1e-6 && side(b, c) >= -1e-6 && side(c, a) >= -1e-6;  // the walk's own tolerance
}

TEST(LookupTest, HintsCarriedFromCallToCall) {
    // Jittered grid, shuffled node numbers, alternating diagonals.
    TestMesh m = testing::grid_mesh(7, 6, 10.0f, -30.0f, 5.0f, 0.2f, 17, true);
    const MeshView view = view_of(m);
    std::int32_t start = 1, t[3] = {0, 0, 0}, h[3] = {0, 0, 0};
    for (double y = -29.5; y < 30; y += 0.37) {
        const double z = 20.0 + y * 0.3;
        const std::int32_t before[3] = {t[0], t[1], t[2]};
        std::int32_t same = 0;
        ASSERT_EQ(lookup_sgl_new(m.n, m.nadj, m.iadj.data(), m.istart.data(), m.y.data(), m.z.data(), y, z, start,
                                 t[0], t[1], t[2], same),
                  Status::Ok);
        ASSERT_TRUE(is_mesh_triangle(m, t[0], t[1], t[2]));
        ASSERT_TRUE(holds(m, t[0], t[1], t[2], y, z));
        const bool kept = before[0] > 0 && holds(m, before[0], before[1], before[2], y, z);
        EXPECT_EQ(same, kept ? 1 : 0);
        EXPECT_TRUE(!kept || (start == before[0] && t[0] == before[0]));
        // find_triangle: a point in the hint triangle changes nothing.
        const std::int32_t hb[3] = {h[0], h[1], h[2]};
        find_triangle(view, y, z, h[0], h[1], h[2]);
        ASSERT_TRUE(holds(m, h[0], h[1], h[2], y, z));
        if (hb[0] > 0 && holds(m, hb[0], hb[1], hb[2], y, z)) {
            EXPECT_TRUE(h[0] == hb[0] && h[1] == hb[1] && h[2] == hb[2]);
        }
    }
}

/// P strictly outside the hull polygon (right of one of its CCW edges).
bool outside_hull(const TestMesh& m, double y, double z) {
    for (std::size_t k = 0; k < m.hull.size(); ++k) {
        const std::int32_t a = m.hull[k], b = m.hull[(k + 1) % m.hull.size()];
        const double ya = m.y[a - 1], za = m.z[a - 1], yb = m.y[b - 1], zb = m.z[b - 1];
        if ((yb - ya) * (z - za) < (zb - za) * (y - ya)) return true;
    }
    return false;
}

TEST(LookupTest, TheLibrarysTriangulationOfRandomNodes) {
    TestMesh m = testing::delaunay_mesh(300, 23, 100.0f);
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> u(-5.0, 105.0);
    for (int q = 0; q < 300; ++q) {
        const double y = u(rng), z = u(rng);
        for (std::int32_t start = 0; start <= m.n; start += q < 10 ? 1 : 13) {  // every start node for some
            Found f = lookup(m, y, z, start);
            ASSERT_EQ(f.st, Status::Ok);
            if (f.i1 == -1) {
                ASSERT_TRUE(outside_hull(m, y, z)) << y << "," << z;
                ASSERT_TRUE(std::find(m.hull.begin(), m.hull.end(), f.start) != m.hull.end());
                continue;
            }
            ASSERT_TRUE(is_mesh_triangle(m, f.i1, f.i2, f.i3));
            ASSERT_TRUE(holds(m, f.i1, f.i2, f.i3, y, z)) << y << "," << z << " from " << start;
        }
    }
    // Nodes, and hull edge midpoints (exact in double, so exactly on the edge).
    for (std::int32_t node = 1; node <= m.n; ++node) {
        Found f = lookup(m, m.y[node - 1], m.z[node - 1], 1 + node * 7 % m.n);
        ASSERT_EQ(f.st, Status::Ok);
        EXPECT_TRUE(f.i1 == node || f.i2 == node || f.i3 == node) << node;
    }
    for (std::size_t k = 0; k < m.hull.size(); ++k) {
        const std::int32_t a = m.hull[k], b = m.hull[(k + 1) % m.hull.size()];
        const double y = 0.5 * (double(m.y[a - 1]) + double(m.y[b - 1]));
        const double z = 0.5 * (double(m.z[a - 1]) + double(m.z[b - 1]));
        for (std::int32_t start : {0, a, b, m.n / 2}) {
            Found f = lookup(m, y, z, start);
            ASSERT_EQ(f.st, Status::Ok);
            EXPECT_TRUE(is_mesh_triangle(m, f.i1, f.i2, f.i3)) << "hull edge " << a << "-" << b;
        }
    }
}

// The packed copy takes the nodes in any order and walks as the host's
// arrays do; node numbers that are no permutation are refused.
TEST(LookupTest, PackedCopyInAnyNodeOrderWalksAsTheHostArrays) {
    TestMesh m = testing::delaunay_mesh(300, 23, 100.0f);
    const std::vector<float> nodes = m.nodes();
    std::vector<std::int32_t> order(static_cast<std::size_t>(m.n));
    std::iota(order.begin(), order.end(), 1);
    std::mt19937 rng(5);
    std::shuffle(order.begin(), order.end(), rng);
    PackedMesh packed;
    ASSERT_TRUE(pack_mesh(m.n, m.nadj, nodes.data(), m.iadj.data(), m.istart.data(), nullptr, order, packed));
    const auto host = [&](std::int32_t j) { return j > 0 ? packed.value[static_cast<std::size_t>(j) - 1].host : j; };
    std::uniform_real_distribution<double> u(-5.0, 105.0);
    for (int q = 0; q < 200; ++q) {
        const double y = u(rng), z = u(rng);
        // every fifth without a start node: both draw the same host node (an
        // outside point's start comes back as the hull node its walk reached)
        const bool drawn = q % 5 == 0;
        reset_random_for_tests();
        const Found f = lookup(m, y, z, drawn ? 0 : 1 + q % m.n);
        Found p{Status::Ok, drawn ? 0 : packed.renumber[static_cast<std::size_t>(q % m.n)], 0, 0, 0, 0};
        reset_random_for_tests();
        p.st = lookup_sgl_new(packed, y, z, p.start, p.i1, p.i2, p.i3, p.same);
        ASSERT_EQ(p.st, f.st);
        ASSERT_TRUE(host(p.start) == f.start && host(p.i1) == f.i1 && host(p.i2) == f.i2 && host(p.i3) == f.i3) << q;
    }
    order[7] = order[3];
    EXPECT_FALSE(pack_mesh(m.n, m.nadj, nodes.data(), m.iadj.data(), m.istart.data(), nullptr, order, packed));
}

/// Draws fn makes from the shared sequence (up to 3; else -1).
int draws(const std::function<void()>& fn) {
    reset_random_for_tests();
    fn();
    const float next = random_uniform();
    reset_random_for_tests();
    for (int k = 0; k < 4; ++k)
        if (random_uniform() == next) return k;
    return -1;
}

TEST(LookupTest, StartNodeIsDrawnOnlyWithoutAUsableOne) {
    TestMesh m = testing::grid_mesh(4, 4, 1.0f);
    for (std::int32_t hint : {0, -1, -3, m.n + 1}) {
        std::int32_t t[3] = {hint, 0, 0};
        EXPECT_EQ(draws([&] { find_triangle(view_of(m), 1.5, 1.5, t[0], t[1], t[2]); }), 1) << hint;
    }
    EXPECT_EQ(draws([&] { ASSERT_EQ(lookup(m, 1.5, 1.5, 5).st, Status::Ok); }), 0) << "no draw with a start node";
    // the one node of a one-node list is a start node too
    const std::int32_t iadj1[1] = {0}, istart1[1] = {1};
    const float at1[1] = {0.0f};
    std::int32_t s = 1, i1 = 0, i2 = 0, i3 = 0, same = 0;
    EXPECT_EQ(draws([&] { (void)lookup_sgl_new(1, 1, iadj1, istart1, at1, at1, 1.5, 1.5, s, i1, i2, i3, same); }), 0);
}

/// Without a start node the walk starts at node 1 + trunc((n - 1) * r), r the
/// next draw: the same triangle, in the same vertex order, as from that node.
TEST(LookupTest, ADrawnStartNodeComesFromTheNextDraw) {
    TestMesh m = testing::delaunay_mesh(300, 23, 100.0f);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0.0, 100.0);
    int differs = 0;  // points whose answer from the node after the drawn one is another
    for (int q = 0; q < 200; ++q) {
        const double y = u(rng), z = u(rng);
        const auto after_draws = [q] {
            reset_random_for_tests();
            for (int k = 0; k < q; ++k) (void)random_uniform();
        };
        after_draws();
        const float r = random_uniform();
        const std::int32_t j0 = 1 + static_cast<std::int32_t>(std::trunc(static_cast<float>(m.n - 1) * r));
        after_draws();
        const Found drawn = lookup(m, y, z, 0), given = lookup(m, y, z, j0);
        ASSERT_TRUE(drawn.st == given.st && drawn.i1 == given.i1 && drawn.i2 == given.i2 && drawn.i3 == given.i3) << q;
        const Found next = lookup(m, y, z, j0 % m.n + 1);
        differs += next.i1 != given.i1;
    }
    EXPECT_GT(differs, 10);  // the check above can tell neighbouring start nodes apart
}

TEST(LookupTest, PointsThatAreNotFiniteAreOutside) {
    TestMesh m = testing::grid_mesh(5, 5, 1.0f);
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const double points[][2] = {{nan, 1}, {1, nan}, {inf, 1}, {-inf, 1}, {1, inf}, {1, -inf}, {nan, inf}};
    for (auto& p : points)
        for (std::int32_t start : {0, 1, 7, 13, 25}) {
            Found f = lookup(m, p[0], p[1], start, 1, 2, 6);
            EXPECT_TRUE(f.st == Status::Ok && f.i1 == -1 && f.i2 == 0 && f.i3 == 0);
        }
    // Finite but huge: products overflow, and the walk still ends.
    for (double big : {1e300, -1e300, 1.7e308}) {
        Found f = lookup(m, big, 2.0, 13);
        EXPECT_TRUE(f.st == Status::Ok && f.i1 == -1);
    }
}

/// A copy of a valid mesh with one kind of damage.
struct Damage {
    const char* what;
    void (*apply)(TestMesh&);
};

const Damage kDamages[] = {
    {"istart zero", [](TestMesh& m) { m.istart[4] = 0; }},
    {"istart negative", [](TestMesh& m) { m.istart[4] = INT_MIN; }},
    {"istart past nadj", [](TestMesh& m) { m.istart[4] = m.nadj + 1; }},
    {"istart huge", [](TestMesh& m) { m.istart[4] = INT_MAX; }},
    {"istart decreasing", [](TestMesh& m) { m.istart[6] = m.istart[5] - 1; }},
    {"last istart past nadj", [](TestMesh& m) { m.istart.back() = m.nadj + 5; }},
    {"all lists empty", [](TestMesh& m) { std::fill(m.istart.begin(), m.istart.end(), 1); }},
    {"entry beyond n", [](TestMesh& m) { m.iadj[7] = m.n + 1; }},
    {"entry negative", [](TestMesh& m) { m.iadj[9] = -4; }},
    {"zero inside lists", [](TestMesh& m) { for (std::size_t k = 2; k < m.iadj.size(); k += 5) m.iadj[k] = 0; }},
    {"only zeros", [](TestMesh& m) { std::fill(m.iadj.begin(), m.iadj.end(), 0); }},
    {"lists reversed", [](TestMesh& m) {
         for (std::int32_t j = 1; j <= m.n; ++j) {
             auto b = m.iadj.begin() + (m.istart[j - 1] - 1);
             auto e = j == m.n ? m.iadj.end() : m.iadj.begin() + (m.istart[j] - 1);
             if (*(e - 1) == 0) --e;
             std::reverse(b, e);
         }
     }},
    {"lists rotated", [](TestMesh& m) { std::rotate(m.iadj.begin(), m.iadj.begin() + 3, m.iadj.end()); }},
    {"nadj too small", [](TestMesh& m) { m.nadj /= 2; m.iadj.resize(static_cast<std::size_t>(m.nadj)); }},
    {"n zero", [](TestMesh& m) { m.n = 0; }},
    {"n negative", [](TestMesh& m) { m.n = INT_MIN; }},
    {"repeated entries", [](TestMesh& m) {  // the first occurrence counts
         for (std::int32_t j = 1; j <= m.n; j += 2) m.iadj[m.istart[j - 1] + 1] = m.iadj[m.istart[j - 1] - 1];
     }},
};

using Named = std::vector<std::pair<const char*, TestMesh>>;

/// meshes and every damaged copy of a jittered 6 x 6 grid.
Named with_damaged(Named meshes) {
    for (const Damage& d : kDamages) {
        meshes.push_back({d.what, testing::grid_mesh(6, 6, 1.0f, 0.0f, 0.0f, 0.1f, 5)});
        d.apply(meshes.back().second);
    }
    return meshes;
}

TEST(LookupTest, DamagedListsEndInAStatusOrAResultWithoutStrayReads) {
    // Arrays sized exactly, so any read past them is caught by the sanitizer build.
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-1.0, 7.0);
    for (const auto& [what, m] : with_damaged({})) {
        for (int q = 0; q < 40; ++q) {
            double y = u(rng), z = u(rng);
            for (std::int32_t start = 0; start <= 36; start += 3) {
                Found f = lookup(m, y, z, start, 0, 0, 0);
                if (f.st == Status::Ok) {
                    ASSERT_TRUE(f.i1 == -1 || f.i1 == -3 || (f.i1 >= 1 && f.i1 <= m.n)) << what;
                } else {
                    ASSERT_TRUE(f.st == Status::WalkNodeOutOfRange || f.st == Status::WalkFarNodeOutOfRange) << what;
                    EXPECT_EQ(f.i1, 0) << "results untouched: " << what;
                }
                std::int32_t t[3] = {5, 6, 7};
                find_triangle(view_of(m), y, z, t[0], t[1], t[2]);
            }
        }
    }
}

TEST(LookupTest, WalksPastANodeOfHighDegreeFindEveryInsidePoint) {
    // A centre node and 2000 nodes on a circle round it: the centre gets
    // nearly 2000 neighbours, and a walk from one side to the other crosses
    // half of its triangles, looking up a neighbour in its list each time.
    std::vector<float> y{0.0f}, z{0.0f};
    for (int i = 0; i < 2000; ++i) {
        const double a = 2.0 * M_PI * i / 2000.0;
        y.push_back(static_cast<float>(std::cos(a)));
        z.push_back(static_cast<float>(std::sin(a)));
    }
    TestMesh m = testing::triangulated_mesh(std::move(y), std::move(z));
    const MeshView view = view_of(m);
    for (std::int32_t start = 1; start <= m.n; start += 211)
        for (int q = 0; q < 24; ++q) {
            const double a = 2.0 * M_PI * (q + 0.5) / 24.0;
            const double py = 0.9 * std::cos(a), pz = 0.9 * std::sin(a);
            Found f = lookup(m, py, pz, start);
            ASSERT_EQ(f.st, Status::Ok);
            ASSERT_GT(f.i1, 0) << "inside point " << q << " reported outside from " << start;
            ASSERT_TRUE(holds(m, f.i1, f.i2, f.i3, py, pz));
            std::int32_t t[3] = {start, 0, 0};
            find_triangle(view, py, pz, t[0], t[1], t[2]);
            ASSERT_GT(t[0], 0) << q << " from " << start;
        }
}

TEST(LookupTest, MemoisedListsGiveTheResultsOfPlainScans) {
    const Named meshes = with_damaged({{"random nodes", testing::delaunay_mesh(200, 5, 50.0f)}});
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(-2.0, 52.0);
    const std::int64_t saved = lookup_tuning::scan_before_memo;
    for (const auto& [what, m] : meshes)
        for (int q = 0; q < 60; ++q) {
            const double y = m.n > 100 ? u(rng) : u(rng) * 0.14, z = m.n > 100 ? u(rng) : u(rng) * 0.14;
            const std::int32_t start = q % 7 == 0 ? 0 : 1 + q % std::max(m.n, 1);
            Found f[2];
            for (int form = 0; form < 2; ++form) {
                lookup_tuning::scan_before_memo = form == 0 ? 0 : INT64_MAX;
                reset_random_for_tests();
                f[form] = lookup(m, y, z, start);
            }
            lookup_tuning::scan_before_memo = saved;
            ASSERT_TRUE(f[0] == f[1]) << what << " " << q;
        }
}

/// Walks that replay the crossings of the walk before them (WalkMemory)
/// against walks without memory: the same results, carried start and hint
/// and status, on points in raster order and scattered, on nodes and edges,
/// with lists memoised or read one by one, and on damaged lists.
TEST(LookupTest, RememberedCrossingsGiveTheResultsOfPlainWalks) {
    const Named meshes = with_damaged(
        {{"random nodes", testing::delaunay_mesh(600, 9, 50.0f)}, {"lattice", testing::grid_mesh(25, 25, 2.0f)}});
    std::mt19937 rng(8);
    const std::int64_t saved = lookup_tuning::scan_before_memo;
    for (const auto& [what, m] : meshes)
        for (int order = 0; order < 3; ++order)  // raster on a lattice of halves, scattered, scattered with memo
            for (int form = 0; form < 2; ++form) {
                lookup_tuning::scan_before_memo = order == 2 ? 0 : saved;
                std::uniform_real_distribution<double> u(-1.0, m.n > 100 ? 51.0 : 6.0);
                Found plain{Status::Ok, 1, 0, 0, 0, 0}, kept = plain;
                WalkMemory memory;
                for (int q = 0; q < 400; ++q) {
                    const double y = order == 0 ? 0.5 * (q / 20) : u(rng), z = order == 0 ? 0.5 * (q % 20) : u(rng);
                    if (form == 1) plain.start = kept.start = q % 11 == 0 ? 0 : plain.start;
                    reset_random_for_tests();
                    plain = lookup(m, y, z, plain.start, plain.i1, plain.i2, plain.i3);
                    reset_random_for_tests();
                    kept.st = lookup_sgl_new(m.n, m.nadj, m.iadj.data(), m.istart.data(), m.y.data(), m.z.data(), y, z,
                                             kept.start, kept.i1, kept.i2, kept.i3, kept.same, nullptr, &memory);
                    ASSERT_TRUE(plain == kept) << what << " " << order << " " << q;
                }
            }
    lookup_tuning::scan_before_memo = saved;
}

/// The short form of the walk on packed meshes against the walk itself:
/// the same status, start, triangle and draws from the shared sequence, for
/// points scattered, in raster order over nodes and edges, outside, not
/// finite, past a node of high degree, and on damaged lists.
TEST(LookupTest, QuickWalkOnAPackedMeshGivesTheWalksResults) {
    Named meshes = {
        {"random nodes", testing::delaunay_mesh(500, 3, 20.0f)},
        {"lattice", testing::grid_mesh(12, 12, 1.0f, 0.0f, 0.0f, 0.0f, 7, true)},
        {"jittered", testing::lattice_mesh(14, 14, 1.0f, 0.3f, 2)},
        {"final test", testing::grid_mesh(5, 4, 1.0f, 0.0f, 0.0f, 0.45f, 110, true)}};
    std::vector<float> fy{0.0f}, fz{0.0f};
    for (int i = 0; i < 90; ++i)
        fy.push_back(static_cast<float>(5.0 * std::cos(i / 90.0 * 2.0 * M_PI))),
            fz.push_back(static_cast<float>(5.0 * std::sin(i / 90.0 * 2.0 * M_PI)));
    meshes.push_back({"fan", testing::triangulated_mesh(fy, fz)});
    meshes = with_damaged(std::move(meshes));
    std::mt19937 rng(13);
    int quick_answers = 0;
    for (const auto& [what, m] : meshes) {
        const std::vector<float> nodes = m.nodes();
        std::vector<std::int32_t> order(static_cast<std::size_t>(std::max(m.n, 0)));
        std::iota(order.begin(), order.end(), 1);
        std::shuffle(order.begin(), order.end(), rng);
        PackedMesh packed;
        if (m.n < 1 || !pack_mesh(m.n, m.nadj, nodes.data(), m.iadj.data(), m.istart.data(), nullptr, order, packed))
            continue;
        float lo = INFINITY, hi = -INFINITY;
        for (std::int32_t j = 0; j < m.n; ++j)
            lo = std::min({lo, m.y[static_cast<std::size_t>(j)], m.z[static_cast<std::size_t>(j)]}),
            hi = std::max({hi, m.y[static_cast<std::size_t>(j)], m.z[static_cast<std::size_t>(j)]});
        std::uniform_real_distribution<double> u(double{lo} - 1.0, double{hi} + 1.0);
        std::vector<std::pair<double, double>> points;
        const double step = (double{hi} - double{lo}) / 40.0;  // a raster through nodes and edge midpoints
        for (int i = -1; i <= 41; ++i)
            for (int j = -1; j <= 41; ++j) points.emplace_back(double{lo} + step * i, double{lo} + step * j);
        for (int q = 0; q < 600; ++q) points.emplace_back(u(rng), u(rng));
        for (std::size_t j = 0; j < m.x.size(); ++j) points.emplace_back(m.y[j], m.z[j]);
        for (const auto& t : m.triangles)  // edge midpoints
            for (int e = 0; e < 3; ++e) {
                const auto p = static_cast<std::size_t>(t[e]) - 1, q = static_cast<std::size_t>(t[(e + 1) % 3]) - 1;
                points.emplace_back((double{m.y[p]} + double{m.y[q]}) / 2.0, (double{m.z[p]} + double{m.z[q]}) / 2.0);
            }
        points.emplace_back(NAN, 1.0);
        points.emplace_back(1.0, INFINITY);
        // walks from node 13 of "final test" that end beyond an edge by doubled areas about 1e-6
        const std::size_t beyond = points.size();
        const double ey = double{m.y[2]} - double{m.y[14]}, ez = double{m.z[2]} - double{m.z[14]};
        for (double area = 2e-7; area < 3e-6; area += 1e-7) {
            const double t = (1e-4 - area) / (ey * ey + ez * ez);
            points.emplace_back(1.3831170410361271 - t * ez, 2.1507999767502937 + t * ey);
        }
        for (std::size_t q = 0; q < points.size(); ++q) {
            const auto [y, z] = points[q];
            std::int32_t start = q % 13 == 0 ? 0 : 1 + static_cast<std::int32_t>(rng() % static_cast<unsigned>(m.n));
            if (q >= beyond) start = packed.renumber[12];
            Found f[2];
            float next_draw[2];
            for (int quick : {0, 1}) {
                lookup_tuning::quick_walk = quick == 1;
                reset_random_for_tests();
                f[quick] = Found{Status::Ok, start, 0, 0, 0, -7};
                f[quick].st = lookup_sgl_new(packed, y, z, f[quick].start, f[quick].i1, f[quick].i2, f[quick].i3,
                                             f[quick].same);
                next_draw[quick] = random_uniform();
            }
            lookup_tuning::quick_walk = true;
            ASSERT_TRUE(f[0] == f[1] && next_draw[0] == next_draw[1])
                << what << " " << q << " " << y << " " << z;
            quick_answers += f[1].i1 > 0;
        }
    }
    EXPECT_GT(quick_answers, 5000);
}

TEST(LookupTest, DamageAtTheStartNodeIs42AndAcrossAnEdgeIs43) {
    TestMesh m = testing::grid_mesh(6, 6, 1.0f);
    const std::int32_t j0 = 1;  // corner (0, 0)
    TestMesh bad_start = m;
    bad_start.istart[j0 - 1] = 0;
    EXPECT_EQ(lookup(bad_start, 4.5, 4.5, j0).st, Status::WalkNodeOutOfRange);
    TestMesh bad_entry = m;
    bad_entry.iadj[static_cast<std::size_t>(m.istart[j0 - 1] - 1)] = m.n + 1;
    EXPECT_EQ(lookup(bad_entry, 4.5, 4.5, j0).st, Status::WalkNodeOutOfRange);

    // Every list but the last node's (which ends at nadj) is broken: the
    // first edge crossed from there fails.
    TestMesh bad_far = m;
    for (std::int32_t j = 1; j < m.n; ++j) bad_far.istart[j - 1] = 0;
    EXPECT_EQ(lookup(bad_far, 0.5, 0.4, m.n).st, Status::WalkFarNodeOutOfRange);
    // Lists that name only the start node: the edge crossed is in no list of its far end.
    TestMesh no_way_back = m;
    for (std::size_t k = static_cast<std::size_t>(m.istart[1] - 1); k < no_way_back.iadj.size(); ++k)
        no_way_back.iadj[k] = j0;
    EXPECT_EQ(lookup(no_way_back, 4.5, 4.5, j0).st, Status::WalkFarNodeOutOfRange);
    Found f = lookup(bad_far, 4.75, 4.5, m.n);  // in a triangle at the start node: no edge crossed
    EXPECT_EQ(f.st, Status::Ok);
    EXPECT_TRUE(f.i1 == m.n || f.i2 == m.n || f.i3 == m.n);
}

// From node 13 of this mesh (jittered, alternating diagonals: not Delaunay)
// the walk ends in triangle (3, 17, 15) with the point beyond its edge 15-3,
// an interior edge. By a doubled area of 5e-7 the final test still accepts
// that triangle; by 1e-4 it restarts and finds the triangle that holds the point.
TEST(LookupTest, FinalTestToleratesADoubledAreaOf1e6BeyondAnEdge) {
    const TestMesh m = testing::grid_mesh(5, 4, 1.0f, 0.0f, 0.0f, 0.45f, 110, true);
    const double dy = double(m.y[2]) - double(m.y[14]), dz = double(m.z[2]) - double(m.z[14]);
    for (double area : {5e-7, 1e-4}) {
        const double t = (1e-4 - area) / (dy * dy + dz * dz);  // from a point 1e-4 beyond, along the normal
        const double y = 1.3831170410361271 - t * dz, z = 2.1507999767502937 + t * dy;
        const Found f = lookup(m, y, z, 13);
        ASSERT_EQ(f.st, Status::Ok);
        const bool accepted = f.i1 == 3 && f.i2 == 17 && f.i3 == 15;
        EXPECT_EQ(accepted, area < 1e-6) << area;
        EXPECT_TRUE(accepted || holds(m, f.i1, f.i2, f.i3, y, z)) << area;
    }
}

}  // namespace
}  // namespace seabed
