// MeshBuilder: which points merge, how they are numbered, and objects.
#include "loading/mesh_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

// The numbers a linear search of each bucket gives `corners`, as one face.
std::vector<int32_t> searchedNumbers(const std::vector<Vec3>& corners) {
    std::vector<std::vector<std::pair<Vec3, int32_t>>> buckets(MeshBuilder::kBucketCount);  // point, number
    std::vector<int32_t> numbers;
    int32_t points = 0;
    for (const Vec3& p : corners) {
        auto& bucket = buckets[static_cast<size_t>(MeshBuilder::pointBucket(p))];
        auto found = std::find_if(bucket.begin(), bucket.end(),
                                  [&p](const auto& point) { return distance(point.first, p) < kCoincidence; });
        if (found == bucket.end()) found = bucket.insert(found, {p, points++});
        numbers.push_back(found->second);
    }
    numbers.push_back(-1);
    return numbers;
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
// gives: at every scale, for clusters tighter and looser than 1e-5, and on and
// around the lookup grid's cell boundaries (odd multiples of 1/8192) with the
// lookup released halfway.
TEST(MeshBuilder, mergesExactlyAsALinearSearchOfEachBucket) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> cell(-40, 40), offset(-3, 3);
    auto onBoundary = [&] { return (2 * cell(random) + 1) / 8192.0 + offset(random) * 4e-6; };
    // From 2^50 on, each coordinate is a cell of its own; scale 0 stands for the cell boundaries.
    for (double scale : {0.0, 1e-4, 1.0, 1e3, 1e7, 1e13, 1e16, 1e300}) {
        std::uniform_real_distribution<double> coordinate(-scale, scale), jitter(-1.2e-5, 1.2e-5);
        std::vector<Vec3> centres(100), corners;
        for (Vec3& c : centres) c = {coordinate(random), coordinate(random), coordinate(random)};
        for (int i = 0; i < 4000; ++i) {
            Vec3 p = centres[random() % centres.size()];
            if (i % 3 != 0) p = p + Vec3{jitter(random), jitter(random), jitter(random)};
            if (i % 7 == 0) p = {coordinate(random), -0.0, coordinate(random)};
            corners.push_back(scale == 0 ? Vec3{onBoundary(), onBoundary(), onBoundary()} : p);
        }
        MeshBuilder builder;
        builder.beginPolygon();
        for (size_t i = 0; i < corners.size(); ++i) {
            if (scale == 0 && i == corners.size() / 2) builder.releasePointIndex();
            builder.addVertex(corners[i]);
        }
        builder.endPolygon();
        EXPECT_EQ(toVector(builder.objectFaces(0)), searchedNumbers(corners)) << "scale " << scale;
    }
}

// The grid hash of cells before it was seeded, which a file could pile its points under.
uint32_t formerCellHash(int64_t x, int64_t y, int64_t z) {
    uint64_t h = static_cast<uint64_t>(x >> 6) * 0x9e3779b97f4a7c15ull;
    h ^= static_cast<uint64_t>(y >> 6) * 0xc2b2ae3d27d4eb4full;
    h ^= static_cast<uint64_t>(z >> 6) * 0x165667b19e3779f9ull;
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ull;
    return static_cast<uint32_t>(h >> 32) + static_cast<uint32_t>((x & 63) | (y & 63) << 6 | (z & 63) << 12);
}

