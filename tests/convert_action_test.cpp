// ConvertAction: scene graphs into centred, scaled display meshes.
#include "loading/convert_action.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"
#include "tests/scene_test_support.h"

namespace glowpond {
namespace {

using testing::addNode;
using testing::arrayOf;

constexpr float kHalf = kModelExtent / 2;

void addFaces(Node& parent, const std::vector<Vec3>& points, const std::vector<int32_t>& coordIndex) {
    addNode<Coordinate3>(parent)->setVec3Array("point", arrayOf<Vec3>(points));
    addNode<IndexedFaceSet>(parent)->setLongArray("coordIndex", arrayOf<int32_t>(coordIndex));
}

// A triangle at height z, counter-clockwise seen from above.
void addTriangle(Node& parent, double z = 0) { addFaces(parent, {{0, 0, z}, {1, 0, z}, {0, 1, z}}, {0, 1, 2, -1}); }

DisplayMesh convert(Node& root) {
    ConvertAction action(nullptr, nullptr);
    TraversalState state;
    root.apply(state, action);
    action.finish(root, state);
    DisplayMesh mesh;
    EXPECT_TRUE(action.transferMesh(mesh));
    EXPECT_FALSE(action.transferMesh(mesh));
    return mesh;
}

Vec3f vec(const float* v) { return {v[0], v[1], v[2]}; }

void expectNear(const Vec3f& actual, const Vec3f& expected) {
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(actual[axis], expected[axis], 1e-6) << "axis " << axis;
}

TEST(ConvertAction, cubeBecomesOneCentredScaledPartWithOutwardNormals) {
    std::vector<Vec3> corners;  // side 2 around (10, 0, 0); bit 0: x, bit 1: y, bit 2: z
    for (int i = 0; i < 8; ++i) corners.push_back({i & 1 ? 11.0 : 9.0, i & 2 ? 1.0 : -1.0, i & 4 ? 1.0 : -1.0});
    Separator root;
    addFaces(root, corners,
             {0, 2, 3, 1, -1, 4, 5, 7, 6, -1, 0, 1, 5, 4, -1, 2, 6, 7, 3, -1, 1, 3, 7, 5, -1, 0, 4, 6, 2, -1});
    DisplayMesh mesh = convert(root);

    ASSERT_EQ(mesh.partCount, 1);
    EXPECT_EQ(mesh.vertexCount, 8);
    EXPECT_EQ(mesh.faceCount, 6);
    const MeshPart& part = mesh.parts[0];
    ASSERT_EQ(part.faceIndices.size(), 30u);
    for (size_t face = 0; face < 6; ++face) EXPECT_EQ(part.faceIndices[5 * face], 4);
    for (size_t b = 0; b < 6; ++b) EXPECT_NEAR(part.bounds[b], b % 2 ? kHalf : -kHalf, 1e-7);
    EXPECT_EQ(mesh.bounds, part.bounds);
    expectNear(mesh.center, {0, 0, 0});
    const float d = 1 / std::sqrt(3.0f);
    for (const MeshVertex& v : part.vertices) {
        const float* p = v.position;
        expectNear(vec(v.normal), {std::copysign(d, p[0]), std::copysign(d, p[1]), std::copysign(d, p[2])});
    }
    expectNear(part.faceNormals[0], {0, 0, -1});
    EXPECT_EQ(part.uniformColor, 1);
    expectNear(part.color, {0.8f, 0.8f, 0.8f});
}

TEST(ConvertAction, scalesTheLongestSideAndCentresTheModel) {
    Separator box;
    addFaces(box, {{0, 0, 0}, {4, 0, 0}, {4, 2, 1}}, {0, 1, 2, -1});
    DisplayMesh mesh = convert(box);
    expectNear(vec(mesh.parts[0].vertices[2].position), {kHalf, kHalf / 2, kHalf / 4});
    EXPECT_NEAR(mesh.bounds[0], -kHalf, 1e-7);

    Separator dot;  // all points in one place: centred, not scaled
    addFaces(dot, {{3, 3, 3}, {3, 3, 3}}, {0, 1, 0, -1});
    mesh = convert(dot);
    EXPECT_EQ(mesh.parts[0].vertexCount, 1);
    expectNear(vec(mesh.parts[0].vertices[0].position), {0, 0, 0});
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
    DisplayMesh mesh = convert(root);

    ASSERT_EQ(mesh.partCount, 3);
    EXPECT_EQ(mesh.faceCount, 5);
    EXPECT_EQ(mesh.parts[0].faceCount, 3);  // B: z = 1, 2, 5
    EXPECT_EQ(mesh.parts[1].faceCount, 1);  // A: z = 3
    // Each part has its own vertex list, numbered from 0.
    EXPECT_EQ(mesh.parts[0].vertexCount, 9);
    EXPECT_EQ(mesh.vertexCount, 15);
    EXPECT_EQ(mesh.parts[2].faceIndices, (std::vector<int32_t>{3, 0, 1, 2}));  // A_in
    EXPECT_NEAR(mesh.parts[2].bounds[4], (4 - 3.0f) * kModelExtent / 4, 1e-6);  // z from 1 to 5
}

TEST(ConvertAction, clockwiseShapeHintsReverseTheCorners) {
    for (int32_t ordering : {0, kOrderingCounterclockwise, kOrderingClockwise}) {
        Separator root;
        if (ordering) addNode<ShapeHints>(root)->setInt("vertexOrdering", ordering);
        addTriangle(root);
        DisplayMesh mesh = convert(root);
        const float z = ordering == kOrderingClockwise ? -1 : 1;
        expectNear(mesh.parts[0].faceNormals[0], {0, 0, z});
        // Point 0 is the first corner to arrive: (0, 1, 0) when reversed.
        expectNear(vec(mesh.parts[0].vertices[0].position), {-kHalf, -z * kHalf, 0});
    }
}

TEST(ConvertAction, facesTakeTheirMaterialsColour) {
    MaterialValues m;
    m.emissive = {0, 0, 5e-6};
    expectNear(faceColour(m), {0.8f, 0.8f, 0.8f});
    m.diffuse = {0, 0, 0};
    m.ambient = {0.3, 0.1, 0.1};
    expectNear(faceColour(m), {0.3f, 0.1f, 0.1f});
    m.ambient = {0, 0, 0};
    expectNear(faceColour(m), {0.2f, 0.2f, 0.2f});

    Separator root;
    auto* material = addNode<Material>(root);
    material->setVec3Array("emissiveColor", arrayOf<Vec3>({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 0, 0}}));
    material->setVec3Array("diffuseColor", arrayOf<Vec3>({{0.8, 0.8, 0.8}}));
    addNode<MaterialBinding>(root)->setInt("value", kBindingPerFace);
    addFaces(root, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, -1, -1, 2, 1, 0, -1, 0, 2, 1, -1});
    DisplayMesh mesh = convert(root);
    const MeshPart& part = mesh.parts[0];
    EXPECT_EQ(part.uniformColor, 0);
    expectNear(part.color, {0.8f, 0.8f, 0.8f});
    // The face without corners counts for the mesh but is not stored.
    EXPECT_EQ(mesh.faceCount, 4);
    ASSERT_EQ(part.faceCount, 3);
    EXPECT_EQ(part.faceIndices, (std::vector<int32_t>{3, 0, 1, 2, 3, 2, 1, 0, 3, 0, 2, 1}));
    expectNear(part.faceColors[1], {1, 0, 0});
    expectNear(part.faceColors[2], {0.8f, 0.8f, 0.8f});
}

}  // namespace
}  // namespace glowpond
