// The fast forms of the triangulation against the reference forms
// (triangulation_tuning::fast): every output array, the permuted nodes and
// the status must be the same on inputs that stress the hull search, the
// half-edge swaps and the sort's order of ties: random, lattices in raster
// and shuffled order, collinear runs, cocircular rings, duplicates, and
// coordinates far from the origin where the orientation tests round.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "seabed/triangulation/triangulation.hpp"

namespace seabed {
namespace {

struct Points {
    std::vector<float> y, z;
    void add(double a, double b) {
        y.push_back(static_cast<float>(a));
        z.push_back(static_cast<float>(b));
    }
};

struct Run {
    Status status;
    Triangulation t;
    std::vector<float> f, y, z;
};

Run run(const Points& p, bool fast) {
    const bool saved = triangulation_tuning::fast;
    triangulation_tuning::fast = fast;
    Run r{Status::Ok, {}, {}, p.y, p.z};
    for (std::size_t i = 0; i < p.y.size(); ++i) r.f.push_back(static_cast<float>(i));
    r.status = triangulate(static_cast<std::int32_t>(p.y.size()), 1.0e-6f, r.f.data(), r.y.data(), r.z.data(), r.t);
    triangulation_tuning::fast = saved;
    return r;
}

void expect_same(const Points& p, const char* what) {
    SCOPED_TRACE(what);
    const Run a = run(p, true), b = run(p, false);
    ASSERT_EQ(a.status, b.status);
    if (a.status != Status::Ok) return;  // arrays of a failed call are only released
    EXPECT_EQ(a.t.iperm, b.t.iperm);
    EXPECT_EQ(a.t.ibnd, b.t.ibnd);
    EXPECT_EQ(a.t.nb, b.t.nb);
    EXPECT_EQ(a.t.lb, b.t.lb);
    EXPECT_EQ(a.t.itri, b.t.itri);
    EXPECT_EQ(a.t.nt, b.t.nt);
    EXPECT_EQ(a.t.iadj, b.t.iadj);
    EXPECT_EQ(a.t.istart, b.t.istart);
    EXPECT_EQ(a.t.nadj, b.t.nadj);
    EXPECT_EQ(a.f, b.f);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

Points lattice(int side, double step, double y0, bool shuffled, unsigned seed) {
    Points p;
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j) p.add(y0 + i * step, y0 + j * step);
    if (shuffled) {
        std::mt19937 g(seed);
        std::vector<std::size_t> order(p.y.size());
        for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
        std::shuffle(order.begin(), order.end(), g);
        Points q;
        for (std::size_t k : order) q.add(p.y[k], p.z[k]);
        return q;
    }
    return p;
}

TEST(FastForms, RandomSurveysOfManySizes) {
    std::mt19937 g(7);
    for (int n : {3, 4, 5, 10, 50, 300, 2000, 20000}) {
        for (double origin : {0.0, 5.0e4}) {  // far from 0 the orientation tests round
            std::uniform_real_distribution<double> u(origin, origin + 1000.0);
            Points p;
            for (int k = 0; k < n; ++k) p.add(u(g), u(g));
            expect_same(p, "random");
        }
    }
    // clusters of points on a coarse grid of values: many exact ties in the keys
    std::uniform_int_distribution<int> cell(0, 40);
    Points p;
    for (int k = 0; k < 3000; ++k) p.add(cell(g) * 0.25, cell(g) * 0.25 + 1e-3 * (k % 7));
    expect_same(p, "clustered");
}

TEST(FastForms, LatticesCollinearRunsAndRings) {
    for (bool shuffled : {false, true}) {
        expect_same(lattice(70, 1.0, 0.0, shuffled, 3), "unit lattice");
        expect_same(lattice(60, 0.387, 123.4, shuffled, 4), "rounded lattice");
    }
    // collinear runs: nodes on a few lines through the seed and across it
    Points runs;
    for (int k = 0; k < 400; ++k) {
        runs.add(k * 0.5, 0.0);
        runs.add(k * 0.5, k * 0.25);
        runs.add(100.0 + 0.1 * k, 50.0 - 0.3 * k);
    }
    expect_same(runs, "collinear runs");
    // cocircular: rings of equidistant nodes around a centre and around the seed
    Points rings;
    rings.add(-30.0, 0.0);
    for (int r = 1; r <= 12; ++r)
        for (int k = 0; k < 8 * r; ++k) {
            const double a = 2.0 * std::numbers::pi * k / (8 * r);
            rings.add(r * std::cos(a), r * std::sin(a));
        }
    expect_same(rings, "rings");
}

TEST(FastForms, DegenerateInputsFailAlike) {
    Points line;
    for (int k = 0; k < 50; ++k) line.add(k, 2.0 * k);
    expect_same(line, "all collinear");
    Points dup = lattice(20, 1.0, 0.0, true, 9);
    dup.add(dup.y[5], dup.z[5]);
    dup.add(dup.y[77], dup.z[77]);
    expect_same(dup, "duplicates");
}

}  // namespace
}  // namespace seabed
