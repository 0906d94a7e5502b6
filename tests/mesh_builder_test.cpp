// MeshBuilder: which points merge, how they are numbered, objects and materials.
#include "loading/mesh_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace glowpond {
namespace {

std::vector<int32_t> toVector(const FieldArray<int32_t>& list) {
    std::vector<int32_t> values;
    for (int32_t i = 0; i < list.count(); ++i) values.push_back(list[i]);
    return values;
}

void addFace(MeshBuilder& builder, const std::vector<Vec3>& corners, const MaterialValues& material = {}) {
    builder.beginPolygon(material);
    for (const Vec3& corner : corners) builder.addVertex(corner);
    builder.endPolygon();
}

// The plain form of the merge rule: a linear search of the point's bucket.
struct ReferenceBuilder {
    std::vector<Vec3> points;
    std::vector<std::vector<int32_t>> buckets = std::vector<std::vector<int32_t>>(MeshBuilder::kBucketCount);

    int32_t add(const Vec3& p) {
        std::vector<int32_t>& bucket = buckets[static_cast<size_t>(MeshBuilder::pointBucket(p))];
        for (int32_t index : bucket) {
            if (distance(points[static_cast<size_t>(index)], p) < kCoincidence) return index;
        }
        points.push_back(p);
        bucket.push_back(static_cast<int32_t>(points.size() - 1));
        return bucket.back();
    }
};

TEST(MeshBuilder, mergesPointsCloserThanTheCoincidenceDistance) {
    MeshBuilder builder;
    addFace(builder, {{0, 0, 0}, {0, 0, 1e-6}, {0, 0, 0.001}});
    EXPECT_EQ(builder.points().count(), 2);
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{0, 0, 1, -1}));
}

TEST(MeshBuilder, numbersPointsInOrderOfFirstUse) {
    MeshBuilder builder;
    const Vec3 p1{0, 0, 0}, p2{1, 0, 0}, p3{1, 1, 0}, p4{0, 1, 0}, p5{5, 5, 5};
    addFace(builder, {p1, p2, p3, p4});
    addFace(builder, {p2, p1, p5});
    ASSERT_EQ(builder.points().count(), 5);
    EXPECT_EQ(builder.points()[4], p5);
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{0, 1, 2, 3, -1, 1, 0, 4, -1}));
}

TEST(MeshBuilder, keepsNearPointsApartWhenTheirBucketsDiffer) {
    // 12.3 * x * 9.87 crosses 1000 between the two points: buckets 999 % 51 and 1000 % 51.
    const double boundary = 1000.0 / (12.3 * 9.87);
    const Vec3 below{boundary - 1e-6, 0, 0}, above{boundary + 1e-6, 0, 0};
    ASSERT_NE(MeshBuilder::pointBucket(below), MeshBuilder::pointBucket(above));
    MeshBuilder builder;
    addFace(builder, {below, above, below});
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{0, 1, 0, -1}));
}

TEST(MeshBuilder, hashGivesUnusableCoordinatesABucketAndNeverMergesThem) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(MeshBuilder::pointBucket({nan, 0, 0}), static_cast<int32_t>(0x80000000u % 51u));
    EXPECT_EQ(MeshBuilder::pointBucket({0, inf, 0}), static_cast<int32_t>(0x80000000u % 51u));
    MeshBuilder builder;
    addFace(builder, {{nan, 0, 0}, {nan, 0, 0}, {0, inf, 0}, {0, inf, 0}, {1e300, 0, 0}, {1e300, 0, 0}});
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{0, 1, 2, 3, 4, 4, -1}));
}

// The fast lookup must give exactly what a linear search of each bucket gives,
// at every scale and for clusters denser and sparser than the merge distance.
TEST(MeshBuilder, mergesExactlyAsALinearSearchOfEachBucket) {
    std::mt19937 random(12345);
    for (double scale : {1e-4, 1.0, 1e3, 1e7, 1e13}) {
        std::uniform_real_distribution<double> coordinate(-scale, scale);
        std::uniform_real_distribution<double> jitter(-1.2e-5, 1.2e-5);
        std::uniform_int_distribution<int> pick(0, 99);
        MeshBuilder builder;
        ReferenceBuilder reference;
        std::vector<Vec3> centres;
        for (int i = 0; i < 100; ++i) centres.push_back({coordinate(random), coordinate(random), coordinate(random)});
        std::vector<int32_t> expected;
        builder.beginPolygon();
        for (int i = 0; i < 4000; ++i) {
            Vec3 p = centres[static_cast<size_t>(pick(random))];
            if (i % 3 != 0) p = p + Vec3{jitter(random), jitter(random), jitter(random)};
            if (i % 7 == 0) p = {coordinate(random), -0.0, coordinate(random)};
            builder.addVertex(p);
            expected.push_back(reference.add(p));
        }
        builder.endPolygon();
        expected.push_back(-1);
        EXPECT_EQ(toVector(builder.objectFaces(0)), expected) << "scale " << scale;
        EXPECT_EQ(builder.points().count(), static_cast<int32_t>(reference.points.size()));
    }
}

