#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "core/int_list.hpp"
#include "core/try_resize.hpp"
#include "seabed/triangulation/supplements.hpp"
#include "seabed/triangulation/swap_edges.hpp"
#include "seabed/triangulation/triangulation.hpp"
#include "support/meshes.hpp"

namespace seabed {
namespace {

using V = std::vector<std::int32_t>;

struct TriRun {
    std::vector<float> y, z, fval;
    Triangulation t;
    Status status = Status::Ok;
};

/// Triangulates (y, z) pairs; fval carries the input position so the
/// permutation can be followed.
TriRun triangulate_points(const std::vector<std::pair<float, float>>& pts, float tol = 1.0e-6f) {
    TriRun r;
    for (std::size_t k = 0; k < pts.size(); ++k) {
        r.y.push_back(pts[k].first);
        r.z.push_back(pts[k].second);
        r.fval.push_back(static_cast<float>(k + 1));
    }
    r.status = triangulate(static_cast<std::int32_t>(pts.size()), tol, r.fval.data(), r.y.data(), r.z.data(), r.t);
    return r;
}

V itri_of(const Triangulation& t) { return V(t.itri.begin(), t.itri.end()); }

std::uint32_t bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

/// IPERM is a permutation and position k holds the input node iperm(k) unchanged.
void expect_permuted(const std::vector<std::pair<float, float>>& pts, const TriRun& r) {
    ASSERT_EQ(r.t.iperm.size(), pts.size());
    for (std::size_t k = 0; k < pts.size(); ++k) {
        const auto src = static_cast<std::size_t>(r.t.iperm[k] - 1);
        ASSERT_LT(src, pts.size());
        EXPECT_EQ(bits(r.y[k]), bits(pts[src].first)) << k;
        EXPECT_EQ(bits(r.z[k]), bits(pts[src].second)) << k;
        EXPECT_EQ(r.fval[k], static_cast<float>(src + 1)) << k;
    }
}

struct Worked {
    const char* name;
    std::vector<std::pair<float, float>> pts;
    V iperm, ibnd;
    std::int32_t nb;
    V itri, istart, iadj;
};

TEST(TriangulateWorkedExamples, ReproduceEveryArray) {
    const Worked cases[] = {
        {"three nodes counter-clockwise", {{0, 0}, {1, 0}, {0, 1}}, {1, 2, 3}, {1, 2, 3, 1}, 3,
         {1, 2, 3}, {1, 4, 7}, {2, 3, 0, 3, 1, 0, 1, 2, 0}},
        {"three nodes clockwise", {{0, 0}, {0, 1}, {1, 0}}, {1, 2, 3}, {2, 1, 3, 2}, 3,
         {1, 3, 2}, {1, 4, 7}, {3, 2, 0, 1, 3, 0, 2, 1, 0}},
        {"square with centre", {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0.5f, 0.5f}}, {1, 5, 3, 2, 4}, {1, 4, 5, 3, 1, 0}, 4,
         {1, 4, 2, 1, 2, 3, 2, 5, 3, 2, 4, 5}, {1, 5, 9, 13, 17},
         {4, 2, 3, 0, 5, 3, 1, 4, 1, 2, 5, 0, 5, 2, 1, 0, 3, 2, 4, 0}},
        // nodes 1..3 collinear: (1,3) moves into position 3; (2,0) on the extension
        // of hull edge 1->2 sees only 2->3 and node 2 stays on the hull
        {"collinear start", {{0, 0}, {1, 0}, {2, 0}, {1, 3}}, {1, 2, 4, 3}, {1, 2, 4, 3, 1}, 4,
         {1, 2, 3, 2, 4, 3}, {1, 4, 8, 12}, {2, 3, 0, 4, 3, 1, 0, 1, 2, 4, 0, 3, 2, 0}},
        // both angles opposite 2-3 obtuse: swapped for 1-4 without the sines
        {"obtuse swap", {{0, 0}, {1, -3}, {2, 3}, {4, 0}}, {1, 2, 3, 4}, {1, 2, 4, 3, 1}, 4,
         {1, 2, 4, 1, 4, 3}, {1, 5, 8, 11}, {2, 4, 3, 0, 4, 1, 0, 1, 4, 0, 3, 1, 2, 0}},
    };
    for (const Worked& c : cases) {
        SCOPED_TRACE(c.name);
        const TriRun r = triangulate_points(c.pts);
        ASSERT_EQ(r.status, Status::Ok);
        EXPECT_EQ(r.t.iperm, c.iperm);
        EXPECT_EQ(r.t.ibnd, c.ibnd);
        EXPECT_EQ(r.t.nb, c.nb);
        EXPECT_EQ(itri_of(r.t), c.itri);
        EXPECT_EQ(r.t.istart, c.istart);
        EXPECT_EQ(r.t.iadj, c.iadj);
        expect_permuted(c.pts, r);
        EXPECT_EQ(testing::check_triangulation(static_cast<std::int32_t>(c.pts.size()), r.y.data(), r.z.data(), r.t), "");
    }
}

TEST(TriangulateWorkedExamples, SeedIsTheLowestPositionOfTheSmallestY) {
    // (0,5) and (0,-5) share the smallest Y: input node 2 wins over 4
    const TriRun r = triangulate_points({{3, 0}, {0, 5}, {4, 4}, {0, -5}, {2, 1}});
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.t.iperm[0], 2);
}

