// Generation of 2D seabed files: the record layout, failures and their traces.
#include "seabed/file/generate.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/library_state.hpp"
#include "core/record_file.hpp"
#include "seabed/profile/profile_2d.hpp"
#include "support/files.hpp"
#include "support/seabed_files.hpp"

namespace seabed {
namespace {

using testing::FaultyFileSystem;
using testing::RawFile;

constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr float kInff = std::numeric_limits<float>::infinity();

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

std::vector<float> profile_of(const std::vector<float>& x, const std::vector<float>& y) {
    std::vector<float> p(x);
    p.insert(p.end(), y.begin(), y.end());
    return p;
}

class GenerateTest : public ::testing::Test {
protected:
    void SetUp() override { reset_library_state(); }
    void TearDown() override { reset_library_state(); }

    /// A host-written 2D input: record 1 (magic), record 8, the node block.
    std::string input(const std::vector<float>& x, const std::vector<float>& y, std::int32_t type = 1,
                      std::optional<std::int32_t> n = std::nullopt, const std::string& name = "p.sbd") {
        std::string path = dir.path(name);
        std::filesystem::remove(path);
        RawFile f(path);
        f.put<std::int32_t>(1, {testing::kTestMagic});
        f.put<std::int32_t>(8, {type, n.value_or(static_cast<std::int32_t>(x.size())), std::bit_cast<std::int32_t>(0.5f)});
        std::vector<float> block;
        for (std::size_t i = 0; i < x.size(); ++i) {
            block.push_back(x[i]);
            block.push_back(y[i]);
        }
        if (!block.empty()) f.put(12, block);
        return path;
    }
    Status generate(const std::string& path) {
        std::int32_t duplicates = -1;
        Status st = seabed_generate(path, duplicates);
        EXPECT_EQ(duplicates, 0);
        EXPECT_EQ(unit_file(kGenerateUnit), nullptr) << "the file is closed on every path";
        return st;
    }