// 120k points that all shared one chain, and as many beyond 2^50 (where the
// grid once gave them all one cell): each still stays a point of its own.
TEST(MeshBuilder, keepsCraftedAndFarPointsApartWithoutSearchingThemAll) {
    std::vector<Vec3> corners;
    for (int64_t block = 1; corners.size() < 120'000; ++block) {
        const uint32_t inBlock = (0x5A5A5Au - formerCellHash(block << 6, 0, 0)) & 0xFFFFFFu;
        if (inBlock >= (1u << 18)) continue;
        corners.push_back({static_cast<double>(block << 6 | (inBlock & 63)) / 4096.0, (inBlock >> 6 & 63) / 4096.0,
                           (inBlock >> 12) / 4096.0});
    }
    for (int i = 0; i < 120'000; ++i) corners.push_back({0x1p51 + 2.0 * i, -0x1p60, 3.0});
    MeshBuilder builder;
    builder.beginPolygon();
    for (const Vec3& corner : corners) builder.addVertex(corner);
    for (int i = 0; i < 1000; ++i) builder.addVertex(corners[static_cast<size_t>(i) * 239]);
    builder.endPolygon();
    const FieldArray<int32_t>& faces = builder.objectFaces(0);
    ASSERT_EQ(builder.points().size(), corners.size());
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(faces[static_cast<int32_t>(corners.size()) + i], i * 239);
}

// The table lookup must give what a search of the whole table gives: values
// within 1e-5 of a stored one in every part, -0, NaN, infinite and far values.
TEST(MeshBuilder, findsFaceMaterialsExactlyAsASearchOfTheTable) {
    std::mt19937 random(4242);
    std::uniform_real_distribution<double> unit(0, 1), jitter(-7e-6, 7e-6);
    std::vector<MaterialValues> palette(300);
    for (size_t i = 0; i < palette.size(); ++i) {
        MaterialValues& m = palette[i];
        m.diffuse = {unit(random), unit(random), unit(random)};
        // Some share their diffuse colour and differ elsewhere only.
        if (i % 4 == 1) m.diffuse = palette[i - 1].diffuse;
        if (i % 4 != 0) m.ambient = {unit(random), 0.25, 0.25};
        if (i % 5 == 0) m.shininess = unit(random);
        if (i % 50 == 0) m.diffuse = {1e300 * unit(random), 0x1p52 + static_cast<double>(i), -0.0};
    }
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    MeshBuilder builder;
    Material table;
    std::vector<int32_t> expected;
    int32_t last = -1;
    MaterialValues lastValues;
    for (int face = 0; face < 8000; ++face) {
        MaterialValues m = palette[random() % palette.size()];
        switch (face % 7) {
            case 1: m.diffuse = m.diffuse + Vec3{jitter(random), jitter(random), jitter(random)}; break;
            case 2: m.shininess += jitter(random) * 1.3; break;
            case 3: m.diffuse.z = m.diffuse.z == 0.0 ? -0.0 : m.diffuse.z; break;
            case 4: if (face % 3 == 0) m.emissive.y = face % 2 ? nan : inf; break;
            case 5: m.transparency = jitter(random) * 2.0; break;
        }
        builder.beginPolygon(m);
        builder.endPolygon();
        // The builder takes a face's material as the last one's when they compare equal.
        const bool sameAsLast = last >= 0 && m.ambient == lastValues.ambient && m.diffuse == lastValues.diffuse &&
                                m.specular == lastValues.specular && m.emissive == lastValues.emissive &&
                                m.shininess == lastValues.shininess && m.transparency == lastValues.transparency;
        int32_t number = sameAsLast ? last : table.findMaterial(m);
        if (number < 0) number = table.appendMaterial(m);
        expected.push_back(last = number);
        lastValues = m;
    }
    std::vector<int32_t> numbers;
    for (int face = 0; face < 8000; ++face) numbers.push_back(builder.faceMaterialNumber(0, face));
    EXPECT_EQ(numbers, expected);
    ASSERT_EQ(builder.materials().materialCount(), table.materialCount());
    for (int32_t i = 0; i < table.materialCount(); ++i) {  // bitwise, so that NaN compares too
        const MaterialValues built = builder.materials().material(i), searched = table.material(i);
        EXPECT_EQ(std::memcmp(&built, &searched, sizeof built), 0) << i;
    }
}

TEST(MeshBuilder, keepsAHundredAndSixtyThousandColoursOnceEachAndSearchesOnlyTheFirstOfACrowdedCell) {
    MeshBuilder builder;
    for (int pass = 0; pass < 2; ++pass) {
        for (int face = 0; face < 160'000; ++face) {
            MaterialValues m;
            m.diffuse = {(face % 97) / 96.0, (face / 97 % 89) / 88.0, (face / (97 * 89)) / 20.0};
            builder.beginPolygon(m);
            builder.endPolygon();
        }
    }
    ASSERT_EQ(builder.materials().materialCount(), 160'000);
    for (int face = 0; face < 320'000; face += 997) EXPECT_EQ(builder.faceMaterialNumber(0, face), face % 160'000);

    // A thousand materials of one diffuse colour: a near value is found
    // among the first of them, and becomes a material of its own beyond.
    MeshBuilder crowded;
    for (int i = 0; i < 1002; ++i) {
        MaterialValues m;
        m.ambient.x = i < 1000 ? i * 0.001 : i == 1000 ? 0.010004 : 0.900004;
        crowded.beginPolygon(m);
        crowded.endPolygon();
    }
    EXPECT_EQ(std::tuple(crowded.faceMaterialNumber(0, 1000), crowded.faceMaterialNumber(0, 1001),
                         crowded.materials().materialCount()),
              std::tuple(10, 1000, 1001));
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

}  // namespace
}  // namespace glowpond
