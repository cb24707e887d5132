#include <gtest/gtest.h>

#include <vector>

#include "core/int_list.hpp"
#include "support/files.hpp"

namespace seabed {
namespace {

std::vector<std::int32_t> values(const IntList& l) {
    std::vector<std::int32_t> v;
    for (std::int32_t i = 1; i <= l.length(); ++i) v.push_back(l.at(i));
    return v;
}

IntList make(std::initializer_list<std::int32_t> v) {
    IntList l;
    for (auto x : v) l.append_data(x);
    return l;
}

using ListTest = testing::FreshProcessTest;

TEST_F(ListTest, SortRemoveDuplicatesAndPrefixComparison) {
    IntList l = make({5, 7, 5, 9, 7});
    EXPECT_TRUE(l.has(9) && !l.has(6) && l.maximum() == 9 && l.minimum() == 5);
    EXPECT_TRUE(compare_list(l, make({5, 7, 5})));
    EXPECT_FALSE(compare_list(l, make({5, 7, 6})));
    l.sort(true);
    EXPECT_EQ(values(l), (std::vector<std::int32_t>{5, 5, 7, 7, 9}));
    l.remove_duplicates();
    EXPECT_EQ(values(l), (std::vector<std::int32_t>{5, 7, 9}));
}

// A value that lives in the list's own storage survives the growth that
// replaces that storage.
TEST_F(ListTest, AppendingOrInsertingAnOwnElementSurvivesGrowth) {
    IntList l = make({1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_EQ(l.capacity(), 8);
    l.append_data(l.ref(3));
    EXPECT_EQ(values(l), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 3}));
    IntList m = make({1, 2, 3, 4, 5, 6, 7, 8});
    m.insert(m.ref(8), 1, 2);
    EXPECT_EQ(values(m), (std::vector<std::int32_t>{8, 8, 1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace seabed
