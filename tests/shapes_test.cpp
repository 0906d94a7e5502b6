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

using testing::addNode;
using testing::applyTree;
using testing::arrayOf;
using testing::expectNear;
using testing::RecordedPolygon;
using testing::RecordingAction;

constexpr Vec3 kRed{1, 0, 0}, kGreen{0, 1, 0}, kBlue{0, 0, 1};
const Vec3 kDefaultDiffuse = MaterialValues{}.diffuse;

// The polygons of `shape` under a Material of `colours`, `binding` and a Scale.
std::vector<RecordedPolygon> polygonsOf(std::unique_ptr<Node> shape, const std::vector<Vec3>& colours = {},
                                        int32_t binding = kBindingDefault, Vec3 scale = {1, 1, 1}) {
    Separator root;
    if (colours.size() > 0) addNode<Material>(root)->setVec3Array("diffuseColor", arrayOf<Vec3>(colours));
    addNode<MaterialBinding>(root)->setInt("value", binding);
    addNode<Scale>(root)->setVec3("scaleFactor", scale);
    root.addChild(std::move(shape));
    RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
    applyTree(root, action);
    for (size_t i = 0; i < action.polygons.size(); ++i) EXPECT_EQ(action.polygons[i].face, int32_t(i));
    return action.polygons;
}

template <typename Shape>
std::unique_ptr<Node> shape(std::initializer_list<std::pair<const char*, double>> sizes = {}, int32_t parts = kPartsAll) {
    std::unique_ptr<Node> node = Shape::create();
    for (const auto& [field, value] : sizes) node->setFloat(field, value);
    node->setInt("parts", parts);
    return node;
}

// The normal of a polygon's winding (right-handed, by its first three corners).
Vec3 windingNormal(const RecordedPolygon& polygon) {
    return normalized(cross(polygon.vertices[1] - polygon.vertices[0], polygon.vertices[2] - polygon.vertices[1]));
}

TEST(Shapes, defaultSphereHasTrianglesAtThePolesAndQuadsBetween) {
    const auto polygons = polygonsOf(shape<Sphere>(), {kRed});
    ASSERT_EQ(polygons.size(), 256u);
    for (size_t i = 0; i < polygons.size(); ++i) {
        EXPECT_EQ(polygons[i].vertices.size(), i < 16 || i >= 240 ? 3u : 4u) << "polygon " << i;
        EXPECT_EQ(polygons[i].material.diffuse, kRed);
        for (size_t k = 0; k < polygons[i].vertices.size(); ++k) {
            expectNear(polygons[i].normals[k], polygons[i].vertices[k], 1e-12);  // unit radius
        }
    }
    expectNear(polygons[0].vertices[0], {0, 1, 0});
    expectNear(polygons[255].vertices[0], {0, -1, 0});
    // Stretched, the normals follow the ellipsoid's gradient and stay unit length.
    const auto stretched = polygonsOf(shape<Sphere>(), {}, kBindingDefault, {3, 1, 1});
    const Vec3 a = stretched[20].vertices[0];
    expectNear(stretched[20].normals[0], normalized({a.x / 9, a.y, a.z}), 1e-12);
}

TEST(Shapes, cubeFacesComeInFixedOrderTurnOutwardsAndTakePartOne) {
    const auto polygons = polygonsOf(shape<Cube>({{"width", 2}, {"height", 4}, {"depth", 6}}), {kRed, kGreen});
    ASSERT_EQ(polygons.size(), 6u);
    EXPECT_EQ(polygons[0].vertices, (std::vector<Vec3>{{1, -2, 3}, {1, 2, 3}, {-1, 2, 3}, {-1, -2, 3}}));
    const Vec3 normals[6] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
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
        {true, kPartsAll, 271},  {true, kPartsSides | kPartsBottom, 271}, {true, kPartsSides, 256},
        {true, kPartsBottom, 15}, {false, kPartsTop, 15},                 {false, kPartsSides | kPartsBottom, 271}};
    for (const auto& [cone, parts, count] : cases) {
        SCOPED_TRACE(parts);
        EXPECT_EQ(polygonsOf(cone ? shape<Cone>({}, parts) : shape<Cylinder>({}, parts)).size(), count);
    }
}