TEST(TriangulateStatus, RefusedInputs) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        std::vector<std::pair<float, float>> pts;
        Status status;
    } cases[] = {
        {"no nodes", {}, Status::TooFewNodes},
        {"one node", {{0, 0}}, Status::TooFewNodes},
        {"two nodes", {{0, 0}, {1, 1}}, Status::TooFewNodes},
        {"all collinear", {{0, 0}, {1, 1}, {3, 3}, {2, 2}, {5, 5}}, Status::Collinear},
        {"collinear within tolerance", {{0, 0}, {1, 0}, {2, 1.0e-7f}}, Status::Collinear},
        {"first two nodes coincide", {{0, 0}, {0, 0}, {1, 1}, {2, 0}}, Status::Collinear},
        {"a later node repeats a hull node", {{0, 0}, {4, 0}, {0, 4}, {4, 0}, {9, 9}}, Status::Collinear},
        {"NaN in Y", {{0, 0}, {nan, 1}, {1, 0}, {1, 1}}, Status::Collinear},
        {"NaN in Z", {{0, 0}, {0, 1}, {1, nan}, {1, 1}}, Status::Collinear},
        {"infinite Y", {{-inf, 0}, {0, 1}, {1, 0}}, Status::Collinear},
        {"infinite Z", {{0, 0}, {0, 1}, {1, 0}, {2, inf}}, Status::Collinear},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(triangulate_points(c.pts).status, c.status);
    }
}

TEST(TriangulateStatus, EveryAllocationFailureHasItsCode) {
    // the k-th allocation fails, k = 1, 2, ... until the call succeeds
    std::vector<std::pair<float, float>> pts;
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int k = 0; k < 12; ++k) {
        const float a = u(gen);
        pts.emplace_back(a, u(gen));
    }
    std::vector<Status> seen;
    for (std::int64_t k = 1; k < 200; ++k) {
        alloc_fault::fail_nth(k);
        const TriRun r = triangulate_points(pts);
        alloc_fault::fail_nth(0);
        if (r.status == Status::Ok) break;
        seen.push_back(r.status);
    }
    // 20, 21, 22: driver; 23 x 4: reorderings; 24 x 4: hull, istart, lists,
    // marks; 25 per boundary splice and 24 per list that grows; then 26 and
    // 27 when packing
    ASSERT_GE(seen.size(), 13u);
    const std::vector<Status> head = {Status::AllocSortPermutation, Status::AllocIperm, Status::AllocDistanceKeys,
                                      Status::AllocReorderCopy,     Status::AllocReorderCopy, Status::AllocReorderCopy,
                                      Status::AllocReorderCopy,     Status::AllocNodeLists,   Status::AllocNodeLists,
                                      Status::AllocNodeLists,       Status::AllocNodeLists};
    EXPECT_EQ(std::vector<Status>(seen.begin(), seen.begin() + 11), head);
    EXPECT_EQ(seen[seen.size() - 2], Status::AllocIadj);
    EXPECT_EQ(seen.back(), Status::AllocItri);
    for (std::size_t k = 11; k + 2 < seen.size(); ++k)
        EXPECT_TRUE(seen[k] == Status::AllocBoundaryCopy || seen[k] == Status::AllocNodeLists) << k;
}

