#include "scene/field_array.h"

#include <gtest/gtest.h>

#include <limits>

namespace glowpond {
namespace {

TEST(FieldArray, element500OpensTheSecondChunkAndEarlierElementsNeverMove) {
    FieldArray<Vec3> points;
    ASSERT_EQ(points.append({1, 2, 3}), 0);
    const Vec3* first = points.at(0);
    for (int i = 1; i <= 500; ++i) points.append({double(i), 0, 0});
    EXPECT_EQ(points.capacity(), 1000);
    EXPECT_EQ(points.at(0), first);
    EXPECT_EQ(points[0], (Vec3{1, 2, 3}));
    EXPECT_EQ(points[500].x, 500);
    EXPECT_EQ(points.at(501), nullptr);
    EXPECT_EQ(points.at(-1), nullptr);
}

TEST(FieldArray, growsPastAThousandChunksForLargeIndexLists) {
    // A million-triangle face list: four million entries in 8000 chunks.
    FieldArray<int32_t> indices;
    for (int32_t i = 0; i < 4'000'000; ++i) ASSERT_EQ(indices.append(i % 4 == 3 ? -1 : i), i);
    EXPECT_FALSE(indices.failed());
    EXPECT_EQ(indices.capacity(), 4'000'000);
    EXPECT_EQ(indices[500'000], 500'000);
    EXPECT_EQ(indices[3'999'998], 3'999'998);
    EXPECT_EQ(indices[3'999'999], -1);
}

TEST(FieldArray, copyKeepsTheChunkSizeAndClearRestoresTheStandardOne) {
    FieldArray<double> source(7);
    for (int i = 0; i < 10; ++i) source.append(i * 0.5);
    FieldArray<double> copy = source;
    EXPECT_EQ(copy.chunkSize(), 7);
    EXPECT_EQ(copy.capacity(), 14);
    EXPECT_EQ(copy[9], 4.5);
    copy.clear();
    EXPECT_EQ(copy.chunkSize(), 500);
    EXPECT_EQ(copy.capacity(), 0);
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
