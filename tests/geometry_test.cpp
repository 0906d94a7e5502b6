// IndexedFaceSet delivery and the Material list it draws from.
#include "scene/geometry.h"

#include <gtest/gtest.h>

#include <limits>

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

// Separator "s" { [Material] [MaterialBinding] Coordinate3 IndexedFaceSet "f" }
struct FaceSet {
    Separator root;
    Coordinate3* coordinates;
    IndexedFaceSet* faces = nullptr;

    explicit FaceSet(std::initializer_list<Vec3> points) {
        root.setName("s");
        coordinates = addNode<Coordinate3>(root);
        coordinates->setVec3Array("point", arrayOf<Vec3>(points));
    }
    void colours(std::initializer_list<Vec3> diffuse, int32_t binding) {
        root.prependChild(MaterialBinding::create());
        root.firstChildNode()->setInt("value", binding);
        root.prependChild(Material::create());
        root.firstChildNode()->setVec3Array("diffuseColor", arrayOf<Vec3>(diffuse));
    }
    RecordingAction apply(std::initializer_list<int32_t> coordIndex) {
        faces = addNode<IndexedFaceSet>(root, "f");
        faces->setLongArray("coordIndex", arrayOf<int32_t>(coordIndex));
        RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
        applyTree(root, action);
        return action;
    }
};