TEST(TriangulateArrays, SecondCallReplacesTheArrays) {
    const std::vector<std::pair<float, float>> pts = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0.5f, 0.5f}};
    TriRun r = triangulate_points(pts);
    ASSERT_EQ(r.status, Status::Ok);
    const Triangulation first = r.t;
    // the same arrays again, from the original input
    std::vector<float> y, z, f;
    for (const auto& p : pts) y.push_back(p.first), z.push_back(p.second), f.push_back(0);
    ASSERT_EQ(triangulate(5, 1.0e-6f, f.data(), y.data(), z.data(), r.t), Status::Ok);
    EXPECT_EQ(r.t.iperm, first.iperm);
    EXPECT_EQ(r.t.itri, first.itri);
    EXPECT_EQ(r.t.iadj, first.iadj);
    EXPECT_EQ(r.t.iadj.capacity(), r.t.iadj.size()) << "released and allocated afresh";
    // a failed call, a negative count among them, still releases what the previous one left
    for (std::int32_t n : {2, -5}) {
        ASSERT_EQ(triangulate(5, 1.0e-6f, f.data(), y.data(), z.data(), r.t), Status::Ok);
        ASSERT_EQ(triangulate(n, 1.0e-6f, f.data(), y.data(), z.data(), r.t), Status::TooFewNodes);
        EXPECT_TRUE(r.t.itri.empty());
        EXPECT_TRUE(r.t.iadj.empty());
        if (n < 0) {
            EXPECT_TRUE(r.t.iperm.empty()) << "a negative count allocates nothing";
        }
    }
}

using Points = std::vector<std::pair<float, float>>;

Points uniform(std::uint32_t seed, int n, float half_width = 1.0f) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-half_width, half_width);
    Points p(static_cast<std::size_t>(n));
    for (auto& q : p) q.first = u(gen), q.second = u(gen);  // draws in a fixed order
    return p;
}

/// m x m nodes spaced h from (y0, z0), in row order or shuffled.
Points grid(int m, float h, float y0, float z0, std::uint32_t shuffle_seed) {
    Points p;
    for (int i = 0; i < m * m; ++i) p.emplace_back(y0 + h * static_cast<float>(i % m), z0 + h * static_cast<float>(i / m));
    if (shuffle_seed != 0) std::shuffle(p.begin(), p.end(), std::mt19937(shuffle_seed));
    return p;
}

Points circle(int n, float r, float centre = 0.0f) {
    Points p;
    for (int k = 0; k < n; ++k) {
        const double a = 2.0 * M_PI * k / n;
        p.emplace_back(centre + r * static_cast<float>(std::cos(a)), centre + r * static_cast<float>(std::sin(a)));
    }
    return p;
}

/// Node 1 has the smallest Y and the others follow by distance from it, save
/// the one node that may have moved into position 3.
void expect_sweep_order(const TriRun& r) {
    const std::size_t n = r.y.size();
    for (std::size_t k = 1; k < n; ++k) ASSERT_LE(r.y[0], r.y[k]);
    auto key = [&](std::size_t k) {
        const float dy = r.y[k] - r.y[0], dz = r.z[k] - r.z[0];
        return dy * dy + dz * dz;
    };
    float last = 0.0f;
    for (std::size_t k = 1; k < n; ++k) {
        if (k == 2) continue;
        EXPECT_LE(last, key(k)) << "position " << k + 1;
        last = key(k);
    }
}

// The swap margin is absolute (1.19e-6 in length^4, about 0.033^4): where nodes
// lie closer than that, nearly every diagonal passes and the result is only
// roughly Delaunay, so the sets whose edges are checked keep spacings well above.
constexpr testing::CheckOptions kNoDelaunay{true, false};

struct PropertyCase {
    const char* name;
    Points pts;
    testing::CheckOptions options;
};

