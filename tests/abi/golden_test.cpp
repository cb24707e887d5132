// Generated seabeds and the answers of queries on them, compared byte for
// byte with tests/data/: NAME.in.sbd is the input a host writes, NAME.sbd the
// generated file, NAME.answers the doubles the queries return (32-byte
// records, see answers_2d and answers_3d). `SEABED_UPDATE_GOLDEN=1` rewrites
// NAME.sbd and NAME.answers; review the diff before committing it.
//
// The inputs were written once with the Python package (python/seabed):
//   profile12: 12 points, uneven spacing; profile3: 3 points (blocks straddle records);
//   survey: 60 nodes on a 1/16 grid in [0,40]x[0,30], one repeated and one 5e-5 off
//     another (both dropped), spacing 4.5; lattice: a 5 x 5 square lattice of
//     spacing 2 (four nodes on every circle, the seed's row collinear), spacing
//     0.75; fan: a centre and 16 nodes on a circle of radius 5, spacing 1.25.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "abi/host_fixture.hpp"

namespace seabed::testing {
namespace {

const std::filesystem::path kData = SEABED_TEST_DATA;

/// Where two byte strings first differ, by record and 4-byte word (1-based),
/// with both words in hex; empty when they are equal.
std::string first_difference(const std::string& got, const std::string& want) {
    if (got == want) return "";
    std::size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    i -= i % 4;
    auto word = [i](const std::string& s) {
        if (i >= s.size()) return std::string("the end of the file");
        std::uint32_t w = 0;
        std::memcpy(&w, s.data() + i, std::min<std::size_t>(4, s.size() - i));
        char text[16];
        std::snprintf(text, sizeof text, "0x%08x", w);
        return std::string(text);
    };
    return "record " + std::to_string(i / 32 + 1) + ", word " + std::to_string(i % 32 / 4 + 1) + ": got " + word(got) +
           ", want " + word(want);
}

void expect_golden(const std::string& got, const std::string& name) {
    const auto path = kData / name;
    if (std::getenv("SEABED_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary).write(got.data(), static_cast<std::streamsize>(got.size()));
        return;
    }
    EXPECT_EQ(first_difference(got, bytes_of(path.string())), "") << name;
}

std::string as_bytes(const std::vector<double>& v) {
    return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(double));
}

class GoldenTest : public HostTest, public ::testing::WithParamInterface<const char*> {
protected:
    /// Per query point, 8 doubles: linear x and slope, spline x and slope,
    /// Bessel x and slope (slopes pre-set to -7: not written outside), the
    /// segment by bisection and by the walk carried from the point before.
    std::string answers_2d(const std::string& path) {
        EXPECT_EQ(load_2d(path, SEABED_2D_SPLINE), SEABED_STATUS_OK);
        const std::vector<float> spline(static_cast<const float*>(slopes.base),
                                        static_cast<const float*>(slopes.base) + n);
        free2(&profile, &slopes);
        EXPECT_EQ(load_2d(path, SEABED_2D_BESSEL), SEABED_STATUS_OK);
        const auto* p = static_cast<const float*>(profile.base);
        const auto* bessel = static_cast<const float*>(slopes.base);
        std::vector<double> ys, out;
        for (int i = 0; i <= 64; ++i) ys.push_back(double(p[n]) - 1.0 + (double(p[2 * n - 1]) - double(p[n]) + 2.0) * i / 64.0);
        for (std::int32_t i = 0; i < n; ++i) ys.push_back(p[n + i]);
        std::int32_t walk = 1, s1 = 0, s2 = 0, s3 = 0;
        for (double y : ys) {
            double v[6] = {0, -7, 0, -7, 0, -7};
            linear2(&y, &n, p, &v[0], &v[1], &s1);
            cubic2(&y, &n, p, spline.data(), &v[2], &v[3], &s2);
            cubic2(&y, &n, p, bessel, &v[4], &v[5], &s3);
            std::int32_t bisect = 0;
            segment_of(p, &n, &y, &bisect);
            segment_of(p, &n, &y, &walk);
            out.insert(out.end(), {v[0], v[1], v[2], v[3], v[4], v[5], double(bisect), double(walk)});
        }
        return as_bytes(out);
    }