TEST(IndexedFaceSet, deliversAFaceOnlyWhenANegativeIndexClosesIt) {
    FaceSet set({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    RecordingAction action = set.apply({0, 1, 2, -1, 2, 3, 0});
    EXPECT_EQ(action.calls(), (std::vector<std::string>{"beginShape f", "polygon 0", "endShape"}));
    ASSERT_EQ(action.polygons.size(), 1u);
    EXPECT_EQ(action.polygons[0].vertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(action.polygons[0].path, "s_f");
    EXPECT_EQ(action.polygons[0].material.diffuse, kDefaultDiffuse);
}

TEST(IndexedFaceSet, cornersNamingNoPointAreLeftOutWithoutShiftingFaceNumbers) {
    FaceSet set({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    set.colours({kRed, kGreen}, kBindingPerFace);
    RecordingAction action = set.apply({0, 7, 1, 2, -1, std::numeric_limits<int32_t>::max(), 2, 1, 0, -1});
    ASSERT_EQ(action.polygons.size(), 2u);
    EXPECT_EQ(action.polygons[0].vertices, (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(action.polygons[1].face, 1);
    EXPECT_EQ(action.polygons[1].vertices.size(), 3u);
    EXPECT_EQ(action.polygons[1].material.diffuse, kGreen);
    EXPECT_EQ(set.faces->coordinateAt(TraversalState{}, 0), nullptr);  // no coordinates in a fresh state
}

TEST(IndexedFaceSet, withoutCoordinatesTheShapeHasNoFaces) {
    Separator root;
    addNode<IndexedFaceSet>(root, "f")->setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1}));
    RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
    applyTree(root, action);
    EXPECT_EQ(action.calls(), (std::vector<std::string>{"beginShape f", "endShape"}));
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
        FaceSet set({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
        set.colours({kRed, kGreen, kBlue}, binding);
        set.faces = addNode<IndexedFaceSet>(set.root);
        set.faces->setLongArray("materialIndex", arrayOf<int32_t>({2, 0, -5}));
        set.faces->setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1, 0, 1, 2, -1, 0, 1, 2, -1, 0, 1, 2,
                                                                -1, 0, 1, 2, -1}));
        RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
        applyTree(set.root, action);
        std::vector<Vec3> seen;
        for (const auto& polygon : action.polygons) seen.push_back(polygon.material.diffuse);
        EXPECT_EQ(seen, expected);
    }
}

TEST(IndexedFaceSet, normalsFollowTheirBinding) {
    const Vec3 n0{1, 0, 0}, n1{0, 1, 0}, n2{0, 0, 1};
    using Normals = std::vector<std::vector<Vec3>>;
    struct Case {
        int32_t binding;
        std::vector<int32_t> normalIndex;
        Normals expected;
    };
    const Case cases[] = {
        // Out-of-range and negative indices, and positions beyond the list, add nothing.
        {kBindingDefault, {2, 1, 7, -1, 0, -2}, {{n2, n1}, {n0}}},
        {kBindingPerVertexIndexed, {2, 1, 7, -1, 0}, {{n2, n1}, {n0}}},
        {kBindingDefault, {}, {{}, {}}},
        {kBindingPerFace, {}, {{n0, n0, n0}, {n1, n1, n1}}},
        {kBindingPerFaceIndexed, {2, -1}, {{n2, n2, n2}, {}}},
        {kBindingPerVertex, {0, 1, 2, -1, 0, 1, 2}, {{}, {}}},
        {kBindingOverall, {0, 1, 2}, {{}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.binding);
        FaceSet set({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
        addNode<Normal>(set.root)->setVec3Array("vector", arrayOf<Vec3>({n0, n1, n2}));
        addNode<NormalBinding>(set.root)->setInt("value", c.binding);
        auto normalIndex = std::make_unique<FieldArray<int32_t>>();
        for (int32_t index : c.normalIndex) normalIndex->append(index);
        set.faces = addNode<IndexedFaceSet>(set.root);
        set.faces->setLongArray("normalIndex", std::move(normalIndex));
        set.faces->setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1, 0, 2, 1, -1}));
        RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
        applyTree(set.root, action);
        Normals seen;
        for (const auto& polygon : action.polygons) seen.push_back(polygon.normals);
        EXPECT_EQ(seen, c.expected);
    }
}

TEST(IndexedFaceSet, verticesTakeTheCurrentTransformAndNormalsItsNormalMatrix) {
    Separator root;
    addNode<Translation>(root)->setVec3("translation", {10, 0, 0});
    addNode<Scale>(root)->setVec3("scaleFactor", {2, 1, 1});
    addNode<Coordinate3>(root)->setVec3Array("point", arrayOf<Vec3>({{1, 1, 1}, {0, 0, 0}, {0, 1, 0}}));
    addNode<Normal>(root)->setVec3Array("vector", arrayOf<Vec3>({{1, 1, 0}}));
    addNode<NormalBinding>(root)->setInt("value", kBindingPerFace);
    addNode<IndexedFaceSet>(root)->setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1}));
    RecordingAction action = RecordingAction::wanting({"wantsPolygons"});
    applyTree(root, action);
    ASSERT_EQ(action.polygons.size(), 1u);
    EXPECT_EQ(action.polygons[0].vertices[0], (Vec3{12, 1, 1}));
    // Perpendicular to the stretched face plane, untouched by the translation.
    expectNear(action.polygons[0].normals[0], {0.5, 1, 0});
}

TEST(IndexedFaceSet, rawGeometryActionsReceiveTheStoredLists) {
    Separator root;
    addNode<Coordinate3>(root)->setVec3Array("point", arrayOf<Vec3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    addNode<Normal>(root)->setVec3Array("vector", arrayOf<Vec3>({{0, 0, 1}}));
    addNode<TextureCoordinate2>(root)->setVec2Array("point", arrayOf<Vec2>({{0, 0}}));
    auto* faces = addNode<IndexedFaceSet>(root);
    faces->setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1}));
    faces->setLongArray("textureCoordIndex", arrayOf<int32_t>({0, 0, 0}));

    RecordingAction raw = RecordingAction::wanting({"wantsRawGeometry"});
    TraversalState state;
    for (Node* child = root.firstChildNode(); child; child = child->nextSibling()) child->apply(state, raw);
    EXPECT_EQ(raw.log, (std::vector<std::string>{"?wantsRawGeometry", "coordinates 3", "?wantsRawGeometry",
                                                 "normals 1", "?wantsRawGeometry", "?wantsPolygons",
                                                 "?wantsRawGeometry", "indexedFaceSet 4 0 0 3"}));
    RecordingAction both = RecordingAction::wanting({"wantsPolygons"});
    both.overrides["wantsRawGeometry"] = true;
    applyTree(root, both);
    EXPECT_EQ(both.calls(), (std::vector<std::string>{"coordinates 3", "normals 1", "beginShape ", "polygon 0",
                                                      "endShape"}));
}