TEST(TriangulateProperties, InvariantsHoldOnVariedPointSets) {
    std::vector<PropertyCase> cases;
    Points clustered = uniform(1, 300, 0.5f);
    for (auto& q : clustered) q = {q.first + float(int(q.second * 12.0f)) * 17.0f, q.second};  // six clusters
    cases.push_back({"clustered", clustered, {}});
    cases.push_back({"grid in row order", grid(16, 1.0f, 0.0f, 0.0f, 0), {}});
    cases.push_back({"shuffled offset grid", grid(13, 0.25f, -7.0f, 3.0f, 9), {}});
    cases.push_back({"small-spaced grid", grid(12, 0.01f, 100.0f, -50.0f, 3), kNoDelaunay});
    cases.push_back({"points on a circle", circle(60, 10.0f), {}});
    cases.push_back({"points on a small circle", circle(25, 0.01f), kNoDelaunay});
    Points grid_circle = grid(9, 1.0f, 0.0f, 0.0f, 2), ring = circle(40, 6.0f, 4.0f);
    grid_circle.insert(grid_circle.end(), ring.begin(), ring.end());
    cases.push_back({"grid plus circle", grid_circle, {}});
    cases.push_back({"large uniform", uniform(99, 10000, 100.0f), {false, true}});
    for (const PropertyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TriRun r = triangulate_points(c.pts);
        ASSERT_EQ(r.status, Status::Ok);
        const auto n = static_cast<std::int32_t>(c.pts.size());
        EXPECT_EQ(testing::check_triangulation(n, r.y.data(), r.z.data(), r.t, c.options), "");
        expect_permuted(c.pts, r);
        expect_sweep_order(r);
    }
}

// The geometric tests the sweep and the generation rely on.
TEST(SwapEdgeA, AngleSumAgainstTheMargin) {
    // io1 = (0,-s), io2 = (0,s), in1 = (-s,0): a right angle at in1.
    auto test = [](float x, float s) {
        const float y[] = {-s, x * s, 0, 0}, z[] = {0, 0, -s, s};
        return swap_edgea(1, 2, 3, 4, y, z, kSwapMargin);
    };
    EXPECT_FALSE(test(1.0f, 1.0f)) << "square: both dot products 0";
    EXPECT_TRUE(test(0.5f, 1.0f)) << "angle sum above 180 degrees";
    EXPECT_FALSE(test(2.0f, 1.0f));
    // at x = 0.5 the test's value is -1.5 s^4: swapped only beyond the margin
    EXPECT_TRUE(test(0.5f, 0.03125f));
    EXPECT_FALSE(test(0.5f, 0.015625f));
    // both opposite angles obtuse: swapped whatever the margin
    const float y[] = {0, 4, 1, 2}, z[] = {0, 0, -3, 3};
    EXPECT_TRUE(swap_edgea(1, 2, 3, 4, y, z, 1.0e30f));
}

