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

TEST(SwapSweep, SwapsTheObtuseDiagonalAndRefusesInconsistentLists) {
    // nodes (0,0), (1,-3), (2,3), (4,0) just after node 4 is linked to the edge 2->3
    const float y[] = {0, 1, 2, 4}, z[] = {0, -3, 3, 0};
    struct Case {
        const char* name;
        V list2;
        bool one_already_linked;
        Status status;
    } cases[] = {
        {"consistent", {4, 3, 1, 0}, false, Status::Ok},
        {"opposite node already linked", {4, 3, 1, 0}, true, Status::InsertRefMissing},
        {"edge missing from the other end", {4, 1, 0}, false, Status::InsertRefMissing},
        {"nothing beyond the edge", {4, 1, 3, 0}, false, Status::InsertZero},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NodeLists lists;
        lists.push_back(make({2, 3, 0}));
        lists.push_back(make(c.list2));
        lists.push_back(make({1, 2, 4, 0}));
        lists.push_back(make({3, 2, 0}));
        std::vector<std::int32_t> linked = {0, c.one_already_linked ? 4 : 0, 4, 4, 4};
        EXPECT_EQ(swap_sweep(4, y, z, lists, linked), c.status);
        if (c.status == Status::Ok) {  // edge 2-3 replaced by 4-1 in all four lists
            EXPECT_EQ(values(lists[0]), (V{2, 4, 3, 0}));
            EXPECT_EQ(values(lists[1]), (V{4, 1, 0}));
            EXPECT_EQ(values(lists[2]), (V{1, 4, 0}));
            EXPECT_EQ(values(lists[3]), (V{3, 1, 2, 0}));
        }
    }
}

TEST(Rlmost, WrappingChainRotatesTheHull) {
    // square hull 1..4; node 5 below-left sees 4->1 and 1->2
    const float y[] = {0, 1, 1, 0, -1}, z[] = {0, 0, 1, 1, -1};
    V ibnd = {1, 2, 3, 4, 1, 0};
    std::int32_t ifirst = 0, ilast = 0;
    ASSERT_EQ(rlmost(4, 5, ibnd.data(), 5, y, z, ifirst, ilast), Status::Ok);
    EXPECT_EQ(ibnd, (V{4, 1, 2, 3, 4, 0}));
    EXPECT_EQ(ifirst, 1);
    EXPECT_EQ(ilast, 3);
    V open = {1, 2, 3, 4, 1, 0};
    EXPECT_EQ(rlmost(4, 4, open.data(), 5, y, z, ifirst, ilast), Status::BoundaryNotClosed);
    EXPECT_EQ(rlmost(4, 5, open.data(), 4, y, z, ifirst, ilast), Status::BoundaryTooLong);
    // a node inside the hull sees nothing
    const float yi[] = {0, 1, 1, 0, 0.5f}, zi[] = {0, 0, 1, 1, 0.5f};
    EXPECT_EQ(rlmost(4, 5, open.data(), 5, yi, zi, ifirst, ilast), Status::Collinear);
}

TEST(UpdateBoundary, OneTwoAndFourVisibleEdges) {
    std::vector<std::int32_t> scratch;
    struct Case {
        const char* name;
        V ibnd;
        std::int32_t nb, ifirst, ilast;
        V after;
        std::int32_t nb_after;
    } cases[] = {
        {"one edge adds a node", {1, 2, 3, 1, 0, 0}, 3, 2, 3, {1, 2, 9, 3, 1, 0}, 4},
        {"two edges replace in place", {1, 2, 3, 4, 1, 0}, 4, 1, 3, {1, 9, 3, 4, 1, 0}, 4},
        {"four edges remove two", {1, 2, 3, 4, 5, 6, 1, 0, 0}, 6, 2, 6, {1, 2, 9, 6, 1, 0, 0, 0, 0}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        V ibnd = c.ibnd;
        std::int32_t nb = c.nb, lb = c.nb + 1;
        ASSERT_EQ(update_boundary(9, c.ifirst, c.ilast, ibnd.data(), nb, lb, scratch), Status::Ok);
        EXPECT_EQ(ibnd, c.after);
        EXPECT_EQ(nb, c.nb_after);
        EXPECT_EQ(lb, c.nb_after + 1);
    }
}

}  // namespace
}  // namespace seabed
