#include <gtest/gtest.h>

#include <vector>

#include "core/int_list.hpp"
#include "core/library_state.hpp"
#include "core/node_list.hpp"

namespace seabed {
namespace {

class ListTest : public ::testing::Test {
protected:
    void SetUp() override { reset_library_state(); }
    void TearDown() override { reset_library_state(); }
};

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

// An extension whose read operations lie: the operations that the list's
// call graph does not route through them must not notice.
class LyingList : public IntList {
public:
    std::int32_t at(std::int32_t) const override { return -100; }
    std::int32_t length() const override { return 0; }
    std::int32_t index_of(const std::int32_t&, std::int32_t = 1) const override { return -1; }
    std::int32_t true_length() const { return length_; }
    std::int32_t true_at(std::int32_t i) const { return data_[i - 1]; }
};

std::vector<std::int32_t> true_values(const LyingList& l) {
    std::vector<std::int32_t> v;
    for (std::int32_t i = 1; i <= l.true_length(); ++i) v.push_back(l.true_at(i));
    return v;
}

TEST_F(ListTest, OperationsReachOnlyTheirNamedCallsThroughTheTable) {
    LyingList l;
    for (std::int32_t v : {5, 7, 5, 9, 7}) l.append_data(v);
    ASSERT_EQ(true_values(l), (std::vector<std::int32_t>{5, 7, 5, 9, 7}));
    EXPECT_TRUE(l.has(9));
    EXPECT_EQ(l.maximum(), 9);
    EXPECT_EQ(l.minimum(), 5);
    EXPECT_TRUE(compare_list(l, make({5, 7, 5})));
    EXPECT_TRUE(compare_list(make({5, 7, 5, 9, 7, 1}), l));

    IntList copy;
    copy.append_list(l);
    EXPECT_EQ(values(copy), (std::vector<std::int32_t>{5, 7, 5, 9, 7}));
    IntList assigned;
    assigned = l;
    EXPECT_EQ(values(assigned), (std::vector<std::int32_t>{5, 7, 5, 9, 7}));

    l.sort(true);
    EXPECT_EQ(true_values(l), (std::vector<std::int32_t>{5, 5, 7, 7, 9}));
    l.remove_duplicates();
    EXPECT_EQ(true_values(l), (std::vector<std::int32_t>{5, 7, 9}));
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
