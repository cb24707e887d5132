// Failing the k-th allocation of whole generations and loads, k = 1, 2, ...
// until the call succeeds: every failure is an allocation status, the input
// survives, and (under AddressSanitizer) nothing leaks.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/library_state.hpp"
#include "core/try_resize.hpp"
#include "seabed/file/generate.hpp"
#include "seabed/file/seabed.hpp"
#include "seabed/triangulation/triangulation.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

using testing::RawFile;

/// Runs call with the k-th allocation failing for k = 1, 2, ... and returns
/// the failure statuses until a call makes fewer than k allocations. A call
/// that succeeds although its k-th allocation failed went without storage it
/// can do without, and the allocations after it are still to be failed.
template <class F>
std::vector<int> countdown(F call) {
    std::vector<int> seen;
    for (std::int64_t k = 1; k < 100000; ++k) {
        alloc_fault::fail_nth(k);
        const Status st = call();
        const bool reached = alloc_fault::countdown.load() == 0;
        alloc_fault::fail_nth(0);
        if (st == Status::Ok) {
            if (!reached) return seen;
            continue;
        }
        seen.push_back(static_cast<int>(st));
    }
    ADD_FAILURE() << "never succeeded";
    return seen;
}

class AllocationTest : public ::testing::Test {
protected:
    void SetUp() override { reset_library_state(); }
    void TearDown() override {
        alloc_fault::fail_nth(0);
        reset_library_state();
    }
    testing::ScratchDir dir;
};

TEST_F(AllocationTest, GenerationsFailWithAllocationStatusesAndKeepTheirInput) {
    const std::string path = dir.path("g.sbd");
    std::vector<float> nodes;
    for (int i = 0; i < 30; ++i) nodes.insert(nodes.end(), {float(i % 7), float((i * 37) % 29), float((i * 11) % 23)});
    const auto input_3d = [&] { testing::write_input(path, 2, nodes, 2.0f); };
    const auto input_2d = [&] {
        RawFile(path).put<std::int32_t>(1, {0x0FF26702}).put<std::int32_t>(8, {1, 5, 0}).put<float>(
            12, {1, 0, 2, 1, 0.5f, 3, -1, 4.5f, 0, 5});
    };
    struct Case {
        const char* name;
        std::function<void()> write;
        std::set<int> must_reach;  // 29 is the grid limit, not an allocation
        bool fast;  // the fast insertion copies no boundary, so only the plain form can fail with 25
    } cases[] = {{"3d", input_3d, {12, 20, 21, 22, 23, 24, 25, 26, 27, 28, 30}, false},
                 {"3d fast", input_3d, {12, 20, 21, 22, 23, 24, 26, 27, 28, 30}, true},
                 {"2d", input_2d, {12}, true}};
    for (const Case& c : cases) {
        triangulation_tuning::fast = c.fast;
        std::set<int> reached;
        std::int32_t duplicates = 0;
        const auto seen = countdown([&] {
            std::filesystem::remove(path);
            c.write();
            const std::string before = RawFile(path).contents();
            const Status st = seabed_generate(path, duplicates);
            const std::string after = RawFile(path).contents();
            if (st != Status::Ok) {  // only the status records may change
                EXPECT_EQ(after.substr(0, 8 * 32), before.substr(0, 8 * 32)) << c.name;
                EXPECT_EQ(after.substr(10 * 32), before.substr(10 * 32)) << c.name;
            }
            return st;
        });
        for (int st : seen) {
            EXPECT_TRUE(st == 12 || (st >= 20 && st <= 30)) << c.name << " status " << st;
            reached.insert(st);
        }
        EXPECT_EQ(reached, c.must_reach) << c.name;
    }
    triangulation_tuning::fast = true;
}

TEST_F(AllocationTest, LoadsFailWithStatus12AndFreeWhatTheyHeld) {
    const std::string path = dir.path("l.sbd");
    std::vector<float> nodes{1, 0, 0, 2, 4, 0, 3, 0, 4, 4, 4, 4};
    testing::write_input(path, 2, nodes, 1.0f);
    std::int32_t duplicates = 0;
    ASSERT_EQ(seabed_generate(path, duplicates), Status::Ok);
    for (std::int32_t type : {0, 1}) {
        std::int32_t n = 0, nt = 0, nadj = 0;
        std::int64_t memory = 0;
        Desc<2> xyz{}, grad{};
        Desc<1> iadj{}, istart{};
        const auto seen = countdown([&] {
            return load_seabed_3d(path, 9, type, n, nt, nadj, xyz, grad, iadj, istart, memory);
        });
        EXPECT_EQ(seen, std::vector<int>(type == 1 ? 4 : 3, 12)) << type;
        free_seabed_3d(xyz, grad, iadj, istart);
    }
    testing::Handmade2D().write(path);
    for (std::int32_t type : {0, 2}) {
        std::int32_t n = 0;
        std::int64_t memory = 0;
        Desc<2> profile{};
        Desc<1> slopes{};
        const auto seen = countdown([&] { return load_seabed_2d(path, 9, type, n, profile, slopes, memory); });
        EXPECT_EQ(seen, std::vector<int>(type == 0 ? 1 : 2, 12)) << type;
        free_seabed_2d(profile, slopes);
    }
}

}  // namespace
}  // namespace seabed