TEST(NodeLeftRightCollinear, SideAndRelativeTolerance) {
    struct Case {
        const char* name;
        float p[2], a[2], b[2], tol;
        std::int32_t side;
    } cases[] = {
        {"left of the line", {0.5f, 1}, {0, 0}, {1, 0}, 1.0e-6f, -1},
        {"right of the line", {0.5f, -1}, {0, 0}, {1, 0}, 1.0e-6f, 1},
        {"on the line", {2, 2}, {0, 0}, {1, 1}, 1.0e-6f, 0},
        {"on the line, zero tolerance", {2, 2}, {0, 0}, {1, 1}, 0.0f, 1},
        {"near the line, zero tolerance", {2, 1.0e-7f}, {0, 0}, {1, 0}, 0.0f, -1},
        {"within the tolerance", {2, 1.0e-7f}, {0, 0}, {1, 0}, 1.0e-6f, 0},
        // the cross product grows with the square of the scale, the allowance only linearly
        {"the same shape scaled up", {2000, 1.0e-4f}, {0, 0}, {1000, 0}, 1.0e-6f, -1},
        {"coincident line ends", {5, 5}, {1, 1}, {1, 1}, 1.0e-6f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(node_leftright_collinear(c.p[0], c.p[1], c.a[0], c.a[1], c.b[0], c.b[1], c.tol), c.side);
    }
}

TEST(NodesClose, ABoxOfHalfWidthTolInclusive) {
    struct Case {
        float a1, b1, a2, b2, tol;
        bool close;
    } cases[] = {
        {0, 0, 0.5f, 0.5f, 0.5f, true},    // a corner of the box: outside a disc of radius tol
        {0, 0, 0.5f, -0.5f, 0.5f, true},   {0.5f, 0, 0, 0, 0.5f, true},  {0, 0.5f, 0, 0, 0.5f, true},
        {0, 0, 0.5f, 0.5000001f, 0.5f, false}, {0, 0, -0.5000001f, 0, 0.5f, false},
        {3, 4, 3, 4, 0.0f, true},          {3, 4, 3, 4.0000005f, 0.0f, false},
        {1.0e30f, 0, -1.0e30f, 0, 1.0f, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nodes_close(c.a1, c.b1, c.a2, c.b2, c.tol), c.close) << c.a1 << "," << c.b1 << " " << c.a2 << "," << c.b2;
}

TEST(IndAdjanode, FirstPositionFromFirstUpToButNotIncludingStop) {
    const std::vector<std::int32_t> iadj = {5, 7, 5, 9, 0, 3};
    struct Case {
        std::int32_t stop, first, node, want;
    } cases[] = {
        {7, 1, 5, 1}, {7, 2, 5, 3}, {7, 1, 9, 4}, {7, 1, 3, 6}, {7, 1, 0, 5},  // found: its position
        {7, 1, 8, 7}, {4, 1, 9, 4}, {3, 2, 9, 3}, {6, 5, 3, 6},               // not found: stop
        {2, 4, 5, 2},                                                          // empty range
    };
    for (const Case& c : cases)
        EXPECT_EQ(ind_adjanode(c.stop, c.first, c.node, iadj.data()), c.want) << c.stop << " " << c.first << " " << c.node;
}

TEST(ListEdits, InsertBesideAReferenceAndDeleteByValue) {
    IntList l;
    for (std::int32_t v : {4, 5, 6}) ASSERT_TRUE(l.append_data(v));
    EXPECT_EQ(insert_1i_scan(5, 0, 1, l), Status::InsertZero);
    EXPECT_EQ(insert_1i_scan(7, 9, 2, l), Status::InsertRefMissing) << "no reference";
    EXPECT_EQ(insert_1i_scan(4, 9, -1, l), Status::InsertRefMissing) << "before the first position";
    EXPECT_EQ(delete_1i_scan(0, l), Status::DeleteZero);
    EXPECT_EQ(delete_1i_scan(7, l), Status::DeleteMissing);
    ASSERT_EQ(l.length(), 3);
    EXPECT_EQ(insert_1i_scan(5, 9, 1, l), Status::Ok);
    EXPECT_EQ(delete_1i_scan(4, l), Status::Ok);
    EXPECT_TRUE(l.length() == 3 && l.at(1) == 5 && l.at(2) == 9 && l.at(3) == 6);
}

TEST(AspectRatio, ShapeMeasure) {
    // tolerances: single-precision rounding of sqrt(3) and of the circumcentre
    const float ea[] = {0, 1, 0.5f}, eb[] = {0, 0, std::sqrt(3.0f) / 2};
    EXPECT_NEAR(aspect_ratio(ea, eb), 0.5f, 1.0e-6f);
    const float ra[] = {0, 1, 0}, rb[] = {0, 0, 1};
    EXPECT_NEAR(aspect_ratio(ra, rb), std::sqrt(2.0f) - 1.0f, 1.0e-6f);
    const float ca[] = {0, 1, 2}, cb[] = {0, 1, 2};
    EXPECT_EQ(aspect_ratio(ca, cb), 0.0f);
    // translation and reversal change it only by rounding
    const float ta[] = {100, 101, 100}, tb[] = {-50, -50, -49};
    const float va[] = {0, 0, 1}, vb[] = {0, 1, 0};
    EXPECT_NEAR(aspect_ratio(ta, tb), aspect_ratio(ra, rb), 1.0e-4f);
    EXPECT_NEAR(aspect_ratio(va, vb), aspect_ratio(ra, rb), 1.0e-6f);
}

}  // namespace
}  // namespace seabed