    testing::ScratchDir dir;
};

/// Checks a generated file against the layout of a 2D seabed and the values
/// the generator's parts compute.
void expect_2d_file(const std::string& path, const std::vector<float>& x, const std::vector<float>& y,
                    std::int64_t block_c, std::int64_t slope_records) {
    const auto n = static_cast<std::int32_t>(x.size());
    const std::int32_t m = 20 * n - 19;
    RawFile f(path);
    EXPECT_EQ(f.values<std::int32_t>(1, 7), (std::vector<std::int32_t>{testing::kTestMagic, 1, 8, 4, 2, 7, 2015}));
    EXPECT_EQ(f.values<std::int32_t>(11, 2), (std::vector<std::int32_t>{m, m}));
    const std::string status = f.contents().substr(8 * 32, 64);
    EXPECT_EQ(status, std::string(1, '\0') + std::string(63, ' '));

    std::vector<float> p = profile_of(x, y), spline(n), bessel(n);
    ASSERT_EQ(get_cubic_spline_slopes(n, p.data(), spline.data(), nullptr), Status::Ok);
    ASSERT_EQ(get_cubic_bessel_slopes(n, p.data(), bessel.data(), nullptr), Status::Ok);
    const std::int64_t block_a = kFirstDataRecord + block_records(2 * n);
    const std::int64_t block_b = block_a + 5 * n - 4;
    ASSERT_EQ(block_b + 5 * n - 4, block_c);
    EXPECT_EQ(f.values<float>(block_c, n), spline);
    EXPECT_EQ(f.values<float>(block_c + slope_records, n), bessel);
    EXPECT_EQ(f.contents().size(), static_cast<std::size_t>(block_c + 2 * slope_records - 1) * 32);

    for (auto [record, slopes] : {std::pair{block_a, &spline}, std::pair{block_b, &bessel}}) {
        const std::vector<float> samples = f.values<float>(record, 2 * static_cast<std::size_t>(m));
        for (std::int32_t k = 1; k < n; ++k) {
            const float h = y[k] - y[k - 1];
            for (int j = 1; j <= 20; ++j) {
                const std::size_t at = 2 * static_cast<std::size_t>(20 * (k - 1) + j - 1);
                const float ys = (static_cast<float>(j) - 1.0f) / 20.0f * h + y[k - 1];
                double xv = 0, slope = 0;
                SegmentCode s = 0;
                cubic_spline_interpolate(ys, xv, slope, s, n, p.data(), slopes->data());
                ASSERT_EQ(bits(samples[at + 1]), bits(ys)) << k << " " << j;
                ASSERT_EQ(bits(samples[at]), bits(static_cast<float>(xv))) << k << " " << j;
                if (n == 2) {  // zero slopes: a smoothstep, up to the sample's float rounding
                    const double u = (double(ys) - y[0]) / double(h);
                    EXPECT_NEAR(samples[at], x[0] + (double(x[1]) - x[0]) * (3.0 * u * u - 2.0 * u * u * u),
                                1.0e-6 * std::max(std::fabs(x[0]), std::fabs(x[1]))) << j;
                }
            }
            EXPECT_EQ(samples[2 * 20 * (k - 1)], x[k - 1]) << "an interval starts on its left point";
            EXPECT_EQ(samples[2 * 20 * (k - 1) + 1], y[k - 1]);
        }
        EXPECT_EQ(samples[2 * m - 2], x[n - 1]) << "the last sample is the last point";
        EXPECT_EQ(samples[2 * m - 1], y[n - 1]);
        EXPECT_EQ(f.values<float>(record + 5 * n - 5, 2), (std::vector<float>{x[n - 1], y[n - 1]}))
            << "the last point starts the block's last record";
    }
}

TEST_F(GenerateTest, FileLayoutForSeveralSizes) {
    struct Case {
        std::int32_t n;
        std::int64_t block_c, slope_records;
    } cases[] = {{2, 25, 1}, {3, 35, 1}, {4, 45, 1}, {8, 86, 1}, {9, 97, 2}, {17, 12 + 5 + 2 * 81, 3}};
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> step(0.01f, 5.0f), elev(-20.0f, 20.0f);
    for (const Case& c : cases) {
        std::vector<float> x, y;
        float at = elev(rng);
        for (std::int32_t i = 0; i < c.n; ++i) {
            x.push_back(elev(rng));
            y.push_back(at);
            at += step(rng);
        }
        if (c.n == 4) x = {1.0f, 2.0f, 0.5f, -1.0f}, y = {0.0f, 1.0f, 3.0f, 4.5f};
        std::string path = input(x, y);
        ASSERT_EQ(generate(path), Status::Ok) << c.n;
        SCOPED_TRACE(c.n);
        expect_2d_file(path, x, y, c.block_c, c.slope_records);
    }
}

TEST_F(GenerateTest, NonIncreasingYWritesOneMessageAndNothingElse) {
    const std::vector<std::vector<float>> cases = {
        {0, 0, 1, 2, 3}, {0, 1, 1, 2, 3}, {0, 1, 2, 3, 3}, {0, 1, 3, 2, 4}, {0, 1, kNaNf, 3, 4}, {kNaNf, 1, 2, 3, 4}};
    for (const auto& y : cases) {
        std::string path = input({1, 2, 3, 4, 5}, y);
        RawFile(path).put<std::int32_t>(11, {-7, -7}).put<std::int32_t>(9, {0x33333333}).put<std::int32_t>(13, {-7});
        const std::string before = RawFile(path).contents();
        FaultyFileSystem fs;
        ASSERT_EQ(generate(path), Status::YNotIncreasing);
        const std::string after = RawFile(path).contents();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(after.substr(0, 8 * 32), before.substr(0, 8 * 32));
        EXPECT_EQ(after.substr(10 * 32), before.substr(10 * 32));
        Text63 msg;
        seabed_error_message(14, msg);
        EXPECT_EQ(after.substr(8 * 32, 64), std::string(1, '\x0e') + std::string(msg.begin(), msg.end()));
    }
}

TEST_F(GenerateTest, RefusalsBeforeGenerationLeaveTheFileUnchanged) {
    struct Case {
        std::int32_t type, n;
        std::size_t nodes;  // nodes actually present
        Status want;
    } cases[] = {
        {1, 0, 0, Status::TooFewNodes},        {1, 1, 1, Status::TooFewNodes},   {1, -1, 2, Status::TooFewNodes},
        {1, INT32_MIN, 0, Status::TooFewNodes}, {1, 5, 4, Status::FileRead},     {1, INT32_MAX, 4, Status::FileRead},
        {1, kMaxProfilePoints + 1, 4, Status::FileRead}, {1, 1, 0, Status::FileRead},
        {3, 4, 4, Status::NotSeabed},          {0, 4, 4, Status::NotSeabed},     {-1, 4, 4, Status::NotSeabed},
    };
    for (const Case& c : cases) {
        std::vector<float> x(c.nodes), y(c.nodes);
        for (std::size_t i = 0; i < c.nodes; ++i) x[i] = y[i] = static_cast<float>(i);
        std::string path = input(x, y, c.type, c.n);
        const std::string before = RawFile(path).contents();
        EXPECT_EQ(generate(path), c.want) << c.type << " " << c.n;
        EXPECT_EQ(RawFile(path).contents(), before) << c.type << " " << c.n;
    }
    EXPECT_EQ(generate(dir.path("missing.sbd")), Status::FileMissing);
    EXPECT_FALSE(std::filesystem::exists(dir.path("missing.sbd")));
    std::string bad = dir.path("bad.sbd");
    RawFile(bad).put<std::int32_t>(1, {testing::kTestMagic + 1, 0, 0, 0, 0, 0, 0, 0});
    RawFile(bad).put<std::int32_t>(8, {1, 2, 0});
    const std::string before = RawFile(bad).contents();
    EXPECT_EQ(generate(bad), Status::BadMagic);
    EXPECT_EQ(RawFile(bad).contents(), before);
    std::string header_only = dir.path("h.sbd");
    RawFile(header_only).put<std::int32_t>(1, {testing::kTestMagic});
    EXPECT_EQ(generate(header_only), Status::FileRead) << "no record 8";
}

TEST_F(GenerateTest, InfiniteOrNaNValuesDoNotStopGeneration) {
    // Only Y that fails to increase is refused; other values run through as
    // IEEE arithmetic takes them.
    const std::vector<std::pair<std::vector<float>, std::vector<float>>> cases = {
        {{kNaNf, 1, 2}, {0, 1, 2}}, {{0, kInff, 2}, {0, 1, 2}}, {{0, 1, 2}, {0, 1, kInff}}, {{0, 1, 2}, {-kInff, 0, 1}}};
    for (const auto& [x, y] : cases) {
        std::string path = input(x, y);
        EXPECT_EQ(generate(path), Status::Ok);
        EXPECT_EQ(RawFile(path).contents().size(), 36u * 32);
    }
}

TEST_F(GenerateTest, AReadFailingAnywhereGivesStatus5AndChangesNothing) {
    const std::vector<float> x{1, 2, 3, 4, 5}, y{0, 1, 2, 3, 4};
    std::int64_t reads = 0;
    {
        std::string path = input(x, y);
        FaultyFileSystem fs;
        ASSERT_EQ(generate(path), Status::Ok);
        reads = fs.reads;
    }
    ASSERT_GE(reads, 4);  // record 1, record 8, the node block
    for (std::int64_t k = 1; k <= reads; ++k) {
        std::string path = input(x, y);
        const std::string before = RawFile(path).contents();
        FaultyFileSystem fs;
        fs.fail_read_at = k;
        EXPECT_EQ(generate(path), Status::FileRead) << k;
        EXPECT_EQ(RawFile(path).contents(), before) << k;
    }
}

}  // namespace
}  // namespace seabed
