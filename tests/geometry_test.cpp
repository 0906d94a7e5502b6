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

using testing::addNode;
using testing::applyTree;
using testing::arrayOf;
using testing::expectNear;
using testing::RecordingAction;

constexpr Vec3 kRed{1, 0, 0}, kGreen{0, 1, 0}, kBlue{0, 0, 1};
const Vec3 kDefaultDiffuse = MaterialValues{}.diffuse;

// Separator "s" { Coordinate3 (three points) ... IndexedFaceSet "f" }: tests
// add property nodes in between, then apply the face set.
struct FaceSet {
    Separator root;
    IndexedFaceSet* faces = nullptr;

    FaceSet() {
        root.setName("s");
        addNode<Coordinate3>(root)->setVec3Array("point", arrayOf<Vec3>({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    }
    void colours(const std::vector<Vec3>& diffuse, int32_t binding) {
        addNode<Material>(root)->setVec3Array("diffuseColor", arrayOf<Vec3>(diffuse));
        addNode<MaterialBinding>(root)->setInt("value", binding);
    }
    RecordingAction apply(const std::vector<int32_t>& coordIndex, const char* field = "", std::vector<int32_t> list = {}) {
        faces = addNode<IndexedFaceSet>(root, "f");
        faces->setLongArray("coordIndex", arrayOf<int32_t>(coordIndex));
        faces->setLongArray(field, arrayOf<int32_t>(list));
        RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
        applyTree(root, action);
        return action;
    }
};

const std::vector<int32_t> kTwoTriangles{0, 1, 2, -1, 0, 2, 1, -1};

TEST(IndexedFaceSet, deliversAFaceOnlyWhenANegativeIndexClosesIt) {
    RecordingAction action = FaceSet().apply({0, 1, 2, -1, 2, 1, 0});
    EXPECT_EQ(action.calls(), (std::vector<std::string>{"beginShape f", "polygon 0", "endShape"}));
    ASSERT_EQ(action.polygons.size(), 1u);
    EXPECT_EQ(action.polygons[0].vertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(action.polygons[0].path, "s_f");
    EXPECT_EQ(action.polygons[0].material.diffuse, kDefaultDiffuse);
}

TEST(IndexedFaceSet, cornersNamingNoPointAreLeftOutWithoutShiftingFaceNumbers) {
    FaceSet set;
    set.colours({kRed, kGreen}, kBindingPerFace);
    RecordingAction action = set.apply({0, 7, 1, 2, -1, std::numeric_limits<int32_t>::max(), 2, 1, 0, -1});
    ASSERT_EQ(action.polygons.size(), 2u);
    EXPECT_EQ(action.polygons[0].vertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(action.polygons[1].vertices.size(), 3u);
    EXPECT_EQ(action.polygons[1].material.diffuse, kGreen);

    Separator bare;  // no coordinates at all: a shape without faces
    addNode<IndexedFaceSet>(bare, "f")->setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1}));
    RecordingAction none = RecordingAction::wanting({"wantsPolygons"});
    applyTree(bare, none);
    EXPECT_EQ(none.calls(), (std::vector<std::string>{"beginShape f", "endShape"}));
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
        {kBindingPerVertex, {d, d, d, d, d}},
        {kBindingPerVertexIndexed, {d, d, d, d, d}},
    };
    for (const auto& [binding, expected] : cases) {
        SCOPED_TRACE(binding);
        FaceSet set;
        set.colours({kRed, kGreen, kBlue}, binding);
        std::vector<int32_t> fiveFaces;
        for (int face = 0; face < 5; ++face) fiveFaces.insert(fiveFaces.end(), {0, 1, 2, -1});
        std::vector<Vec3> seen;
        for (const auto& polygon : set.apply(fiveFaces, "materialIndex", {2, 0, -5}).polygons) {
            seen.push_back(polygon.material.diffuse);
        }
        EXPECT_EQ(seen, expected);
    }
}

TEST(IndexedFaceSet, normalsFollowTheirBinding) {
    const Vec3 n0{1, 0, 0}, n1{0, 1, 0}, n2{0, 0, 1};
    using Normals = std::vector<std::vector<Vec3>>;
    const std::tuple<int32_t, std::vector<int32_t>, Normals> cases[] = {
        // Out-of-range and negative indices, and positions beyond the list, add nothing.
        {kBindingDefault, {2, 1, 7, -1, 0, -2}, {{n2, n1}, {n0}}},
        {kBindingPerVertexIndexed, {2, 1, 7, -1, 0}, {{n2, n1}, {n0}}},
        {kBindingDefault, {}, {{}, {}}},
        {kBindingPerFace, {}, {{n0, n0, n0}, {n1, n1, n1}}},
        {kBindingPerFaceIndexed, {2, -1}, {{n2, n2, n2}, {}}},
        {kBindingPerVertex, {0, 1, 2, -1, 0, 1, 2}, {{}, {}}},
        {kBindingOverall, {0, 1, 2}, {{}, {}}},
    };
    for (const auto& [binding, normalIndex, expected] : cases) {
        SCOPED_TRACE(binding);
        FaceSet set;
        addNode<Normal>(set.root)->setVec3Array("vector", arrayOf<Vec3>({n0, n1, n2}));
        addNode<NormalBinding>(set.root)->setInt("value", binding);
        Normals seen;
        for (const auto& polygon : set.apply(kTwoTriangles, "normalIndex", normalIndex).polygons) {
            seen.push_back(polygon.normals);
        }
        EXPECT_EQ(seen, expected);
    }
}

TEST(IndexedFaceSet, verticesTakeTheCurrentTransformAndNormalsItsNormalMatrix) {
    FaceSet set;
    addNode<Translation>(set.root)->setVec3("translation", {10, 0, 0});
    addNode<Scale>(set.root)->setVec3("scaleFactor", {2, 1, 1});
    addNode<Normal>(set.root)->setVec3Array("vector", arrayOf<Vec3>({{1, 1, 0}}));
    addNode<NormalBinding>(set.root)->setInt("value", kBindingPerFace);
    RecordingAction action = set.apply({2, 1, 0, -1});
    ASSERT_EQ(action.polygons.size(), 1u);
    EXPECT_EQ(action.polygons[0].vertices[0], (Vec3{12, 1, 0}));
    // Perpendicular to the stretched face plane, untouched by the translation.
    expectNear(action.polygons[0].normals[0], {0.5, 1, 0});
}

TEST(IndexedFaceSet, rawGeometryActionsReceiveTheStoredLists) {
    FaceSet set;
    addNode<Normal>(set.root)->setVec3Array("vector", arrayOf<Vec3>({{0, 0, 1}}));
    addNode<TextureCoordinate2>(set.root)->setVec2Array("point", arrayOf<Vec2>({{0, 0}}));
    set.apply({0, 1, 2, -1}, "textureCoordIndex", {0, 0, 0});
    RecordingAction raw = RecordingAction::wanting({"wantsRawGeometry"});
    applyTree(set.root, raw);
    EXPECT_EQ(raw.calls(), (std::vector<std::string>{"coordinates 3", "normals 1", "indexedFaceSet 4 0 0 3"}));
    RecordingAction both = RecordingAction::wanting({"wantsPolygons", "wantsRawGeometry"});
    applyTree(set.root, both);
    EXPECT_EQ(both.calls(), (std::vector<std::string>{"coordinates 3", "normals 1", "beginShape f", "polygon 0",
                                                      "endShape"}));
}

TEST(Material, eachComponentRepeatsItsLastValueOrIsZeroWhenAbsent) {
    Material material;
    material.setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen}));
    material.setVec3Array("ambientColor", arrayOf<Vec3>({kBlue}));
    const MaterialValues second = material.material(1);
    EXPECT_EQ(second.diffuse, kGreen);
    EXPECT_EQ(second.ambient, kBlue);
    EXPECT_EQ(second.specular, Vec3{});
    EXPECT_EQ(second.shininess, 0);
    EXPECT_EQ(material.material(std::numeric_limits<int32_t>::max()).diffuse, kGreen);  // 2^31 - 1 is odd
    EXPECT_EQ(material.material(-3).diffuse, kRed);
    EXPECT_EQ(Material().material(5).diffuse, Vec3{});
}

TEST(Material, appendFindResetAndSetColourAtKeepTheArraysConsistent) {
    Material material;
    material.setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen}));
    MaterialValues shiny;
    shiny.shininess = 0.9;
    EXPECT_EQ(material.appendMaterial(shiny), 2);
    EXPECT_EQ(material.transparency().count(), 3);
    EXPECT_EQ(material.material(1).shininess, 0);  // the gap is zero, not the default

    ASSERT_TRUE(material.resetToDefault());
    EXPECT_EQ(material.shininess().count(), 1);
    EXPECT_EQ(material.findMaterial(MaterialValues{}), 0);

    ASSERT_TRUE(material.setColourAt(Material::Colour::Emissive, 1200, kBlue));
    EXPECT_EQ(material.materialCount(), 1201);
    EXPECT_EQ(material.material(1200).emissive, kBlue);
    EXPECT_EQ(material.material(600).emissive, Vec3{});
    EXPECT_FALSE(material.setColourAt(Material::Colour::Emissive, -1, kBlue));
}

}  // namespace
}  // namespace glowpond
