#include "scene/shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/transforms.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

// A Shape with these float fields and parts.
template <typename Shape>
std::unique_ptr<Node> shape(std::initializer_list<std::pair<const char*, double>> sizes = {}, int32_t parts = kPartsAll) {
    std::unique_ptr<Node> node = Shape::create();
    for (const auto& [field, value] : sizes) node->setFloat(field, value);
    node->setInt("parts", parts);
    return node;
}

// The polygons of `shape` under a Material of `colours`, `binding` and a Scale.
std::vector<RecordedPolygon> polygonsOf(std::unique_ptr<Node> shape, const std::vector<Vec3>& colours = {},
                                        int32_t binding = kBindingDefault, Vec3 scale = {1, 1, 1}) {
    Separator root;
    if (!colours.empty()) addNode<Material>(root)->setVec3Array("diffuseColor", arrayOf<Vec3>(colours));
    addNode<MaterialBinding>(root)->setInt("value", binding);
    addNode<Scale>(root)->setVec3("scaleFactor", scale);
    root.addChild(std::move(shape));
    std::vector<RecordedPolygon> polygons = testing::polygonsOf(root);
    for (size_t i = 0; i < polygons.size(); ++i) EXPECT_EQ(polygons[i].face, int32_t(i));
    return polygons;
}

// The normal of a polygon's winding (right-handed, by its first three corners).
Vec3 windingNormal(const RecordedPolygon& polygon) {
    return normalized(cross(polygon.vertices[1] - polygon.vertices[0], polygon.vertices[2] - polygon.vertices[1]));
}

TEST(Shapes, sphereHasTrianglesAtThePolesQuadsBetweenAndNormalsAlongTheRadius) {
    const auto polygons = polygonsOf(shape<Sphere>(), {kRed});
    ASSERT_EQ(polygons.size(), 256u);
    for (size_t i = 0; i < polygons.size(); ++i) {
        EXPECT_EQ(polygons[i].vertices.size(), i < 16 || i >= 240 ? 3u : 4u) << "polygon " << i;
        EXPECT_EQ(polygons[i].material.diffuse, kRed);
        for (size_t k = 0; k < polygons[i].vertices.size(); ++k) expectNear(polygons[i].normals[k], polygons[i].vertices[k]);
        // Seen from outside the sphere winds clockwise, unlike the cube.
        EXPECT_LT(dot(windingNormal(polygons[i]), polygons[i].vertices[1]), 0) << "polygon " << i;
    }
    // Stretched, the normals follow the ellipsoid's gradient and stay unit length.
    const auto stretched = polygonsOf(shape<Sphere>(), {}, kBindingDefault, {3, 1, 1});
    const Vec3 a = stretched[20].vertices[0];
    expectNear(stretched[20].normals[0], normalized({a.x / 9, a.y, a.z}));
}

TEST(Shapes, cubeFacesComeInFixedOrderTurnOutwardsAndTakePartOne) {
    const auto polygons = polygonsOf(shape<Cube>({{"width", 2}, {"height", 4}, {"depth", 6}}), {kRed, kGreen});
    ASSERT_EQ(polygons.size(), 6u);
    EXPECT_EQ(polygons[0].vertices, (std::vector<Vec3>{{1, -2, 3}, {1, 2, 3}, {-1, 2, 3}, {-1, -2, 3}}));
    const Vec3 normals[6] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(polygons[face].material.diffuse, kGreen);
        for (int corner = 0; corner < 4; ++corner) {
            EXPECT_EQ(polygons[face].normals[corner], normals[face]);
            EXPECT_EQ(dot(polygons[face].vertices[corner], normals[face]), std::fabs(dot({1, 2, 3}, normals[face])));
        }
        expectNear(windingNormal(polygons[face]), normals[face]);
    }
    // With one colour there is no part 1: the default material.
    EXPECT_EQ(polygonsOf(shape<Cube>(), {kRed})[0].material.diffuse, kDefaultDiffuse);
}

TEST(Shapes, partsMasksSelectTheSidesAndCapsOfConesAndCylinders) {
    const std::tuple<bool, int32_t, size_t> cases[] = {
        {true, kPartsAll, 271},  {true, kPartsSides, 256}, {true, kPartsBottom, 15},
        {false, kPartsAll, 286}, {false, kPartsTop, 15},   {false, kPartsSides | kPartsBottom, 271}};
    for (const auto& [cone, parts, count] : cases) {
        EXPECT_EQ(polygonsOf(cone ? shape<Cone>({}, parts) : shape<Cylinder>({}, parts)).size(), count) << parts;
    }
    const auto sides = polygonsOf(shape<Cone>({}, kPartsSides));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(sides[i].vertices.at(0), (Vec3{0, 1, 0}));  // the apex
    // A side normal is perpendicular to the slant from the apex to the rim.
    EXPECT_NEAR(dot(sides[255].normals[1], sides[255].vertices[1] - Vec3{0, 1, 0}), 0, 1e-12);
}

TEST(Shapes, coneAndCylinderCapsWindOppositeWaysAndTakeTheirPartsOnlyUnderPerPartBindings) {
    for (int32_t binding : {kBindingPerPart, kBindingPerPartIndexed, kBindingDefault, kBindingPerFace}) {
        const bool perPart = binding == kBindingPerPart || binding == kBindingPerPartIndexed;
        const auto cone = polygonsOf(shape<Cone>({{"bottomRadius", 2}, {"height", 4}}), {kRed, kGreen, kBlue}, binding);
        EXPECT_EQ(cone[0].material.diffuse, kRed);
        EXPECT_EQ(cone[256].material.diffuse, perPart ? kGreen : kRed);
        for (const Vec3& v : cone[256].vertices) EXPECT_EQ(v.y, -2);
        EXPECT_EQ(cone[256].vertices.at(2), (Vec3{2, -2, 0}));

        const auto cylinder = polygonsOf(shape<Cylinder>({{"radius", 3}, {"height", 4}}), {kRed, kGreen, kBlue}, binding);
        EXPECT_EQ(cylinder[0].material.diffuse, kRed);
        EXPECT_EQ(cylinder[256].vertices[0].y, -2);
        EXPECT_GT(windingNormal(cylinder[256]).y, 0.99);
        EXPECT_EQ(cylinder[256].material.diffuse, perPart ? kBlue : kRed);
        EXPECT_EQ(cylinder[271].vertices[0].y, 2);
        EXPECT_LT(windingNormal(cylinder[271]).y, -0.99);
        EXPECT_EQ(cylinder[271].material.diffuse, perPart ? kGreen : kRed);
    }
    // A part beyond the Material's count gives the default material.
    EXPECT_EQ(polygonsOf(shape<Cylinder>(), {kRed, kGreen}, kBindingPerPart)[256].material.diffuse, kDefaultDiffuse);
}

}  // namespace
}  // namespace glowpond
