#include "scene/field_array.h"

#include <gtest/gtest.h>

#include <limits>

namespace glowpond {
namespace {

TEST(FieldArray, growsPastAThousandChunksWithoutMovingElements) {
    // A million-triangle face list: four million entries in 8000 chunks.
    FieldArray<int32_t> indices;
    const int32_t* first = indices.at(indices.append(-1));
    for (int32_t i = 1; i < 4'000'000; ++i) ASSERT_EQ(indices.append(i), i);
    EXPECT_EQ(indices.capacity(), 4'000'000);
    EXPECT_EQ(indices.at(0), first);
    EXPECT_EQ(indices[3'999'999], 3'999'999);
}

TEST(FieldArray, setAtFillsTheGapWithZerosAndARefusedGrowthIsReported) {
    FieldArray<int32_t> list;
    for (int32_t i = 5; i <= 7; ++i) list.append(i);
    list.truncate(1);
    ASSERT_TRUE(list.setAt(1200, 9));
    EXPECT_EQ(list.capacity(), 1500);
    EXPECT_EQ(list[2], 0);  // a slot truncated away
    list.truncate(1);
    EXPECT_FALSE(list.setAt(-1, 1));
    EXPECT_FALSE(list.failed());  // a caller's mistake, not a shortage
    EXPECT_FALSE(list.setAt(std::numeric_limits<int32_t>::max(), 1));
    EXPECT_TRUE(list.failed());
    EXPECT_EQ(list.count(), 1);
    list.clear();
    EXPECT_FALSE(list.failed());
}

}  // namespace
}  // namespace glowpond
