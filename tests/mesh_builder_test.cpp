// MeshBuilder: which points merge, how they are numbered, objects and materials.
#include "loading/mesh_builder.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::toVector;

void addFace(MeshBuilder& builder, const std::vector<Vec3>& corners, const MaterialValues& material = {}) {
    builder.beginPolygon(material);
    for (const Vec3& corner : corners) builder.addVertex(corner);
    builder.endPolygon();
}

TEST(MeshBuilder, mergesNearPointsOfOneBucketAndNumbersThemInOrderOfUse) {
    MeshBuilder builder;
    const Vec3 p1{0, 0, 0}, p2{1, 0, 0}, p3{1, 1, 0}, p4{0, 1, 0}, p5{5, 5, 5};
    addFace(builder, {p1, p2, p3, p4});
    addFace(builder, {p2, p1, p5, {0, 0, 1e-6}, {0, 0, 0.001}});
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{0, 1, 2, 3, -1, 1, 0, 4, 0, 5, -1}));
    EXPECT_EQ(builder.points()[4], p5);

    // 12.3 * x * 9.87 crosses 1000 between these two: buckets 999 % 51 and 1000 % 51.
    const double boundary = 1000.0 / (12.3 * 9.87);
    const Vec3 below{boundary - 1e-6, 0, 0}, above{boundary + 1e-6, 0, 0};
    ASSERT_NE(MeshBuilder::pointBucket(below), MeshBuilder::pointBucket(above));
    // Non-finite points never merge; their hash is that of x86's undefined conversion.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(MeshBuilder::pointBucket({nan, 0, 0}), static_cast<int32_t>(0x80000000u % 51u));
    MeshBuilder apart;
    addFace(apart, {below, above, below, {nan, 0, 0}, {nan, 0, 0}, {1e300, 0, 0}, {1e300, 0, 0}});
    EXPECT_EQ(toVector(apart.objectFaces(0)), (std::vector<int32_t>{0, 1, 0, 2, 3, 4, 4, -1}));
}

// The fast lookup must give exactly what a linear search of each bucket
// gives, at every scale and for clusters tighter and looser than 1e-5.
TEST(MeshBuilder, mergesExactlyAsALinearSearchOfEachBucket) {
    std::mt19937 random(12345);
    for (double scale : {1e-4, 1.0, 1e3, 1e7, 1e13}) {
        std::uniform_real_distribution<double> coordinate(-scale, scale), jitter(-1.2e-5, 1.2e-5);
        std::vector<Vec3> centres(100), points;
        for (Vec3& c : centres) c = {coordinate(random), coordinate(random), coordinate(random)};
        std::vector<std::vector<int32_t>> buckets(MeshBuilder::kBucketCount);
        std::vector<int32_t> expected;
        MeshBuilder builder;
        builder.beginPolygon();
        for (int i = 0; i < 4000; ++i) {
            Vec3 p = centres[random() % centres.size()];
            if (i % 3 != 0) p = p + Vec3{jitter(random), jitter(random), jitter(random)};
            if (i % 7 == 0) p = {coordinate(random), -0.0, coordinate(random)};
            builder.addVertex(p);
            std::vector<int32_t>& bucket = buckets[static_cast<size_t>(MeshBuilder::pointBucket(p))];
            int32_t found = -1;
            for (size_t k = 0; k < bucket.size() && found < 0; ++k) {
                if (distance(points[static_cast<size_t>(bucket[k])], p) < kCoincidence) found = bucket[k];
            }
            if (found < 0) {
                found = static_cast<int32_t>(points.size());
                points.push_back(p);
                bucket.push_back(found);
            }
            expected.push_back(found);
        }
        builder.endPolygon();
        expected.push_back(-1);
        EXPECT_EQ(toVector(builder.objectFaces(0)), expected) << "scale " << scale;
    }
}

TEST(MeshBuilder, namesSelectObjectsAndTheFirstTakesOverTheUnnamedOne) {
    MeshBuilder builder;
    addFace(builder, {{0, 0, 0}});
    builder.selectObject("A");  // drops the face above
    EXPECT_TRUE(builder.objectFaces(0).empty());
    addFace(builder, {{1, 0, 0}});
    builder.selectObject("B");
    addFace(builder, {{2, 0, 0}});
    builder.selectObject("A");
    addFace(builder, {{3, 0, 0}});
    builder.selectObject("a");  // names are case-sensitive
    ASSERT_EQ(builder.objectCount(), 3);
    EXPECT_EQ(*builder.objectName(1), "B");
    EXPECT_EQ(toVector(builder.objectFaces(0)), (std::vector<int32_t>{1, -1, 3, -1}));

    for (int i = 3; i < MeshBuilder::kMaxObjects; ++i) builder.selectObject("o" + std::to_string(i));
    builder.selectObject("one too many");
    addFace(builder, {{4, 0, 0}});
    EXPECT_EQ(builder.objectCount(), MeshBuilder::kMaxObjects);
    EXPECT_EQ(*builder.objectName(MeshBuilder::kMaxObjects - 1), "o255");
    EXPECT_EQ(toVector(builder.objectFaces(MeshBuilder::kMaxObjects - 1)), (std::vector<int32_t>{4, -1}));
}

TEST(MeshBuilder, keepsMaterialsOnceWithinTheCoincidenceDistance) {
    MaterialValues red;
    red.diffuse = {1, 0, 0};
    MaterialValues almostRed = red;
    almostRed.diffuse = almostRed.diffuse + Vec3{-1e-6, 1e-6, 1e-6};
    almostRed.shininess += 1e-6;
    MaterialValues shinier = red;
    shinier.shininess = 0.5;
    MeshBuilder builder;
    for (const MaterialValues& m : {red, MaterialValues{}, almostRed, shinier, red}) addFace(builder, {}, m);
    EXPECT_EQ(builder.materials().materialCount(), 3);
    EXPECT_EQ(builder.faceMaterial(0, 2).diffuse, red.diffuse);
    EXPECT_EQ(builder.faceMaterial(0, 3).shininess, 0.5);
    EXPECT_EQ(builder.faceMaterial(0, 4).shininess, red.shininess);
    // Out of range: the object's first face; an object without faces: the default.
    EXPECT_EQ(builder.faceMaterial(0, 5).diffuse, red.diffuse);
    builder.selectObject("x");
    builder.selectObject("y");
    EXPECT_EQ(builder.faceMaterial(1, 0).diffuse, MaterialValues{}.diffuse);

    builder.reset();
    EXPECT_EQ(builder.objectCount() + builder.materials().materialCount() + builder.points().count(), 1);
    EXPECT_EQ(builder.objectName(0), nullptr);
}

}  // namespace
}  // namespace glowpond