TEST(IndexedFaceSet, deliversLargeFaceListsWhole) {
    Separator root;
    auto* coordinates = addNode<Coordinate3>(root);
    auto* faces = addNode<IndexedFaceSet>(root);
    const int32_t triangles = 150'000;  // 600 000 indices, beyond a thousand chunks of 500
    for (int32_t t = 0; t < triangles; ++t) {
        coordinates->point().append({double(t), 0, 0});
        for (int32_t index : {t, t, t, -1}) faces->coordIndex().append(index);
    }
    struct Counter : NodeAction {
        int32_t polygons = 0;
        double lastX = 0;
        bool wantsPolygons() override { return true; }
        void polygon(TraversalState&, int32_t, const FieldArray<Vec3>& vertices, const FieldArray<Vec3>&,
                     const MaterialValues&) override {
            ++polygons;
            lastX = vertices[2].x;
        }
    } counter;
    applyTree(root, counter);
    EXPECT_EQ(counter.polygons, triangles);
    EXPECT_EQ(counter.lastX, triangles - 1);
}

TEST(Material, eachComponentRepeatsItsLastValueOrIsZeroWhenAbsent) {
    Material material;
    material.setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen}));
    material.setVec3Array("ambientColor", arrayOf<Vec3>({kBlue}));
    ASSERT_EQ(material.materialCount(), 2);
    const MaterialValues second = material.material(1);
    EXPECT_EQ(second.diffuse, kGreen);
    EXPECT_EQ(second.ambient, kBlue);
    EXPECT_EQ(second.specular, Vec3{});
    EXPECT_EQ(second.shininess, 0);
    EXPECT_EQ(material.material(std::numeric_limits<int32_t>::max()).diffuse, kGreen);  // 2^31 - 1 is odd
    EXPECT_EQ(material.material(-3).diffuse, kRed);
    EXPECT_EQ(Material().material(5).diffuse, Vec3{});
}

TEST(Material, appendFindAndResetKeepTheSixArraysInStep) {
    Material material;
    material.setVec3Array("diffuseColor", arrayOf<Vec3>({kRed, kGreen}));
    MaterialValues shiny;
    shiny.emissive = {1, 1, 0};
    shiny.shininess = 0.9;
    EXPECT_EQ(material.appendMaterial(shiny), 2);
    EXPECT_EQ(material.ambientColor().count(), 3);
    EXPECT_EQ(material.transparency().count(), 3);
    EXPECT_EQ(material.material(1).shininess, 0);  // the gap is zero, not the default
    MaterialValues near = shiny;
    near.emissive.x -= 1e-6;
    near.transparency += 1e-6;
    EXPECT_EQ(material.findMaterial(near), 2);
    near.shininess += 1e-4;
    EXPECT_EQ(material.findMaterial(near), -1);

    ASSERT_TRUE(material.resetToDefault());
    EXPECT_EQ(material.materialCount(), 1);
    EXPECT_EQ(material.shininess().count(), 1);
    EXPECT_EQ(material.findMaterial(MaterialValues{}), 0);
}

TEST(Material, setColourAtGrowsTheArrayPastItsCapacity) {
    Material material;
    ASSERT_TRUE(material.setColourAt(Material::Colour::Diffuse, 1200, kBlue));
    EXPECT_EQ(material.diffuseColor().count(), 1201);
    EXPECT_EQ(material.materialCount(), 1201);
    EXPECT_EQ(material.material(1200).diffuse, kBlue);
    EXPECT_EQ(material.material(600).diffuse, Vec3{});
    EXPECT_FALSE(material.setColourAt(Material::Colour::Emissive, -1, kBlue));
    EXPECT_FALSE(material.failed());
}

}  // namespace
}  // namespace glowpond
