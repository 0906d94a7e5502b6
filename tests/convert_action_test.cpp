// ConvertAction: scene graphs into centred, scaled display meshes.
#include "loading/convert_action.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "scene/geometry.h"
#include "scene/grouping.h"
#include "scene/properties.h"
#include "tests/scene_test_support.h"
#include "tests/test_support.h"

namespace glowpond {
namespace {

using testing::addNode;
using testing::arrayOf;

constexpr float kHalfExtent = kModelExtent / 2;

// Coordinates and faces under `parent`, each face a list of point numbers.
void addFaces(Node& parent, const std::vector<Vec3>& points, const std::vector<std::vector<int32_t>>& faces) {
    addNode<Coordinate3>(parent)->setVec3Array("point", arrayOf<Vec3>(points));
    std::vector<int32_t> coordIndex;
    for (const std::vector<int32_t>& face : faces) {
        coordIndex.insert(coordIndex.end(), face.begin(), face.end());
        coordIndex.push_back(-1);
    }
    addNode<IndexedFaceSet>(parent)->setLongArray("coordIndex", arrayOf<int32_t>(coordIndex));
}

// A triangle at height z, seen counter-clockwise from above.
void addTriangle(Node& parent, double z = 0.0) { addFaces(parent, {{0, 0, z}, {1, 0, z}, {0, 1, z}}, {{0, 1, 2}}); }

// Converts the scene under `root` into a fresh mesh.
DisplayMesh convert(Separator& root, int* cancelFlag = nullptr) {
    ConvertAction action(nullptr, cancelFlag);
    TraversalState state;
    root.apply(state, action);
    action.finish(root, state);
    DisplayMesh mesh;
    EXPECT_TRUE(action.transferMesh(mesh));
    return mesh;
}

Vec3f position(const MeshPart& part, int32_t vertex) {
    const float* p = part.vertices[static_cast<size_t>(vertex)].position;
    return {p[0], p[1], p[2]};
}

void expectNear(const Vec3f& actual, const Vec3f& expected, float tolerance = 1e-6f) {
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(actual[axis], expected[axis], tolerance) << "axis " << axis;
}

const std::vector<std::vector<int32_t>> kCubeQuads{{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                                   {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};

std::vector<Vec3> cubeCorners(const Vec3& centre, double half) {
    std::vector<Vec3> corners;
    for (double z : {-half, half}) {
        for (auto [x, y] : {std::pair{-half, -half}, {half, -half}, {half, half}, {-half, half}}) {
            corners.push_back(centre + Vec3{x, y, z});
        }
    }
    return corners;
}

TEST(ConvertAction, cubeBecomesOneCentredScaledPartWithOutwardNormals) {
    Separator root;
    addFaces(root, cubeCorners({10, 0, 0}, 1), kCubeQuads);
    DisplayMesh mesh = convert(root);

    ASSERT_EQ(mesh.partCount, 1);
    EXPECT_EQ(mesh.vertexCount, 8);
    EXPECT_EQ(mesh.faceCount, 6);
    const MeshPart& part = mesh.parts[0];
    EXPECT_EQ(part.vertexCount, 8);
    ASSERT_EQ(part.faceCount, 6);
    ASSERT_EQ(part.faceIndices.size(), 30u);
    for (int face = 0; face < 6; ++face) EXPECT_EQ(part.faceIndices[static_cast<size_t>(5 * face)], 4);
    for (int bound = 0; bound < 6; ++bound) {
        EXPECT_NEAR(mesh.bounds[static_cast<size_t>(bound)], bound % 2 ? kHalfExtent : -kHalfExtent, 1e-7);
        EXPECT_NEAR(part.bounds[static_cast<size_t>(bound)], bound % 2 ? kHalfExtent : -kHalfExtent, 1e-7);
    }
    expectNear(mesh.center, {0, 0, 0});
    expectNear(part.boundsCenter, {0, 0, 0});
    for (int32_t v = 0; v < 8; ++v) {
        const Vec3f p = position(part, v);
        const MeshVertex& vertex = part.vertices[static_cast<size_t>(v)];
        const float diagonal = 1.0f / std::sqrt(3.0f);
        expectNear({vertex.normal[0], vertex.normal[1], vertex.normal[2]},
                   {std::copysign(diagonal, p[0]), std::copysign(diagonal, p[1]), std::copysign(diagonal, p[2])});
    }
    // Each face normal points away from the centre, along the face's centre.
    size_t at = 0;
    for (const Vec3f& normal : part.faceNormals) {
        Vec3f centre{0, 0, 0};
        for (int c = 1; c <= 4; ++c) {
            const Vec3f p = position(part, part.faceIndices[at + static_cast<size_t>(c)]);
            for (int axis = 0; axis < 3; ++axis) centre[axis] += p[axis] / (4 * kHalfExtent);
        }
        expectNear(normal, centre);
        at += 5;
    }
    EXPECT_EQ(part.uniformColor, 1);
    expectNear(part.color, {0.8f, 0.8f, 0.8f});
}

TEST(ConvertAction, scalesTheLongestSideAndKeepsProportions) {
    Separator root;
    addFaces(root, {{0, 0, 0}, {4, 0, 0}, {4, 2, 1}, {0, 2, 1}}, {{0, 1, 2, 3}});
    DisplayMesh mesh = convert(root);
    EXPECT_NEAR(mesh.bounds[1] - mesh.bounds[0], kModelExtent, 1e-7);
    EXPECT_NEAR(mesh.bounds[3] - mesh.bounds[2], kModelExtent / 2, 1e-7);
    EXPECT_NEAR(mesh.bounds[5] - mesh.bounds[4], kModelExtent / 4, 1e-7);
    expectNear(position(mesh.parts[0], 2), {kModelExtent / 2, kModelExtent / 4, kModelExtent / 8});
}

TEST(ConvertAction, namedGroupsBecomePartsInOrderOfTheirFirstFaces) {
    Separator root;
    addTriangle(root, 0);  // before any named group: dropped by the first one
    Node* b = addNode<Separator>(root, "B");
    addTriangle(*b, 1);
    addTriangle(root, 2);  // unnamed, after B: joins B
    Node* a = addNode<Separator>(root, "A");
    addTriangle(*a, 3);
    addTriangle(*addNode<Separator>(*a, "inner"), 4);
    addTriangle(*addNode<Separator>(root, "B"), 5);
    Separator* unnamed = addNode<Separator>(root);
    addTriangle(*unnamed, 6);  // still B, the current object
    addNode<Separator>(root, "C");  // no faces: no part

    DisplayMesh mesh = convert(root);
    ASSERT_EQ(mesh.partCount, 3);
    EXPECT_EQ(mesh.faceCount, 6);
    EXPECT_EQ(mesh.parts[0].faceCount, 4);  // B: z = 1, 2, 5, 6
    EXPECT_EQ(mesh.parts[1].faceCount, 1);  // A: z = 3
    EXPECT_EQ(mesh.parts[2].faceCount, 1);  // A_inner: z = 4
    // Every part has its own compact vertex list.
    EXPECT_EQ(mesh.parts[0].vertexCount, 12);
    EXPECT_EQ(mesh.parts[2].vertexCount, 3);
    EXPECT_EQ(mesh.vertexCount, 18);
    EXPECT_EQ(mesh.parts[2].faceIndices, (std::vector<int32_t>{3, 0, 1, 2}));
    // z runs from 1 to 6 over the whole model.
    EXPECT_NEAR(mesh.parts[2].bounds[4], (4.0f - 3.5f) * kModelExtent / 5, 1e-6);
}

TEST(ConvertAction, nestedNamesJoinWithUnderscores) {
    Separator root;
    Node* outer = addNode<Separator>(root, "outer");
    addTriangle(*addNode<Separator>(*outer, "inner"));
    ConvertAction action(nullptr, nullptr);
    TraversalState state;
    root.apply(state, action);
    EXPECT_EQ(*action.builder().objectName(0), "outer_inner");
}

TEST(ConvertAction, clockwiseShapeHintsReverseTheCorners) {
    Separator forward;
    addTriangle(forward);
    Separator reversed;
    addNode<ShapeHints>(reversed)->setInt("vertexOrdering", kOrderingClockwise);
    addTriangle(reversed);
    Separator counterClockwise;
    addNode<ShapeHints>(counterClockwise)->setInt("vertexOrdering", kOrderingCounterclockwise);
    addTriangle(counterClockwise);

    expectNear(convert(forward).parts[0].faceNormals[0], {0, 0, 1});
    expectNear(convert(counterClockwise).parts[0].faceNormals[0], {0, 0, 1});
    DisplayMesh mesh = convert(reversed);
    expectNear(mesh.parts[0].faceNormals[0], {0, 0, -1});
    // The point numbers follow the reversed order: (0,1,0) came first.
    expectNear(position(mesh.parts[0], 0), {-kHalfExtent, kHalfExtent, 0});
}

TEST(ConvertAction, faceColourPrefersEmissiveThenDiffuseThenAmbient) {
    MaterialValues material;
    material.emissive = {0.5, 0, 0};
    expectNear(faceColour(material), {0.5f, 0, 0});
    material.emissive = {0, 0, 5e-6};
    expectNear(faceColour(material), {0.8f, 0.8f, 0.8f});
    material.diffuse = {0, 0, 0};
    material.ambient = {0.3, 0.1, 0.1};
    expectNear(faceColour(material), {0.3f, 0.1f, 0.1f});
    material.ambient = {0, 0, 0};
    expectNear(faceColour(material), {0.2f, 0.2f, 0.2f});
}

TEST(ConvertAction, oneDifferentFaceColourEndsTheUniformColour) {
    Separator root;
    auto* material = addNode<Material>(root);
    material->setVec3Array("emissiveColor", arrayOf<Vec3>({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}));
    material->setVec3Array("diffuseColor", arrayOf<Vec3>({{0.8, 0.8, 0.8}}));
    addNode<MaterialBinding>(root)->setInt("value", kBindingPerFace);
    addFaces(root, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}, {0, 2, 3}});

    DisplayMesh mesh = convert(root);
    const MeshPart& part = mesh.parts[0];
    EXPECT_EQ(part.uniformColor, 0);
    ASSERT_EQ(part.faceColors.size(), 3u);
    // Emissive black falls through to the diffuse colour, 0.8 grey by default.
    expectNear(part.color, {0.8f, 0.8f, 0.8f});
    expectNear(part.faceColors[1], {1, 0, 0});
    expectNear(part.faceColors[2], {0.8f, 0.8f, 0.8f});
}

TEST(ConvertAction, facesWithoutCornersCountButAreNotStored) {
    Separator root;
    addNode<Coordinate3>(root)->setVec3Array("point", arrayOf<Vec3>({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    addNode<IndexedFaceSet>(root)->setLongArray("coordIndex", arrayOf<int32_t>({0, 1, 2, -1, -1, 2, 1, 0, -1}));
    DisplayMesh mesh = convert(root);
    EXPECT_EQ(mesh.faceCount, 3);
    const MeshPart& part = mesh.parts[0];
    EXPECT_EQ(part.faceCount, 2);
    EXPECT_EQ(part.faceIndices, (std::vector<int32_t>{3, 0, 1, 2, 3, 2, 1, 0}));
    EXPECT_EQ(part.faceNormals.size(), 2u);
    // Opposite faces on the same corners: the vertex normals cancel out.
    EXPECT_EQ(part.vertices[0].normal[2], 0.0f);
}

TEST(ConvertAction, sceneWithoutFacesGivesOneEmptyPart) {
    Separator root;
    addNode<Separator>(root, "nothing");
    DisplayMesh mesh = convert(root);
    ASSERT_EQ(mesh.partCount, 1);
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.faceCount, 0);
    EXPECT_TRUE(mesh.parts[0].vertices.empty());
    for (float bound : mesh.bounds) EXPECT_TRUE(std::isfinite(bound));
}

TEST(ConvertAction, modelWhosePointsCoincideIsCentredButNotScaled) {
    Separator root;
    addFaces(root, {{3, 3, 3}, {3, 3, 3}}, {{0, 1, 0}});
    DisplayMesh mesh = convert(root);
    EXPECT_EQ(mesh.parts[0].vertexCount, 1);
    expectNear(position(mesh.parts[0], 0), {0, 0, 0});
    expectNear(mesh.parts[0].faceNormals[0], {0, 0, 0});
}

TEST(ConvertAction, cancelledFacesNeverReachTheBuilder) {
    int cancel = 0;
    ConvertAction action(nullptr, &cancel);
    Separator root;
    addTriangle(root, 0);
    addTriangle(root, 1);
    TraversalState state;
    root.apply(state, action);
    cancel = 1;
    root.apply(state, action);
    EXPECT_EQ(action.builder().points().count(), 6);
    EXPECT_EQ(action.builder().objectFaces(0).count(), 8);
}

TEST(ConvertAction, processesTheStatusWindowsMessagesAtEveryFace) {
    struct CountingPlatform : testing::RecordingPlatform {
        void processDialogMessages(WindowHandle dialog) override { windows.push_back(dialog); }
        std::vector<WindowHandle> windows;
    } counting;
    Platform* previous = setPlatform(&counting);
    int window = 0;
    int cancel = 1;
    ConvertAction action(&window, &cancel);
    Separator root;
    addFaces(root, {{0, 0, 0}}, {{0}, {0}, {0}});
    TraversalState state;
    root.apply(state, action);
    setPlatform(previous);
    EXPECT_EQ(counting.windows, (std::vector<WindowHandle>(3, &window)));
}

TEST(ConvertAction, transferMovesTheMeshOnce) {
    Separator root;
    addTriangle(*addNode<Separator>(root, "A"));
    addTriangle(*addNode<Separator>(root, "B"), 1);
    ConvertAction action(nullptr, nullptr);
    TraversalState state;
    root.apply(state, action);
    DisplayMesh target;
    EXPECT_FALSE(action.transferMesh(target));
    action.finish(root, state);

    target.makeCube(1, 0, 0);
    target.visible = 0;
    ASSERT_TRUE(action.transferMesh(target));
    EXPECT_EQ(target.partCount, 2);
    EXPECT_EQ(target.parts.size(), 2u);
    EXPECT_EQ(target.visible, 1);
    EXPECT_EQ(action.mesh(), nullptr);
    EXPECT_FALSE(action.transferMesh(target));
    EXPECT_EQ(target.parts.size(), 2u);
}

}  // namespace
}  // namespace glowpond
