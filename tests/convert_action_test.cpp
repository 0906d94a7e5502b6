// ConvertAction: scene graphs into centred, scaled display meshes.
#include "loading/convert_action.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"
#include "tests/scene_test_support.h"
#include "tests/vrml_test_support.h"

namespace glowpond {
namespace {

using namespace glowpond::testing;

constexpr float kHalf = kModelExtent / 2;

// Faces over `points`; a triangle at height z, counter-clockwise seen from above.
void addFaces(Node& parent, const std::vector<Vec3>& points, const std::vector<int32_t>& coordIndex) {
    addNode<Coordinate3>(parent)->setVec3Array("point", arrayOf<Vec3>(points));
    addNode<IndexedFaceSet>(parent)->setLongArray("coordIndex", arrayOf<int32_t>(coordIndex));
}
void addTriangle(Node& parent, double z = 0) { addFaces(parent, {{0, 0, z}, {1, 0, z}, {0, 1, z}}, {0, 1, 2, -1}); }

void expectNear(const float* actual, const Vec3f& expected) {
    for (size_t axis = 0; axis < 3; ++axis) EXPECT_NEAR(actual[axis], expected[axis], 1e-6) << "axis " << axis;
}

TEST(ConvertAction, namedGroupsBecomePartsInOrderOfTheirFirstFaces) {
    Separator root;
    addTriangle(root, 0);  // before any named group: dropped by the first one
    addTriangle(*addNode<Separator>(root, "B"), 1);
    addTriangle(root, 2);  // unnamed, after B: joins B
    Node* a = addNode<Separator>(root, "A");
    addTriangle(*a, 3);
    addTriangle(*addNode<Separator>(*a, "in"), 4);
    addTriangle(*addNode<Separator>(root, "B"), 5);
    addNode<Separator>(root, "C");  // no faces: no part
    const DisplayMesh mesh = convertToMesh(root);
    // B: z = 1, 2, 5; A: z = 3; A_in: z = 4, each with its own vertex list numbered from 0.
    ASSERT_EQ(std::make_tuple(mesh.partCount, mesh.faceCount, mesh.vertexCount), std::make_tuple(3, 5, 15));
    EXPECT_EQ(std::make_tuple(mesh.parts[0].faceCount, mesh.parts[0].vertexCount, mesh.parts[1].faceCount),
              std::make_tuple(3, 9, 1));
    EXPECT_EQ(mesh.parts[2].faceIndices, (std::vector<int32_t>{3, 0, 1, 2}));
}

TEST(ConvertAction, centresTheModelScalesItsLongestSideAndReversesCornersAfterClockwiseShapeHints) {
    for (int32_t ordering : {0, kOrderingCounterclockwise, kOrderingClockwise}) {
        Separator root;
        if (ordering) addNode<ShapeHints>(root)->setInt("vertexOrdering", ordering);
        addFaces(root, {{10, 0, 0}, {14, 0, 0}, {10, 2, 1}}, {0, 1, 2, -1});
        const DisplayMesh mesh = convertToMesh(root);
        const float turn = ordering == kOrderingClockwise ? -1 : 1;
        expectNear(mesh.parts[0].faceNormals[0].data(), Vec3f{0, -1, 2} * (turn / std::sqrt(5.0f)));
        // The first corner to arrive: (10, 0, 0), or (10, 2, 1) when reversed.
        expectNear(mesh.parts[0].vertices[0].position, {-kHalf, -turn * kHalf / 2, -turn * kHalf / 4});
        expectNear(mesh.bounds.data(), {-kHalf, kHalf, -kHalf / 2});
    }
    Separator dot;  // all points in one place: centred, not scaled
    addFaces(dot, {{3, 3, 3}, {3, 3, 3}}, {0, 1, 0, -1});
    const DisplayMesh point = convertToMesh(dot);
    EXPECT_EQ(std::make_pair(point.parts[0].vertexCount, point.bounds), std::make_pair(1, Bounds{}));
}

TEST(ConvertAction, facesTakeTheFirstVisibleColourOfTheirMaterialAndAPartIsUniformOnlyWhenAllAgree) {
    // Ambient, diffuse, highlight and emissive colours: an emissive one too faint to count, then none at all.
    const std::pair<MaterialValues, Vec3f> materials[] = {
        {{{0.3, 0.1, 0.1}, {0.8, 0.8, 0.8}, {}, {0, 0, 5e-6}}, {0.8f, 0.8f, 0.8f}},
        {{{0.3, 0.1, 0.1}, {}, {}, {}}, {0.3f, 0.1f, 0.1f}}, {{{}, {}, {}, {}}, {0.2f, 0.2f, 0.2f}}};
    for (const auto& [material, colour] : materials) expectNear(faceColour(material).data(), colour);
    for (double red : {0.0, 1.0}) {
        Separator root;
        auto* material = addNode<Material>(root);
        material->setVec3Array("emissiveColor", arrayOf<Vec3>({{0, 0, 0}, {0, 0, 0}, {red, 0, 0}, {0, 0, 0}}));
        material->setVec3Array("diffuseColor", arrayOf<Vec3>({{0.8, 0.8, 0.8}}));
        addNode<MaterialBinding>(root)->setInt("value", kBindingPerFace);
        // The face without corners counts for the mesh but is not stored.
        addFaces(root, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, -1, -1, 2, 1, 0, -1, 0, 2, 1, -1});
        const DisplayMesh mesh = convertToMesh(root);
        const MeshPart& part = mesh.parts[0];
        EXPECT_EQ(std::make_tuple(part.uniformColor, mesh.faceCount, part.faceCount), std::make_tuple(red == 0, 4, 3));
        expectNear(part.color.data(), {0.8f, 0.8f, 0.8f});
        expectNear(part.faceColors[1].data(), red ? Vec3f{1, 0, 0} : Vec3f{0.8f, 0.8f, 0.8f});
    }
}

// Merging each coordinate index once per shape must give exactly what
// merging every corner gives: shared coordinates under two transforms,
// repeated and near-equal points, non-finite ones, clockwise faces, parts.
TEST(ConvertAction, indexedFacesGiveTheMeshTheirCornersGive) {
    class CornerByCorner final : public ConvertAction {
        void indexedPolygon(TraversalState& state, int32_t face, const FieldArray<Vec3>& vertices, const int32_t*,
                            const FieldArray<Vec3>& normals, const MaterialValues& material) override {
            polygon(state, face, vertices, normals, material);
        }
    };
    const auto scene = sceneOf(
        "Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0, 1 1 0.000001, 1e300 0 0, 0 0 -1e300 ] }"
        "DEF moved Separator { Translation { translation 0.5 0 0 } ShapeHints { vertexOrdering CLOCKWISE }"
        "  IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 3, 2, 1, 0, -1, 9, 0, 1, -1 ] } }"
        "IndexedFaceSet { coordIndex [ 0, 1, 2, -1, 1, 3, 2, -1, 2, 4, 1, 5, -1, 5, 6, 0, 5, -1 ] }"
        "Separator { Scale { scaleFactor 1e300 1 1 } IndexedFaceSet { coordIndex [ 5, 6, 0, 5, -1 ] } }"
        "IndexedFaceSet { coordIndex [ 3, 4, 0, -1 ] }");
    auto meshOf = [&](ConvertAction& action) {
        TraversalState state;
        scene->apply(state, action);
        action.finish(*scene, state);
        DisplayMesh mesh;
        EXPECT_TRUE(action.transferMesh(mesh));
        return mesh;
    };
    ConvertAction indexed;
    CornerByCorner corners;
    const DisplayMesh expected = meshOf(corners), actual = meshOf(indexed);
    ASSERT_EQ(actual.parts.size(), expected.parts.size());
    EXPECT_EQ(std::make_tuple(actual.vertexCount, actual.faceCount), std::make_tuple(expected.vertexCount, expected.faceCount));
    for (size_t i = 0; i < actual.parts.size(); ++i) {
        const MeshPart &a = actual.parts[i], &e = expected.parts[i];
        EXPECT_EQ(a.faceIndices, e.faceIndices) << "part " << i;
        ASSERT_EQ(a.vertices.size(), e.vertices.size());
        EXPECT_EQ(std::memcmp(a.vertices.data(), e.vertices.data(), a.vertices.size() * sizeof(MeshVertex)), 0);
    }
}

}  // namespace
}  // namespace glowpond