TEST(Shapes, coneSidesMeetAtTheApexAndCylinderCapsWindOppositeWays) {
    const auto sides = polygonsOf(shape<Cone>({}, kPartsSides));
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(sides[i].vertices.size(), 3u);
        EXPECT_EQ(sides[i].vertices[0], (Vec3{0, 1, 0}));
    }
    EXPECT_EQ(sides[16].vertices.size(), 4u);
    // A side normal is perpendicular to the slant from the apex to the rim.
    EXPECT_NEAR(dot(sides[255].normals[1], sides[255].vertices[1] - Vec3{0, 1, 0}), 0, 1e-12);
    for (const auto& triangle : polygonsOf(shape<Cone>({{"bottomRadius", 2}, {"height", 4}}, kPartsBottom))) {
        for (const Vec3& v : triangle.vertices) EXPECT_EQ(v.y, -2);
        expectNear(triangle.vertices.at(2), {2, -2, 0});
    }
    const auto cylinder = polygonsOf(shape<Cylinder>());
    for (int i = 0; i < 256; ++i) ASSERT_EQ(cylinder[i].vertices.size(), 4u);
    EXPECT_GT(windingNormal(cylinder[256]).y, 0.99);
    EXPECT_LT(windingNormal(cylinder[271]).y, -0.99);
}

TEST(Shapes, coneAndCylinderCapsTakeTheirPartsOnlyUnderPerPartBindings) {
    for (int32_t binding : {kBindingPerPart, kBindingPerPartIndexed, kBindingDefault, kBindingPerFace}) {
        SCOPED_TRACE(binding);
        const bool perPart = binding == kBindingPerPart || binding == kBindingPerPartIndexed;
        const auto cone = polygonsOf(shape<Cone>(), {kRed, kGreen, kBlue}, binding);
        EXPECT_EQ(cone[0].material.diffuse, kRed);
        EXPECT_EQ(cone[256].material.diffuse, perPart ? kGreen : kRed);

        const auto cylinder = polygonsOf(shape<Cylinder>({{"radius", 3}, {"height", 4}}), {kRed, kGreen, kBlue}, binding);
        ASSERT_EQ(cylinder.size(), 256u + 15u + 15u);
        EXPECT_EQ(cylinder[0].material.diffuse, kRed);
        EXPECT_EQ(cylinder[256].vertices[0].y, -2);
        EXPECT_EQ(cylinder[256].material.diffuse, perPart ? kBlue : kRed);
        EXPECT_EQ(cylinder[271].vertices[0].y, 2);
        EXPECT_EQ(cylinder[271].material.diffuse, perPart ? kGreen : kRed);
    }
    // A part beyond the Material's count gives the default material.
    EXPECT_EQ(polygonsOf(shape<Cylinder>(), {kRed, kGreen}, kBindingPerPart)[256].material.diffuse, kDefaultDiffuse);
}

TEST(Shapes, actionsAskingForAShapeGetItsSizeInsteadOfPolygons) {
    Group root;
    addNode<Cube>(root)->setFloat("depth", 3);
    addNode<Sphere>(root)->setFloat("radius", 4);
    addNode<Cone>(root)->setInt("parts", kPartsBottom);
    addNode<Cylinder>(root)->setFloat("height", 6);
    addNode<PointLight>(root);
    addNode<SpotLight>(root);
    addNode<PerspectiveCamera>(root);
    RecordingAction action;
    applyTree(root, action);
    // The lights and the camera only ask.
    EXPECT_EQ(action.log, (std::vector<std::string>{"?wantsGroups", "beginGroup ", "?wantsCubes", "cube 2 2 3",
                                                    "?wantsSpheres", "sphere 4", "?wantsCones", "cone 2 1 2",
                                                    "?wantsCylinders", "cylinder 7 1 6", "?wantsPointLights",
                                                    "?wantsSpotLights", "?wantsCameras", "?wantsGroups", "endGroup"}));
}

}  // namespace
}  // namespace glowpond
