// MeshBuilder: which points merge, how they are numbered, and objects.
#include "loading/mesh_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::toVector;

// Adds a face of `corners` to `builder`; gives object 0's face list then.
std::vector<int32_t> facesAfter(MeshBuilder& builder, const std::vector<Vec3>& corners) {
    builder.beginPolygon();
    for (const Vec3& corner : corners) builder.addVertex(corner);
    builder.endPolygon();
    return toVector(builder.objectFaces(0));
}

TEST(MeshBuilder, mergesNearPointsOfOneBucketOnlyAndNumbersThemInOrderOfUse) {
    MeshBuilder builder;
    EXPECT_EQ(facesAfter(builder, {{0, 0, 0}, {1, 0, 0}, {5, 5, 5}, {1, 0, 0}, {-0.0, 0, 1e-6}, {0, 0, 0.001}}),
              (std::vector<int32_t>{0, 1, 2, 1, 0, 3, -1}));
    // 12.3 * x * 9.87 crosses 1000 between these two: buckets 999 % 51 and 1000 % 51.
    const double boundary = 1000.0 / (12.3 * 9.87);
    const Vec3 below{boundary - 1e-6, 0, 0}, above{boundary + 1e-6, 0, 0};
    ASSERT_NE(MeshBuilder::pointBucket(below), MeshBuilder::pointBucket(above));
    // Non-finite points never merge; their hash is that of x86's undefined conversion.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(MeshBuilder::pointBucket({nan, 0, 0}), static_cast<int32_t>(0x80000000u % 51u));
    MeshBuilder apart;
    EXPECT_EQ(facesAfter(apart, {below, above, below, {nan, 0, 0}, {nan, 0, 0}, {1e300, 0, 0}, {1e300, 0, 0}}),
              (std::vector<int32_t>{0, 1, 0, 2, 3, 4, 4, -1}));
}

// The fast lookup must give exactly what a linear search of each bucket
// gives, at every scale and for clusters tighter and looser than 1e-5.
TEST(MeshBuilder, mergesExactlyAsALinearSearchOfEachBucket) {
    std::mt19937 random(12345);
    for (double scale : {1e-4, 1.0, 1e3, 1e7, 1e13}) {
        std::uniform_real_distribution<double> coordinate(-scale, scale), jitter(-1.2e-5, 1.2e-5);
        std::vector<Vec3> centres(100), corners;
        for (Vec3& c : centres) c = {coordinate(random), coordinate(random), coordinate(random)};
        std::vector<std::vector<std::pair<Vec3, int32_t>>> buckets(MeshBuilder::kBucketCount);  // point, number
        std::vector<int32_t> expected;
        int32_t points = 0;
        for (int i = 0; i < 4000; ++i) {
            Vec3 p = centres[random() % centres.size()];
            if (i % 3 != 0) p = p + Vec3{jitter(random), jitter(random), jitter(random)};
            if (i % 7 == 0) p = {coordinate(random), -0.0, coordinate(random)};
            corners.push_back(p);
            auto& bucket = buckets[static_cast<size_t>(MeshBuilder::pointBucket(p))];
            auto found = std::find_if(bucket.begin(), bucket.end(),
                                      [&p](const auto& point) { return distance(point.first, p) < kCoincidence; });
            if (found == bucket.end()) found = bucket.insert(found, {p, points++});
            expected.push_back(found->second);
        }
        expected.push_back(-1);
        MeshBuilder builder;
        EXPECT_EQ(facesAfter(builder, corners), expected) << "scale " << scale;
    }
}

// Points on and around the lookup grid's cell boundaries (odd multiples of
// 1/8192), with the lookup released halfway: still the linear search's answer.
TEST(MeshBuilder, mergesAcrossCellBoundariesAndAfterItsLookupIsReleased) {
    std::mt19937 random(777);
    std::uniform_int_distribution<int> cell(-40, 40), offset(-3, 3);
    std::vector<Vec3> corners;
    std::vector<std::pair<Vec3, int32_t>> stored;  // point, number
    std::vector<int32_t> expected;
    for (int i = 0; i < 3000; ++i) {
        auto coordinate = [&] { return (2 * cell(random) + 1) / 8192.0 + offset(random) * 4e-6; };
        const Vec3 p{coordinate(), coordinate(), coordinate()};
        corners.push_back(p);
        auto found = std::find_if(stored.begin(), stored.end(), [&p](const auto& point) {
            return MeshBuilder::pointBucket(point.first) == MeshBuilder::pointBucket(p) &&
                   distance(point.first, p) < kCoincidence;
        });
        expected.push_back(found == stored.end() ? stored.emplace_back(p, int32_t(stored.size())).second : found->second);
    }
    MeshBuilder builder;
    builder.beginPolygon();
    for (size_t i = 0; i < corners.size(); ++i) {
        if (i == corners.size() / 2) builder.releasePointIndex();
        builder.addVertex(corners[i]);
    }
    builder.endPolygon();
    expected.push_back(-1);
    EXPECT_EQ(toVector(builder.objectFaces(0)), expected);
}

TEST(MeshBuilder, namesSelectObjectsUpToTheLimit) {
    MeshBuilder builder;
    facesAfter(builder, {{0, 0, 0}});
    builder.selectObject("A");  // the first name takes over the unnamed object, dropping its face
    facesAfter(builder, {{1, 0, 0}});
    builder.selectObject("B");
    builder.selectObject("A");
    EXPECT_EQ(facesAfter(builder, {{3, 0, 0}}), (std::vector<int32_t>{1, -1, 2, -1}));
    for (int i = 2; i < MeshBuilder::kMaxObjects; ++i) builder.selectObject("o" + std::to_string(i));
    builder.selectObject("one too many");
    facesAfter(builder, {{4, 0, 0}});
    EXPECT_EQ(*builder.objectName(MeshBuilder::kMaxObjects - 1), "o255");
    EXPECT_EQ(toVector(builder.objectFaces(MeshBuilder::kMaxObjects - 1)), (std::vector<int32_t>{3, -1}));
}

TEST(MeshBuilder, findsMaterialsAsALinearSearchOfTheTableWouldAmongManyColours) {
    MeshBuilder builder;
    Material reference;  // the table's own linear search, for comparison
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-3e-5, 3e-5);
    std::vector<MaterialValues> materials;
    for (int i = 0; i < 4000; ++i) {
        MaterialValues material;
        // Clusters around a few colours, most within reach of another, across cell borders.
        material.diffuse = {0.2 * (i % 5) + jitter(random), 0.5 + jitter(random), 4e-5 * (i % 3) + jitter(random)};
        if (i % 7 == 0) material.diffuse.x = std::numeric_limits<double>::quiet_NaN();
        if (i % 11 == 0) material.shininess = 0.9;
        materials.push_back(material);
    }
    std::vector<int32_t> expected;
    for (const MaterialValues& material : materials) {
        builder.beginPolygon(material);
        builder.endPolygon();
        const int32_t found = reference.findMaterial(material);
        expected.push_back(found >= 0 ? found : reference.appendMaterial(material));
    }
    ASSERT_EQ(builder.materials().materialCount(), reference.materialCount());
    for (size_t f = 0; f < materials.size(); ++f) {
        EXPECT_EQ(builder.faceMaterialNumber(0, static_cast<int32_t>(f)), expected[f]) << f;
    }
}

}  // namespace
}  // namespace glowpond
