#include "scene/shapes.h"

#include <gtest/gtest.h>

#include <cmath>

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

// The polygons of `shape` under a Material of `colours` and `binding`.
std::vector<RecordedPolygon> polygonsOf(std::unique_ptr<Node> shape, std::initializer_list<Vec3> colours = {},
                                        int32_t binding = kBindingDefault) {
    Separator root;
    if (colours.size() > 0) addNode<Material>(root)->setVec3Array("diffuseColor", arrayOf<Vec3>(colours));
    addNode<MaterialBinding>(root)->setInt("value", binding);
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
        const size_t band = i / 16;
        EXPECT_EQ(polygons[i].vertices.size(), band == 0 || band == 15 ? 3u : 4u) << "polygon " << i;
        EXPECT_EQ(polygons[i].material.diffuse, kRed);
        for (size_t k = 0; k < polygons[i].vertices.size(); ++k) {
            EXPECT_NEAR(length(polygons[i].vertices[k]), 1, 1e-12);
            expectNear(polygons[i].normals[k], polygons[i].vertices[k], 1e-12);
        }
    }
    expectNear(polygons[0].vertices[0], {0, 1, 0});
    expectNear(polygons[255].vertices[0], {0, -1, 0});
}

TEST(Shapes, shapeNormalsStayUnitLengthUnderScaling) {
    Separator root;
    addNode<Scale>(root)->setVec3("scaleFactor", {3, 1, 1});
    addNode<Translation>(root)->setVec3("translation", {0, 0, 5});
    addNode<Sphere>(root)->setFloat("radius", 2);
    RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
    applyTree(root, action);
    const RecordedPolygon& quad = action.polygons[20];
    const Vec3 a = quad.vertices[0];
    EXPECT_NEAR((a.x / 6) * (a.x / 6) + (a.y / 2) * (a.y / 2) + ((a.z - 5) / 2) * ((a.z - 5) / 2), 1, 1e-12);
    EXPECT_NEAR(length(quad.normals[0]), 1, 1e-12);
    // Perpendicular to the stretched surface: along the gradient of the ellipsoid.
    const Vec3 gradient = normalized({a.x / 36, a.y / 4, (a.z - 5) / 4});
    expectNear(quad.normals[0], gradient, 1e-12);
}

TEST(Shapes, cubeFacesComeInFixedOrderAndTakePartOne) {
    const auto polygons = polygonsOf(shape<Cube>({{"width", 2}, {"height", 4}, {"depth", 6}}), {kRed, kGreen});
    ASSERT_EQ(polygons.size(), 6u);
    EXPECT_EQ(polygons[0].vertices, (std::vector<Vec3>{{1, -2, 3}, {1, 2, 3}, {-1, 2, 3}, {-1, -2, 3}}));
    const Vec3 normals[6] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    const Vec3 halfSize{1, 2, 3};
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        EXPECT_EQ(polygons[face].material.diffuse, kGreen);
        for (int corner = 0; corner < 4; ++corner) {
            EXPECT_EQ(polygons[face].normals[corner], normals[face]);
            EXPECT_EQ(dot(polygons[face].vertices[corner], normals[face]), std::fabs(dot(halfSize, normals[face])));
        }
        expectNear(windingNormal(polygons[face]), normals[face]);
    }
    // With one colour there is no part 1: the default material.
    EXPECT_EQ(polygonsOf(shape<Cube>(), {kRed})[0].material.diffuse, kDefaultDiffuse);
}

TEST(Shapes, conePartsSelectSidesAndBase) {
    const auto all = polygonsOf(shape<Cone>({}, kPartsAll));
    ASSERT_EQ(all.size(), 256u + 15u);
    EXPECT_EQ(polygonsOf(shape<Cone>({}, kPartsSides | kPartsBottom)).size(), 271u);
    const auto sides = polygonsOf(shape<Cone>({}, kPartsSides));
    ASSERT_EQ(sides.size(), 256u);
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(sides[i].vertices.size(), 3u);
        EXPECT_EQ(sides[i].vertices[0], (Vec3{0, 1, 0}));
    }
    EXPECT_EQ(sides[16].vertices.size(), 4u);
    // A side normal is perpendicular to the slant from the apex to the rim.
    const Vec3 rim = sides[255].vertices[1];
    EXPECT_NEAR(dot(sides[255].normals[1], rim - Vec3{0, 1, 0}), 0, 1e-12);
    EXPECT_GT(sides[255].normals[1].y, 0);

    const auto base = polygonsOf(shape<Cone>({{"bottomRadius", 2}, {"height", 4}}, kPartsBottom));
    ASSERT_EQ(base.size(), 15u);
    for (const auto& triangle : base) {
        ASSERT_EQ(triangle.vertices.size(), 3u);
        for (const Vec3& v : triangle.vertices) EXPECT_EQ(v.y, -2);
        expectNear(triangle.vertices[2], {2, -2, 0});
    }
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

TEST(Shapes, cylinderCapsWindOppositeWaysAndSidesAreQuads) {
    const auto polygons = polygonsOf(shape<Cylinder>());
    for (int i = 0; i < 256; ++i) ASSERT_EQ(polygons[i].vertices.size(), 4u);
    EXPECT_GT(windingNormal(polygons[256]).y, 0.99);
    EXPECT_LT(windingNormal(polygons[271]).y, -0.99);
    expectNear(polygons[0].normals[0], normalized({polygons[0].vertices[0].x, 0, polygons[0].vertices[0].z}));
    EXPECT_EQ(polygonsOf(shape<Cylinder>({}, kPartsTop)).size(), 15u);
    EXPECT_EQ(polygonsOf(shape<Cylinder>({}, kPartsSides | kPartsBottom)).size(), 271u);
}

TEST(Shapes, actionsAskingForAShapeGetItsSizeInsteadOfPolygons) {
    Separator root;
    addNode<Cube>(root)->setFloat("depth", 3);
    addNode<Sphere>(root)->setFloat("radius", 4);
    auto* cone = addNode<Cone>(root);
    cone->setInt("parts", kPartsBottom);
    cone->setFloat("bottomRadius", 5);
    addNode<Cylinder>(root)->setFloat("height", 6);
    RecordingAction action;
    applyTree(root, action);
    EXPECT_EQ(action.calls(), (std::vector<std::string>{"beginSeparator ", "cube 2 2 3", "sphere 4", "cone 2 5 2",
                                                        "cylinder 7 1 6", "endSeparator"}));
}

TEST(Shapes, lightsAndCameraOnlyAskTheirQuery) {
    Group root;
    addNode<PointLight>(root);
    addNode<SpotLight>(root);
    addNode<PerspectiveCamera>(root);
    RecordingAction action;
    action.overrides["wantsGroups"] = false;
    applyTree(root, action);
    EXPECT_EQ(action.log, (std::vector<std::string>{"?wantsGroups", "?wantsPointLights", "?wantsSpotLights",
                                                    "?wantsCameras", "?wantsGroups"}));
}

}  // namespace
}  // namespace glowpond