TEST(MeshBuilder, selectingAKnownNameReturnsToItsObject) {
    MeshBuilder builder;
    builder.selectObject("A");
    addFace(builder, {{0, 0, 0}});
    builder.selectObject("B");
    addFace(builder, {{1, 0, 0}});
    builder.selectObject("A");
    addFace(builder, {{2, 0, 0}});
    ASSERT_EQ(builder.objectCount(), 2);
    EXPECT_EQ(*builder.objectName(0), "A");
    EXPECT_EQ(*builder.objectName(1), "B");
    EXPECT_EQ(builder.currentObject(), 0);
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{0, -1, 2, -1}));
    EXPECT_EQ(builder.objectName(2), nullptr);
}

TEST(MeshBuilder, firstNameTakesOverTheUnnamedObjectAndDropsItsFaces) {
    MeshBuilder builder;
    addFace(builder, {{0, 0, 0}, {1, 0, 0}});
    EXPECT_EQ(builder.objectName(0), nullptr);
    builder.selectObject("a");
    EXPECT_EQ(builder.objectCount(), 1);
    EXPECT_TRUE(builder.objectFaces(0).empty());
    addFace(builder, {{1, 0, 0}});
    // The shared points stay: the dropped faces' points keep their numbers.
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{1, -1}));
    builder.selectObject("A");  // names are case-sensitive
    EXPECT_EQ(builder.objectCount(), 2);
}

TEST(MeshBuilder, namesBeyondTheLastObjectShareIt) {
    MeshBuilder builder;
    for (int i = 0; i < MeshBuilder::kMaxObjects; ++i) builder.selectObject("o" + std::to_string(i));
    addFace(builder, {{0, 0, 0}});
    builder.selectObject("extra");
    addFace(builder, {{1, 0, 0}});
    builder.selectObject("another");
    addFace(builder, {{2, 0, 0}});
    EXPECT_EQ(builder.objectCount(), MeshBuilder::kMaxObjects);
    EXPECT_EQ(builder.currentObject(), MeshBuilder::kMaxObjects - 1);
    EXPECT_EQ(*builder.objectName(MeshBuilder::kMaxObjects - 1), "o255");
    EXPECT_EQ(toVector(builder.objectFaces(MeshBuilder::kMaxObjects - 1)),
              (std::vector<int32_t>{0, -1, 1, -1, 2, -1}));
}

TEST(MeshBuilder, keepsMaterialsOnceWithinTheCoincidenceDistance) {
    MaterialValues red;
    red.diffuse = {1, 0, 0};
    MaterialValues almostRed = red;
    almostRed.ambient = almostRed.ambient + Vec3{1e-6, 1e-6, 1e-6};
    almostRed.diffuse = almostRed.diffuse + Vec3{-1e-6, 1e-6, 1e-6};
    almostRed.shininess += 1e-6;
    MaterialValues shinier = red;
    shinier.shininess = 0.5;

    MeshBuilder builder;
    addFace(builder, {{0, 0, 0}}, red);
    builder.beginPolygon();  // the default material
    builder.endPolygon();
    addFace(builder, {{0, 0, 0}}, almostRed);
    addFace(builder, {{0, 0, 0}}, shinier);
    addFace(builder, {{0, 0, 0}}, red);
    EXPECT_EQ(builder.materials().materialCount(), 3);
    EXPECT_EQ(builder.faceMaterial(0, 2).diffuse, red.diffuse);
    EXPECT_EQ(builder.faceMaterial(0, 1).diffuse, MaterialValues{}.diffuse);
    EXPECT_EQ(builder.faceMaterial(0, 3).shininess, 0.5);
    EXPECT_EQ(builder.faceMaterial(0, 4).shininess, red.shininess);
}

TEST(MeshBuilder, faceMaterialOutOfRangeFallsBackToTheFirstFace) {
    MaterialValues green;
    green.diffuse = {0, 1, 0};
    MeshBuilder builder;
    addFace(builder, {{0, 0, 0}}, green);
    addFace(builder, {{0, 0, 0}});
    EXPECT_EQ(builder.faceMaterial(0, 2).diffuse, green.diffuse);
    EXPECT_EQ(builder.faceMaterial(0, -1).diffuse, green.diffuse);
    builder.selectObject("empty");
    builder.selectObject("other");
    EXPECT_EQ(builder.faceMaterial(1, 0).diffuse, MaterialValues{}.diffuse);
    EXPECT_EQ(builder.faceMaterial(7, 0).diffuse, MaterialValues{}.diffuse);
}

TEST(MeshBuilder, resetReturnsToTheEmptyState) {
    MeshBuilder builder;
    builder.selectObject("a");
    builder.selectObject("b");
    addFace(builder, {{0, 0, 0}, {1, 1, 1}}, MaterialValues{{1, 1, 1}});
    builder.reset();
    EXPECT_EQ(builder.objectCount(), 1);
    EXPECT_EQ(builder.currentObject(), 0);
    EXPECT_EQ(builder.objectName(0), nullptr);
    EXPECT_EQ(builder.points().count(), 0);
    EXPECT_EQ(builder.materials().materialCount(), 0);
    // Nothing of the old points is found again.
    addFace(builder, {{1, 1, 1}, {0, 0, 0}});
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{0, 1, -1}));
    EXPECT_EQ(builder.faceMaterial(0, 0).ambient, MaterialValues{}.ambient);
}

}  // namespace
}  // namespace glowpond
