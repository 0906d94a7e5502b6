#include "scene/shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/vrml_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

// The polygons of the VRML `nodes`, which hold one shape: its faces are numbered from 0.
std::vector<RecordedPolygon> shapePolygons(const std::string& nodes) {
    std::vector<RecordedPolygon> polygons = polygonsOf(*sceneOf(nodes));
    for (size_t i = 0; i < polygons.size(); ++i) EXPECT_EQ(polygons[i].face, int32_t(i));
    return polygons;
}

// The normal of a polygon's winding (right-handed, by its first three corners).
Vec3 windingNormal(const RecordedPolygon& polygon) {
    return normalized(cross(polygon.vertices[1] - polygon.vertices[0], polygon.vertices[2] - polygon.vertices[1]));
}

TEST(Shapes, sphereHasTrianglesAtThePolesQuadsBetweenAndNormalsAlongTheRadius) {
    const auto polygons = shapePolygons("Material { diffuseColor 1 0 0 } Sphere { }");
    ASSERT_EQ(polygons.size(), 256u);
    for (size_t i = 0; i < polygons.size(); ++i) {
        const RecordedPolygon& polygon = polygons[i];
        EXPECT_EQ(polygon.vertices.size(), i < 16 || i >= 240 ? 3u : 4u) << "polygon " << i;
        EXPECT_EQ(polygon.material.diffuse, kRed);
        for (size_t k = 0; k < polygon.vertices.size(); ++k) expectNear(polygon.normals[k], polygon.vertices[k]);
        // Seen from outside the sphere winds clockwise, unlike the cube.
        EXPECT_LT(dot(windingNormal(polygon), polygon.vertices[1]), 0) << "polygon " << i;
    }
    // Stretched, the normals follow the ellipsoid's gradient and stay unit length.
    const auto stretched = shapePolygons("Scale { scaleFactor 3 1 1 } Sphere { }");
    const Vec3 a = stretched[20].vertices[0];
    expectNear(stretched[20].normals[0], normalized({a.x / 9, a.y, a.z}));
}

TEST(Shapes, cubeFacesComeInFixedOrderTurnOutwardsAndTakePartOne) {
    const auto polygons = shapePolygons("Material { diffuseColor [ 1 0 0, 0 1 0 ] } Cube { width 2 height 4 depth 6 }");
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
    EXPECT_EQ(shapePolygons("Material { diffuseColor 1 0 0 } Cube { }")[0].material.diffuse, MaterialValues{}.diffuse);
}

TEST(Shapes, partsMasksSelectTheSidesAndCapsOfConesAndCylinders) {
    const std::pair<const char*, size_t> cases[] = {
        {"Cone { }", 271},     {"Cone { parts SIDES }", 256}, {"Cone { parts BOTTOM }", 15},
        {"Cylinder { }", 286}, {"Cylinder { parts TOP }", 15}, {"Cylinder { parts ( SIDES | BOTTOM ) }", 271}};
    for (const auto& [shape, count] : cases) EXPECT_EQ(shapePolygons(shape).size(), count) << shape;
    const auto sides = shapePolygons("Cone { parts SIDES }");
    for (int i = 0; i < 16; ++i) EXPECT_EQ(sides[i].vertices.at(0), (Vec3{0, 1, 0}));  // the apex
    // A side normal is perpendicular to the slant from the apex to the rim.
    EXPECT_NEAR(dot(sides[255].normals[1], sides[255].vertices[1] - Vec3{0, 1, 0}), 0, 1e-12);
}

TEST(Shapes, coneAndCylinderCapsWindOppositeWaysAndTakeTheirPartsOnlyUnderPerPartBindings) {
    for (const std::string binding : {"PER_PART", "PER_PART_INDEXED", "DEFAULT", "PER_FACE"}) {
        const bool perPart = binding.substr(0, 8) == "PER_PART";
        const std::string materials =
            "Material { diffuseColor [ 1 0 0, 0 1 0, 0 0 1 ] } MaterialBinding { value " + binding + " } ";
        const auto cone = shapePolygons(materials + "Cone { bottomRadius 2 height 4 }");
        const auto cylinder = shapePolygons(materials + "Cylinder { radius 3 height 4 }");
        // The sides, the cone's bottom, the cylinder's bottom and top.
        const std::vector<Vec3> colours{cone[0].material.diffuse, cone[256].material.diffuse,
            cylinder[0].material.diffuse, cylinder[256].material.diffuse, cylinder[271].material.diffuse};
        EXPECT_EQ(colours, (perPart ? std::vector{kRed, kGreen, kRed, kBlue, kGreen} : std::vector<Vec3>(5, kRed)));
        EXPECT_EQ(std::make_tuple(cone[256].vertices.at(2), cylinder[256].vertices[0].y, cylinder[271].vertices[0].y),
                  std::make_tuple(Vec3{2, -2, 0}, -2.0, 2.0));
        EXPECT_TRUE(windingNormal(cylinder[256]).y > 0.99 && windingNormal(cylinder[271]).y < -0.99);
    }
}

}  // namespace
}  // namespace glowpond
