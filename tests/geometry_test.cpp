// IndexedFaceSet delivery and the Material list it draws from.
#include "scene/geometry.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "scene/grouping.h"
#include "scene/properties.h"
#include "scene/transforms.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using namespace testing;

// Separator "s" { Coordinate3 (three points), `properties`, IndexedFaceSet "f" }.
struct FaceSet {
    Separator root;
    FaceSet() {
        root.setName("s");
        addNode<Coordinate3>(root)->setVec3Array("point", arrayOf<Vec3>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    }
    std::vector<RecordedPolygon> apply(const std::vector<int32_t>& coordIndex, const char* field = "",
                                       std::vector<int32_t> list = {}) {
        auto* faces = addNode<IndexedFaceSet>(root, "f");
        faces->setLongArray("coordIndex", arrayOf<int32_t>(coordIndex));
        faces->setLongArray(field, arrayOf<int32_t>(list));
        return polygonsOf(root);
    }
};

TEST(IndexedFaceSet, cornersNamingNoPointAreLeftOutWithoutShiftingFaceNumbers) {
    FaceSet set;
    addNode<Material>(set.root)->setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen}));
    addNode<MaterialBinding>(set.root)->setInt("value", kBindingPerFace);
    // Entries after the last negative one form no face.
    const auto polygons = set.apply({0, 7, 1, 2, -1, std::numeric_limits<int32_t>::max(), 2, 1, 0, -1, 2, 1, 0});
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_EQ(polygons[0].vertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(polygons[0].path, "s_f");
    EXPECT_EQ(polygons[1].vertices.size(), 3u);
    EXPECT_EQ(polygons[1].material.diffuse, kGreen);

    Separator bare;  // no coordinates at all: a shape without faces
    addNode<IndexedFaceSet>(bare)->setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1}));
    EXPECT_TRUE(polygonsOf(bare).empty());
}

TEST(IndexedFaceSet, materialBindingsChooseEachFacesMaterial) {
    const Vec3 d = kDefaultDiffuse;
    const std::pair<int32_t, std::vector<Vec3>> cases[] = {
        {kBindingDefault, {kRed, kRed, kRed, kRed, kRed}},
        {kBindingOverall, {kRed, kRed, kRed, kRed, kRed}},
        {kBindingPerFace, {kRed, kGreen, kBlue, kRed, kGreen}},
        // materialIndex 2, 0, -5, then the face number modulo three.
        {kBindingPerFaceIndexed, {kBlue, kRed, kRed, kRed, kGreen}},
        {kBindingPerPartIndexed, {kBlue, kRed, kRed, kRed, kGreen}},
        {kBindingPerPart, {d, d, d, d, d}},
        {kBindingPerVertexIndexed, {d, d, d, d, d}},
    };
    for (const auto& [binding, expected] : cases) {
        FaceSet set;
        addNode<Material>(set.root)->setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen, kBlue}));
        addNode<MaterialBinding>(set.root)->setInt("value", binding);
        std::vector<Vec3> seen;
        for (const auto& polygon : set.apply({0, -1, 0, -1, 0, -1, 0, -1, 0, -1}, "materialIndex", {2, 0, -5})) {
            seen.push_back(polygon.material.diffuse);
        }
        EXPECT_EQ(seen, expected) << "binding " << binding;
    }
}

TEST(IndexedFaceSet, normalsFollowTheirBinding) {
    const Vec3 n0{1, 0, 0}, n1{0, 1, 0}, n2{0, 0, 1};
    using Normals = std::vector<std::vector<Vec3>>;
    const std::tuple<int32_t, std::vector<int32_t>, Normals> cases[] = {
        // Out-of-range and negative indices, and positions beyond the list, add nothing.
        {kBindingDefault, {2, 1, 7, -1, 0, -2}, {{n2, n1}, {n0}}},
        {kBindingPerVertexIndexed, {2, 1, 7, -1, 0}, {{n2, n1}, {n0}}},
        {kBindingPerFace, {}, {{n0, n0, n0}, {n1, n1, n1}}},
        {kBindingPerFaceIndexed, {2, -1}, {{n2, n2, n2}, {}}},
        {kBindingPerVertex, {0, 1, 2, -1, 0, 1, 2}, {{}, {}}},
    };
    for (const auto& [binding, normalIndex, expected] : cases) {
        FaceSet set;
        addNode<Normal>(set.root)->setVec3Array("vector", arrayOf<Vec3>({n0, n1, n2}));
        addNode<NormalBinding>(set.root)->setInt("value", binding);
        Normals seen;
        for (const auto& polygon : set.apply({0, 1, 2, -1, 0, 2, 1, -1}, "normalIndex", normalIndex)) {
            seen.push_back(polygon.normals);
        }
        EXPECT_EQ(seen, expected) << "binding " << binding;
    }
}

TEST(IndexedFaceSet, verticesTakeTheCurrentTransformAndNormalsItsNormalMatrix) {
    FaceSet set;
    addNode<Translation>(set.root)->setVec3("translation", {10, 0, 0});
    addNode<Scale>(set.root)->setVec3("scaleFactor", {2, 1, 1});
    Matrix4 quarterTurn;  // exact, so that elimination would meet a zero pivot
    quarterTurn.m = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    addNode<MatrixTransform>(set.root)->setMatrix("matrix", quarterTurn);
    addNode<Normal>(set.root)->setVec3Array("vector", arrayOf<Vec3>({{1, 1, 0}}));
    addNode<NormalBinding>(set.root)->setInt("value", kBindingPerFace);
    const auto polygons = set.apply({2, 1, 0, -1});
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].vertices[0], (Vec3{8, 1, 0}));
    // Perpendicular to the turned and stretched face plane, untouched by the translation.
    expectNear(polygons[0].normals[0], {-0.5, 1, 0});
}

TEST(Material, componentsRepeatTheirLastValueAndAppendsAndColoursGrowEveryArray) {
    Material material;
    material.setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen}));
    material.setVec3Array("ambientColor", arrayOf<Vec3>({kBlue}));
    EXPECT_EQ(material.material(1).ambient, kBlue);
    EXPECT_EQ(material.material(std::numeric_limits<int32_t>::max()).diffuse, kGreen);  // 2^31 - 1 is odd
    EXPECT_EQ(material.material(-3).diffuse, kRed);
    EXPECT_EQ(Material().material(5).diffuse, Vec3{});

    MaterialValues shiny;
    shiny.shininess = 0.9;
    EXPECT_EQ(material.appendMaterial(shiny), 2);
    EXPECT_EQ(material.transparency().count(), 3);
    EXPECT_EQ(material.material(1).shininess, 0);  // the gap is zero, not the default

    ASSERT_TRUE(material.resetToDefault());
    EXPECT_EQ(material.findMaterial(MaterialValues{}), 0);
    ASSERT_TRUE(material.setColourAt(Material::Colour::Emissive, 1200, kBlue));
    EXPECT_EQ(material.materialCount(), 1201);
    EXPECT_EQ(material.material(1200).emissive, kBlue);
    EXPECT_EQ(material.material(600).emissive, Vec3{});
    EXPECT_FALSE(material.setColourAt(Material::Colour::Emissive, -1, kBlue));
}

}  // namespace
}  // namespace glowpond
