// Generation of 2D seabed files: sizes, refusals, failures and their traces.
// (The bytes themselves are checked against tests/data: golden_test.cpp.)
#include "seabed/file/generate.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/record_file.hpp"
#include "seabed/profile/profile_2d.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

using testing::FaultyFileSystem;
using testing::RawFile;

constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr float kInff = std::numeric_limits<float>::infinity();

class GenerateTest : public testing::FreshProcessTest {
protected:
    /// A host-written 2D input of the points (x, y) with N = n (default: their count).
    std::string input(const std::vector<float>& x, const std::vector<float>& y, std::int32_t type = 1,
                      std::optional<std::int32_t> n = std::nullopt) {
        std::string path = dir.path("p.sbd");
        std::filesystem::remove(path);
        std::vector<float> block;
        for (std::size_t i = 0; i < x.size(); ++i) block.insert(block.end(), {x[i], y[i]});
        testing::write_input(path, type, block, 0.5f, n.value_or(static_cast<std::int32_t>(x.size())));
        return path;
    }
    Status generate(const std::string& path) {
        std::int32_t duplicates = -1;
        Status st = seabed_generate(path, duplicates);
        EXPECT_EQ(duplicates, 0);
        EXPECT_EQ(unit_file(kGenerateUnit), nullptr) << "the file is closed on every path";
        return st;
    }
};

TEST_F(GenerateTest, CountsAndSizeForNodeBlocksThatFillOrStraddleRecords) {
    // records: 11 + nodes (2N values) + samples 2 x (5N - 4) + slopes 2 x ceil(N / 8)
    for (std::int32_t n : {2, 4, 8, 9, 17}) {
        std::vector<float> x, y;
        for (std::int32_t i = 0; i < n; ++i) x.push_back(float(i % 3)), y.push_back(float(i * i));
        const std::string path = input(x, y);
        ASSERT_EQ(generate(path), Status::Ok) << n;
        const std::int64_t records = 11 + (2 * n + 7) / 8 + 2 * (5 * n - 4) + 2 * ((n + 7) / 8);
        EXPECT_EQ(RawFile(path).contents().size(), static_cast<std::size_t>(records) * 32) << n;
        EXPECT_EQ(RawFile(path).values<std::int32_t>(11, 2), (std::vector<std::int32_t>{20 * n - 19, 20 * n - 19}));
        EXPECT_EQ(testing::status_in_file(path), 0);
        EXPECT_EQ(testing::message_in_file(path), std::string(63, ' '));
    }
}

TEST_F(GenerateTest, NonIncreasingYWritesOneMessageAndNothingElse) {
    const std::vector<std::vector<float>> cases = {
        {0, 0, 1, 2, 3}, {0, 1, 1, 2, 3}, {0, 1, 2, 3, 3}, {0, 1, 3, 2, 4}, {0, 1, kNaNf, 3, 4}, {kNaNf, 1, 2, 3, 4}};
    for (const auto& y : cases) {
        std::string path = input({1, 2, 3, 4, 5}, y);
        RawFile(path).put<std::int32_t>(11, {-7, -7}).put<std::int32_t>(9, {0x33333333}).put<std::int32_t>(13, {-7});
        const std::string before = RawFile(path).contents();
        ASSERT_EQ(generate(path), Status::YNotIncreasing);
        const std::string after = RawFile(path).contents();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(after.substr(0, 8 * 32), before.substr(0, 8 * 32));
        EXPECT_EQ(after.substr(10 * 32), before.substr(10 * 32));
        EXPECT_EQ(after.substr(8 * 32, 64),
                  "\x0eY-values should be strictly increasing for 2D interpolation    ");
    }
}

TEST_F(GenerateTest, RefusalsBeforeGenerationLeaveTheFileUnchanged) {
    struct Case {
        std::int32_t type, n;
        std::size_t nodes;  // nodes actually present
        Status want;
    } cases[] = {
        {1, 0, 0, Status::TooFewNodes},         {1, 1, 1, Status::TooFewNodes},  {1, -1, 2, Status::TooFewNodes},
        {1, INT32_MIN, 0, Status::TooFewNodes}, {1, 5, 4, Status::FileRead},     {1, INT32_MAX, 4, Status::FileRead},
        {1, kMaxProfilePoints + 1, 4, Status::FileRead}, {1, 1, 0, Status::FileRead},
        {3, 4, 4, Status::NotSeabed},           {0, 4, 4, Status::NotSeabed},    {-1, 4, 4, Status::NotSeabed},
    };
    for (const Case& c : cases) {
        std::vector<float> x(c.nodes), y(c.nodes);
        for (std::size_t i = 0; i < c.nodes; ++i) x[i] = y[i] = static_cast<float>(i);
        std::string path = input(x, y, c.type, c.n);
        const std::string before = RawFile(path).contents();
        EXPECT_EQ(generate(path), c.want) << c.type << " " << c.n;
        EXPECT_EQ(RawFile(path).contents(), before) << c.type << " " << c.n;
    }
    // the largest N whose sample count M = 20 N - 19 is still a 32-bit count
    EXPECT_TRUE(20LL * kMaxProfilePoints - 19 <= INT32_MAX && 20LL * (kMaxProfilePoints + 1) - 19 > INT32_MAX);
    EXPECT_EQ(generate(dir.path("missing.sbd")), Status::FileMissing);
    EXPECT_FALSE(std::filesystem::exists(dir.path("missing.sbd")));
    std::string bad = input({1, 2}, {0, 1});
    RawFile(bad).put<std::int32_t>(1, {testing::kTestMagic + 1});
    const std::string before = RawFile(bad).contents();
    EXPECT_EQ(generate(bad), Status::BadMagic);
    EXPECT_EQ(RawFile(bad).contents(), before);
    RawFile(bad).put<std::int32_t>(1, {testing::kTestMagic}).truncate(32 * 7);
    EXPECT_EQ(generate(bad), Status::FileRead) << "no record 8";
}

TEST_F(GenerateTest, InfiniteOrNaNValuesDoNotStopGeneration) {
    // Only Y that fails to increase is refused; other values run through as IEEE arithmetic takes them.
    const std::vector<std::pair<std::vector<float>, std::vector<float>>> cases = {
        {{kNaNf, 1, 2}, {0, 1, 2}}, {{0, kInff, 2}, {0, 1, 2}}, {{0, 1, 2}, {0, 1, kInff}}, {{0, 1, 2}, {-kInff, 0, 1}}};
    for (const auto& [x, y] : cases) {
        std::string path = input(x, y);
        EXPECT_EQ(generate(path), Status::Ok);
        EXPECT_EQ(RawFile(path).contents().size(), 36u * 32);
    }
}

}  // namespace
}  // namespace seabed
