// The polygons of face sets and shapes, and the Material list they draw from.
#include "scene/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>

#include "scene/properties.h"
#include "scene/shapes.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

// The polygons of an IndexedFaceSet "f" with `faces` (its fields) over three points after `properties`.
std::vector<RecordedPolygon> faceSet(const std::string& properties, const std::string& faces) {
    return polygonsOf(*sceneOf("DEF s Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] } " + properties +
                               " DEF f IndexedFaceSet { " + faces + " } }"));
}

TEST(IndexedFaceSet, cornersNamingNoPointAreLeftOutWithoutShiftingFaceNumbers) {
    // Entries after the last negative one form no face.
    const auto polygons = faceSet("Material { diffuseColor [ 1 0 0, 0 1 0 ] } MaterialBinding { value PER_FACE }",
                                  "coordIndex [ 0, 7, 1, 2, -1, 2147483647, 2, 1, 0, -1, 2, 1, 0 ]");
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_EQ(std::tie(polygons[0].vertices, polygons[0].path),
              std::tuple(std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, "s_f"));
    EXPECT_EQ(std::make_pair(polygons[1].vertices.size(), polygons[1].material.diffuse), std::pair(size_t{3}, kGreen));
    // Without coordinates a shape has no faces.
    EXPECT_TRUE(polygonsOf(*sceneOf("IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }")).empty());
}

TEST(IndexedFaceSet, materialBindingsChooseEachFacesMaterial) {
    const Vec3 d = MaterialValues{}.diffuse;
    const std::pair<std::string, std::vector<Vec3>> cases[] = {
        {"DEFAULT", {kRed, kRed, kRed, kRed, kRed}}, {"OVERALL", {kRed, kRed, kRed, kRed, kRed}},
        {"PER_FACE", {kRed, kGreen, kBlue, kRed, kGreen}},
        // materialIndex 2, 0, -5, then the face number modulo three.
        {"PER_FACE_INDEXED", {kBlue, kRed, kRed, kRed, kGreen}},
        {"PER_PART_INDEXED", {kBlue, kRed, kRed, kRed, kGreen}}, {"PER_PART", {d, d, d, d, d}},
        {"PER_VERTEX_INDEXED", {d, d, d, d, d}},
    };
    for (const auto& [binding, expected] : cases) {
        const auto polygons = faceSet("Material { diffuseColor [ 1 0 0, 0 1 0, 0 0 1 ] } MaterialBinding { value " +
                                          binding + " }",
                                      "coordIndex [ 0, -1, 0, -1, 0, -1, 0, -1, 0, -1 ] materialIndex [ 2, 0, -5 ]");
        std::vector<Vec3> seen;
        for (const auto& polygon : polygons) seen.push_back(polygon.material.diffuse);
        EXPECT_EQ(seen, expected) << binding;
    }
}

TEST(IndexedFaceSet, normalsFollowTheirBinding) {
    const Vec3 n0{1, 0, 0}, n1{0, 1, 0}, n2{0, 0, 1};
    using Normals = std::vector<std::vector<Vec3>>;
    const std::tuple<std::string, std::string, Normals> cases[] = {
        // Out-of-range and negative indices, and positions beyond the list, add nothing.
        {"DEFAULT", "2, 1, 7, -1, 0, -2", {{n2, n1}, {n0}}}, {"PER_VERTEX_INDEXED", "2, 1, 7, -1, 0", {{n2, n1}, {n0}}},
        {"PER_FACE", "0", {{n0, n0, n0}, {n1, n1, n1}}}, {"PER_FACE_INDEXED", "2, -1", {{n2, n2, n2}, {}}},
        {"PER_VERTEX", "0, 1, 2, -1, 0, 1, 2", {{}, {}}},
    };
    for (const auto& [binding, normalIndex, expected] : cases) {
        const auto faces = faceSet("Normal { vector [ 1 0 0, 0 1 0, 0 0 1 ] } NormalBinding { value " + binding + " }",
                                   "coordIndex [ 0, 1, 2, -1, 0, 2, 1, -1 ] normalIndex [ " + normalIndex + " ]");
        Normals seen;
        for (const auto& polygon : faces) seen.push_back(polygon.normals);
        EXPECT_EQ(seen, expected) << binding;
    }
}

TEST(IndexedFaceSet, verticesTakeTheCurrentTransformAndNormalsItsNormalMatrix) {
    // An exact quarter turn, so that elimination would meet a zero pivot.
    const auto polygons = faceSet("Translation { translation 10 0 0 } Scale { scaleFactor 2 1 1 } "
                                  "MatrixTransform { matrix 0 1 0 0  -1 0 0 0  0 0 1 0  0 0 0 1 } "
                                  "Normal { vector 1 1 0 } NormalBinding { value PER_FACE }",
                                  "coordIndex [ 2, 1, 0, -1 ]");
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].vertices[0], (Vec3{8, 1, 0}));
    // Perpendicular to the turned and stretched face plane, untouched by the translation.
    expectNear(polygons[0].normals[0], {-0.5, 1, 0});
}

TEST(Material, componentsRepeatTheirLastValueAndAppendsAndColoursGrowEveryArray) {
    Material material;
    material.setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen}));
    material.setVec3Array("ambientColor", arrayOf<Vec3>({kBlue}));
    // 2^31 - 1 is odd.
    EXPECT_EQ((std::vector<Vec3>{material.material(1).ambient, material.material(INT32_MAX).diffuse,
                                 material.material(-3).diffuse, Material().material(5).diffuse}),
              (std::vector<Vec3>{kBlue, kGreen, kRed, {}}));

    EXPECT_EQ(material.appendMaterial(MaterialValues{}), 2);
    // The gap is zero, not the default.
    EXPECT_EQ(std::make_pair(material.transparency().count(), material.material(1).shininess), std::pair(3, 0.0));

    ASSERT_TRUE(material.resetToDefault());
    EXPECT_EQ(material.findMaterial(MaterialValues{}), 0);
    ASSERT_TRUE(material.setColourAt(Material::Colour::Emissive, 1200, kBlue));
    EXPECT_EQ(std::make_tuple(material.materialCount(), material.material(1200).emissive,
                              material.material(600).emissive), std::make_tuple(1201, kBlue, Vec3{}));
    EXPECT_FALSE(material.setColourAt(Material::Colour::Emissive, -1, kBlue));
}

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
