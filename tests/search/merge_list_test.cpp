// The merge list of the search dialog.
#include "kivo/search/merge_list.h"

#include <gtest/gtest.h>

namespace kivo::search {
namespace {

SearchRow Row(std::int32_t number, bool locked = false) {
    SearchRow row;
    row.record_number = number;
    row.locked = locked;
    return row;
}

std::vector<std::int32_t> Order(const MergeList& list) {
    std::vector<std::int32_t> numbers;
    for (const auto& entry : list.entries())
        numbers.push_back(entry.record_number);
    return numbers;
}

TEST(MergeListTest, LockedAndRepeatedRecordsAreRefused) {
    MergeList list;
    EXPECT_EQ(list.Add(Row(1)), MergeList::Added::kAdded);
    EXPECT_EQ(list.Add(Row(2, /*locked=*/true)), MergeList::Added::kLocked);
    EXPECT_EQ(list.Add(Row(1)), MergeList::Added::kAlreadyListed);
    EXPECT_EQ(Order(list), (std::vector<std::int32_t>{1}));
}

TEST(MergeListTest, EntriesMoveUpAndDownAndAreRemovedWithinTheirBounds) {
    MergeList list;
    for (std::int32_t n : {1, 2, 3})
        list.Add(Row(n));
    EXPECT_TRUE(list.MoveUp(2));
    EXPECT_EQ(Order(list), (std::vector<std::int32_t>{1, 3, 2}));
    EXPECT_FALSE(list.MoveUp(0));
    EXPECT_TRUE(list.MoveDown(0));
    EXPECT_EQ(Order(list), (std::vector<std::int32_t>{3, 1, 2}));
    EXPECT_FALSE(list.MoveDown(2));
    EXPECT_FALSE(list.Remove(3));
    EXPECT_TRUE(list.Remove(1));
    EXPECT_EQ(Order(list), (std::vector<std::int32_t>{3, 2}));
}

}  // namespace
}  // namespace kivo::search
