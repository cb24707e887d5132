#include <gtest/gtest.h>

#include <vector>

#include "seabed/rlmost.hpp"
#include "seabed/swap_edges.hpp"
#include "seabed/update_boundary.hpp"

namespace seabed {
namespace {

using V = std::vector<std::int32_t>;

IntList make(const V& v) {
    IntList l;
    l.create(3);
    for (auto x : v) l.append_data(x);
    return l;
}

V values(const IntList& l) { return V(l.data(), l.data() + l.length()); }

TEST(InsertDeleteScan, PositionsAndStatuses) {
    struct Case {
        const char* name;
        V list;
        std::int32_t ref, value, offset;
        Status status;
        V after;
    } cases[] = {
        {"before the reference", {4, 2, 3, 0}, 2, 9, 0, Status::Ok, {4, 9, 2, 3, 0}},
        {"after the reference", {4, 2, 3, 0}, 2, 9, 1, Status::Ok, {4, 2, 9, 3, 0}},
        {"before the first", {4, 2, 3}, 4, 9, 0, Status::Ok, {9, 4, 2, 3}},
        {"after the last appends", {4, 2, 3}, 3, 9, 1, Status::Ok, {4, 2, 3, 9}},
        {"first occurrence", {5, 7, 5}, 5, 9, 1, Status::Ok, {5, 9, 7, 5}},
        {"reference absent, offset 0", {4, 2, 3}, 8, 9, 0, Status::InsertRefMissing, {4, 2, 3}},
        {"reference absent, offset 1", {4, 2, 3}, 8, 9, 1, Status::InsertRefMissing, {4, 2, 3}},
        {"zero value before anything", {}, 8, 0, 1, Status::InsertZero, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IntList l = make(c.list);
        EXPECT_EQ(insert_1i_scan(c.ref, c.value, c.offset, l), c.status);
        EXPECT_EQ(values(l), c.after);
    }
    IntList l = make({5, 7, 5, 0});
    EXPECT_EQ(delete_1i_scan(0, l), Status::DeleteZero);
    EXPECT_EQ(delete_1i_scan(8, l), Status::DeleteMissing);
    EXPECT_EQ(delete_1i_scan(5, l), Status::Ok);
    EXPECT_EQ(values(l), (V{7, 5, 0}));
}

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

}  // namespace
}  // namespace seabed