    /// Per query point, 12 doubles: the linear and the cubic query (x and the
    /// normal), each walking on from its own last start node, then
    /// find_triangle's triangle carried from the point before (from node 1 at
    /// first) and the status of both queries. Points: every node, every hull
    /// edge's midpoint moved outwards by a doubled area of 5e-7 (within the
    /// walk's tolerance) and of 1e-4, and a grid over the box of the nodes and
    /// 5% beyond.
    std::string answers_3d(const std::string& path) {
        EXPECT_EQ(load_3d(path, SEABED_3D_CUBIC), SEABED_STATUS_OK);
        const auto* p = static_cast<const float*>(nodes.base);
        const auto* adj = static_cast<const std::int32_t*>(iadj.base);
        const auto* st = static_cast<const std::int32_t*>(istart.base);
        const auto* g = static_cast<const float*>(gradients.base);
        std::vector<std::pair<double, double>> points;
        double ylo = p[n], yhi = p[n], zlo = p[2 * n], zhi = p[2 * n];
        for (std::int32_t i = 0; i < n; ++i) {
            ylo = std::min(ylo, double(p[n + i])), yhi = std::max(yhi, double(p[n + i]));
            zlo = std::min(zlo, double(p[2 * n + i])), zhi = std::max(zhi, double(p[2 * n + i]));
            points.emplace_back(p[n + i], p[2 * n + i]);
            const std::int32_t last = i + 1 == n ? nadj : st[i + 1] - 1;
            if (adj[last - 1] != 0) continue;  // hull node: its list starts with the next hull node
            const double ya = p[n + i], za = p[2 * n + i], yb = p[n + adj[st[i] - 1] - 1], zb = p[2 * n + adj[st[i] - 1] - 1];
            for (double area : {5e-7, 1e-4}) {
                const double f = area / ((yb - ya) * (yb - ya) + (zb - za) * (zb - za));
                points.emplace_back(0.5 * (ya + yb) + f * (zb - za), 0.5 * (za + zb) - f * (yb - ya));
            }
        }
        for (int i = 0; i <= 24; ++i)
            for (int j = 0; j <= 24; ++j)
                points.emplace_back(ylo + (yhi - ylo) * (1.1 * i / 24 - 0.05), zlo + (zhi - zlo) * (1.1 * j / 24 - 0.05));
        std::int32_t lin_start = 1, cub_start = 1, t[3] = {1, 0, 0};
        std::vector<double> out;
        for (auto [y, z] : points) {
            double l[4] = {0, 0, 0, 0}, c[4] = {0, 0, 0, 0};
            std::int32_t ls = -1, cs = -1;
            linear3(&y, &z, &n, &nadj, p, adj, st, &l[0], l + 1, &lin_start, &ls);
            cubic3(&y, &z, &n, &nadj, p, adj, st, g, &c[0], c + 1, &cub_start, &cs);
            find(&y, &z, &n, &nadj, &nodes, &iadj, &istart, &t[0], &t[1], &t[2]);
            out.insert(out.end(), {l[0], l[1], l[2], l[3], c[0], c[1], c[2], c[3], double(t[0]), double(t[1]),
                                   double(t[2]), double(ls * 100 + cs)});
        }
        return as_bytes(out);
    }
};

TEST_P(GoldenTest, GeneratedFileAndQueryAnswersMatchTheStoredBytes) {
    const std::string name = GetParam(), path = dir.path(name + ".sbd");
    std::filesystem::copy_file(kData / (name + ".in.sbd"), path);
    std::int32_t duplicates = -1;
    ASSERT_EQ(generate(path, &duplicates), SEABED_STATUS_OK);
    EXPECT_EQ(duplicates, name == "survey" ? 1 : 0);  // a flag: some node was dropped
    expect_golden(bytes_of(path), name + ".sbd");
    expect_golden(name.rfind("profile", 0) == 0 ? answers_2d(path) : answers_3d(path), name + ".answers");
}

INSTANTIATE_TEST_SUITE_P(Seabeds, GoldenTest, ::testing::Values("profile12", "profile3", "survey", "lattice", "fan"));

}  // namespace
}  // namespace seabed::testing
