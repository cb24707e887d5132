// A 2D seabed through the exported operations: generate, load, query.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "abi/host.hpp"
#include "support/files.hpp"
#include "support/seabed_files.hpp"

namespace seabed::testing {
namespace {

class Host2D : public ::testing::Test {
protected:
    Host host;
    ScratchDir dir;
    decltype(&::seabed_generate) generate = SEABED_EXPORT(host, seabed_generate);
    decltype(&::load_seabed_2d) load = SEABED_EXPORT(host, load_seabed_2d);
    decltype(&::free_seabed_2d) release = SEABED_EXPORT(host, free_seabed_2d);
    decltype(&::find_segment) segment_of = SEABED_EXPORT(host, find_segment);
    decltype(&::interpolate_2d_linear) linear = SEABED_EXPORT(host, interpolate_2d_linear);
    decltype(&::interpolate_2d_cubic) cubic = SEABED_EXPORT(host, interpolate_2d_cubic);

    // A 12-point profile with uneven spacing: nodes in records 12-14, M = 221
    // samples in 56 records per block (15-70, 71-126), slopes in 127-128 and 129-130.
    std::vector<float> x{5.0f, 4.5f, 4.75f, 3.0f, 2.0f, 2.5f, 1.0f, -0.5f, 0.0f, 0.25f, -1.0f, -2.0f};
    std::vector<float> y{0.0f, 1.5f, 2.0f, 4.0f, 4.25f, 6.0f, 9.0f, 9.5f, 12.0f, 13.0f, 16.0f, 20.0f};

    std::string write_input() {
        std::string path = dir.path("profile.sbd");
        RawFile f(path);
        f.put<int32_t>(1, {kTestMagic});
        f.put<int32_t>(8, {SEABED_TYPE_2D, 12, 0});
        std::vector<float> block;
        for (std::size_t i = 0; i < x.size(); ++i) block.insert(block.end(), {x[i], y[i]});
        f.put(12, block);
        return path;
    }
    int32_t run_generate(const std::string& name) {
        int32_t status = -1, duplicates = -1;
        generate(static_cast<int32_t>(name.size()), name.data(), &status, &duplicates);
        EXPECT_EQ(duplicates, 0);
        return status;
    }
};

TEST_F(Host2D, GeneratedProfileLoadsAndReproducesItsSamples) {
    std::string path = write_input();
    ASSERT_EQ(run_generate(path + "   "), SEABED_STATUS_OK);
    RawFile f(path);
    struct Case {
        int32_t type;
        int64_t samples_at, slopes_at;
    } cases[] = {{SEABED_2D_SPLINE, 15, 127}, {SEABED_2D_BESSEL, 71, 129}};
    for (const Case& c : cases) {
        int32_t n = 0, status = -1, unit = 20, len = static_cast<int32_t>(path.size());
        int64_t memory = 0;
        seabed_desc2 profile{};
        seabed_desc1 slopes{};
        load(&len, path.data(), &unit, &c.type, &n, &profile, &slopes, &memory, &status);
        ASSERT_EQ(status, SEABED_STATUS_OK);
        ASSERT_EQ(n, 12);
        const auto* p = static_cast<const float*>(profile.base);
        const auto* m = static_cast<const float*>(slopes.base);
        EXPECT_EQ(std::vector<float>(m, m + 12), f.values<float>(c.slopes_at, 12));

        // Every sample is the cubic query at its coordinate, the hint carried.
        const std::vector<float> samples = f.values<float>(c.samples_at, 2 * 221);
        int32_t segment = 0;
        for (int i = 0; i < 221; ++i) {
            const double ys = samples[2 * i + 1];
            double xv = 0, slope = 0;
            cubic(&ys, &n, p, m, &xv, &slope, &segment);
            ASSERT_EQ(static_cast<float>(xv), samples[2 * i]) << c.type << " sample " << i;
            ASSERT_EQ(segment, i == 220 ? 13 : i / 20 + 2);
        }
        // Linear queries pass through the points; find_segment agrees with them.
        for (int32_t k = 1; k <= 12; ++k) {
            const double yk = y[k - 1];
            double xv = 0, slope = -99.0;
            int32_t s1 = 10000, s2 = 0;
            linear(&yk, &n, p, &xv, &slope, &s1);
            segment_of(p, &n, &yk, &s2);
            EXPECT_EQ(xv, x[k - 1]);
            EXPECT_EQ(s1, k + 1);
            EXPECT_EQ(s2, k + 1);
            if (k == 12) EXPECT_EQ(slope, -99.0) << "no slope at or right of the last point";
        }
        release(&profile, &slopes);
    }
}

TEST_F(Host2D, NullArgumentsDoNothing) {
    std::vector<float> p{1.0f, 2.0f, 0.0f, 1.0f}, m{0.0f, 0.0f};
    const int32_t n = 2;
    const double y = 0.5;
    double xv = 7.0, slope = 7.0;
    int32_t segment = 7;
    segment_of(nullptr, &n, &y, &segment);
    segment_of(p.data(), nullptr, &y, &segment);
    segment_of(p.data(), &n, nullptr, &segment);
    segment_of(p.data(), &n, &y, nullptr);
    linear(&y, &n, nullptr, &xv, &slope, &segment);
    linear(&y, &n, p.data(), nullptr, &slope, &segment);
    cubic(&y, &n, p.data(), nullptr, &xv, &slope, &segment);
    cubic(&y, &n, p.data(), m.data(), &xv, nullptr, &segment);
    cubic(&y, &n, p.data(), m.data(), &xv, &slope, nullptr);
    EXPECT_EQ(xv, 7.0);
    EXPECT_EQ(slope, 7.0);
    EXPECT_EQ(segment, 7);

    std::string path = write_input();
    const std::string before = RawFile(path).contents();
    int32_t status = -1, duplicates = -1;
    generate(static_cast<int32_t>(path.size()), path.data(), nullptr, &duplicates);
    generate(static_cast<int32_t>(path.size()), path.data(), &status, nullptr);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(RawFile(path).contents(), before);
    generate(5, nullptr, &status, &duplicates);
    EXPECT_EQ(status, SEABED_STATUS_FILE_MISSING);
}

}  // namespace
}  // namespace seabed::testing
